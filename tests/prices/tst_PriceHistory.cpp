#include "TPriceHistory.h"

#include <QProcess>
#include <QSignalSpy>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdio>
#include <optional>

#ifdef Q_OS_LINUX
#include <sys/mount.h>
#include <unistd.h>
#endif

// The price history's file as the user's disk treats it: written and read back across
// restarts, migrated from the first version, damaged, shared with another program, cleared,
// unwritable, full, and killed while writing. Run as `tst_PriceHistory --write-forever FILE` it
// is the writer that the last row kills.
namespace {
const QDateTime kDay0(QDate(2026, 11, 1), QTime(2, 0), Qt::UTC);
const QStringList kShops {QStringLiteral("京东商城"), QStringLiteral("当当网"), QStringLiteral("苏宁易购")};
const QString kKey = QStringLiteral("星弧|s0|8+256");

// One day's comparison: each shop's offer of each product, the price changing by day and shop
// (never the same at two shops), one title a spreadsheet formula.
THistoryComparison comparison(int day, int products = 4, const QString &marker = QString())
{
    THistoryComparison c {kDay0.addDays(day), QStringLiteral("手机"), kShops, {}};
    for (int s = 0; s < kShops.size(); ++s) {
        for (int p = 0; p < products; ++p) {
            const QString title = s == 0 && p == 1 ? QStringLiteral("=HYPERLINK(\"http://x\",\"点我\")")
                                                   : QStringLiteral("星弧 S%1 8+256G%2").arg(p).arg(marker);
            c.Observations.append({kShops.at(s), QStringLiteral("星弧|s%1|8+256").arg(p),
                QStringLiteral("星弧 S%1").arg(p), 100000 * (p + 1) + (day * 7 + s * 13) % 10 * 1000 + s * 10,
                QUrl(QStringLiteral("https://shop%1.example/item/%2").arg(s).arg(p)), title});
        }
    }
    return c;
}

QList<THistoryComparison> days(int from, int to, int products = 4, const QString &marker = QString())
{
    QList<THistoryComparison> list;
    for (int day = from; day < to; ++day)
        list.append(comparison(day, products, marker));
    return list;
}

QStringList text(const QHash<QString, THistorySummary> &summaries)
{
    QStringList lines;
    for (auto it = summaries.cbegin(); it != summaries.cend(); ++it)
        lines.append(QStringLiteral("%1 lowest %2 %3 %4, last %5 %6, ×%7")
                         .arg(it.key())
                         .arg(it->LowestFen)
                         .arg(it->LowestTime.toString(Qt::ISODate), it->LowestShop)
                         .arg(it->LastFen)
                         .arg(it->LastTime.toString(Qt::ISODate))
                         .arg(it->Comparisons));
    lines.sort();
    return lines;
}

// The summaries as the comparisons themselves say them.
QStringList summaries(const QList<THistoryComparison> &comparisons)
{
    QHash<QString, THistorySummary> all;
    for (const THistoryComparison &c : comparisons) {
        QHash<QString, const THistoryObservation *> lowest;
        for (const THistoryObservation &o : c.Observations) {
            if (!lowest.contains(o.ProductKey) || o.PriceFen < lowest.value(o.ProductKey)->PriceFen)
                lowest.insert(o.ProductKey, &o);
        }
        for (const THistoryObservation *o : lowest) {
            THistorySummary &s = all[o->ProductKey];
            if (++s.Comparisons == 1 || o->PriceFen < s.LowestFen)
                s = {o->PriceFen, c.Time, o->Shop, s.LastFen, s.LastTime, s.Comparisons};
            if (!s.LastTime.isValid() || c.Time >= s.LastTime)
                std::tie(s.LastFen, s.LastTime) = std::make_tuple(o->PriceFen, c.Time);
        }
    }
    return text(all);
}

// A product's points, oldest first and the cheapest first within a comparison.
QStringList points(const QList<TPricePoint> &points)
{
    QStringList lines;
    for (const TPricePoint &p : points)
        lines.append(QStringLiteral("%1 %2 %3").arg(p.Time.toString(Qt::ISODate), p.Shop).arg(p.PriceFen));
    return lines;
}

QStringList points(const QList<THistoryComparison> &comparisons, const QString &key)
{
    QList<TPricePoint> all;
    for (const THistoryComparison &c : comparisons) {
        QMultiMap<qint64, TPricePoint> day;
        for (const THistoryObservation &o : c.Observations) {
            if (o.ProductKey == key)
                day.insert(o.PriceFen, {c.Time, o.Shop, o.PriceFen});
        }
        all += day.values();
    }
    return points(all);
}

// A watch checked once (`last` its price), or never (`last` 0: no shop, no address yet).
TWatch watch(int product, qint64 target, qint64 last)
{
    return {QStringLiteral("星弧|s%1|8+256").arg(product), QStringLiteral("星弧 S%1").arg(product),
        QStringLiteral("手机"), kShops, target, true, last == 0, last, last ? kShops.at(1) : QString(),
        last ? QUrl(QStringLiteral("https://shop1.example/item/1")) : QUrl(), last, kDay0.addDays(9)};
}

QStringList text(const QList<TWatch> &watches)
{
    QStringList lines;
    for (const TWatch &w : watches)
        lines.append(QStringLiteral("%1 %2 %3 target %4 armed %5 last %6 %7 %8 lowest %9 checked %10")
                         .arg(w.Key, w.Name, w.Shops.join(QLatin1Char(';')))
                         .arg(w.TargetFen)
                         .arg(w.Armed)
                         .arg(w.LastFen)
                         .arg(w.LastShop, w.LastAddress.toString())
                         .arg(w.LowestFen)
                         .arg(w.LastChecked.toString(Qt::ISODate)));
    return lines;
}

// Opens the history at `path` and waits until it says that it has.
std::unique_ptr<TPriceHistory> open(const QString &path, QStringList *notices)
{
    auto history = std::make_unique<TPriceHistory>();
    QObject::connect(
        history.get(), &TPriceHistory::notice, [notices](const QString &text) { notices->append(text); });
    QSignalSpy opened(history.get(), &TPriceHistory::opened);
    history->Open(path);
    history->WaitForWrites();
    return opened.count() == 1 || opened.wait(10000) ? std::move(history) : nullptr;
}

void record(TPriceHistory &history, const QList<THistoryComparison> &comparisons)
{
    for (const THistoryComparison &c : comparisons)
        history.Record(c);
    history.WaitForWrites();
}

// Runs SQL on the file directly, as another program would; the last statement's first row.
QVariantList sql(const QString &path, const QStringList &statements)
{
    QVariantList row;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        QSqlQuery q(db);
        bool ok = db.open();
        for (const QString &statement : statements)
            ok = ok && q.exec(statement);
        if (ok && q.next()) {
            for (int i = 0; i < q.record().count(); ++i)
                row.append(q.value(i));
        }
        if (ok && row.isEmpty())
            row.append(true);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return row;
}

// The first version of the file, as its program wrote it.
bool writeVersion1(const QString &path, const QList<THistoryComparison> &comparisons)
{
    QStringList statements {
        QStringLiteral("CREATE TABLE shops (id INTEGER PRIMARY KEY, name TEXT NOT NULL UNIQUE)"),
        QStringLiteral(
            "CREATE TABLE products (id INTEGER PRIMARY KEY, key TEXT NOT NULL UNIQUE, name TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE comparisons (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, keyword "
                       "TEXT NOT NULL)"),
        QStringLiteral("CREATE TABLE comparison_shops (comparison INTEGER NOT NULL, shop INTEGER NOT NULL,"
                       " PRIMARY KEY (comparison, shop)) WITHOUT ROWID"),
        QStringLiteral(
            "CREATE TABLE listings (id INTEGER PRIMARY KEY, hash INTEGER NOT NULL UNIQUE, product INTEGER "
            "NOT NULL, shop INTEGER NOT NULL, address TEXT NOT NULL, title TEXT NOT NULL)"),
        QStringLiteral("CREATE INDEX listings_by_product ON listings (product)"),
        QStringLiteral(
            "CREATE TABLE observations (part INTEGER NOT NULL, listing INTEGER NOT NULL, comparison "
            "INTEGER NOT NULL, price INTEGER NOT NULL, PRIMARY KEY (part, listing, comparison, price))"
            " WITHOUT ROWID"),
        QStringLiteral("PRAGMA user_version = 1")};
    QStringList shops, products, listings;
    const auto id = [](QStringList &list, const QString &item) {
        if (!list.contains(item))
            list.append(item);
        return list.indexOf(item) + 1;
    };
    const auto quoted
        = [](QString text) { return QLatin1Char('\'') + text.replace(QLatin1Char('\''), "''") + '\''; };
    for (int c = 1; c <= comparisons.size(); ++c) {
        statements.append(QStringLiteral("INSERT INTO comparisons VALUES (%1, %2, '手机')")
                              .arg(c)
                              .arg(comparisons.at(c - 1).Time.toMSecsSinceEpoch()));
        for (const THistoryObservation &o : comparisons.at(c - 1).Observations) {
            const int shop = id(shops, o.Shop), product = id(products, o.ProductKey);
            const int listing = id(listings, o.ProductKey + o.Shop + o.Address.toString() + o.Title);
            statements
                << QStringLiteral("INSERT OR IGNORE INTO shops VALUES (%1, %2)").arg(shop).arg(quoted(o.Shop))
                << QStringLiteral("INSERT OR IGNORE INTO products VALUES (%1, %2, %3)")
                       .arg(product)
                       .arg(quoted(o.ProductKey), quoted(o.ProductName))
                << QStringLiteral("INSERT OR IGNORE INTO comparison_shops VALUES (%1, %2)").arg(c).arg(shop)
                << QStringLiteral("INSERT OR IGNORE INTO listings VALUES (%1, %2, %3, %4, %5, %6)")
                       .arg(listing)
                       .arg(-listing)
                       .arg(product)
                       .arg(shop)
                       .arg(quoted(o.Address.toString()), quoted(o.Title))
                << QStringLiteral("INSERT INTO observations VALUES (%1, %2, %3, %4)")
                       .arg(c / 32)
                       .arg(listing)
                       .arg(c)
                       .arg(o.PriceFen);
        }
    }
    return !sql(path, statements).isEmpty();
}

// A small file system of its own at `folder` (Linux, as root): read-only, or of 1 MB.
struct TMount
{
    QByteArray Folder;
    bool Mounted = false;
    TMount(const QString &folder, bool readOnly) : Folder(QFile::encodeName(folder))
    {
#ifdef Q_OS_LINUX
        Mounted = ::mount("tmpfs", Folder.constData(), "tmpfs", readOnly ? MS_RDONLY : 0, "size=1m") == 0;
#endif
    }
    ~TMount()
    {
#ifdef Q_OS_LINUX
        if (Mounted)
            ::umount2(Folder.constData(), MNT_DETACH);
#endif
    }
};

// The writer that is killed: comparisons of 20,000 offers one after another, saying on standard
// output when each begins and when it has been written.
THistoryComparison heavy(int n)
{
    THistoryComparison c {kDay0.addSecs(n * 60), QStringLiteral("手机"), {}, {}};
    for (int i = 0; i < 20000; ++i)
        c.Observations.append({QStringLiteral("网店%1").arg(i % 68), QStringLiteral("品牌|m%1|").arg(i % 500),
            QStringLiteral("商品"), 100000 + (n * 31 + i) % 997,
            QUrl(QStringLiteral("https://s%1.example/%2").arg(i % 68).arg(i)),
            QStringLiteral("商品 %1").arg(i)});
    return c;
}

int writeForever(const QString &path)
{
    TPriceHistory history;
    history.Open(path);
    for (int n = 0;; ++n) {
        std::printf("begin %d\n", n);
        std::fflush(stdout);
        history.Record(heavy(n));
        history.WaitForWrites();
        std::printf("written %d\n", n);
        std::fflush(stdout);
    }
}

enum Scenario {
    Fresh,
    FromVersion1,
    NotADatabase,
    FutureSchema,
    FailsQuickCheck,
    Cleared,
    SharedFile,
    FolderUnderFile,
    ReadOnlyFolder,
    FullDisk,
    KilledWriter
};
} // namespace

