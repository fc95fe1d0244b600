// ExpandSearchUrl with any template and any keyword. Input: form byte, template, 0xFF, keyword.

#include "FuzzSupport.h"
#include "U_Pub.h"

#include <QUrl>

#include <algorithm>
#include <array>
#include <cstring>

namespace {

const std::array<QString, 3> kPlaceholders = { QStringLiteral("{?kg}"), QStringLiteral("{?ku}"),
                                               QStringLiteral("{?kc}") };

QString referenceEncode(const QByteArray &bytes)
{
    static const char safe[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!$'()*-.@_";
    static const char hex[] = "0123456789ABCDEF";
    QString out;
    for (const char ch : bytes) {
        const auto byte = static_cast<unsigned char>(ch);
        if (byte == 0)
            break;
        if (std::memchr(safe, byte, sizeof(safe) - 1) != nullptr) {
            out += QLatin1Char(ch);
        } else if (byte == ' ') {
            out += QLatin1Char('+');
        } else {
            const char escape[] = { '%', hex[byte >> 4], hex[byte & 0xF] };
            out += QLatin1String(escape, 3);
        }
    }
    return out;
}

// The three replacement texts, in the order of kPlaceholders.
using Replacements = std::array<QString, 3>;

// "{?kc}": the keyword, with what would break the address's structure percent-encoded.
QString referenceEscape(const QString &keyword)
{
    QString out;
    for (const QChar c : keyword) {
        const bool keep = c.unicode() > 0x20 && c.unicode() != 0x7F && !QStringLiteral("&#+%?=\"<>`").contains(c);
        out += keep ? QString(c) : QStringLiteral("%%1").arg(c.unicode(), 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

Replacements replacements(const QString &keyword)
{
    return { referenceEncode(ToGbk(keyword)), referenceEncode(keyword.toUtf8()), referenceEscape(keyword) };
}

// The placeholder (index into kPlaceholders) that starts at `i`, or -1.
int placeholderAt(const QString &text, qsizetype i)
{
    if (text.at(i) != QLatin1Char('{') || text.size() - i < 5)
        return -1;
    for (int k = 0; k < int(kPlaceholders.size()); ++k) {
        if (std::memcmp(text.constData() + i, kPlaceholders[k].constData(), 5 * sizeof(QChar)) == 0)
            return k;
    }
    return -1;
}

// Replaces placeholders of the kinds `wanted` allows, left to right in one sweep that goes on
// behind each inserted text.
template<typename Wanted>
QString replaceSweep(const QString &text, const Replacements &with, Wanted wanted)
{
    QString out;
    qsizetype copied = 0;
    qsizetype i = 0;
    while (i < text.size()) {
        const int k = placeholderAt(text, i);
        if (k < 0 || !wanted(k)) {
            ++i;
            continue;
        }
        out += QStringView(text).sliced(copied, i - copied);
        out += with[k];
        i += 5;
        copied = i;
    }
    out += QStringView(text).sliced(copied);
    return out;
}

// The expansion as three passes, "{?kg}" first, then "{?ku}", then "{?kc}".
QString expandInPasses(const QString &urlTemplate, const Replacements &with)
{
    QString text = urlTemplate;
    for (int pass = 0; pass < 3; ++pass)
        text = replaceSweep(text, with, [pass](int k) { return k == pass; });
    return text;
}

// The expansion in one pass over the template: only placeholders the template itself holds
// are replaced, so nothing inserted can ever be expanded.
QString expandInOnePass(const QString &urlTemplate, const Replacements &with)
{
    return replaceSweep(urlTemplate, with, [](int) { return true; });
}

bool holdsPlaceholder(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (placeholderAt(text, i) >= 0)
            return true;
    }
    return false;
}

// Whether no placeholder can form across the edge of a text inserted by an earlier pass, so
// that the passes agree with the one-pass reading. Encoded text holds no "{", "?" or "}", so
// such a placeholder needs a "{?" of the template that opens none ("{?" + "ku" + "}" with the
// template "{?{?kg}}" and the keyword "ku"), or an empty insertion ("{" + "" + "?kc}" with
// the template "{{?ku}?kc}" and an empty keyword).
bool noPlaceholderCanForm(const QString &urlTemplate, const Replacements &with)
{
    if (with[0].isEmpty() || with[1].isEmpty())
        return false;
    for (qsizetype i = urlTemplate.indexOf(QLatin1String("{?")); i >= 0;
         i = urlTemplate.indexOf(QLatin1String("{?"), i + 1)) {
        if (placeholderAt(urlTemplate, i) < 0)
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzInput input = splitFormByte(data, size);
    const qsizetype cut = input.bytes.indexOf('\xFF');
    const QString urlTemplate = decodeText(input.form, cut < 0 ? input.bytes : input.bytes.left(cut));
    const QString keyword = decodeText(input.form, cut < 0 ? QByteArray() : input.bytes.mid(cut + 1));

    const QString url = ExpandSearchUrl(urlTemplate, keyword);
    const Replacements with = replacements(keyword);
    FUZZ_CHECK(url == expandInPasses(urlTemplate, with));
    if (noPlaceholderCanForm(urlTemplate, with))
        FUZZ_CHECK(url == expandInOnePass(urlTemplate, with));
    if (!holdsPlaceholder(urlTemplate))
        FUZZ_CHECK(url == urlTemplate);

    // "{?kc}" gives the keyword, whatever placeholders it holds, with nothing in it that could
    // end its part of the address, and decodes back to it; the encoded forms hold no braces,
    // so they cannot look like placeholders.
    const QString forms = ExpandSearchUrl(QStringLiteral("{?kg}|{?ku}|{?kc}"), keyword);
    const QString raw = with[2];
    FUZZ_CHECK(forms == with[0] + QLatin1Char('|') + with[1] + QLatin1Char('|') + raw);
    for (const char structural : {'&', '#', '+', '?', '=', ' ', '"', '<', '>', '`'})
        FUZZ_CHECK(!raw.contains(QLatin1Char(structural)));
    FUZZ_CHECK(std::none_of(raw.cbegin(), raw.cend(), [](QChar c) { return c.unicode() < 0x20 || c.unicode() == 0x7F; }));
    if (QString::fromUtf8(keyword.toUtf8()) == keyword)
        FUZZ_CHECK(QUrl::fromPercentEncoding(raw.toUtf8()) == keyword);
    FUZZ_CHECK(!(with[0] + with[1]).contains(QLatin1Char('{')));
    FUZZ_CHECK(!(with[0] + with[1]).contains(QLatin1Char('}')));
    return 0;
}
