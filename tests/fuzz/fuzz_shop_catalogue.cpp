// The catalogue reader and the template look-up on any catalogue text. Input: form byte, text.

#include "FuzzSupport.h"
#include "TShopCatalogue.h"

#include <QStringList>

namespace {

constexpr int kMaxLookups = 8; // each look-up reads the whole catalogue again

const QChar kTab = QLatin1Char('\t');

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzInput input = splitFormByte(data, size);
    const QString text = decodeText(input.form, input.bytes);

    const QList<TShopEntry> entries = ReadShopCatalogue(text);
    const QStringList lines = referenceLines(text);

    // One entry per line that holds more than blanks and control characters, in order, cut
    // at the first TAB and kept untrimmed.
    qsizetype e = 0;
    for (const QString &line : lines) {
        if (referenceTrim(line).isEmpty())
            continue;
        FUZZ_CHECK(e < entries.size());
        const TShopEntry &entry = entries.at(e++);
        const qsizetype tab = line.indexOf(kTab);
        if (tab < 0) {
            FUZZ_CHECK(entry.Name.isEmpty() && entry.Value.isEmpty());
        } else {
            FUZZ_CHECK(entry.Name == line.left(tab));
            FUZZ_CHECK(entry.Value == line.mid(tab + 1));
        }
        FUZZ_CHECK(entry.IsCategory == (entry.Value == QLatin1String("$")));
    }
    FUZZ_CHECK(e == entries.size());

    // A name finds the value of the first line (skipped blank ones included) that holds a TAB
    // and bears that name in any letter case.
    for (qsizetype i = 0; i < entries.size() && i < kMaxLookups; ++i) {
        const QString &name = entries.at(i).Name;
        QString expected;
        for (const QString &line : lines) {
            const qsizetype tab = line.indexOf(kTab);
            if (tab >= 0 && QStringView(line).left(tab).compare(name, Qt::CaseInsensitive) == 0) {
                expected = line.mid(tab + 1);
                break;
            }
        }
        FUZZ_CHECK(ShopSearchTemplate(text, name) == expected);
    }
    return 0;
}