class tst_PriceHistory : public QObject
{
    Q_OBJECT
private slots:
    void store_data();
    void store();
};

void tst_PriceHistory::store_data()
{
    QTest::addColumn<int>("scenario");
    QTest::addColumn<QString>("notice"); // what the one notice says; empty: none

    const QString damaged = QStringLiteral("无法使用"), lost = QStringLiteral("无法保存价格历史");
    QTest::newRow("written and read back") << int(Fresh) << QString();
    QTest::newRow("from version 1") << int(FromVersion1) << QString();
    QTest::newRow("not a database") << int(NotADatabase) << damaged + QStringLiteral("（不是数据库）");
    QTest::newRow("schema of the future")
        << int(FutureSchema) << damaged + QStringLiteral("（由更新版本的程序写成）");
    QTest::newRow("fails quick_check") << int(FailsQuickCheck) << damaged;
    QTest::newRow("cleared") << int(Cleared) << QString();
    QTest::newRow("two programs, one file") << int(SharedFile) << QString();
    QTest::newRow("folder under a file") << int(FolderUnderFile) << lost;
    QTest::newRow("read-only folder") << int(ReadOnlyFolder) << lost;
    QTest::newRow("full disk") << int(FullDisk) << lost;
    QTest::newRow("writer killed") << int(KilledWriter) << QString();
}

