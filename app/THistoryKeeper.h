#pragma once

#include "TPriceHistory.h"

#include <QHash>
#include <QObject>
#include <QPointer>

class QAction;
class QMenu;
class TDesktopNotifier;
class TFrm_Main;
class TWatchChecker;
class TWatchListDialog;

// Keeps the price history of the main window: every comparison written once its shops are done,
// what the history knows shown in the price table, "价格走势", "关注", "关注列表" and
// "清除历史…", the checks of watched products and their notices. Owned by the main window.
class THistoryKeeper : public QObject
{
    Q_OBJECT
public:
    THistoryKeeper(TFrm_Main *window, TPriceHistory *history);

    // Opens the history at `path` (the program's: TPriceHistory::DefaultPath()); until then
    // nothing is kept. `checkWatches`: watched products are checked when they are due.
    void Open(const QString &path, bool checkWatches);
    // Adds "关注列表" and "清除历史…" to the file menu.
    void AddMenuItems(QMenu *menu);
    // Without anyone at the window (the command-line modes) notices go to standard error instead
    // of a message box.
    void SetUnattended(bool unattended) { m_unattended = unattended; }

    // Writes the current comparison now, if it has offers and was not written yet (the batch
    // mode's deadline: what was read is kept).
    void RecordNow();

    TPriceHistory *History() const { return m_history; }
    TWatchChecker *Checker() const { return m_checker; }
    TDesktopNotifier *Notifier() const { return m_notifier; }
    QAction *WatchListAction() const { return m_watchList; }
    QAction *ClearAction() const { return m_clear; }
    // The notices given so far where no notification service took them (the status bar's).
    QStringList UndeliveredNotices() const { return m_undelivered; }

    void ShowChart(const QString &key, const QString &name);
    void Watch(const QString &key, const QString &name, qint64 lowestFen);
    void ShowWatchList();
    void ClearHistory();

private:
    void begun(const QStringList &shops, const QString &keyword);
    void showInTable();
    void tell(const QString &text);
    void notify(const TWatchNotice &notice);

    TFrm_Main *m_window;
    TPriceHistory *m_history;
    TWatchChecker *m_checker;
    TDesktopNotifier *m_notifier;
    QAction *m_watchList = nullptr;
    QAction *m_clear = nullptr;
    QPointer<TWatchListDialog> m_watchDialog;
    QHash<QString, THistorySummary> m_summaries; // as they were when the comparison began
    QStringList m_undelivered;
    QString m_keyword; // of the current comparison
    bool m_open = false;
    bool m_recorded = true;
    bool m_unattended = false;
};
