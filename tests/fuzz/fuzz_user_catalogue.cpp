// The user's shop file merged into the built-in catalogue, any text. Input: form byte, text.

#include "FuzzSupport.h"
#include "TShopCatalogue.h"
#include "TUserCatalogue.h"
#include "U_Pub.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static const QList<TShopEntry> builtIn = ReadShopCatalogue(LoadBuiltInShopCatalogueText());
    FUZZ_CHECK(!builtIn.isEmpty());
    const FuzzInput input = splitFormByte(data, size);
    const QString text = decodeText(input.form, input.bytes);

    const TUserCatalogue user = TUserCatalogue::Parse(text, builtIn);
    const QString mergedText = user.MergedWith(builtIn);
    const QList<TShopEntry> merged = ReadShopCatalogue(mergedText);

    // The same file gives the same catalogue.
    FUZZ_CHECK(TUserCatalogue::Parse(text, builtIn).MergedWith(builtIn) == mergedText);
    auto has = [&merged](const QString &name, bool category) {
        return std::any_of(merged.cbegin(), merged.cend(), [&](const TShopEntry &e) {
            return e.IsCategory == category && SameText(e.Name, name);
        });
    };
    // Every built-in category stays; a hidden shop is gone.
    for (const TShopEntry &entry : builtIn) {
        if (entry.IsCategory)
            FUZZ_CHECK(has(entry.Name, true));
    }
    for (const TUserCatalogue::Shop &change : user.Changes) {
        if (change.Template.isEmpty())
            FUZZ_CHECK(!has(change.Name, false));
    }
    TUserCatalogue editable = user; // CategoryOfAdded hands out a category to change
    // Every template the user gave passes the one address check, and no name breaks a line.
    for (const TShopEntry &entry : merged) {
        FUZZ_CHECK(!entry.Name.contains(QLatin1Char('\t')) && !entry.Name.contains(QLatin1Char('\n')));
        const bool fromUser = user.ChangeOf(entry.Name) || editable.CategoryOfAdded(entry.Name);
        if (!entry.IsCategory && fromUser)
            FUZZ_CHECK(ShopTemplateProblem(entry.Value).isEmpty());
    }
    return 0;
}