void tst_PriceHistory::store()
{
    QFETCH(int, scenario);
    QFETCH(QString, notice);

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("history.sqlite"));
    QList<THistoryComparison> all; // what the file holds
    QStringList notices;
    std::optional<TMount> mount;
    std::unique_ptr<TPriceHistory> history, other; // another program with the same file
    switch (scenario) {
    case FromVersion1:
        all = days(0, 3);
        QVERIFY(writeVersion1(path, all));
        break;
    case NotADatabase: {
        QFile file(path);
        QVERIFY(
            file.open(QIODevice::WriteOnly) && file.write(QByteArray("not a database\n").repeated(500)) > 0);
        break;
    }
    case FutureSchema:
        QVERIFY(
            !sql(path, {QStringLiteral("CREATE TABLE later (x)"), QStringLiteral("PRAGMA user_version = 3")})
                 .isEmpty());
        break;
    case FailsQuickCheck:
    case Cleared:
    case SharedFile:
        all = scenario == SharedFile ? days(0, 1) : days(0, 3, 200, QStringLiteral(" 旧标题"));
        QVERIFY(other = open(path, &notices));
        record(*other, all);
        other->SetWatch(watch(0, 150000, 109000));
        other->WaitForWrites();
        if (scenario == SharedFile)
            break;
        other.reset();
        if (scenario == FailsQuickCheck) {
            // A page of the observations that is no b-tree page any more.
            const int root = sql(
                path, {QStringLiteral("SELECT rootpage FROM sqlite_master WHERE name = 'observations'")})
                                 .value(0)
                                 .toInt();
            QFile file(path);
            QVERIFY(root > 1 && file.open(QIODevice::ReadWrite) && file.seek((root - 1) * 4096)
                && file.putChar(7));
            all.clear();
        }
        break;
    case FolderUnderFile:
        QVERIFY(QFile(dir.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly));
        path = dir.filePath(QStringLiteral("plain/history.sqlite"));
        break;
    case ReadOnlyFolder:
    case FullDisk:
#ifdef Q_OS_LINUX
        QVERIFY(QDir(dir.path()).mkdir(QStringLiteral("mount")));
        path = dir.filePath(QStringLiteral("mount/history.sqlite"));
        if (scenario == ReadOnlyFolder && geteuid() != 0) {
            QVERIFY(QFile::setPermissions(
                dir.filePath(QStringLiteral("mount")), QFile::ReadOwner | QFile::ExeOwner));
            break;
        }
        mount.emplace(dir.filePath(QStringLiteral("mount")), scenario == ReadOnlyFolder);
        if (mount->Mounted)
            break;
#endif
        QSKIP("Needs a small file system of its own, which only root may mount (Linux tmpfs); root writes in "
              "any "
              "read-only folder");
    case KilledWriter: {
        QProcess writer;
        writer.start(QCoreApplication::applicationFilePath(), {QStringLiteral("--write-forever"), path});
        QByteArray said;
        // Killed while the fourth comparison is written: well within its transaction.
        while (!said.contains("begin 3\n") && writer.waitForReadyRead(60000))
            said += writer.readAllStandardOutput();
        QTest::qWait(40);
        writer.kill();
        QVERIFY(writer.waitForFinished(10000));
        said += writer.readAllStandardOutput();
        QVERIFY2(said.contains("begin 3\n"), said.constData());
        // Every comparison written is there whole, the one being written whole or not at all.
        const QVariantList counted = sql(path,
            {QStringLiteral("SELECT count(*), count(*) FILTER (WHERE n <> 20000) FROM (SELECT count(*) AS n "
                            "FROM comparisons c"
                            " LEFT JOIN observations o ON o.comparison = c.id GROUP BY c.id)")});
        QCOMPARE(counted.value(1).toInt(), 0);
        const int written = int(said.count("written")), comparisons = counted.value(0).toInt();
        QVERIFY2(comparisons == written || comparisons == written + 1, said.constData());
        qInfo("Killed while comparison %d was written: %d in the file", written + 1, comparisons);
        for (int n = 0; n < comparisons; ++n)
            all.append(heavy(n));
        break;
    }
    }

    const QByteArray before = [&path] {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }();
    QVERIFY(history = open(path, &notices));
    if (scenario == FullDisk) {
        // Comparisons go in until the disk is full; the one that does not fit is lost, and said so once.
        for (int day = 0; day < 30 && history->IsKept(); ++day) {
            const THistoryComparison c = comparison(day, 300, QString(40, QChar(0x4E00 + day)));
            record(*history, {c});
            if (history->IsKept())
                all.append(c);
        }
        QVERIFY(!all.isEmpty());
        QTRY_COMPARE(notices.size(), 1);
    }
    QCOMPARE(history->IsKept(), !notice.startsWith(QStringLiteral("无法保存")));
    QCOMPARE(notices.size(), notice.isEmpty() ? 0 : 1);
    if (!notice.isEmpty())
        QVERIFY2(notices.first().contains(notice) && notices.first().contains(QDir::toNativeSeparators(path)),
            qPrintable(notices.first()));
    const QStringList aside = QDir(dir.path()).entryList({QStringLiteral("history.sqlite.damaged-*")});
    QCOMPARE(aside.size(), notice.startsWith(QStringLiteral("无法使用")) ? 1 : 0);
    if (!aside.isEmpty()) {
        QFile moved(dir.filePath(aside.first()));
        QVERIFY(moved.open(QIODevice::ReadOnly) && moved.readAll() == before);
    }
    QCOMPARE(text(history->Summaries()), summaries(all));

    if (scenario == SharedFile) {
        // The other program writes, after this one has read the file, products this one writes next.
        all.append(comparison(1, 6));
        record(*other, {all.last()});
    } else if (scenario == Cleared) {
        const auto size = [&path] { return QFileInfo(path).size() + QFileInfo(path + "-wal").size(); };
        const qint64 full = size();
        QSignalSpy cleared(history.get(), &TPriceHistory::cleared);
        history->Clear();
        QVERIFY(history->Summaries().isEmpty());
        QCOMPARE(history->Watches().size(), 1);
        QCOMPARE(history->Watches().first().LastFen, 0);
        QVERIFY(cleared.wait(10000));
        QVERIFY(history->Points(kKey).isEmpty());
        QVERIFY2(size() < full / 2, qPrintable(QStringLiteral("%1 bytes, %2 before").arg(size()).arg(full)));
        all.clear();
    }

    // Goes on: the next comparisons and watches are written, or, when the history is not kept,
    // nothing is and nothing more is said.
    QSignalSpy recorded(history.get(), &TPriceHistory::recorded);
    const QList<THistoryComparison> next = days(10, 12, scenario == SharedFile ? 6 : 4);
    record(*history, next);
    history->SetWatch(watch(1, 230000, 0));
    history->SetWatch(watch(2, 330000, 0));
    history->SetWatch(watch(1, 220000, 210000));
    history->RemoveWatch(QStringLiteral("星弧|s2|8+256"));
    const QStringList watches = text(history->Watches());
    QCOMPARE(watches.size(), scenario == Cleared || scenario == SharedFile ? 2 : 1);
    if (history->IsKept()) {
        QTRY_COMPARE(recorded.count(), 2);
        all += next;
        QCOMPARE(text(history->Summaries()), summaries(all));
    } else {
        QTest::qWait(50);
        QCOMPARE(recorded.count(), 0);
        QCOMPARE(notices.size(), 1);
        QCOMPARE(text(history->Summaries()), summaries(all));
        if (scenario != FullDisk)
            return;
#ifdef Q_OS_LINUX
        QVERIFY(::mount("tmpfs", mount->Folder.constData(), "tmpfs", MS_REMOUNT, "size=64m") == 0);
#endif
    }

    // After a restart: the same summaries, points and watches, and the export of it all.
    other.reset();
    history.reset();
    QVERIFY(history = open(path, &notices));
    QVERIFY(history->IsKept());
    QCOMPARE(text(history->Summaries()), summaries(all));
    QCOMPARE(points(history->Points(kKey)), points(all, kKey));
    if (scenario == FullDisk)
        return;
    QCOMPARE(text(history->Watches()),
        scenario == SharedFile ? QStringList() << text({watch(0, 150000, 109000)}) << watches.last()
                               : watches);
    QString error;
    QVERIFY2(history->ExportCsv(dir.filePath(QStringLiteral("history.csv")), &error), qPrintable(error));
    QFile file(dir.filePath(QStringLiteral("history.csv")));
    QVERIFY(file.open(QIODevice::ReadOnly));
    const QByteArray csv = file.readAll();
    qsizetype rows = 0;
    for (const THistoryComparison &c : all)
        rows += c.Observations.size();
    QCOMPARE(csv.count("\r\n"), rows + 1);
    QVERIFY(csv.startsWith("\xEF\xBB\xBF时间,关键词,网店,商品,同款键,价格,地址\r\n"));
    QVERIFY(csv.contains("\"'=HYPERLINK(\"\"http://x\"\",\"\"点我\"\")\""));
    // The last row: the last comparison's dearest offer at the shop whose name sorts last.
    const THistoryComparison &c = all.last();
    const THistoryObservation &o = c.Observations.last();
    const QString last = QStringList {LocalTimeOf(c.Time).toString(QStringLiteral("yyyy-MM-dd HH:mm")),
        c.Keyword, o.Shop, o.Title, o.ProductKey,
        QString::asprintf("%lld.%02lld", o.PriceFen / 100, o.PriceFen % 100), o.Address.toString()}
                             .join(QLatin1Char(','));
    QVERIFY2(csv.endsWith((last + QStringLiteral("\r\n")).toUtf8()), csv.right(200).constData());
    if (scenario == Cleared) {
        history.reset();
        QFile cleared(path);
        QVERIFY(cleared.open(QIODevice::ReadOnly)
            && !cleared.readAll().contains(QStringLiteral("旧标题").toUtf8()));
    }
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--write-forever") == 0)
        return writeForever(QFile::decodeName(argv[2]));
    tst_PriceHistory test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_PriceHistory.moc"
