// SplitSelection on any selection text. Input: form byte, text.

#include "FuzzSupport.h"
#include "U_Pub.h"

#include <QStringList>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzInput input = splitFormByte(data, size);
    const QString selection = decodeText(input.form, input.bytes);

    TTextList list;
    list.append(QStringLiteral("left over"));
    SplitSelection(selection, list);

    QString pieces = selection.left(selection.indexOf(QChar(0))); // whole text when no NUL
    pieces.replace(QLatin1Char(';'), QLatin1Char('\n'));
    FUZZ_CHECK(list.lines() == referenceLines(pieces));
    for (const QString &name : list.lines()) {
        FUZZ_CHECK(!name.contains(QLatin1Char(';')));
        FUZZ_CHECK(!name.contains(QLatin1Char('\r')) && !name.contains(QLatin1Char('\n')));
    }

    // Joined with ";" the names give the selection back, once every break (";", CR, LF or
    // CR LF) is written as ";" and one trailing break is dropped. A ";" becomes a LF before
    // the text is cut, so CR followed by ";" is a single break.
    pieces.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    pieces.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    FUZZ_CHECK(list.isEmpty() == pieces.isEmpty());
    if (pieces.endsWith(QLatin1Char('\n')))
        pieces.chop(1);
    pieces.replace(QLatin1Char('\n'), QLatin1Char(';'));
    FUZZ_CHECK(list.lines().join(QLatin1Char(';')) == pieces);
    return 0;
}
