#include "TErrorPages.h"

#include "TabTextRules.h"

namespace {

// Chromium's network error codes that this program tells apart.
enum NetError : int {
    ErrTimedOut = -7,
    ErrAborted = -3,
    ErrConnectionClosed = -100,
    ErrConnectionReset = -101,
    ErrConnectionRefused = -102,
    ErrConnectionFailed = -104,
    ErrNameNotResolved = -105,
    ErrInternetDisconnected = -106,
    ErrAddressUnreachable = -109,
    ErrConnectionTimedOut = -118,
    ErrNameResolutionFailed = -137,
    ErrTooManyRedirects = -310,
};

bool serverUnreachable(QWebEngineLoadingInfo::ErrorDomain domain, int code)
{
    if (domain == QWebEngineLoadingInfo::DnsErrorDomain)
        return true;
    switch (code) {
    case ErrTimedOut:
    case ErrConnectionClosed:
    case ErrConnectionReset:
    case ErrConnectionRefused:
    case ErrConnectionFailed:
    case ErrNameNotResolved:
    case ErrInternetDisconnected:
    case ErrAddressUnreachable:
    case ErrConnectionTimedOut:
    case ErrNameResolutionFailed:
        return true;
    default:
        return false;
    }
}

} // namespace

bool ShowsErrorPage(QWebEngineLoadingInfo::ErrorDomain domain, int errorCode)
{
    switch (domain) {
    case QWebEngineLoadingInfo::NoErrorDomain:
    case QWebEngineLoadingInfo::HttpErrorDomain:
        return false;
    default:
        return errorCode != ErrAborted;
    }
}

TLoadFailure DescribeLoadFailure(QWebEngineLoadingInfo::ErrorDomain domain, int errorCode)
{
    if (serverUnreachable(domain, errorCode))
        return {kNotFoundCaption,
                QStringLiteral("无法连接到这个网址的服务器：网址可能有误，网站可能暂时无法访问，或者网络没有连通。")};
    if (domain == QWebEngineLoadingInfo::CertificateErrorDomain)
        return {QStringLiteral("网站的安全证书有问题"),
                QStringLiteral("这个网站出示的安全证书不可信，或者与网址不符。为了你的安全，网页没有打开。")};
    if (errorCode == ErrTooManyRedirects)
        return {QStringLiteral("网页重定向次数过多"),
                QStringLiteral("这个网页不断把浏览器转到别的地址，无法打开。清除网站的数据或稍后再试也许有用。")};
    return {QStringLiteral("无法打开网页"), QStringLiteral("打开这个网页时出错（错误代码 %1）。").arg(errorCode)};
}

QByteArray NoticePageHtml(const QString &title, const QString &message, const QUrl &address)
{
    const QString shown = QString::fromLatin1(address.toEncoded()).toHtmlEscaped();
    const bool retryable = address.scheme() == QLatin1String("http") || address.scheme() == QLatin1String("https");
    QString html = QStringLiteral(
                           "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title><style>"
                           "body{font-family:sans-serif;margin:48px;color:#333}h1{font-size:20px;color:#1d4f91}"
                           "p{font-size:14px;line-height:1.6}.address{word-break:break-all;color:#666}"
                           "</style></head><body><h1>%1</h1><p>%2</p><p class=\"address\">网址：%3</p>")
                           .arg(title.toHtmlEscaped(), message.toHtmlEscaped(), shown);
    if (retryable)
        html += QStringLiteral("<p><a id=\"retry\" href=\"%1\">重新加载</a></p>").arg(shown);
    html += QStringLiteral("</body></html>");
    return html.toUtf8();
}
