// The shop sets file, any text. Input: form byte, text.

#include "FuzzSupport.h"
#include "TShopSets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzInput input = splitFormByte(data, size);
    const QString text = decodeText(input.form, input.bytes);
    const QList<TShopSet> sets = ParseShopSets(text);
    for (const TShopSet &set : sets) {
        FUZZ_CHECK(!set.Name.isEmpty() && set.Name == referenceTrim(set.Name));
        FUZZ_CHECK(!set.Name.contains(QLatin1Char('\t')) && !set.Name.contains(QLatin1Char('\n')));
        for (const QString &shop : set.Shops) {
            FUZZ_CHECK(!shop.isEmpty() && shop == referenceTrim(shop));
            FUZZ_CHECK(!shop.contains(QLatin1Char(';')) && !shop.contains(QLatin1Char('\n')));
        }
    }
    // Written and read again, the sets are what they were.
    const QList<TShopSet> again = ParseShopSets(ShopSetsText(sets));
    FUZZ_CHECK(again.size() == sets.size());
    for (qsizetype i = 0; i < sets.size(); ++i)
        FUZZ_CHECK(again.at(i).Name == sets.at(i).Name && again.at(i).Shops == sets.at(i).Shops);
    return 0;
}
