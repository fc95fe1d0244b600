// UrlFormEncode on any bytes, and the GBK codec that feeds it.

#include "FuzzSupport.h"
#include "U_Pub.h"

#include <cstring>

namespace {

// The bytes that pass unchanged, written out rather than derived from the code under test.
constexpr char kSafe[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!$'()*-.@_";

bool isSafe(char byte)
{
    return std::memchr(kSafe, byte, sizeof(kSafe) - 1) != nullptr;
}

int hexValue(char16_t c)
{
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'A' && c <= u'F')
        return c - u'A' + 10;
    return -1; // lower-case digits are not what the encoding writes
}

// Undoes the form encoding; false when the text is not well-formed encoding.
bool formDecode(const QString &encoded, QByteArray &decoded)
{
    decoded.clear();
    for (qsizetype i = 0; i < encoded.size(); ++i) {
        const char16_t c = encoded.at(i).unicode();
        if (c == u'+') {
            decoded.append(' ');
        } else if (c == u'%') {
            if (i + 2 >= encoded.size())
                return false;
            const int high = hexValue(encoded.at(i + 1).unicode());
            const int low = hexValue(encoded.at(i + 2).unicode());
            if (high < 0 || low < 0)
                return false;
            const char byte = char((high << 4) | low);
            // A byte written as %XX must be one that could not have stood as it is.
            if (byte == ' ' || isSafe(byte))
                return false;
            decoded.append(byte);
            i += 2;
        } else if (c < 0x80 && isSafe(char(c))) {
            decoded.append(char(c));
        } else {
            return false;
        }
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static_assert(sizeof(kSafe) - 1 == 72, "72 byte values pass unchanged");
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    const qsizetype nul = bytes.indexOf('\0');
    const QByteArray input = nul < 0 ? bytes : bytes.left(nul);

    const QString encoded = UrlFormEncode(bytes);
    FUZZ_CHECK(encoded.size() <= 3 * input.size());
    for (const QChar c : encoded)
        FUZZ_CHECK(c.unicode() > 0x20 && c.unicode() < 0x7F);
    QByteArray decoded;
    FUZZ_CHECK(formDecode(encoded, decoded));
    FUZZ_CHECK(decoded == input);

    // The codec behind "{?kg}": GBK text read by FromGbk, and any UTF-8 text, make the round
    // trip through the GBK byte form unchanged (GB18030 holds every character).
    const QString fromGbk = FromGbk(bytes);
    FUZZ_CHECK(FromGbk(ToGbk(fromGbk)) == fromGbk);
    const QString fromUtf8 = QString::fromUtf8(bytes);
    FUZZ_CHECK(FromGbk(ToGbk(fromUtf8)) == fromUtf8);
    return 0;
}
