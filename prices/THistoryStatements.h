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
    // Rows of whole numbers, row after row in `rows`: (part, listing, comparison, price) and the
    // summaries' (product, lowest, its time, its shop, last, its time, comparisons).
    bool WriteObservations(const QList<qint64> &rows, QSqlError *error);
    bool WriteSummaries(const QList<qint64> &rows, QSqlError *error);
    // A summary as a row of the summaries table, appended to `rows`.
    static void AddSummary(
        QList<qint64> &rows, qint64 product, const THistorySummary &summary, qint64 lowestShop);

    QSqlDatabase Db;
    QSqlQuery Comparison, ComparisonShop, Shop, Product, Listing, Watch;

private:
    bool InsertRows(const char *insert, int columns, const QList<qint64> &values, QSqlError *error);
};

// Folds a product's lowest price in one comparison into its summary; true when it is the new
// lowest. A comparison older than the latest one counts, but does not become the last price.
bool FoldSummary(THistorySummary &summary, qint64 fen, const QDateTime &time, const QString &shop);

// A time as the file keeps it: milliseconds since 1970, UTC.
QDateTime TimeOf(qint64 msecs);
