#include "TProductGrouping.h"

#include "TProductVariant.h"

#include <QHash>
#include <QSet>

#include <algorithm>

TProductGrouping TProductGrouping::Group(
    const QList<TOffer> &offers, const QString &keyword, const TProductLexicon &lexicon)
{
    TProductGrouping result;
    TProductTitle reader(keyword, lexicon);
    QStringList titles;
    titles.reserve(offers.size());
    for (const TOffer &offer : offers)
        titles.append(offer.Name);
    reader.Learn(titles);
    result.m_readings.reserve(offers.size());
    for (qsizetype i = 0; i < titles.size(); ++i)
        result.m_readings.append(reader.ReadLearned(i));
    titles.clear();
    QList<TTitleReading> &readings = result.m_readings;

    // An accessory named in a title that is not its head: a price far below the products' says
    // it is what is sold ("手机 钢化膜" at ¥9.9).
    QList<qint64> prices;
    for (int i = 0; i < offers.size(); ++i) {
        if (readings.at(i).Kind == TOfferKind::Product && !readings.at(i).MentionsAccessory)
            prices.append(offers.at(i).PriceFen);
    }
    std::sort(prices.begin(), prices.end());
    const qint64 median = prices.size() >= 3 ? prices.at(prices.size() / 2) : 0;
    for (int i = 0; i < offers.size(); ++i) {
        TTitleReading &r = readings[i];
        if (r.Kind == TOfferKind::Product && r.MentionsAccessory && offers.at(i).PriceFen * 4 < median)
            r.Kind = TOfferKind::Accessory;
    }

    // A title without brand takes the brand of its model when only one brand has that model.
    QHash<QString, QSet<QString>> brandsOfModel;
    for (const TTitleReading &r : std::as_const(readings)) {
        if (r.Kind == TOfferKind::Product && !r.Brand.isEmpty() && !r.Model.isEmpty())
            brandsOfModel[r.Model].insert(r.Brand);
    }
    for (TTitleReading &r : readings) {
        if (r.Kind == TOfferKind::Product && r.Brand.isEmpty() && brandsOfModel.value(r.Model).size() == 1)
            r.Brand = *brandsOfModel.value(r.Model).cbegin();
    }

    // The variants of each brand and model; one naming less joins the only one that fits it.
    QHash<QString, QList<QStringList>> variantsOf; // "brand|model" → variants read
    for (const TTitleReading &r : std::as_const(readings)) {
        if (r.Kind != TOfferKind::Product || r.Brand.isEmpty() || r.Model.isEmpty())
            continue;
        QList<QStringList> &list = variantsOf[r.Brand + QLatin1Char('|') + r.Model];
        if (!list.contains(r.Variant))
            list.append(r.Variant);
    }
    QHash<QString, QStringList> fuller; // "brand|model|variant" → the variant it joins
    for (auto it = variantsOf.cbegin(); it != variantsOf.cend(); ++it) {
        for (const QStringList &variant : it.value()) {
            const QSet<QString> mine = TProductVariant::Measures(variant);
            QList<QStringList> fits;
            for (const QStringList &other : it.value()) {
                const QSet<QString> theirs = TProductVariant::Measures(other);
                // Only memory and storage may go unsaid: a title without a pack size is one piece.
                const QSet<QString> unsaid = QSet<QString>(theirs).subtract(mine);
                const bool memoryOnly = std::all_of(unsaid.cbegin(), unsaid.cend(), [](const QString &m) {
                    return m.startsWith(QLatin1String("ram ")) || m.startsWith(QLatin1String("rom "));
                });
                if (other != variant && theirs.contains(mine) && !unsaid.isEmpty() && memoryOnly)
                    fits.append(other);
            }
            // Only the widest of those that fit: "256" fits "8+256" and "8+256 x2" alike.
            fits.erase(std::remove_if(fits.begin(), fits.end(),
                           [&](const QStringList &f) {
                               return std::any_of(fits.cbegin(), fits.cend(), [&](const QStringList &g) {
                                   return g != f && TProductVariant::Measures(g).contains(TProductVariant::Measures(f));
                               });
                           }),
                fits.end());
            if (fits.size() == 1)
                fuller.insert(it.key() + QLatin1Char('|') + variant.join(QLatin1Char(' ')), fits.constFirst());
        }
    }

    QHash<QString, int> groupOfKey;
    result.m_groupOf.fill(-1, offers.size());
    for (int i = 0; i < offers.size(); ++i) {
        const TTitleReading &r = readings.at(i);
        TProductGroup group;
        group.Kind = r.Kind;
        if (r.Kind == TOfferKind::Product && !r.Brand.isEmpty() && !r.Model.isEmpty()) {
            const QString base = r.Brand + QLatin1Char('|') + r.Model;
            const QString key = base + QLatin1Char('|') + r.VariantText();
            const QStringList variant = fuller.value(key, r.Variant);
            group.Key = base + QLatin1Char('|') + variant.join(QLatin1Char(' '));
            TTitleReading named = r;
            named.Variant = variant;
            group.Name = named.Name();
        } else {
            group.Name = offers.at(i).Name.simplified().left(200);
        }
        if (!group.Key.isEmpty()) {
            const auto found = groupOfKey.constFind(group.Key);
            if (found != groupOfKey.cend()) {
                result.m_groups[*found].Offers.append(i);
                continue;
            }
            groupOfKey.insert(group.Key, int(result.m_groups.size()));
        }
        group.Offers.append(i);
        result.m_groups.append(group);
    }

    // Cheapest first, in groups and among them; equal prices keep the offers' order.
    const auto cheaper = [&](int a, int b) {
        return offers.at(a).PriceFen < offers.at(b).PriceFen || (offers.at(a).PriceFen == offers.at(b).PriceFen && a < b);
    };
    for (TProductGroup &group : result.m_groups)
        std::sort(group.Offers.begin(), group.Offers.end(), cheaper);
    std::stable_sort(result.m_groups.begin(), result.m_groups.end(),
        [&](const TProductGroup &a, const TProductGroup &b) { return cheaper(a.Offers.first(), b.Offers.first()); });
    for (int g = 0; g < result.m_groups.size(); ++g) {
        result.m_groups[g].Number = g + 1;
        for (int offer : std::as_const(result.m_groups.at(g).Offers))
            result.m_groupOf[offer] = g;
    }
    return result;
}
