#include "TUserCatalogue.h"

#include "U_Pub.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QStringDecoder>

#include <algorithm>

namespace {

const QString kCategoryMark = QStringLiteral("$");

std::function<void(const QString &)> &problemReporter()
{
    static std::function<void(const QString &)> reporter;
    return reporter;
}

const TShopEntry *builtInEntry(const QList<TShopEntry> &builtIn, const QString &name)
{
    for (const TShopEntry &entry : builtIn) {
        if (SameText(entry.Name, name))
            return &entry;
    }
    return nullptr;
}

QString line(const QString &name, const QString &value)
{
    return name + QLatin1Char('\t') + value;
}

} // namespace

QString ShopNameProblem(const QString &name)
{
    if (TrimControls(name).isEmpty())
        return QStringLiteral("名称不能为空。");
    for (const QChar c : name) {
        // A control character would cut the catalogue's line (a NUL ends its text).
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            return QStringLiteral("名称中不能有制表符、换行或其他控制字符。");
        if (c == QLatin1Char(';') || c == QChar(0xFF1B))
            return QStringLiteral("名称中不能有分号（;）。");
    }
    return QString();
}

QString ShopTemplateProblem(const QString &urlTemplate)
{
    const QString t = TrimControls(urlTemplate);
    if (!t.startsWith(QLatin1String("http://"), Qt::CaseInsensitive)
        && !t.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return QStringLiteral("网址必须以 http:// 或 https:// 开头。");
    if (t.size() <= 8)
        return QStringLiteral("网址不完整。");
    if (std::any_of(t.cbegin(), t.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }))
        return QStringLiteral("网址中不能有制表符、换行或其他控制字符。");
    return QString();
}

bool HoldsKeywordPlaceholder(const QString &urlTemplate)
{
    return urlTemplate.contains(QLatin1String("{?ku}")) || urlTemplate.contains(QLatin1String("{?kg}"))
        || urlTemplate.contains(QLatin1String("{?kc}"));
}

TUserCatalogue TUserCatalogue::Parse(const QString &text, const QList<TShopEntry> &builtIn)
{
    TUserCatalogue user;
    Category *current = nullptr;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString raw = lines.at(i);
        if (raw.endsWith(QLatin1Char('\r')))
            raw.chop(1);
        if (TrimControls(raw).isEmpty())
            continue;
        auto problem = [&](const QString &why) {
            user.Problems << QStringLiteral("第 %1 行（%2）：%3").arg(i + 1).arg(TrimControls(raw).left(60), why);
        };
        const qsizetype tab = raw.indexOf(QLatin1Char('\t'));
        if (tab < 0) {
            problem(QStringLiteral("缺少名称与网址之间的制表符。"));
            continue;
        }
        const QString name = TrimControls(raw.left(tab));
        const QString value = TrimControls(raw.mid(tab + 1));
        if (const QString why = ShopNameProblem(name); !why.isEmpty()) {
            problem(why);
            continue;
        }
        const TShopEntry *known = builtInEntry(builtIn, name);
        if (value == kCategoryMark) {
            if (known && !known->IsCategory) {
                problem(QStringLiteral("已有同名的网店，不能作为分类。"));
                continue;
            }
            current = &user.CategoryNamed(known ? known->Name : name);
            continue;
        }
        if (known && known->IsCategory) {
            problem(QStringLiteral("这是一个分类的名称。"));
            continue;
        }
        if (!value.isEmpty()) {
            if (const QString why = ShopTemplateProblem(value); !why.isEmpty()) {
                problem(why);
                continue;
            }
        }
        if (known) {
            user.SetChange(known->Name, value);
            continue;
        }
        if (value.isEmpty()) {
            problem(QStringLiteral("新网店缺少网址。"));
        } else if (!current) {
            problem(QStringLiteral("新网店前面没有分类行（分类名<TAB>$）。"));
        } else if (user.CategoryOfAdded(name)) {
            problem(QStringLiteral("网店名称重复。"));
        } else {
            current->Shops.append({name, value});
        }
    }
    return user;
}

QString TUserCatalogue::ToText() const
{
    QStringList lines;
    for (const Shop &change : Changes)
        lines << line(change.Name, change.Template);
    for (const Category &category : Categories) {
        lines << line(category.Name, kCategoryMark);
        for (const Shop &shop : category.Shops)
            lines << line(shop.Name, shop.Template);
    }
    return lines.isEmpty() ? QString() : lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
}

