// The tab caption for any page title, and the status pane text for any status text.
// Input: form byte, text.

#include "FuzzSupport.h"
#include "TabTextRules.h"

namespace {

QString lowerAscii(QString text)
{
    for (QChar &c : text) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + 0x20);
    }
    return text;
}

void checkCaption(const QString &title)
{
    const QString caption = TabCaptionFromTitle(title);
    const QString t = lowerAscii(referenceTrim(title));
    FUZZ_CHECK(caption.size() <= 23);

    if (t == QLatin1String("about:blank")) {
        FUZZ_CHECK(caption == QStringLiteral("空白页"));
    } else if (t.size() < 20) {
        FUZZ_CHECK(caption == t);
    } else {
        FUZZ_CHECK(caption.endsWith(QLatin1String("...")));
        const QString kept = caption.chopped(3);
        FUZZ_CHECK(t.startsWith(kept));
        // 20 units, or 19 when the 20th would split a surrogate pair.
        FUZZ_CHECK(kept.size() == 20 || (kept.size() == 19 && t.at(19).isHighSurrogate()));
        // Cutting never leaves half of a pair behind: a lone surrogate in the caption was
        // already lone in the title.
        for (qsizetype i = 0; i < kept.size(); ++i)
            FUZZ_CHECK(!isLoneSurrogate(kept, i) || isLoneSurrogate(t, i));
    }

    // A caption read as a title again is taken as it is, except after a pair was kept whole
    // (19 units): one more "." then comes inside the cut, and from there it stays.
    const QString twice = TabCaptionFromTitle(caption);
    if (caption.size() != 22)
        FUZZ_CHECK(twice == caption);
    FUZZ_CHECK(TabCaptionFromTitle(twice) == twice);
}

void checkStatus(const QString &statusText)
{
    const QString shown = StatusPaneText(statusText);
    FUZZ_CHECK(statusText.startsWith(shown));
    FUZZ_CHECK(!shown.contains(QLatin1String("http")));
    // Text shows only when an "http" follows it; none, or one at the start, empties the pane.
    if (!shown.isEmpty())
        FUZZ_CHECK(QStringView(statusText).mid(shown.size()).startsWith(QLatin1String("http")));
    const qsizetype http = statusText.indexOf(QLatin1String("http"));
    FUZZ_CHECK(shown.isEmpty() == (http <= 0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const FuzzInput input = splitFormByte(data, size);
    const QString text = decodeText(input.form, input.bytes);
    checkCaption(text);
    checkStatus(text);
    return 0;
}
