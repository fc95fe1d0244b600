// The history's writes: comparisons, the clearing, the watch list; and what is loaded once the
// file is open (the numbers of names already stored, the summaries, the watches).
#include "THistoryStatements.h"
#include "THistoryStore.h"

#include "TPriceParser.h"

#include <QSqlError>
#include <QtEndian>

#include <charconv>

namespace {
// A text as the file takes it: an empty text is stored as one, never as NULL (the text columns
// are NOT NULL, and Qt binds a null QString as NULL).
QVariant text(const QString &value)
{
    return value.isNull() ? QVariant(QStringLiteral("")) : QVariant(value);
}
} // namespace

THistoryStatements::THistoryStatements(const QSqlDatabase &db)
    : Db(db), Comparison(db), ComparisonShop(db), Shop(db), Product(db), Listing(db), Watch(db)
{
}

bool THistoryStatements::Prepare()
{
    return Comparison.prepare(QStringLiteral("INSERT INTO comparisons (time, keyword) VALUES (?, ?)"))
        && ComparisonShop.prepare(
            QStringLiteral("INSERT OR IGNORE INTO comparison_shops (comparison, shop) VALUES (?, ?)"))
        && Shop.prepare(QStringLiteral("INSERT INTO shops (name) VALUES (?)"))
        && Product.prepare(QStringLiteral("INSERT INTO products (key, name) VALUES (?, ?)"))
        && Listing.prepare(QStringLiteral(
            "INSERT INTO listings (hash, product, shop, address, title) VALUES (?, ?, ?, ?, ?)"))
        && Watch.prepare(QStringLiteral(
            "INSERT INTO watches (key, name, keyword, shops, target, notify_new_low, armed, last_price,"
            " last_shop, last_address, lowest, last_checked) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
            " ON CONFLICT (key) DO UPDATE SET name = excluded.name, keyword = excluded.keyword,"
            " shops = excluded.shops, target = excluded.target, notify_new_low = excluded.notify_new_low,"
            " armed = excluded.armed, last_price = excluded.last_price, last_shop = excluded.last_shop,"
            " last_address = excluded.last_address, lowest = excluded.lowest,"
            " last_checked = excluded.last_checked"));
}

void THistoryStatements::Finish()
{
    for (QSqlQuery *query : {&Comparison, &ComparisonShop, &Shop, &Product, &Listing, &Watch})
        query->finish();
}

void THistoryStatements::AddSummary(
    QList<qint64> &rows, qint64 product, const THistorySummary &summary, qint64 lowestShop)
{
    rows << product << summary.LowestFen << summary.LowestTime.toMSecsSinceEpoch() << lowestShop
         << summary.LastFen << summary.LastTime.toMSecsSinceEpoch() << summary.Comparisons;
}

bool THistoryStatements::WriteObservations(const QList<qint64> &rows, QSqlError *error)
{
    return InsertRows(
        "INSERT OR IGNORE INTO observations (part, listing, comparison, price)", 4, rows, error);
}

bool THistoryStatements::WriteSummaries(const QList<qint64> &rows, QSqlError *error)
{
    return InsertRows("INSERT OR REPLACE INTO summaries"
                      " (product, lowest, lowest_time, lowest_shop, last, last_time, comparisons)",
        7, rows, error);
}

bool THistoryStatements::InsertRows(
    const char *insert, int columns, const QList<qint64> &values, QSqlError *error)
{
    // The numbers are written into the statement: Qt's binding makes a placeholder name for each
    // value bound by position, which for a comparison's 16,000 numbers took longer than all that
    // SQLite does with them. Whole numbers made here cannot carry anything else into it.
    const qsizetype rowsPerStatement = 500;
    QSqlQuery q(Db);
    for (qsizetype from = 0; from < values.size(); from += rowsPerStatement * columns) {
        const qsizetype to = qMin(values.size(), from + rowsPerStatement * columns);
        QByteArray sql = QByteArray(insert) + " VALUES ";
        sql.reserve(sql.size() + (to - from) * 12);
        for (qsizetype i = from; i < to; ++i) {
            sql += i == from ? "(" : i % columns == 0 ? "), (" : ", ";
            char digits[24];
            sql.append(digits, std::to_chars(digits, digits + sizeof digits, values.at(i)).ptr - digits);
        }
        if (!q.exec(QString::fromLatin1(sql + ')'))) {
            *error = q.lastError();
            return false;
        }
    }
    return true;
}

