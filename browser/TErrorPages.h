#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>
#include <QWebEngineLoadingInfo>

// The program's own pages for a load that failed and for a page whose renderer crashed, in
// place of the engine's English ones. A page names the address and offers "重新加载", a link
// that tries the address again.

// What the user is told about a failed load. `title` is the page's title: "找不到服务器" when
// the server cannot be reached at all, so that the tab is reused like any such tab.
struct TLoadFailure
{
    QString title;
    QString message;
};

// Whether a failed load gets an error page: not for a load that was stopped or replaced, nor
// for an answer of the server itself (its own error page is what it sent).
bool ShowsErrorPage(QWebEngineLoadingInfo::ErrorDomain domain, int errorCode);
TLoadFailure DescribeLoadFailure(QWebEngineLoadingInfo::ErrorDomain domain, int errorCode);

// The page as UTF-8 HTML. Every text in it, the address included, is escaped.
QByteArray NoticePageHtml(const QString &title, const QString &message, const QUrl &address);
