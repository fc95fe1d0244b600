#include "TShopCatalogue.h"

#include "TUserCatalogue.h"
#include "U_Pub.h"

namespace {

const QChar kNameValueSeparator = QLatin1Char('\t');

TTextList catalogueLines(const QString &catalogueText)
{
    TTextList lines(kNameValueSeparator);
    lines.setText(catalogueText);
    return lines;
}

} // namespace

QString LoadBuiltInShopCatalogueText()
{
    return LoadTextResource(QStringLiteral("shoplist_txt"), QStringLiteral("TXT"));
}

QString LoadShopCatalogueText()
{
    const QString builtIn = LoadBuiltInShopCatalogueText();
    const TUserCatalogue user = ReadUserCatalogue();
    ReportUserCatalogueProblems(user.Problems);
    if (user.Changes.isEmpty() && user.Categories.isEmpty())
        return builtIn;
    return user.MergedWith(ReadShopCatalogue(builtIn));
}

QList<TShopEntry> ReadShopCatalogue(const QString &catalogueText)
{
    const TTextList lines = catalogueLines(catalogueText);
    QList<TShopEntry> entries;
    entries.reserve(lines.count());
    for (int i = 0; i < lines.count(); ++i) {
        if (TrimControls(lines.at(i)).isEmpty())
            continue;
        TShopEntry entry;
        entry.Name = lines.name(i);
        entry.Value = lines.valueFromIndex(i);
        entry.IsCategory = entry.Value == QLatin1String("$");
        entries.append(entry);
    }
    return entries;
}

QString ShopSearchTemplate(const QString &catalogueText, const QString &name)
{
    return catalogueLines(catalogueText).value(name);
}
