#include "THistoryRecords.h"

#include "TPriceParser.h"

#include <QTimeZone>

QString AddressKey(const QUrl &address)
{
    return QLatin1Char('@') + address.adjusted(QUrl::RemoveUserInfo).toString(QUrl::FullyEncoded);
}

THistoryComparison HistoryComparisonOf(const QString &keyword, const QStringList &shops,
    const QList<TOffer> &offers, const TProductGrouping &grouping, const QDateTime &time)
{
    THistoryComparison comparison;
    comparison.Time = time.toUTC();
    comparison.Keyword = keyword;
    comparison.Shops = shops;
    comparison.Observations.reserve(offers.size());
    for (int i = 0; i < offers.size(); ++i) {
        const TOffer &offer = offers.at(i);
        if (offer.PriceFen <= 0)
            continue;
        THistoryObservation observation;
        observation.Shop = offer.Shop;
        observation.PriceFen = offer.PriceFen;
        // A page may put a user name and password into its links; they are never kept.
        observation.Address = offer.Address.adjusted(QUrl::RemoveUserInfo);
        // A page's title is kept to a length that any shop's real titles stay well within.
        observation.Title = offer.Name.left(kMaxHistoryTitle);
        const int group = grouping.GroupOf(i);
        const TProductGroup *product
            = group >= 0 && group < grouping.Groups().size() ? &grouping.Groups().at(group) : nullptr;
        if (product && !product->Key.isEmpty()) {
            observation.ProductKey = product->Key;
            observation.ProductName = product->Name;
        } else {
            if (observation.Address.isEmpty())
                continue;
            observation.ProductKey = AddressKey(observation.Address);
            observation.ProductName = observation.Title;
        }
        comparison.Observations.append(observation);
    }
    return comparison;
}

QString YuanText(qint64 fen)
{
    QString text = PriceText(fen);
    const int point = text.indexOf(QLatin1Char('.'));
    for (int i = (point < 0 ? text.size() : point) - 3; i > 0; i -= 3)
        text.insert(i, QLatin1Char(','));
    return QStringLiteral("¥") + text;
}

QDateTime LocalTimeOf(const QDateTime &time)
{
    // The zone is read once: a conversion through the C library's local time reads the zone's
    // file at every call, which for a table of 4,000 offers is most of the time it takes.
    static const QTimeZone zone = QTimeZone::systemTimeZone();
    return time.toTimeZone(zone);
}

QString HistoryLowText(const THistorySummary &summary)
{
    if (summary.LowestFen <= 0)
        return QString();
    QString text = QStringLiteral("历史最低 ") + YuanText(summary.LowestFen);
    if (summary.LowestTime.isValid()) {
        const QDate day = LocalTimeOf(summary.LowestTime).date();
        text += day.year() == LocalTimeOf(QDateTime::currentDateTimeUtc()).date().year()
            ? QStringLiteral("（%1月%2日）").arg(day.month()).arg(day.day())
            : QStringLiteral("（%1年%2月%3日）").arg(day.year()).arg(day.month()).arg(day.day());
    }
    return text;
}

QString HistoryMark(qint64 todayLowestFen, const THistorySummary &summary)
{
    if (todayLowestFen <= 0 || summary.LowestFen <= 0)
        return QString();
    // Within 5 % of the lowest: today * 100 <= lowest * 105, in whole numbers (prices are at most
    // 10^10 fen, far from overflowing).
    if (todayLowestFen * 100 <= summary.LowestFen * 105)
        return QStringLiteral("好价");
    if (summary.LastFen > todayLowestFen) {
        const qint64 percent
            = ((summary.LastFen - todayLowestFen) * 100 + summary.LastFen / 2) / summary.LastFen;
        if (percent >= 1)
            return QStringLiteral("↓%1%").arg(percent);
    }
    return QString();
}
