#include "THistoryReader.h"

#include "OffersCsv.h"
#include "THistoryStatements.h"
#include "THistoryStore.h"

#include <QAtomicInteger>
#include <QFileInfo>
#include <QIODevice>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

THistoryReader::THistoryReader(const QString &path)
{
    static QAtomicInteger<quint64> readers;
    m_name = QStringLiteral("vanzu-history-reader-%1").arg(readers.fetchAndAddRelaxed(1));
    // Read only: a reader never makes a file, nor changes one.
    if (!QFileInfo(path).isFile()) {
        m_error = QStringLiteral("没有价格历史文件");
        return;
    }
    QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_name);
    db.setDatabaseName(path);
    db.setConnectOptions(QStringLiteral("QSQLITE_OPEN_READONLY;QSQLITE_BUSY_TIMEOUT=5000"));
    m_open = db.open();
    if (!m_open)
        m_error = THistoryStore::ErrorText(db.lastError());
}

THistoryReader::~THistoryReader()
{
    if (QSqlDatabase::contains(m_name)) {
        QSqlDatabase::database(m_name, false).close();
        QSqlDatabase::removeDatabase(m_name);
    }
}

QList<TPricePoint> THistoryReader::Points(const QString &key)
{
    QList<TPricePoint> points;
    if (!m_open)
        return points;
    // One look-up of each part of the comparisons for each of the product's listings: the rows
    // of a listing lie together within a part (see THistoryStore).
    QSqlQuery q(QSqlDatabase::database(m_name, false));
    q.setForwardOnly(true);
    const bool ok
        = q.prepare(QStringLiteral("SELECT c.time, s.name, o.price FROM listings l"
                                   " CROSS JOIN (SELECT DISTINCT id / %1 AS part FROM comparisons) p"
                                   " CROSS JOIN observations o"
                                   " JOIN comparisons c ON c.id = o.comparison JOIN shops s ON s.id = l.shop"
                                   " WHERE l.product = (SELECT id FROM products WHERE key = ?)"
                                   " AND o.part = p.part AND o.listing = l.id"
                                   " ORDER BY c.time, c.id, o.price")
                        .arg(THistoryStore::kComparisonsPerPart));
    q.addBindValue(key);
    if (!ok || !q.exec()) {
        m_error = THistoryStore::ErrorText(q.lastError());
        return points;
    }
    while (q.next())
        points.append({TimeOf(q.value(0).toLongLong()), q.value(1).toString(), q.value(2).toLongLong()});
    return points;
}

bool THistoryReader::WriteCsv(QIODevice &file)
{
    m_error.clear();
    if (!m_open)
        return false;
    QSqlDatabase db = QSqlDatabase::database(m_name, false);
    QSqlQuery parts(db), rows(db);
    parts.setForwardOnly(true);
    rows.setForwardOnly(true);
    // One read transaction: the whole file as it was when the export began.
    bool read = db.transaction()
        && parts.exec(QStringLiteral("SELECT DISTINCT id / %1 FROM comparisons ORDER BY 1")
                          .arg(THistoryStore::kComparisonsPerPart))
        && rows.prepare(QStringLiteral("SELECT c.time, c.keyword, s.name, l.title, p.key, o.price, l.address"
                                       " FROM observations o JOIN listings l ON l.id = o.listing"
                                       " JOIN products p ON p.id = l.product JOIN shops s ON s.id = l.shop"
                                       " JOIN comparisons c ON c.id = o.comparison"
                                       " WHERE o.part = ? ORDER BY o.comparison, s.name, o.price, l.id"));
    QList<qint64> numbers;
    while (read && parts.next())
        numbers.append(parts.value(0).toLongLong());
    QByteArray csv("\xEF\xBB\xBF");
    csv += QStringLiteral("时间,关键词,网店,商品,同款键,价格,地址\r\n").toUtf8();
    bool written = true;
    qint64 timeMsecs = -1;
    QByteArray time;
    // Part after part, each written out as it is read: the export holds about a megabyte,
    // however large the history.
    for (int i = 0; read && written && i < numbers.size(); ++i) {
        rows.bindValue(0, numbers.at(i));
        read = rows.exec();
        while (read && written && rows.next()) {
            const qint64 fen = rows.value(5).toLongLong();
            const qint64 msecs = rows.value(0).toLongLong();
            if (msecs != timeMsecs) // rows come by comparison: one time for many rows
                time = CsvField(LocalTimeOf(TimeOf(msecs)).toString(QStringLiteral("yyyy-MM-dd HH:mm")));
            timeMsecs = msecs;
            csv += time + ',' + CsvField(rows.value(1).toString()) + ',' + CsvField(rows.value(2).toString())
                + ',' + CsvField(rows.value(3).toString()) + ',' + CsvField(rows.value(4).toString()) + ','
                + QByteArray::number(fen / 100) + '.' + QByteArray::number(fen % 100).rightJustified(2, '0')
                + ',' + CsvField(rows.value(6).toString()) + "\r\n";
            if (csv.size() >= (1 << 20)) {
                written = file.write(csv) == csv.size();
                csv.clear();
            }
        }
    }
    if (!read)
        m_error = THistoryStore::ErrorText(rows.lastError().isValid() ? rows.lastError() : parts.lastError());
    written = written && read && file.write(csv) == csv.size();
    rows.finish();
    parts.finish();
    db.rollback();
    return read && written;
}
