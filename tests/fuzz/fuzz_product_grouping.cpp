// Offers grouped by product from any titles. Input: the keyword on the first line, then one
// offer title a line.

#include "FuzzSupport.h"
#include "TProductGrouping.h"

#include <QSet>

namespace {

constexpr int kMaxOffers = 48;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QStringList lines = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size)).split('\n');
    const QString keyword = lines.value(0);
    QList<TOffer> offers;
    for (qsizetype i = 1; i < lines.size() && offers.size() < kMaxOffers; ++i) {
        TOffer offer;
        offer.Shop = QStringLiteral("店%1").arg(i % 3);
        offer.Name = lines.at(i);
        offer.PriceFen = 1 + qHash(lines.at(i)) % 1000000;
        offers.append(offer);
    }
    const TProductGrouping grouping = TProductGrouping::Group(offers, keyword);
    FUZZ_CHECK(grouping.Readings().size() == offers.size());

    // Every offer is in exactly one group, which lists it; groups are numbered 1, 2, … cheapest
    // first, and list their offers cheapest first.
    QSet<int> placed;
    qint64 lowestBefore = 0;
    for (qsizetype g = 0; g < grouping.Groups().size(); ++g) {
        const TProductGroup &group = grouping.Groups().at(g);
        FUZZ_CHECK(group.Number == g + 1);
        FUZZ_CHECK(!group.Offers.isEmpty());
        qint64 previous = 0;
        for (int offer : group.Offers) {
            FUZZ_CHECK(offer >= 0 && offer < offers.size() && !placed.contains(offer));
            placed.insert(offer);
            FUZZ_CHECK(grouping.GroupOf(offer) == g);
            FUZZ_CHECK(offers.at(offer).PriceFen >= previous);
            previous = offers.at(offer).PriceFen;
            // A product's offers are of one kind with the group.
            if (!group.Key.isEmpty())
                FUZZ_CHECK(grouping.KindOf(offer) == TOfferKind::Product);
        }
        const qint64 lowest = offers.at(group.Offers.first()).PriceFen;
        FUZZ_CHECK(lowest >= lowestBefore);
        lowestBefore = lowest;
        // A key names brand, model and variant; one that stands alone has none.
        FUZZ_CHECK(group.Key.isEmpty() ? group.Offers.size() == 1 : group.Key.count(QLatin1Char('|')) >= 2);
    }
    FUZZ_CHECK(placed.size() == offers.size());

    // The same offers give the same groups.
    const TProductGrouping again = TProductGrouping::Group(offers, keyword);
    FUZZ_CHECK(again.Groups().size() == grouping.Groups().size());
    for (qsizetype g = 0; g < again.Groups().size(); ++g)
        FUZZ_CHECK(again.Groups().at(g).Key == grouping.Groups().at(g).Key
                   && again.Groups().at(g).Offers == grouping.Groups().at(g).Offers);
    return 0;
}
