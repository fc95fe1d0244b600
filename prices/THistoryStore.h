#pragma once

#include "THistoryRecords.h"
#include "TWatchRules.h"

#include <QCryptographicHash>
#include <QHash>

#include <memory>

class QSqlError;
class QSqlQuery;
struct THistoryStatements;

// The price history's SQLite file (Qt SQL, QSQLITE), written through one connection on one
// thread: opening with its checks, migrations and the moving aside of a damaged file; the
// writes of comparisons, watches and the clearing; the summaries and watches it holds.
//
// The file, schema version 2 (PRAGMA user_version):
//   shops, products        each name and product key stored once, by number
//   comparisons            time (ms since 1970, UTC) and keyword; comparison_shops the ticked shops
//   listings               an offer as one shop lists it: product, shop, address and title, stored
//                          once however often it is seen, found again by a 64-bit hash of the four
//   observations           (part, listing, comparison, price) without row ids: one row of four
//                          small numbers per observed offer. `part` is the comparison's number / 16,
//                          so that a new comparison's rows go into the few pages of the newest part
//                          instead of one page of every product, while a product's prices are still
//                          found by one look-up per part and listing
//   summaries              each product's lowest and last price and how often it was seen
//   watches                the watch list
// Version 1, the first, had no summaries (they were counted when the file was opened) and no
// watch list; a new file is made as version 1 and brought up to date by the same migration.
// WAL journal; a comparison is one transaction, so a crash loses at most the one being written.
class THistoryStore
{
public:
    static constexpr int kVersion = 2;
    static constexpr int kComparisonsPerPart = 16;

    explicit THistoryStore(const QString &connectionName);
    ~THistoryStore();
    THistoryStore(const THistoryStore &) = delete;
    THistoryStore &operator=(const THistoryStore &) = delete;

    // Opens or starts the history at `path`. A damaged file (not a database, a schema of a later
    // version or of another program, failing quick_check) is moved aside and a new one started,
    // with `notice` saying so; a file that cannot be opened or written: false, with `notice`.
    bool Open(const QString &path, QString *notice);
    bool IsOpen() const { return m_open; }
    void Close();

    // Each write is one transaction; false, with `error` saying why, when it failed (nothing of
    // it is written then).
    bool Record(const THistoryComparison &comparison, QString *error);
    bool Clear(QString *error);
    bool SaveWatch(const TWatch &watch, QString *error);
    bool RemoveWatch(const QString &key, QString *error);

    const QHash<QString, THistorySummary> &Summaries() const { return m_summaries; }
    QList<TWatch> LoadWatches();

    // A notice's account of why the file could not be used: the database's error in words.
    static QString ErrorText(const QSqlError &error);
    // "无法保存价格历史：<file>（<why>）；本次起不再记录历史。"
    static QString NotKeptNotice(const QString &path, const QString &why);
    // "<path>.damaged-<yyyyMMdd-HHmmss>", not yet taken.
    static QString DamagedPath(const QString &path);

private:
    enum class TOpened { Ok, Damaged, Failed };
    TOpened openFile(const QString &path, QString *why);
    bool createOrMigrate(int version, QString *why);
    bool migrateFrom1();
    bool prepareStatements();
    bool loadCaches();
    bool exec(const QString &sql);
    bool exec(QSqlQuery &query);
    bool fail(const QSqlQuery &query);
    bool rollback(QString *error);
    bool beginWrite();
    qint64 dataVersion();
    void clearCaches();
    qint64 shopId(const QString &name);
    qint64 productId(const QString &key, const QString &name);
    qint64 listingId(qint64 product, qint64 shop, const THistoryObservation &observation);

    QString m_name;
    bool m_open = false;
    qint64 m_dataVersion = 0; // SQLite's data_version at the last write
    QString m_error; // the last failure, in words
    QHash<QString, THistorySummary> m_summaries;
    QHash<QString, qint64> m_shops;
    QHash<QString, qint64> m_products;
    QHash<qint64, qint64> m_listings; // by hash
    QCryptographicHash m_hash {QCryptographicHash::Blake2b_160};
    QHash<qint64, QString> m_shopNames;
    std::unique_ptr<THistoryStatements> m_q;
};