bool FoldSummary(THistorySummary &summary, qint64 fen, const QDateTime &time, const QString &shop)
{
    ++summary.Comparisons;
    if (!summary.LastTime.isValid() || time >= summary.LastTime) {
        summary.LastFen = fen;
        summary.LastTime = time;
    }
    if (summary.LowestFen > 0 && fen >= summary.LowestFen)
        return false;
    summary.LowestFen = fen;
    summary.LowestTime = time;
    summary.LowestShop = shop;
    return true;
}

QDateTime TimeOf(qint64 msecs)
{
    return QDateTime::fromMSecsSinceEpoch(msecs, Qt::UTC);
}

bool THistoryStore::prepareStatements()
{
    m_q = std::make_unique<THistoryStatements>(QSqlDatabase::database(m_name, false));
    return m_q->Prepare();
}

bool THistoryStore::loadCaches()
{
    QSqlQuery query(QSqlDatabase::database(m_name, false));
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("SELECT id, name FROM shops")))
        return fail(query);
    while (query.next()) {
        m_shops.insert(query.value(1).toString(), query.value(0).toLongLong());
        m_shopNames.insert(query.value(0).toLongLong(), query.value(1).toString());
    }
    if (!query.exec(QStringLiteral("SELECT id, key FROM products")))
        return fail(query);
    while (query.next())
        m_products.insert(query.value(1).toString(), query.value(0).toLongLong());
    if (!query.exec(QStringLiteral("SELECT hash, id FROM listings")))
        return fail(query);
    while (query.next())
        m_listings.insert(query.value(0).toLongLong(), query.value(1).toLongLong());
    if (!query.exec(
            QStringLiteral("SELECT p.key, s.lowest, s.lowest_time, s.lowest_shop, s.last, s.last_time,"
                           " s.comparisons FROM summaries s JOIN products p ON p.id = s.product")))
        return fail(query);
    while (query.next()) {
        THistorySummary summary;
        summary.LowestFen = query.value(1).toLongLong();
        summary.LowestTime = TimeOf(query.value(2).toLongLong());
        summary.LowestShop = m_shopNames.value(query.value(3).toLongLong());
        summary.LastFen = query.value(4).toLongLong();
        summary.LastTime = TimeOf(query.value(5).toLongLong());
        summary.Comparisons = query.value(6).toInt();
        m_summaries.insert(query.value(0).toString(), summary);
    }
    return true;
}

qint64 THistoryStore::dataVersion()
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    return q.exec(QStringLiteral("PRAGMA data_version")) && q.next() ? q.value(0).toLongLong() : -1;
}

bool THistoryStore::beginWrite()
{
    if (!exec(QStringLiteral("BEGIN IMMEDIATE")))
        return false;
    // Another program may write the same file (a scheduled check while the window is open); the
    // numbers of names and the summaries held here are then read anew before anything is
    // written with them. SQLite's data_version changes with every commit of another connection.
    const qint64 version = dataVersion();
    if (version == m_dataVersion)
        return true;
    m_dataVersion = version;
    clearCaches();
    return loadCaches();
}

void THistoryStore::clearCaches()
{
    m_summaries.clear();
    m_shops.clear();
    m_shopNames.clear();
    m_products.clear();
    m_listings.clear();
}

bool THistoryStore::exec(QSqlQuery &query)
{
    return query.exec() || fail(query);
}

bool THistoryStore::rollback(QString *error)
{
    *error = m_error;
    exec(QStringLiteral("ROLLBACK"));
    return false;
}

qint64 THistoryStore::shopId(const QString &name)
{
    if (const auto it = m_shops.constFind(name); it != m_shops.cend())
        return *it;
    m_q->Shop.bindValue(0, text(name));
    if (!exec(m_q->Shop))
        return -1;
    const qint64 id = m_q->Shop.lastInsertId().toLongLong();
    m_shops.insert(name, id);
    m_shopNames.insert(id, name);
    return id;
}

