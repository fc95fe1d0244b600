#include "TabTextRules.h"

#include "U_Pub.h"

QString TabCaptionFromTitle(const QString &title)
{
    QString caption = TrimControls(title);
    for (QChar &c : caption) {
        if (c >= QLatin1Char('A') && c <= QLatin1Char('Z'))
            c = QChar(c.unicode() + ('a' - 'A'));
    }
    if (caption == QLatin1String("about:blank"))
        return kBlankCaption;
    constexpr int kMaxCaption = 20;
    if (caption.size() >= kMaxCaption) {
        // Never cut a character in half: a surrogate pair stays whole or goes whole.
        qsizetype cut = kMaxCaption;
        if (caption.at(cut - 1).isHighSurrogate())
            --cut;
        caption = caption.left(cut) + QLatin1String("...");
    }
    return caption;
}

QString StatusPaneText(const QString &statusText)
{
    const qsizetype p = statusText.indexOf(QLatin1String("http"), 0, Qt::CaseSensitive);
    return p <= 0 ? QString() : statusText.left(p);
}

bool IsReusableCaption(const QString &caption)
{
    return caption == kDefaultCaption || caption == kBlankCaption || caption == kNotFoundCaption;
}
