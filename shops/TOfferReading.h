#pragma once

#include <QJsonObject>
#include <QList>
#include <QString>
#include <QUrl>

// How an offer was found on its page.
enum class TOfferSource { StructuredData, ShopRules, PageRecognition };

// The name of a source as the exported table writes it: "结构化数据", "网店规则", "页面识别".
QString OfferSourceText(TOfferSource source);

// One offer read from a shop's results page. Name and addresses come from the page: they are
// hostile text and are only ever shown as plain text.
struct TOffer
{
    QString Shop;
    QString Name;
    qint64 PriceFen = 0;
    QUrl Address; // absolute http or https
    QUrl Picture; // absolute http or https, or empty
    TOfferSource Source = TOfferSource::PageRecognition;
};

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
    int Count() const { return int(m_rules.size()); }

private:
    QList<QJsonObject> m_rules;
};

// The reading script with its call for the page's rule, ready to run in a page.
QString OfferReadingScript(const QJsonObject &rule);

// The offers of one page from what the reading script handed back, for the shop `shop`: the
// first way of reading that yields offers wins. Entries without a name or a price, and
// addresses that are not http or https, are dropped; addresses are made absolute.
QList<TOffer> OffersFromReading(const QString &json, const QString &shop);
