#include "TShopRules.h"

#include "U_Pub.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QStandardPaths>

#include <cstdio>

namespace {
const QLatin1String kShops("shops");
const QLatin1String kHost("host");
const char *const kParts[] = {"item", "name", "price", "link", "image"};

QString NormalHost(const QString &host)
{
    return host.trimmed().toLower();
}

void SetError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

enum class TUserFile { Missing, Read, Broken };

// The user's file as a document; Broken when it is there but cannot be read as a rules file.
TUserFile ReadUserFile(QJsonObject &document)
{
    QFile file(TShopRules::UserFilePath());
    if (!file.exists())
        return TUserFile::Missing;
    if (!file.open(QIODevice::ReadOnly))
        return TUserFile::Broken;
    const QJsonDocument parsed = QJsonDocument::fromJson(file.readAll());
    if (!parsed.isObject() || !parsed.object().value(kShops).isArray())
        return TUserFile::Broken;
    document = parsed.object();
    return TUserFile::Read;
}

QString BrokenFileText()
{
    return QStringLiteral("网店规则文件无法读取，未作改动：%1\n请修正或移走这个文件后再试。")
        .arg(QDir::toNativeSeparators(TShopRules::UserFilePath()));
}

// The user's rules without those of `host`; entries the program does not understand stay.
QJsonArray WithoutHost(const QJsonArray &shops, const QString &host, bool *removed = nullptr)
{
    QJsonArray kept;
    for (const QJsonValue &value : shops) {
        if (value.isObject() && NormalHost(value.toObject().value(kHost).toString()) == host) {
            if (removed)
                *removed = true;
            continue;
        }
        kept.append(value);
    }
    return kept;
}

bool WriteUserFile(QJsonObject document, const QJsonArray &shops, QString *error)
{
    document.insert(kShops, shops);
    if (WriteFileAtomically(
            TShopRules::UserFilePath(), QJsonDocument(document).toJson(QJsonDocument::Indented)))
        return true;
    SetError(error,
        QStringLiteral("无法写入网店规则文件：%1").arg(QDir::toNativeSeparators(TShopRules::UserFilePath())));
    return false;
}
} // namespace

TShopRules TShopRules::Load()
{
    TShopRules rules;
    QFile shipped(QStringLiteral(":/reading/shoprules.json"));
    if (shipped.open(QIODevice::ReadOnly))
        rules.AddRulesText(shipped.readAll());
    QFile user(UserFilePath());
    if (user.exists()) {
        if (!user.open(QIODevice::ReadOnly) || !rules.AddRulesText(user.readAll(), true))
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

bool TShopRules::SaveUserRule(const QJsonObject &rule, QString *error)
{
    const QString host = NormalHost(rule.value(kHost).toString());
    if (host.isEmpty() || rule.value(QLatin1String("item")).toString().trimmed().isEmpty()) {
        SetError(error, QStringLiteral("规则不完整，未保存。"));
        return false;
    }
    QJsonObject document;
    if (ReadUserFile(document) == TUserFile::Broken) {
        SetError(error, BrokenFileText());
        return false;
    }
    QJsonObject kept;
    kept.insert(kHost, host);
    for (const char *part : kParts) {
        const QString selector = rule.value(QLatin1String(part)).toString().trimmed();
        if (!selector.isEmpty())
            kept.insert(QLatin1String(part), selector);
    }
    QJsonArray shops = WithoutHost(document.value(kShops).toArray(), host);
    shops.append(kept);
    return WriteUserFile(document, shops, error);
}

bool TShopRules::RemoveUserRule(const QString &host, QString *error)
{
    QJsonObject document;
    switch (ReadUserFile(document)) {
    case TUserFile::Missing:
        return true;
    case TUserFile::Broken:
        SetError(error, BrokenFileText());
        return false;
    case TUserFile::Read:
        break;
    }
    bool removed = false;
    const QJsonArray shops = WithoutHost(document.value(kShops).toArray(), NormalHost(host), &removed);
    return !removed || WriteUserFile(document, shops, error);
}

bool TShopRules::HasUserRule(const QString &host)
{
    QJsonObject document;
    if (NormalHost(host).isEmpty() || ReadUserFile(document) != TUserFile::Read)
        return false;
    bool found = false;
    WithoutHost(document.value(kShops).toArray(), NormalHost(host), &found);
    return found;
}

bool TShopRules::AddRulesText(const QByteArray &json, bool byUser)
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
        for (const char *part : kParts) {
            const QJsonValue selector = rule.value(QLatin1String(part));
            if (selector.isString())
                kept.insert(QLatin1String(part), selector);
        }
        if (byUser)
            kept.insert(QLatin1String("byUser"), true);
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
