// Prices read from page text. Input: form byte, text.

#include "FuzzSupport.h"
#include "TPriceParser.h"

#include <QRegularExpression>

namespace {

// The same text with every ASCII digit, "." and "," in its full-width form.
QString widened(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if ((u >= '0' && u <= '9') || u == '.' || u == ',')
            c = QChar(char16_t(u + 0xFEE0));
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzInput input = splitFormByte(data, size);
    const QString text = decodeText(input.form, input.bytes);
    const std::optional<qint64> fen = ParsePriceFen(text);

    if (fen) {
        FUZZ_CHECK(*fen > 0 && *fen <= kMaxPriceFen);
        // Written out, a price reads back as itself, with or without a currency mark.
        const QString written = PriceText(*fen);
        FUZZ_CHECK(ParsePriceFen(written) == fen);
        FUZZ_CHECK(ParsePriceFen(QStringLiteral("¥") + written) == fen);
        FUZZ_CHECK(ParsePriceFen(written + QStringLiteral("元")) == fen);
        FUZZ_CHECK(!written.contains(QLatin1Char(',')));
    }
    // Without a digit there is no price.
    bool digit = false;
    for (QChar c : text)
        digit = digit || c.isDigit();
    if (!digit)
        FUZZ_CHECK(!fen);
    // A number in exponent notation is no price, whatever its size.
    static const QRegularExpression exponent(QStringLiteral("^\\s*[0-9]+(\\.[0-9]+)?[eE][+-]?[0-9]+\\s*$"));
    if (exponent.match(text).hasMatch())
        FUZZ_CHECK(!fen);
    // Full-width digits and signs read the same as ASCII ones.
    FUZZ_CHECK(ParsePriceFen(widened(text)) == fen);
    return 0;
}
