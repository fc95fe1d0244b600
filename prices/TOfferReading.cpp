#include "TOfferReading.h"

#include "TPriceParser.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>

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

QString OfferReadingScript(const QJsonObject &rule)
{
    static const QString script = ReadResource(QStringLiteral(":/reading/offer_reader.js"));
    const QString argument = rule.isEmpty()
        ? QStringLiteral("null")
        : QString::fromUtf8(QJsonDocument(rule).toJson(QJsonDocument::Compact));
    return script + QLatin1Char('(') + argument + QStringLiteral(");");
}

QString RulePickingScript()
{
    static const QString script = ReadResource(QStringLiteral(":/reading/pick_mode.js"));
    return script;
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
