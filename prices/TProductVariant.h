#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

// The measures in a title that tell a product's variants apart, in a fixed order: memory and
// storage ("8+256", "256", "1t"; GB unless "t"), screen size ("55英寸"), 匹, 段, weight in grams
// ("800g"), volume in millilitres ("500ml") and pack size ("x6"). The network (5G, 4G) is none.
class TProductVariant
{
public:
    // Reads the measures of a normalised title and blanks what it read in `text`.
    static QStringList Read(QString &text);
    // Separates a model number from memory glued to it before storage: "z98gb 256gb" → "z9 8gb 256gb".
    static void SeparateMemory(QString &text);
    // The measures as a set to compare variants by; memory and storage as "ram 8", "rom 256".
    static QSet<QString> Measures(const QStringList &variant);
};
