#pragma once

#include <QObject>

class TFrm_Main;

// The command line's modes of the price history.

// --export-history FILE: every price of the program's history as CSV. Returns the exit status:
// 0 written, 2 not (the reason on standard error).
int ExportHistoryCommand(const QString &file);

// --check-watches: checks every watched product once in the window's tabs, prints one line per
// product, and ends the program: 0 when every shop was read, 1 when not (or the window was
// closed first).
class TCheckWatchesCommand : public QObject
{
    Q_OBJECT
public:
    TCheckWatchesCommand(TFrm_Main *window, int waitSeconds);

    // Runs once the start page has loaded.
    void Start();
    int ExitStatus() const { return m_status; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finish(int status);

    TFrm_Main *m_window;
    int m_status = 1;
    bool m_finished = false;
};
