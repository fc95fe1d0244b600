#pragma once

#include "TOffer.h"
#include "TProductLexicon.h"

#include <QHash>
#include <QRegularExpression>
#include <QString>
#include <QStringList>

// What one offer's title says of the product.
struct TTitleReading
{
    QString Brand; // the brand's name in the table ("星弧"), or empty
    QString Model; // lower case, one space between words ("s12 pro", "note 9", "星飞帆"), or empty
    QStringList Variant; // the measures that tell variants apart, in a fixed order ("8+256", "55英寸")
    TOfferKind Kind = TOfferKind::Product;
    QString Noun; // the head noun that decided the kind, when one did
    bool MentionsAccessory = false; // an accessory noun that is not the head: the price decides

    QString VariantText() const { return Variant.join(QLatin1Char(' ')); }
    // A clean name: brand, model and variant as a shopper writes them ("星弧 S12 Pro 8+256").
    QString Name() const;
};

// Reads the offer titles of one comparison. The comparison's own titles teach it brands beyond
// the lexicon's ("Xinghu/星弧" makes both forms one brand; a word that starts many titles is a
// brand) and the series names of goods without Latin model numbers; then each title is read on
// its own. Titles are page text: any text is read without harm, and only its start counts.
class TProductTitle
{
public:
    explicit TProductTitle(const QString &keyword, const TProductLexicon &lexicon = TProductLexicon::Shared());

    // Learns brands and series from the titles of the comparison (call once, before Read).
    void Learn(const QStringList &titles);
    TTitleReading Read(const QString &title) const;
    // The reading of the `index`th title given to Learn, from what Learn read of it.
    TTitleReading ReadLearned(qsizetype index) const;

    // The brand's name in the table for one of its forms; the form itself when unknown.
    QString BrandName(const QString &form) const;

private:
    enum Flag { FAccessory = 1, FCategory = 2, FDescriptive = 4, FFiller = 8, FBrand = 16, FMarker = 32, FGift = 64 };
    struct Match
    {
        qsizetype Pos;
        qsizetype Len;
        int Flags;
    };
    struct Prepared
    {
        QString Text; // normalised, promotions and gifts taken out
        QList<Match> Words; // the lexicon's words in it, left to right, longest first
        QString Brand; // the brand's name
    };

    struct Understood
    {
        Prepared P;
        QStringList Variant;
        QString Rest; // what is left for the model
    };

    // A title as NormalizedTitle gives it, cut to its start, without promotions and gifts.
    QString clean(const QString &normalized) const;
    Prepared prepare(const QString &cleaned) const;
    TTitleReading read(const Understood &understood) const;
    QList<Match> findWords(const QString &text, bool leadingOnly = false) const;
    void addWord(const QString &word, int flags);
    void addBrand(const QStringList &forms);
    QString readModel(const QString &text, const QStringList &variant) const;
    QStringList cjkChunks(const QString &text) const;
    QString blanked(const Prepared &prepared, QString text) const;
    void decideKind(const Prepared &prepared, TTitleReading &reading) const;

    TProductLexicon m_lexicon; // the shared words and those learned from the comparison
    QHash<QChar, QList<QPair<QString, int>>> m_words; // by first character, longest first
    QStringList m_keywordTerms; // a title with one of these is about the keyword
    QString m_keyword;
    QHash<QString, QHash<QString, int>> m_series; // brand → series name → titles
    QList<Understood> m_understood; // the titles as Learn read them, in its order
};
