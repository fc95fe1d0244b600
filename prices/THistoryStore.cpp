// Opening the history's file: the checks that decide whether it can be used, the schema and its
// migration, the moving aside of a damaged file. The writes are in THistoryWrites.cpp.
#include "THistoryStore.h"

#include "THistoryStatements.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlError>

namespace {
// SQLite's primary result codes that the history tells apart (the driver reports extended codes;
// their low byte is the primary one).
enum : int {
    SqlitePerm = 3,
    SqliteBusy = 5,
    SqliteReadOnly = 8,
    SqliteIoErr = 10,
    SqliteCorrupt = 11,
    SqliteFull = 13,
    SqliteCantOpen = 14,
    SqliteNotADb = 26
};

int PrimaryCode(const QSqlError &error)
{
    bool ok = false;
    const int code = error.nativeErrorCode().toInt(&ok);
    return ok ? code & 0xff : -1;
}

// The first version, as it was made: a new file is made so and migrated like an old one.
const char *const kVersion1[] = {
    "CREATE TABLE shops (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)",
    "CREATE TABLE products (id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, name TEXT NOT NULL)",
    "CREATE TABLE comparisons (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, keyword TEXT NOT NULL)",
    "CREATE TABLE comparison_shops (comparison INTEGER NOT NULL, shop INTEGER NOT NULL,"
    " PRIMARY KEY (comparison, shop)) WITHOUT ROWID",
    "CREATE TABLE listings (id INTEGER PRIMARY KEY, hash INTEGER NOT NULL UNIQUE, product INTEGER NOT NULL,"
    " shop INTEGER NOT NULL, address TEXT NOT NULL, title TEXT NOT NULL)",
    "CREATE INDEX listings_by_product ON listings (product)",
    "CREATE TABLE observations (part INTEGER NOT NULL, listing INTEGER NOT NULL, comparison INTEGER NOT NULL,"
    " price INTEGER NOT NULL, PRIMARY KEY (part, listing, comparison, price)) WITHOUT ROWID",
    "PRAGMA user_version = 1",
};

// Version 2: the summaries kept instead of counted at every start, and the watch list.
const char *const kVersion2[] = {
    "CREATE TABLE summaries (product INTEGER PRIMARY KEY, lowest INTEGER NOT NULL, lowest_time INTEGER NOT "
    "NULL,"
    " lowest_shop INTEGER NOT NULL, last INTEGER NOT NULL, last_time INTEGER NOT NULL,"
    " comparisons INTEGER NOT NULL)",
    "CREATE TABLE watches (id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, name TEXT NOT NULL, keyword "
    "TEXT NOT NULL, shops TEXT NOT NULL,"
    " target INTEGER NOT NULL, notify_new_low INTEGER NOT NULL, armed INTEGER NOT NULL,"
    " last_price INTEGER NOT NULL, last_shop TEXT NOT NULL, last_address TEXT NOT NULL,"
    " lowest INTEGER NOT NULL, last_checked INTEGER)",
};
} // namespace

THistoryStore::THistoryStore(const QString &connectionName) : m_name(connectionName) { }

THistoryStore::~THistoryStore()
{
    Close();
}

void THistoryStore::Close()
{
    m_q.reset();
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
    m_open = false;
    m_dataVersion = 0;
    clearCaches();
}

QString THistoryStore::ErrorText(const QSqlError &error)
{
    switch (PrimaryCode(error)) {
    case SqliteFull:
        return QStringLiteral("磁盘已满");
    case SqliteReadOnly:
    case SqlitePerm:
        return QStringLiteral("文件或文件夹只读");
    case SqliteCantOpen:
        return QStringLiteral("无法打开或创建文件");
    case SqliteBusy:
        return QStringLiteral("文件正被另一个程序使用");
    case SqliteIoErr:
        return QStringLiteral("读写出错：") + error.databaseText();
    default:
        return error.databaseText().isEmpty() ? error.text() : error.databaseText();
    }
}

QString THistoryStore::DamagedPath(const QString &path)
{
    const QString base = path + QStringLiteral(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString candidate = base;
    for (int n = 2; QFileInfo::exists(candidate) || QFileInfo(candidate).isSymLink(); ++n)
        candidate = base + QLatin1Char('-') + QString::number(n);
    return candidate;
}

QString THistoryStore::NotKeptNotice(const QString &path, const QString &why)
{
    return QStringLiteral("无法保存价格历史：%1（%2）；本次起不再记录历史。")
        .arg(QDir::toNativeSeparators(path), why);
}

bool THistoryStore::Open(const QString &path, QString *notice)
{
    Close();
    const QString file = QDir::toNativeSeparators(path);
    const auto notKept = [&](const QString &why) {
        *notice = NotKeptNotice(path, why);
        Close();
        return false;
    };
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath()))
        return notKept(
            QStringLiteral("无法创建文件夹 %1").arg(QDir::toNativeSeparators(info.absolutePath())));
    if (info.exists() && !info.isFile())
        return notKept(QStringLiteral("同名的不是文件"));

    QString why;
    TOpened opened = openFile(path, &why);
    if (opened == TOpened::Damaged) {
        Close();
        // The journal files go with it: a stale write-ahead log beside a new file would be
        // replayed into it.
        const QString aside = DamagedPath(path);
        bool moved = QFile::rename(path, aside);
        for (const QLatin1String suffix : {QLatin1String("-wal"), QLatin1String("-shm")}) {
            if (moved && QFileInfo::exists(path + suffix))
                moved = QFile::rename(path + suffix, aside + suffix) || QFile::remove(path + suffix);
        }
        if (!moved)
            return notKept(why + QStringLiteral("，也无法移开"));
        const QString damaged = why;
        opened = openFile(path, &why);
        if (opened != TOpened::Ok) {
            return notKept(QStringLiteral("原文件%1，已改名为 %2；新文件也无法建立：%3")
                               .arg(damaged, QDir::toNativeSeparators(aside), why));
        }
        *notice = QStringLiteral("价格历史文件 %1 无法使用（%2），已改名为 %3 保留；价格历史从头记录。")
                      .arg(file, damaged, QDir::toNativeSeparators(aside));
    }
    if (opened == TOpened::Failed)
        return notKept(why);
    m_open = true;
    return true;
}

