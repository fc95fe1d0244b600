#pragma once

#include "TOffer.h"
#include "TProductGrouping.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QUrl>

#include <memory>

class QThread;

// One offer as the history keeps it.
struct THistoryObservation
{
    QString Shop;
    QString ProductKey; // the product group's key; "@" + the address for an offer without a group
    QString ProductName; // the group's clean name, or the offer's title
    qint64 PriceFen = 0;
    QUrl Address; // without user name and password
    QString Title;
};

// A comparison as the history keeps it.
struct THistoryComparison
{
    QDateTime Time; // UTC
    QString Keyword;
    QStringList Shops;
    QList<THistoryObservation> Observations;
};

// The comparison's offers with their product keys: a product group's key, or "@" + the address
// for an offer that stands alone. Offers without a price (0 fen or less) are left out.
THistoryComparison HistoryComparisonOf(const QString &keyword, const QStringList &shops,
    const QList<TOffer> &offers, const TProductGrouping &grouping, const QDateTime &time);

// What the history knows of one product, from the comparisons already written.
struct THistorySummary
{
    qint64 LowestFen = 0; // the lowest price ever seen; 0 when the product was never seen
    QDateTime LowestTime;
    QString LowestShop;
    qint64 LastFen = 0; // the lowest price of the latest comparison that saw it
    QDateTime LastTime;
    int Comparisons = 0; // how many comparisons saw it
};

// "历史最低 ¥2,799（11月11日）"; empty for a product never seen.
QString HistoryLowText(const THistorySummary &summary);
// The mark of today's lowest price against the history: "好价" when within 5 % of the lowest ever
// (or below it), else "↓8%" when it fell since the last comparison that saw the product, else empty.
QString HistoryMark(qint64 todayLowestFen, const THistorySummary &summary);

// One price of a product in one comparison at one shop: a point of its chart.
struct TPricePoint
{
    QDateTime Time;
    QString Shop;
    qint64 PriceFen = 0;
};

// A watched product. Its target: a notice when the lowest price falls below it.
struct TWatch
{
    QString Key; // the product's key
    QString Name;
    QString Keyword; // the comparison it came from, re-run to check it
    QStringList Shops;
    qint64 TargetFen = 0;
    bool NotifyNewLow = false; // also at every new all-time low
    bool Armed = true; // a crossing notifies once; re-armed when the price is back at or above the target
    qint64 LastFen = 0; // the lowest price at the last check that read one; 0 before
    QString LastShop;
    QUrl LastAddress;
    qint64 LowestFen = 0; // the lowest ever seen since watched
    QDateTime LastChecked; // UTC; the last check, read or not
};

// What a check of a watched product tells the user.
struct TWatchNotice
{
    QString Key;
    QString Name;
    qint64 OldFen = 0;
    qint64 NewFen = 0;
    QString Shop;
    QUrl Address;
    bool NewLow = false; // a new all-time low rather than a crossing of the target
    // "星弧 S12 Pro 8+256G：¥2,999 → ¥2,699（京东商城）"
    QString Text() const;
};

// The rules of notices, for one watched product and one check. `lowestFen` is the lowest price the
// check read for it (with its shop and address); 0 or less when the check read none (a failed or
// empty reading), which changes nothing but LastChecked and never notifies. A crossing below the
// target notifies once and disarms; the price back at or above the target re-arms.
QList<TWatchNotice> CheckWatch(TWatch &watch, qint64 lowestFen, const QString &shop, const QUrl &address,
    const QDateTime &now);

// The price history: a SQLite file (QSQLITE) written off the caller's thread, and the watch list.
// Made and used on the window's thread; the writes go to its own worker thread, one transaction
// per comparison. Products' summaries and the watch list are kept in memory, so that asking for
// them never waits for the file.
class TPriceHistory : public QObject
{
    Q_OBJECT
public:
    explicit TPriceHistory(QObject *parent = nullptr);
    ~TPriceHistory() override; // waits for writes in progress

    // "history.sqlite" in the user's data folder (QStandardPaths::AppDataLocation).
    static QString DefaultPath();

    // Opens (or starts) the history at `path` on the worker thread. A file that is not a database,
    // has a schema of a later version or fails "PRAGMA quick_check" is moved aside
    // ("<path>.damaged-<yyyyMMdd-HHmmss>") with one notice and a new history is started; a folder
    // or disk that cannot take it: the history is not kept, with one notice. Summaries and
    // watches are loaded before `opened` is emitted.
    void Open(const QString &path);
    // Blocks until every write and the open asked for so far are done (batch modes, tests).
    void WaitForWrites();
    bool IsKept() const; // false once the history could not be opened or written

    // Writes a comparison (one transaction, off this thread); summaries follow once written.
    void Record(const THistoryComparison &comparison);
    // Deletes every comparison and observation; watches stay, their prices forgotten.
    void Clear();

    // The summary of each product seen so far, by key.
    QHash<QString, THistorySummary> Summaries() const;
    // Every price of the product, oldest first (read on the calling thread through its own
    // connection; for the chart).
    QList<TPricePoint> Points(const QString &key) const;

    QList<TWatch> Watches() const;
    bool IsWatched(const QString &key) const;
    void SetWatch(const TWatch &watch); // adds or replaces by key; written off this thread
    void RemoveWatch(const QString &key);

    // Every observation as CSV (UTF-8 with BOM, header "时间,关键词,网店,商品,同款键,价格,地址"),
    // written through the project's atomic write. False, with `error` set, when it cannot be.
    bool ExportCsv(const QString &path, QString *error) const;

signals:
    void opened();
    // Once per cause: the file was damaged and moved aside, or the history cannot be kept.
    void notice(const QString &text);
    // A comparison has been written; Summaries() includes it.
    void recorded();

private:
    class Worker;
    QThread *m_thread;
    Worker *m_worker;
    // ... the in-memory summaries and watches, guarded by a mutex
};
