#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QString>

// The per-shop reading rules: CSS selectors for the item and its name, price, link and picture,
// keyed by host. The shipped rules come first; a file of the same form, shoprules.json in the
// user's configuration folder, adds rules and replaces those of the same host.
class TShopRules
{
public:
    // The shipped rules and the user's file. A user file that cannot be read or parsed is left
    // out with a warning on standard error; the shipped rules still apply.
    static TShopRules Load();
    // Where the user's file is looked for.
    static QString UserFilePath();

    // Adds the rules of a file's text (later rules replace earlier ones of the same host).
    // False when the text is not a rules file; nothing is added then.
    bool AddRulesText(const QByteArray &json);
    // The rule for a page on `host`: that of the host itself, else that of the nearest domain
    // above it ("search.example.com" takes the rule of "example.com"); empty when none.
    QJsonObject RuleFor(const QString &host) const;

private:
    QHash<QString, QJsonObject> m_rules; // by host, in lower case
};