THistoryStore::TOpened THistoryStore::openFile(const QString &path, QString *why)
{
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
    if (!db.open()) {
        *why = ErrorText(db.lastError());
        return TOpened::Failed;
    }
    QSqlQuery query(db);
    // Reading the file's first page tells a database from anything else.
    if (!query.exec(QStringLiteral("PRAGMA quick_check"))) {
        const int code = PrimaryCode(query.lastError());
        if (code == SqliteNotADb || code == SqliteCorrupt) {
            *why = code == SqliteNotADb ? QStringLiteral("不是数据库") : QStringLiteral("文件已损坏");
            return TOpened::Damaged;
        }
        *why = ErrorText(query.lastError());
        return TOpened::Failed;
    }
    if (!query.next() || query.value(0).toString() != QLatin1String("ok")) {
        *why = QStringLiteral("完整性检查未通过");
        return TOpened::Damaged;
    }
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        *why = ErrorText(query.lastError());
        return TOpened::Failed;
    }
    const int version = query.value(0).toInt();
    if (version > kVersion) {
        *why = QStringLiteral("由更新版本的程序写成");
        return TOpened::Damaged;
    }
    if (version == 0
        && (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next()
            || query.value(0).toInt() != 0)) {
        *why = QStringLiteral("不是本程序的价格历史");
        return TOpened::Damaged;
    }
    query.finish();

    // WAL: the window's reads never wait for a write, and the program killed loses at most the
    // comparison being written. Synced at checkpoints only (NORMAL): a power cut may lose the
    // last few comparisons too, but never leaves a damaged file, and most comparisons are written
    // without waiting for the disk.
    exec(QStringLiteral("PRAGMA journal_mode = WAL"));
    exec(QStringLiteral("PRAGMA synchronous = NORMAL"));
    exec(QStringLiteral("PRAGMA cache_size = -16000"));
    // What is deleted is overwritten, also where the clearing cannot rebuild the file.
    exec(QStringLiteral("PRAGMA secure_delete = ON"));
    // The version is written at every start: a file or folder that cannot be written shows now,
    // not at the first comparison.
    if (!createOrMigrate(version, why))
        return TOpened::Failed;
    if (!prepareStatements() || !loadCaches()) {
        *why = QStringLiteral("不是本程序的价格历史");
        return TOpened::Damaged;
    }
    m_dataVersion = dataVersion();
    return TOpened::Ok;
}

bool THistoryStore::createOrMigrate(int version, QString *why)
{
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    bool ok = exec(QStringLiteral("BEGIN IMMEDIATE"));
    if (ok && version == 0) {
        for (const char *sql : kVersion1)
            ok = ok && exec(QLatin1String(sql));
    }
    if (ok && version <= 1)
        ok = migrateFrom1();
    ok = ok && exec(QStringLiteral("PRAGMA user_version = %1").arg(kVersion));
    ok = ok && exec(QStringLiteral("COMMIT"));
    if (!ok) {
        *why = m_error;
        exec(QStringLiteral("ROLLBACK"));
    }
    return ok;
}

bool THistoryStore::migrateFrom1()
{
    for (const char *sql : kVersion2) {
        if (!exec(QLatin1String(sql)))
            return false;
    }
    // The summaries, as version 1 counted them at every start: each product's lowest price of
    // each comparison, in the order of time.
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT l.product, c.time, MIN(o.price), l.shop"
                                   " FROM observations o JOIN listings l ON l.id = o.listing"
                                   " JOIN comparisons c ON c.id = o.comparison"
                                   " GROUP BY l.product, o.comparison ORDER BY c.time, c.id")))
        return fail(query);
    struct TFolded
    {
        THistorySummary Summary;
        qint64 LowestShop = 0;
    };
    QHash<qint64, TFolded> folded;
    while (query.next()) {
        TFolded &f = folded[query.value(0).toLongLong()];
        const qint64 shop = query.value(3).toLongLong();
        if (FoldSummary(
                f.Summary, query.value(2).toLongLong(), TimeOf(query.value(1).toLongLong()), QString()))
            f.LowestShop = shop;
    }
    QList<qint64> rows;
    for (auto it = folded.cbegin(); it != folded.cend(); ++it)
        THistoryStatements::AddSummary(rows, it.key(), it->Summary, it->LowestShop);
    QSqlError failure;
    if (!THistoryStatements(db).WriteSummaries(rows, &failure)) {
        m_error = ErrorText(failure);
        return false;
    }
    return true;
}

bool THistoryStore::exec(const QString &sql)
{
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    return query.exec(sql) || fail(query);
}

bool THistoryStore::fail(const QSqlQuery &query)
{
    m_error = ErrorText(query.lastError());
    return false;
}