qint64 THistoryStore::productId(const QString &key, const QString &name)
{
    if (const auto it = m_products.constFind(key); it != m_products.cend())
        return *it;
    m_q->Product.bindValue(0, text(key));
    m_q->Product.bindValue(1, text(name));
    if (!exec(m_q->Product))
        return -1;
    const qint64 id = m_q->Product.lastInsertId().toLongLong();
    m_products.insert(key, id);
    return id;
}

qint64 THistoryStore::listingId(qint64 product, qint64 shop, const THistoryObservation &observation)
{
    // The two numbers, then each text with its length before it, so that no address and title
    // (both the page's) can be cut differently into the same bytes.
    const QString address = observation.Address.toString(QUrl::FullyEncoded);
    m_hash.reset();
    const qint64 head[] = {product, shop, address.size(), observation.Title.size()};
    m_hash.addData(QByteArrayView(reinterpret_cast<const char *>(head), sizeof head));
    m_hash.addData(QByteArrayView(reinterpret_cast<const char *>(address.utf16()), address.size() * 2));
    m_hash.addData(QByteArrayView(
        reinterpret_cast<const char *>(observation.Title.utf16()), observation.Title.size() * 2));
    const qint64 hash = qFromLittleEndian<qint64>(m_hash.resultView().data());
    if (const auto it = m_listings.constFind(hash); it != m_listings.cend())
        return *it;
    QSqlQuery &q = m_q->Listing;
    q.bindValue(0, hash);
    q.bindValue(1, product);
    q.bindValue(2, shop);
    q.bindValue(3, text(address));
    q.bindValue(4, text(observation.Title));
    if (!exec(q))
        return -1;
    const qint64 id = q.lastInsertId().toLongLong();
    m_listings.insert(hash, id);
    return id;
}

bool THistoryStore::Record(const THistoryComparison &comparison, QString *error)
{
    if (!m_open) {
        *error = QStringLiteral("文件未打开");
        return false;
    }
    const QDateTime time
        = comparison.Time.isValid() ? comparison.Time.toUTC() : QDateTime::currentDateTimeUtc();
    if (!beginWrite())
        return rollback(error);
    m_q->Comparison.bindValue(0, time.toMSecsSinceEpoch());
    m_q->Comparison.bindValue(1, text(comparison.Keyword));
    if (!exec(m_q->Comparison))
        return rollback(error);
    const qint64 id = m_q->Comparison.lastInsertId().toLongLong();
    for (const QString &name : comparison.Shops) {
        const qint64 shop = shopId(name);
        m_q->ComparisonShop.bindValue(0, id);
        m_q->ComparisonShop.bindValue(1, shop);
        if (shop < 0 || !exec(m_q->ComparisonShop))
            return rollback(error);
    }

    struct TLowest
    {
        qint64 Fen = 0;
        QString Shop;
        qint64 Product = 0;
    };
    QHash<QString, TLowest> lowest; // the comparison's lowest price of each product
    QList<qint64> rows;
    rows.reserve(4 * comparison.Observations.size());
    for (const THistoryObservation &o : comparison.Observations) {
        if (o.PriceFen <= 0 || o.PriceFen > kMaxPriceFen || o.ProductKey.isEmpty())
            continue;
        const qint64 shop = shopId(o.Shop);
        const qint64 product = shop < 0 ? -1 : productId(o.ProductKey, o.ProductName);
        const qint64 listing = product < 0 ? -1 : listingId(product, shop, o);
        if (listing < 0)
            return rollback(error);
        rows << id / kComparisonsPerPart << listing << id << o.PriceFen;
        TLowest &low = lowest[o.ProductKey];
        if (low.Fen == 0 || o.PriceFen < low.Fen)
            low = {o.PriceFen, o.Shop, product};
    }
    QSqlError failure;
    if (!m_q->WriteObservations(rows, &failure)) {
        m_error = ErrorText(failure);
        return rollback(error);
    }

    QHash<QString, THistorySummary> summaries;
    summaries.reserve(lowest.size());
    rows.clear();
    for (auto it = lowest.cbegin(); it != lowest.cend(); ++it) {
        THistorySummary summary = m_summaries.value(it.key());
        FoldSummary(summary, it->Fen, time, it->Shop);
        THistoryStatements::AddSummary(rows, it->Product, summary, m_shops.value(summary.LowestShop));
        summaries.insert(it.key(), summary);
    }
    if (!m_q->WriteSummaries(rows, &failure)) {
        m_error = ErrorText(failure);
        return rollback(error);
    }
    if (!exec(QStringLiteral("COMMIT")))
        return rollback(error);
    for (auto it = summaries.cbegin(); it != summaries.cend(); ++it)
        m_summaries.insert(it.key(), *it);
    return true;
}

