#pragma once

#include <QString>

// The tab caption for a page title: blanks and control characters around it removed, A-Z in
// lower case, "about:blank" shown as "空白页", 20 characters or more cut to 20 plus "...".
QString TabCaptionFromTitle(const QString &title);

// What the status pane shows of a status text: the part before the first "http".
QString StatusPaneText(const QString &statusText);
