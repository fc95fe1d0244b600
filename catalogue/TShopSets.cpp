#include "TShopSets.h"

#include "TShopCatalogue.h"
#include "U_Pub.h"

#include <QFile>
#include <QStandardPaths>

#include <algorithm>

QString ShopSetsFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/shopsets.txt");
}

QList<TShopSet> ParseShopSets(const QString &text)
{
    QList<TShopSet> sets;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const qsizetype tab = line.indexOf(QLatin1Char('\t'));
        const QString name = TrimControls(line.left(tab));
        if (tab < 0 || name.isEmpty())
            continue;
        TShopSet set{name, {}};
        for (const QString &shop : line.mid(tab + 1).split(QLatin1Char(';'))) {
            if (!TrimControls(shop).isEmpty())
                set.Shops << TrimControls(shop);
        }
        sets.append(set);
    }
    return sets;
}

QString ShopSetsText(const QList<TShopSet> &sets)
{
    QString text;
    for (const TShopSet &each : sets)
        text += each.Name + QLatin1Char('\t') + each.Shops.join(QLatin1Char(';')) + QLatin1String("\r\n");
    return text;
}

QList<TShopSet> ReadShopSets()
{
    QFile file(ShopSetsFilePath());
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return ParseShopSets(QString::fromUtf8(file.readAll()));
}

bool SaveShopSet(const TShopSet &set)
{
    QList<TShopSet> sets = ReadShopSets();
    sets.removeIf([&](const TShopSet &old) { return old.Name == set.Name; });
    sets.append(set);
    return WriteFileAtomically(ShopSetsFilePath(), ShopSetsText(sets).toUtf8());
}

QStringList ShopsStillThere(const TShopSet &set, const QString &catalogueText, QStringList *dropped)
{
    QStringList shops;
    const QList<TShopEntry> entries = ReadShopCatalogue(catalogueText);
    for (const QString &name : set.Shops) {
        const bool there = std::any_of(entries.cbegin(), entries.cend(), [&](const TShopEntry &entry) {
            return !entry.IsCategory && SameText(entry.Name, name);
        });
        if (there)
            shops << name;
        else if (dropped)
            *dropped << name;
    }
    return shops;
}
