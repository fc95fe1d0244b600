// TTextList: filling from text, reading as text, and the name/value look-up.
// Input: form byte, separator byte (as a Latin-1 character), text.

#include "FuzzSupport.h"
#include "U_Pub.h"

#include <QStringList>

namespace {

// Lines looked up by name are capped so that long inputs stay fast (the look-up is linear).
constexpr int kMaxLookups = 64;

QString flipAsciiCase(QString text)
{
    for (QChar &c : text) {
        if (c >= QLatin1Char('a') && c <= QLatin1Char('z'))
            c = QChar(c.unicode() - 0x20);
        else if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 0x20);
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzInput input = splitFormByte(data, size);
    if (input.bytes.isEmpty())
        return 0;
    const QChar separator = QLatin1Char(input.bytes.at(0));
    const QString text = decodeText(input.form, input.bytes.mid(1));

    TTextList list(separator);
    list.append(QStringLiteral("left over")); // filling from text discards what was there
    list.setText(text);
    const QStringList expected = referenceLines(text);
    FUZZ_CHECK(list.lines() == expected);
    FUZZ_CHECK(list.count() == expected.size());
    for (const QString &line : list.lines()) {
        FUZZ_CHECK(!line.contains(QLatin1Char('\r')) && !line.contains(QLatin1Char('\n')));
        FUZZ_CHECK(!line.contains(QChar(0)));
    }

    // As text: CR LF after every line, and reading that back gives the same lines.
    const QString asText = list.text();
    FUZZ_CHECK(asText == (expected.isEmpty() ? QString() : expected.join(QLatin1String("\r\n")) + QLatin1String("\r\n")));
    TTextList again(separator);
    again.setText(asText);
    FUZZ_CHECK(again.lines() == list.lines());
    FUZZ_CHECK(again.text() == asText);

    for (int i = 0; i < list.count() && i < kMaxLookups; ++i) {
        const QString &line = list.at(i);
        const qsizetype p = line.indexOf(separator);
        if (p < 0) {
            FUZZ_CHECK(list.name(i).isEmpty() && list.valueFromIndex(i).isEmpty());
            continue;
        }
        const QString name = list.name(i);
        FUZZ_CHECK(name == line.left(p) && !name.contains(separator));
        FUZZ_CHECK(name + separator + list.valueFromIndex(i) == line);

        // The first line with the separator and that name (any case) gives the value; line i
        // itself qualifies, so the match is never further down.
        int first = 0;
        for (; first <= i; ++first) {
            if (list.at(first).contains(separator)
                && list.name(first).compare(name, Qt::CaseInsensitive) == 0)
                break;
        }
        FUZZ_CHECK(first <= i);
        FUZZ_CHECK(list.value(name) == list.valueFromIndex(first));
        FUZZ_CHECK(list.value(flipAsciiCase(name)) == list.valueFromIndex(first));
        // No name holds the separator, so such a name is never found (unless the separator
        // is a letter, whose other case a name may hold).
        if (!separator.isLetter())
            FUZZ_CHECK(list.value(name + separator).isEmpty());
    }
    return 0;
}
