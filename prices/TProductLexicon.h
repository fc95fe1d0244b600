#pragma once

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>

// The words the program reads offer titles with: accessory nouns, product nouns (one line per
// kind of goods, its forms together), descriptive and filler words, brands (each brand's forms
// together, its name in the table first), and the words that introduce what an accessory fits or
// what comes free. Built in as resources/products/lexicon.txt; the user's products.txt of the
// same form in the configuration folder adds to it. Every word is kept in its normalised form.
class TProductLexicon
{
public:
    enum Section { Accessories, Categories, Descriptive, Filler, Brands, AccessoryMarkers, GiftMarkers, SectionCount };

    // The built-in words and the user's, read once.
    static const TProductLexicon &Shared();
    static TProductLexicon BuiltIn();
    static QString UserFilePath();

    // Adds the words of a lexicon text ("[section]" heads, one entry a line, "#" comments).
    void AddText(const QString &text);
    void Add(Section section, const QStringList &forms);

    // The lines of a section: each a list of forms (one form except for brands and kinds).
    const QList<QStringList> &Lines(Section section) const { return m_lines[section]; }
    bool Contains(Section section, const QString &word) const { return m_lineOf[section].contains(word); }
    // The line of `word` in `section`, or -1.
    int LineOf(Section section, const QString &word) const { return m_lineOf[section].value(word, -1); }
    // The longest word of `section` that starts at `position` of `text`, or an empty string. Words
    // of Latin letters or digits match whole words only.
    QString WordAt(Section section, const QString &text, qsizetype position) const;

private:
    QList<QStringList> m_lines[SectionCount];
    QHash<QString, int> m_lineOf[SectionCount];
    QHash<QChar, QStringList> m_byFirst[SectionCount]; // longest first
};

// A title's text as the program compares it: NFKC (full-width letters, digits and signs become
// half-width), lower case, runs of white space as one space, control characters dropped.
QString NormalizedTitle(const QString &title);
// Whether `c` is a letter or digit of the Latin alphabet.
inline bool IsLatinWordChar(QChar c)
{
    return (c >= QLatin1Char('a') && c <= QLatin1Char('z')) || (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
        || (c >= QLatin1Char('0') && c <= QLatin1Char('9'));
}
