#include "OffersCsv.h"

#include "TPriceParser.h"
#include "TProductGrouping.h"
#include "U_Pub.h"

#include <algorithm>
#include <numeric>

QByteArray CsvField(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.at(0)))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char('"')) || text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('\r'))
        || text.contains(QLatin1Char('\n')))
        text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return text.toUtf8();
}

QByteArray OffersCsv(const QList<TOffer> &offers, const QString &keyword)
{
    const TProductGrouping grouping = TProductGrouping::Group(offers, keyword);
    QList<int> order(offers.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(),
        [&](int a, int b) { return offers.at(a).PriceFen < offers.at(b).PriceFen; });
    QByteArray csv("\xEF\xBB\xBF");
    csv += QStringLiteral("网店,商品,价格,地址,来源,同款,类别\r\n").toUtf8();
    for (const int i : std::as_const(order)) {
        const TOffer &o = offers.at(i);
        csv += CsvField(o.Shop) + ',' + CsvField(o.Name) + ',' + PriceText(o.PriceFen).toLatin1() + ','
            + CsvField(o.Address.toString(QUrl::FullyEncoded)) + ',' + CsvField(OfferSourceText(o.Source)) + ','
            + QByteArray::number(grouping.Groups().at(grouping.GroupOf(i)).Number) + ','
            + OfferKindText(grouping.KindOf(i)).toUtf8() + "\r\n";
    }
    return csv;
}

bool WriteOffersCsv(const QString &path, const QList<TOffer> &offers, const QString &keyword)
{
    return WriteFileAtomically(path, OffersCsv(offers, keyword));
}
