#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// Named shop sets ("常用组合"): what the shop box held, saved under a name, one set a line
// ("name<TAB>shop;shop;...", UTF-8) in the user's configuration folder.
struct TShopSet
{
    QString Name;
    QStringList Shops;
};

QString ShopSetsFilePath();
// The sets in a file's text: one a line, "name<TAB>shop;shop;..."; a line without a TAB or a
// name is left out, names and shops are trimmed of blanks and control characters, empty shops
// dropped.
QList<TShopSet> ParseShopSets(const QString &text);
// The file's text for `sets`, which ParseShopSets reads back as they are.
QString ShopSetsText(const QList<TShopSet> &sets);
// The saved sets in the order they were saved; no file, no sets. Lines that cannot be read
// are left out.
QList<TShopSet> ReadShopSets();
// Saves `set`, replacing a set of the same name; false when the file could not be written.
bool SaveShopSet(const TShopSet &set);
// The shops of `set` that the catalogue still has (shops only, not categories); the others are
// added to `dropped`.
QStringList ShopsStillThere(const TShopSet &set, const QString &catalogueText, QStringList *dropped);
