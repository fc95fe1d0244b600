#pragma once

#include "THistoryRecords.h"
#include "TWatchRules.h"

#include <QHash>
#include <QMutex>
#include <QObject>

#include <atomic>
#include <functional>

class QThread;

// The price history: a SQLite file (QSQLITE) written off the caller's thread, and the watch list.
// Made and used on the window's thread; the writes go to its own worker thread, one transaction
// per comparison. Products' summaries and the watch list are kept in memory, so that asking for
// them never waits for the file. The file itself: THistoryStore.
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
    // watches are loaded before `opened` is emitted (also when the history is not kept).
    void Open(const QString &path);
    // Blocks until every write and the open asked for so far are done (batch modes, tests).
    void WaitForWrites();
    bool IsKept() const; // false once the history could not be opened or written

    // Writes a comparison (one transaction, off this thread); summaries follow once written.
    void Record(const THistoryComparison &comparison);
    // Deletes every comparison and observation; watches stay, their prices forgotten. The
    // summaries and the watches' prices are forgotten at once; `cleared` follows once the file
    // is cleared too.
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
    // written through the project's atomic write, after the writes asked for so far. False, with
    // `error` set, when it cannot be.
    bool ExportCsv(const QString &path, QString *error) const;

signals:
    void opened();
    // Once per cause: the file was damaged and moved aside, or the history cannot be kept.
    void notice(const QString &text);
    // A comparison has been written; Summaries() includes it.
    void recorded();
    // The file has been cleared (Clear()).
    void cleared();

private:
    class Worker;
    // What is kept in memory: read by the window's thread, replaced by the worker's.
    struct TState
    {
        QHash<QString, THistorySummary> Summaries;
        QList<TWatch> Watches;
    };
    using TChange = std::function<void(TState &)>;
    void change(const TChange &change);
    void waitForWorker() const;

    QThread *m_thread;
    Worker *m_worker;
    mutable QMutex m_mutex;
    TState m_state;
    // Changes made before the file's summaries and watches were loaded, made again on them.
    QList<TChange> m_changesBeforeLoad;
    bool m_loaded = false;
    std::atomic<bool> m_kept {true};
    QString m_path;
};
