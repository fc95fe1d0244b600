#pragma once

#include <QList>
#include <QString>

// One line of the shop catalogue: a category (value "$") or a shop with the template of its
// search-results address.
struct TShopEntry
{
    QString Name;
    QString Value;
    bool IsCategory = false;
};

// The catalogue as text: the embedded one with the user's changes (TUserCatalogue). It is read
// anew by every caller, never cached. Without a user file it is the embedded one, unchanged.
QString LoadShopCatalogueText();
// The embedded catalogue alone.
QString LoadBuiltInShopCatalogueText();

// The catalogue's entries in order. Each line is cut at its first TAB into name and value,
// both kept untrimmed; a line holding nothing but blanks and control characters is skipped;
// a line without a TAB reads as an entry with an empty name. A shop belongs to the nearest
// category above it, or to none when it comes before every category.
QList<TShopEntry> ReadShopCatalogue(const QString &catalogueText);

// The template of the first line whose name equals `name`, letters compared without regard
// to case; empty when no line does. Categories are not told apart from shops here.
QString ShopSearchTemplate(const QString &catalogueText, const QString &name);
