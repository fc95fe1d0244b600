// The user's reading rules file, any bytes. Input: the file's bytes.

#include "FuzzSupport.h"
#include "TShopRules.h"

#include <QJsonArray>
#include <QJsonDocument>

namespace {

// Hosts a page may be on; the rules of the input decide which of them have one.
const char *const kProbes[] = {"a.example.com", "example.com", "search.jd.com", "127.0.0.1", "x", ""};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    TShopRules rules;
    const bool taken = rules.AddRulesText(bytes);

    // The hosts the file names with an item selector: the only ones that may have a rule.
    QStringList named;
    const QJsonDocument document = QJsonDocument::fromJson(bytes);
    FUZZ_CHECK(taken == (document.isObject() && document.object().value(QLatin1String("shops")).isArray()));
    for (const QJsonValue &value : document.object().value(QLatin1String("shops")).toArray()) {
        const QJsonObject rule = value.toObject();
        if (!rule.value(QLatin1String("item")).toString().isEmpty())
            named << rule.value(QLatin1String("host")).toString().trimmed().toLower();
    }
    for (const char *probe : kProbes) {
        QString host = QString::fromLatin1(probe);
        const QJsonObject rule = rules.RuleFor(host);
        // The probe itself or a domain above it must be named for a rule to be found.
        bool covered = false;
        for (QString h = host; !h.isEmpty(); h = h.contains(QLatin1Char('.')) ? h.section(QLatin1Char('.'), 1) : QString())
            covered = covered || (named.contains(h) && !h.isEmpty());
        FUZZ_CHECK(rule.isEmpty() != covered);
        if (!rule.isEmpty()) {
            FUZZ_CHECK(named.contains(rule.value(QLatin1String("host")).toString()));
            FUZZ_CHECK(!rule.value(QLatin1String("item")).toString().isEmpty());
        }
    }
    return 0;
}
