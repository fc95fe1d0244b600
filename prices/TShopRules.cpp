#include "TShopRules.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>

#include <cstdio>

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
        QJsonObject kept;
        kept.insert(QLatin1String("host"), host);
        for (const char *part : {"item", "name", "price", "link", "image"}) {
            const QJsonValue selector = rule.value(QLatin1String(part));
            if (selector.isString())
                kept.insert(QLatin1String(part), selector);
        }
        m_rules.insert(host, kept); // a later rule of a host replaces the earlier one
    }
    return true;
}

QJsonObject TShopRules::RuleFor(const QString &pageHost) const
{
    QString host = pageHost.toLower();
    while (!host.isEmpty()) {
        if (const auto rule = m_rules.constFind(host); rule != m_rules.cend())
            return *rule;
        const qsizetype dot = host.indexOf(QLatin1Char('.'));
        host = dot < 0 ? QString() : host.mid(dot + 1);
    }
    return QJsonObject();
}
