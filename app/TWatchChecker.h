#pragma once

#include "TOffer.h"
#include "TPriceHistory.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>

class TFrm_Main;
class TPriceComparison;
class TTabSheetEx;

// Checks the watched products: runs again the comparisons (keyword and shops) they came from, in
// tabs behind the user's, reads them as usual, keeps them in the history and applies the notice
// rules. In the running program a check starts when a product's last check is older than the
// interval and the user's own comparison is over; a comparison the user starts sends the check
// back to wait. The command line's --check-watches runs one check of every watched product.
class TWatchChecker : public QObject
{
    Q_OBJECT
public:
    TWatchChecker(TFrm_Main *window, TPriceHistory *history);

    // How old a product's last check may get before it is checked again (12 hours unless set).
    void SetInterval(std::chrono::seconds interval) { m_interval = interval; }
    std::chrono::seconds Interval() const { return m_interval; }
    // How long one comparison of a check may take before its unread shops are given up.
    void SetWaitSeconds(int seconds) { m_waitSeconds = seconds; }
    // Looks now and then for products due for a check.
    void StartSchedule();
    // Checks the products due (or every watched product) now. False when there is nothing to check.
    bool CheckNow(bool everyProduct);
    bool IsRunning() const { return m_running; }
    // The user's own comparison comes first: a check under way stops and is tried again later.
    void Postpone();

signals:
    // One watched product checked: `lowestFen` the lowest price read (0 when none was).
    void checked(const TWatch &before, const TWatch &after, qint64 lowestFen);
    void notice(const TWatchNotice &notice);
    // The check has ended; `allRead` when every shop of every comparison was read.
    void finished(bool allRead);

private:
    struct Run
    {
        QString Keyword;
        QStringList Shops;
        QStringList Keys; // the watched products it checks
    };
    void lookForDue();
    void startNext();
    void endCurrent(bool inTime);
    void closeTabs();

    TFrm_Main *m_window;
    TPriceHistory *m_history;
    std::chrono::seconds m_interval {12 * 3600};
    int m_waitSeconds = 120;
    QTimer m_schedule;
    QTimer m_deadline;
    QList<Run> m_queue;
    TPriceComparison *m_comparison = nullptr; // the current run's
    QHash<QString, QList<TOffer>> m_offers; // the current run's, by shop
    QList<QPointer<TTabSheetEx>> m_tabs; // the current run's
    bool m_running = false;
    bool m_allRead = true;
};
