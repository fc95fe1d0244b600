#pragma once

#include <QString>

// The captions a tab shows of itself: while its page loads, on the start page, on a blank page,
// and when the server of its address cannot be found (the title of that error page).
inline const QString kLoadingCaption = QStringLiteral("加载中...");
inline const QString kDefaultCaption = QStringLiteral("默认");
inline const QString kBlankCaption = QStringLiteral("空白页");
inline const QString kNotFoundCaption = QStringLiteral("找不到服务器");

// A tab with this caption shows nothing worth keeping (the start page, a blank page, a server
// that was not found): the next address opened goes into it instead of a new tab.
bool IsReusableCaption(const QString &caption);

// The tab caption for a page title: blanks and control characters around it removed, A-Z in
// lower case, "about:blank" shown as "空白页", 20 characters or more cut to 20 plus "...".
QString TabCaptionFromTitle(const QString &title);

// What the status pane shows of a status text: the part before the first "http".
QString StatusPaneText(const QString &statusText);