bool THistoryStore::Clear(QString *error)
{
    if (!m_open) {
        *error = QStringLiteral("文件未打开");
        return false;
    }
    bool ok = beginWrite();
    for (const char *table :
        {"observations", "summaries", "listings", "comparison_shops", "comparisons", "products", "shops"})
        ok = ok && exec(QStringLiteral("DELETE FROM %1").arg(QLatin1String(table)));
    ok = ok
        && exec(QStringLiteral(
            "UPDATE watches SET armed = 1, last_price = 0, last_shop = '', last_address = '', lowest = 0"));
    if (!ok || !exec(QStringLiteral("COMMIT")))
        return rollback(error);
    clearCaches();
    // What was deleted leaves the file too, not only the tables: the file is rebuilt and the
    // write-ahead log emptied. Neither is needed for the history to go on, so a failure (a
    // reader holding the file) is let be.
    m_q->Finish();
    exec(QStringLiteral("VACUUM"));
    exec(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    return true;
}

bool THistoryStore::SaveWatch(const TWatch &watch, QString *error)
{
    if (!m_open) {
        *error = QStringLiteral("文件未打开");
        return false;
    }
    QSqlQuery &q = m_q->Watch;
    const QVariantList values {text(watch.Key), text(watch.Name), text(watch.Keyword),
        text(watch.Shops.join(QLatin1Char(';'))), watch.TargetFen, int(watch.NotifyNewLow), int(watch.Armed),
        watch.LastFen, text(watch.LastShop), text(watch.LastAddress.toString(QUrl::FullyEncoded)), watch.LowestFen,
        watch.LastChecked.isValid() ? QVariant(watch.LastChecked.toMSecsSinceEpoch()) : QVariant()};
    for (int i = 0; i < values.size(); ++i)
        q.bindValue(i, values.at(i));
    if (exec(q))
        return true;
    *error = m_error;
    return false;
}

bool THistoryStore::RemoveWatch(const QString &key, QString *error)
{
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    if (m_open && q.prepare(QStringLiteral("DELETE FROM watches WHERE key = ?"))) {
        q.addBindValue(key);
        if (exec(q))
            return true;
    }
    *error = m_open ? ErrorText(q.lastError()) : QStringLiteral("文件未打开");
    return false;
}

QList<TWatch> THistoryStore::LoadWatches()
{
    QList<TWatch> watches;
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    if (!m_open
        || !q.exec(
            QStringLiteral("SELECT key, name, keyword, shops, target, notify_new_low, armed, last_price,"
                           " last_shop, last_address, lowest, last_checked FROM watches ORDER BY id")))
        return watches;
    while (q.next()) {
        TWatch w;
        w.Key = q.value(0).toString();
        w.Name = q.value(1).toString();
        w.Keyword = q.value(2).toString();
        w.Shops = q.value(3).toString().split(QLatin1Char(';'), Qt::SkipEmptyParts);
        w.TargetFen = q.value(4).toLongLong();
        w.NotifyNewLow = q.value(5).toBool();
        w.Armed = q.value(6).toBool();
        w.LastFen = q.value(7).toLongLong();
        w.LastShop = q.value(8).toString();
        w.LastAddress = QUrl(q.value(9).toString(), QUrl::StrictMode);
        w.LowestFen = q.value(10).toLongLong();
        if (!q.value(11).isNull())
            w.LastChecked = TimeOf(q.value(11).toLongLong());
        watches.append(w);
    }
    return watches;
}
