#pragma once

#include "THistoryRecords.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>

// The history's writes as statements prepared once per opening (THistoryStore's own).
struct THistoryStatements
{
    explicit THistoryStatements(const QSqlDatabase &db);
    bool Prepare(); // false when the file lacks a table or column of the current version
    void Finish(); // lets go of the file between writes (before VACUUM)
    bool WriteSummary(qint64 product, const THistorySummary &summary, qint64 lowestShop);
    // A comparison's observations, `listingsAndPrices` in pairs: many rows to a statement, which
    // spares most of the cost of a statement per row.
    bool WriteObservations(
        qint64 comparison, qint64 part, const QList<qint64> &listingsAndPrices, QSqlError *error);

    QSqlDatabase Db;
    QSqlQuery Comparison, ComparisonShop, Shop, Product, Listing, Observations, Summary, Watch;
};

// Folds a product's lowest price in one comparison into its summary; true when it is the new
// lowest. A comparison older than the latest one counts, but does not become the last price.
bool FoldSummary(THistorySummary &summary, qint64 fen, const QDateTime &time, const QString &shop);

// A time as the file keeps it: milliseconds since 1970, UTC.
QDateTime TimeOf(qint64 msecs);
