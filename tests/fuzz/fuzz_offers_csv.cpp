// The offers' CSV for any offers. Input: fields of offers, separated by 0x1F (shop, name,
// address, price digits), offers by 0x1E.

#include "FuzzSupport.h"
#include "OffersCsv.h"
#include "TPriceParser.h"

namespace {

constexpr int kMaxOffers = 64;

// What the writer makes of a field: a spreadsheet formula's first character defused with "'".
QString defused(const QString &text)
{
    return !text.isEmpty() && QStringLiteral("=+-@").contains(text.at(0)) ? QLatin1Char('\'') + text : text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    QList<TOffer> offers;
    for (const QString &record : text.split(QChar(0x1E))) {
        if (offers.size() >= kMaxOffers)
            break;
        const QStringList fields = record.split(QChar(0x1F));
        TOffer offer;
        offer.Shop = fields.value(0);
        offer.Name = fields.value(1);
        offer.Address = QUrl(fields.value(2));
        // Prices as the program holds them: above zero, at most the largest it believes.
        offer.PriceFen = 1 + qHash(fields.value(3)) % kMaxPriceFen;
        offer.Source = TOfferSource(offers.size() % 3);
        offers.append(offer);
    }

    const QByteArray csv = OffersCsv(offers);
    FUZZ_CHECK(csv.startsWith("\xEF\xBB\xBF"));
    const std::optional<QList<QStringList>> records = readCsv(QString::fromUtf8(csv.mid(3)));
    FUZZ_CHECK(records.has_value());
    FUZZ_CHECK(records->size() == offers.size() + 1);
    FUZZ_CHECK(records->first() == QStringList({"网店", "商品", "价格", "地址", "来源", "同款", "类别"}));

    // Cheapest first; among equal prices the offers' own order.
    QList<TOffer> sorted = offers;
    std::stable_sort(sorted.begin(), sorted.end(), [](const TOffer &a, const TOffer &b) { return a.PriceFen < b.PriceFen; });
    for (qsizetype i = 0; i < sorted.size(); ++i) {
        const QStringList &row = records->at(i + 1);
        const TOffer &o = sorted.at(i);
        FUZZ_CHECK(row.size() == 7);
        FUZZ_CHECK(row.at(0) == defused(o.Shop));
        FUZZ_CHECK(row.at(1) == defused(o.Name));
        FUZZ_CHECK(row.at(2) == PriceText(o.PriceFen));
        FUZZ_CHECK(row.at(3) == defused(o.Address.toString(QUrl::FullyEncoded)));
        FUZZ_CHECK(row.at(4) == OfferSourceText(o.Source));
        // The product's number and the offer's kind, as the grouping has them.
        bool number = false;
        FUZZ_CHECK(row.at(5).toInt(&number) >= 1 && number && row.at(5).toInt() <= offers.size());
        FUZZ_CHECK(QStringList({"商品", "配件", "无关"}).contains(row.at(6)));
        for (const QString &field : row)
            FUZZ_CHECK(field.isEmpty() || !QStringLiteral("=+-@").contains(field.at(0)));
    }
    return 0;
}