QList<TCatalogueItem> TUserCatalogue::MergedItems(const QList<TShopEntry> &builtIn) const
{
    QList<TCatalogueItem> items;
    QStringList placed; // the user's categories whose shops are in
    auto addShopsOf = [&](const QString &categoryName) {
        for (const Category &category : Categories) {
            if (!SameText(category.Name, categoryName))
                continue;
            for (const Shop &shop : category.Shops)
                items.append({TCatalogueItem::AddedShop, shop.Name, shop.Template, categoryName});
            placed << category.Name;
        }
    };
    QString open; // the built-in category being copied
    for (const TShopEntry &entry : builtIn) {
        if (entry.IsCategory) {
            if (!open.isNull())
                addShopsOf(open);
            open = entry.Name;
            items.append({TCatalogueItem::Category, entry.Name, entry.Value, {}});
            continue;
        }
        TCatalogueItem shop{TCatalogueItem::BuiltInShop, entry.Name, entry.Value, open};
        if (const Shop *change = ChangeOf(entry.Name)) {
            shop.Hidden = change->Template.isEmpty();
            shop.Changed = !shop.Hidden;
            if (shop.Changed)
                shop.Template = change->Template;
        }
        items.append(shop);
    }
    if (!open.isNull())
        addShopsOf(open);
    for (const Category &category : Categories) {
        if (placed.contains(category.Name))
            continue;
        items.append({TCatalogueItem::Category, category.Name, kCategoryMark, {}});
        for (const Shop &shop : category.Shops)
            items.append({TCatalogueItem::AddedShop, shop.Name, shop.Template, category.Name});
    }
    return items;
}

QString TUserCatalogue::MergedWith(const QList<TShopEntry> &builtIn) const
{
    QStringList lines;
    for (const TCatalogueItem &item : MergedItems(builtIn)) {
        if (!item.Hidden)
            lines << line(item.Name, item.Template);
    }
    return lines.join(QLatin1String("\r\n")) + QLatin1String("\r\n");
}

QString TUserCatalogue::NameTakenProblem(const QString &name, const QList<TShopEntry> &builtIn) const
{
    for (const TShopEntry &entry : builtIn) {
        if (SameText(entry.Name, name))
            return QStringLiteral("已有名为“%1”的网店或分类。").arg(entry.Name);
    }
    for (const Category &c : Categories) {
        if (SameText(c.Name, name))
            return QStringLiteral("已有名为“%1”的分类。").arg(c.Name);
        for (const Shop &shop : c.Shops) {
            if (SameText(shop.Name, name))
                return QStringLiteral("已有名为“%1”的网店。").arg(shop.Name);
        }
    }
    return QString();
}

const TUserCatalogue::Shop *TUserCatalogue::ChangeOf(const QString &name) const
{
    for (const Shop &change : Changes) {
        if (SameText(change.Name, name))
            return &change;
    }
    return nullptr;
}

void TUserCatalogue::SetChange(const QString &name, const QString &urlTemplate)
{
    for (Shop &change : Changes) {
        if (SameText(change.Name, name)) {
            change.Template = urlTemplate;
            return;
        }
    }
    Changes.append({name, urlTemplate});
}

void TUserCatalogue::RemoveChange(const QString &name)
{
    Changes.removeIf([&](const Shop &change) { return SameText(change.Name, name); });
}

TUserCatalogue::Category *TUserCatalogue::CategoryOfAdded(const QString &name)
{
    for (Category &category : Categories) {
        for (const Shop &shop : category.Shops) {
            if (SameText(shop.Name, name))
                return &category;
        }
    }
    return nullptr;
}

TUserCatalogue::Category &TUserCatalogue::CategoryNamed(const QString &name)
{
    for (Category &category : Categories) {
        if (SameText(category.Name, name))
            return category;
    }
    Categories.append({name, {}});
    return Categories.last();
}

QString UserCatalogueFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation) + QStringLiteral("/shops.txt");
}

TUserCatalogue ReadUserCatalogue()
{
    const QList<TShopEntry> builtIn = ReadShopCatalogue(LoadBuiltInShopCatalogueText());
    QFile file(UserCatalogueFilePath());
    if (!file.exists())
        return {};
    if (!file.open(QIODevice::ReadOnly)) {
        TUserCatalogue unreadable;
        unreadable.Problems << QStringLiteral("无法读取文件 %1。").arg(QDir::toNativeSeparators(file.fileName()));
        return unreadable;
    }
    QStringDecoder utf8(QStringDecoder::Utf8);
    const QString text = utf8.decode(file.readAll());
    TUserCatalogue user = TUserCatalogue::Parse(text, builtIn);
    if (utf8.hasError())
        user.Problems.prepend(QStringLiteral("文件不是 UTF-8 编码，无法识别的字符已被替换。"));
    return user;
}

bool WriteUserCatalogue(const TUserCatalogue &catalogue)
{
    return WriteFileAtomically(UserCatalogueFilePath(), catalogue.ToText().toUtf8());
}

void SetUserCatalogueProblemReporter(std::function<void(const QString &)> reporter)
{
    problemReporter() = std::move(reporter);
}

void ReportUserCatalogueProblems(const QStringList &problems)
{
    // Once per run for the same problems: the catalogue is read at every search.
    static QByteArray reported;
    if (problems.isEmpty() || !problemReporter())
        return;
    const QByteArray digest = QCryptographicHash::hash(problems.join(QLatin1Char('\n')).toUtf8(), QCryptographicHash::Sha1);
    if (digest == reported)
        return;
    reported = digest;
    problemReporter()(QStringLiteral("你的网店文件 %1 中有些行无法使用，已略过：\n%2")
                          .arg(QDir::toNativeSeparators(UserCatalogueFilePath()), problems.join(QLatin1Char('\n'))));
}
