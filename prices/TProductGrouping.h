#pragma once

#include "TOffer.h"
#include "TProductTitle.h"

#include <QList>
#include <QString>

// Offers of one product: the same brand, model and variant, from any shop.
struct TProductGroup
{
    // The product's key: "brand|model|variant", e.g. "星弧|s12 pro|8+256": the brand's name in
    // the table (its Chinese form when one is known), the model in lower case with one space
    // between words, the variant's measures in a fixed order (memory+storage in GB or "1t",
    // inches, 匹, 段, grams, millilitres, "x6" for packs) separated by spaces. Empty for an offer
    // that stands alone: an accessory, an unrelated offer, or a product whose brand or model
    // could not be read.
    QString Key;
    TOfferKind Kind = TOfferKind::Product;
    QString Name; // a clean name of the product; the title for an offer that stands alone
    QList<int> Offers; // indexes into the offers, cheapest first
    int Number = 0; // 1, 2, … in the order of the groups' lowest prices
};

// Groups a comparison's offers by product. Each title is read (TProductTitle), the kind settled
// (an accessory noun that is not the title's head counts only when the price is far below the
// products'), and offers of one brand, model and variant form a group; a title that names less
// of the variant ("256" against "8+256") joins the one group that fits it, if there is only one.
// Accessories, unrelated offers and products without brand or model stand alone: merging two
// products is worse than missing a match.
class TProductGrouping
{
public:
    static TProductGrouping Group(
        const QList<TOffer> &offers, const QString &keyword, const TProductLexicon &lexicon = TProductLexicon::Shared());

    const QList<TProductGroup> &Groups() const { return m_groups; } // cheapest first
    const QList<TTitleReading> &Readings() const { return m_readings; } // one per offer
    int GroupOf(int offer) const { return m_groupOf.value(offer, -1); }
    TOfferKind KindOf(int offer) const { return m_readings.at(offer).Kind; }

private:
    QList<TTitleReading> m_readings;
    QList<TProductGroup> m_groups;
    QList<int> m_groupOf;
};
