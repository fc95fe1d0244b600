#pragma once

#include "TOffer.h"
#include "TProductGrouping.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QUrl>

// What the price history keeps of a comparison and what it tells of a product: plain records,
// and the texts the price table shows from them.

// The longest title the history keeps: a page's title is cut there.
constexpr int kMaxHistoryTitle = 1000;

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

// The key the history knows an offer that stands alone by: "@" + its address, encoded, without
// user name and password.
QString AddressKey(const QUrl &address);

// The comparison's offers with their product keys: a product group's key, or "@" + the address
// for an offer that stands alone. Offers without a price (0 fen or less) are left out, and so are
// offers without an address when they have no group, since nothing else tells them apart. Titles
// are kept to their first kMaxHistoryTitle characters.
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

// "历史最低 ¥2,799（11月11日）" (the year is named when it is not this one); empty for a product
// never seen.
QString HistoryLowText(const THistorySummary &summary);
// The mark of today's lowest price against the history: "好价" when within 5 % of the lowest ever
// (or below it), else "↓8%" when it fell since the last comparison that saw the product (by one
// per cent or more, rounded), else empty. `summary` is the history before today's comparison:
// take it from the summaries before the comparison is recorded.
QString HistoryMark(qint64 todayLowestFen, const THistorySummary &summary);

// One price of a product in one comparison at one shop: a point of its chart.
struct TPricePoint
{
    QDateTime Time;
    QString Shop;
    qint64 PriceFen = 0;
};

// A price as the history's texts show it: "¥2,799", "¥1,299.5".
QString YuanText(qint64 fen);
// A time in the system's time zone.
QDateTime LocalTimeOf(const QDateTime &time);
