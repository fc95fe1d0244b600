#include "TOfferReading.h"

#include "TPriceParser.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>

#include <algorithm>
#include <cstdio>

namespace {
// Names longer than this are cut: a page could hand over a whole document as one name.
constexpr int kMaxNameLength = 300;

QString ReadResource(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// An address from the page, made absolute against the page's own; empty unless http or https.
QUrl WebAddress(const QString &raw, const QUrl &base)
{
    if (raw.trimmed().isEmpty())
        return QUrl();
    const QUrl url = base.resolved(QUrl(raw.trimmed()));
    const QString scheme = url.scheme();
    if (!url.isValid() || url.host().isEmpty()
        || (scheme != QLatin1String("http") && scheme != QLatin1String("https")))
        return QUrl();
    return url;
}

QString OneLine(const QString &text)
{
    QString line = text.simplified();
    if (line.size() > kMaxNameLength)
        line = line.left(kMaxNameLength);
    return line;
}
} // namespace

QString OfferSourceText(TOfferSource source)
{
    switch (source) {
    case TOfferSource::StructuredData:
        return QStringLiteral("结构化数据");
    case TOfferSource::ShopRules:
        return QStringLiteral("网店规则");
    case TOfferSource::PageRecognition:
        break;
    }
    return QStringLiteral("页面识别");
}

TShopRules TShopRules::Load()
{
    TShopRules rules;
    QFile shipped(QStringLiteral(":/reading/shoprules.json"));
    if (shipped.open(QIODevice::ReadOnly))
        rules.AddRulesText(shipped.readAll());
    QFile user(UserFilePath());
    if (user.exists()) {
        if (!user.open(QIODevice::ReadOnly) || !rules.AddRulesText(user.readAll()))
            std::fprintf(stderr, "%s\n",
                qUtf8Printable(QStringLiteral("网店规则文件无法读取，已忽略：%1")
                                   .arg(QDir::toNativeSeparators(user.fileName()))));
    }
    return rules;
}

QString TShopRules::UserFilePath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation)
        + QStringLiteral("/shoprules.json");
}

bool TShopRules::AddRulesText(const QByteArray &json)
{
    const QJsonDocument document = QJsonDocument::fromJson(json);
    if (!document.isObject() || !document.object().value(QLatin1String("shops")).isArray())
        return false;
    for (const QJsonValue &value : document.object().value(QLatin1String("shops")).toArray()) {
        const QJsonObject rule = value.toObject();
        const QString host = rule.value(QLatin1String("host")).toString().trimmed().toLower();
        if (host.isEmpty() || rule.value(QLatin1String("item")).toString().isEmpty())
            continue;
        m_rules.erase(
            std::remove_if(m_rules.begin(), m_rules.end(),
                [&](const QJsonObject &r) { return r.value(QLatin1String("host")).toString() == host; }),
            m_rules.end());
        QJsonObject kept;
        kept.insert(QLatin1String("host"), host);
        for (const char *part : {"item", "name", "price", "link", "image"}) {
            const QJsonValue selector = rule.value(QLatin1String(part));
            if (selector.isString())
                kept.insert(QLatin1String(part), selector);
        }
        m_rules.append(kept);
    }
    return true;
}

QJsonObject TShopRules::RuleFor(const QString &pageHost) const
{
    QString host = pageHost.toLower();
    while (!host.isEmpty()) {
        for (const QJsonObject &rule : m_rules) {
            if (rule.value(QLatin1String("host")).toString() == host)
                return rule;
        }
        const qsizetype dot = host.indexOf(QLatin1Char('.'));
        host = dot < 0 ? QString() : host.mid(dot + 1);
    }
    return QJsonObject();
}

QString OfferReadingScript(const QJsonObject &rule)
{
    static const QString script = ReadResource(QStringLiteral(":/reading/offer_reader.js"));
    const QString argument = rule.isEmpty()
        ? QStringLiteral("null")
        : QString::fromUtf8(QJsonDocument(rule).toJson(QJsonDocument::Compact));
    return script + QLatin1Char('(') + argument + QStringLiteral(");");
}

QList<TOffer> OffersFromReading(const QString &json, const QString &shop)
{
    const QJsonObject reading = QJsonDocument::fromJson(json.toUtf8()).object();
    const QUrl base(reading.value(QLatin1String("base")).toString());
    const std::pair<const char *, TOfferSource> ways[] = {
        {"structured", TOfferSource::StructuredData},
        {"rules", TOfferSource::ShopRules},
        {"generic", TOfferSource::PageRecognition},
    };
    for (const auto &[key, source] : ways) {
        QList<TOffer> offers;
        for (const QJsonValue &value : reading.value(QLatin1String(key)).toArray()) {
            const QJsonObject entry = value.toObject();
            TOffer offer;
            offer.Shop = shop;
            offer.Source = source;
            offer.Name = OneLine(entry.value(QLatin1String("name")).toString());
            offer.Address = WebAddress(entry.value(QLatin1String("url")).toString(), base);
            offer.Picture = WebAddress(entry.value(QLatin1String("image")).toString(), base);
            const std::optional<qint64> price = ParsePriceFen(entry.value(QLatin1String("price")).toString());
            if (offer.Name.isEmpty() || !price || !offer.Address.isValid())
                continue;
            offer.PriceFen = *price;
            offers.append(offer);
        }
        if (!offers.isEmpty())
            return offers;
    }
    return {};
}
