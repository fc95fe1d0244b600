#pragma once

#include <QObject>
#include <QStringList>
#include <QTimer>

class TFrm_Main;

// The batch comparison of the command line: runs the comparison in the main window as
// "马上对比" would, waits until every shop's page has been read (at most the given seconds),
// writes the offers as CSV, prints one line per shop and ends the program.
class TBatchCompare : public QObject
{
    Q_OBJECT
public:
    // The shops named by `names` (shop and category names separated by ";", a category standing
    // for all its shops), in catalogue order within a category. Empty, with `error` set, when a
    // name is neither.
    static QStringList ResolveShops(const QString &catalogueText, const QString &names, QString &error);
    // Whether `path` can be written: a regular file or a new name in a folder that takes it. An
    // existing file is left as it is.
    static bool CanWrite(const QString &path);

    TBatchCompare(TFrm_Main *window, const QStringList &shops, const QString &keyword, const QString &file,
        int waitSeconds);

    // Runs once the start page has loaded; the program then ends with the exit status.
    void Start();
    // 0 when every shop was read, 1 when not (or the window was closed first), 2 when the file
    // could not be written.
    int ExitStatus() const { return m_status; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void Run();
    void finish(bool inTime);

    TFrm_Main *m_window;
    QStringList m_shops;
    QString m_keyword;
    QString m_file;
    QTimer m_deadline;
    bool m_finished = false;
    int m_status = 1;
};
