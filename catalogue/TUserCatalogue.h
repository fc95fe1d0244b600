#pragma once

#include "TShopCatalogue.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QStringList>

#include <functional>

// One line of the catalogue with the user's changes, as the shop manager lists it.
struct TCatalogueItem
{
    enum Kind { Category, BuiltInShop, AddedShop };
    Kind ItemKind = Category;
    QString Name;
    QString Template;     // a category's is its catalogue value ("$")
    QString CategoryName; // of a shop; empty before the first category
    bool Hidden = false;  // a built-in shop the user hid
    bool Changed = false; // a built-in shop whose template the user changed
};

// The user's own changes to the built-in catalogue, kept in one file in the catalogue's line
// format (UTF-8): "name<TAB>template" changes a built-in shop's template, "name<TAB>" hides a
// built-in shop, "name<TAB>$" opens a category, and a new name below it adds a shop there (a
// category the built-in catalogue lacks is added at the end).
struct TUserCatalogue
{
    struct Shop
    {
        QString Name;
        QString Template;
    };
    struct Category
    {
        QString Name;
        QList<Shop> Shops; // added by the user
    };
    QList<Shop> Changes;         // of built-in shops; an empty template hides the shop
    QList<Category> Categories;  // with the shops the user added, in the user's order

    // What could not be used, one Chinese sentence per line of the file.
    QStringList Problems;

    static TUserCatalogue Parse(const QString &text, const QList<TShopEntry> &builtIn);
    QString ToText() const;
    // The built-in catalogue with these changes, hidden shops marked and kept, in order: each
    // built-in category followed by the shops the user added to it, then the user's own
    // categories.
    QList<TCatalogueItem> MergedItems(const QList<TShopEntry> &builtIn) const;
    // The same without hidden shops, in the catalogue's own text format.
    QString MergedWith(const QList<TShopEntry> &builtIn) const;
    // Why `name` may not be given to a new shop or category: a shop or category of that name
    // (letters compared without regard to case) is there already. Empty when it may.
    QString NameTakenProblem(const QString &name, const QList<TShopEntry> &builtIn) const;

    // The change of a built-in shop, or null.
    const Shop *ChangeOf(const QString &name) const;
    void SetChange(const QString &name, const QString &urlTemplate); // adds or replaces
    void RemoveChange(const QString &name);
    // The category holding a shop the user added, or null.
    Category *CategoryOfAdded(const QString &name);
    Category &CategoryNamed(const QString &name); // added when missing
};

// Where the user's file lives: the user's configuration folder.
QString UserCatalogueFilePath();
// Reads the user's file; a missing file is an empty catalogue, an unreadable one a problem.
TUserCatalogue ReadUserCatalogue();
// Writes the user's file atomically; false when it could not be written.
bool WriteUserCatalogue(const TUserCatalogue &catalogue);

// Told, once per run and file content, which lines of the user's file could not be used. The
// program sets it; without it problems pass without a word.
void SetUserCatalogueProblemReporter(std::function<void(const QString &message)> reporter);
void ReportUserCatalogueProblems(const QStringList &problems);

// Whether a name may stand in the catalogue: not empty, and free of TAB, line breaks and ";".
// Returns the reason in Chinese, or an empty text when it may.
QString ShopNameProblem(const QString &name);
// Whether a template may stand in the catalogue: an http:// or https:// address.
QString ShopTemplateProblem(const QString &urlTemplate);
// Whether the template holds a placeholder that the keyword fills ({?ku}, {?kg}, {?kc}).
bool HoldsKeywordPlaceholder(const QString &urlTemplate);
