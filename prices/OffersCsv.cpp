#include "OffersCsv.h"

#include "TPriceParser.h"
#include "U_Pub.h"

#include <algorithm>

namespace {
QByteArray CsvField(QString text)
{
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.at(0)))
        text.prepend(QLatin1Char('\''));
    if (text.contains(QLatin1Char('"')) || text.contains(QLatin1Char(',')) || text.contains(QLatin1Char('\r'))
        || text.contains(QLatin1Char('\n')))
        text = QLatin1Char('"') + text.replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
    return text.toUtf8();
}
} // namespace

QByteArray OffersCsv(QList<TOffer> offers)
{
    std::stable_sort(offers.begin(), offers.end(),
        [](const TOffer &a, const TOffer &b) { return a.PriceFen < b.PriceFen; });
    QByteArray csv("\xEF\xBB\xBF");
    csv += QStringLiteral("网店,商品,价格,地址,来源\r\n").toUtf8();
    for (const TOffer &o : offers) {
        csv += CsvField(o.Shop) + ',' + CsvField(o.Name) + ',' + PriceText(o.PriceFen).toLatin1() + ','
            + CsvField(o.Address.toString(QUrl::FullyEncoded)) + ',' + CsvField(OfferSourceText(o.Source))
            + "\r\n";
    }
    return csv;
}

bool WriteOffersCsv(const QString &path, const QList<TOffer> &offers)
{
    return WriteFileAtomically(path, OffersCsv(offers));
}
