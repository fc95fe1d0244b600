#include "TBrowserPage.h"

#include "TBrowserHost.h"

namespace {
const QString kPopupMark = QStringLiteral("vanzu:popup-blocked ");
} // namespace

QString TBrowserPage::PopupWatchScript()
{
    return QStringLiteral(
            "(function () {"
            " var open = window.open, tell = console.info.bind(console);"
            " window.open = function (url) {"
            "  if (!navigator.userActivation.isActive)"
            "   tell('%1' + (url === undefined ? '' : String(url)));"
            "  return open.apply(this, arguments);"
            " };"
            "})();")
            .arg(kPopupMark);
}

TBrowserHost *TBrowserPage::host() const
{
    return m_host && !m_host->m_destroying ? m_host.data() : nullptr;
}

bool TBrowserPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (host() && m_host->isNoticeLink(type, isMainFrame)) {
        // Loaded the way the refresh button does it, once the engine's question is answered.
        QMetaObject::invokeMethod(host(), &TBrowserHost::ReloadDocument, Qt::QueuedConnection);
        return false;
    }
    return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
}

void TBrowserPage::javaScriptAlert(const QUrl &origin, const QString &msg)
{
    if (host())
        m_host->JavaScriptAlert(origin, msg);
}

bool TBrowserPage::javaScriptConfirm(const QUrl &origin, const QString &msg)
{
    return host() && m_host->JavaScriptConfirm(origin, msg);
}

bool TBrowserPage::javaScriptPrompt(const QUrl &origin, const QString &msg, const QString &defaultValue,
                                    QString *result)
{
    return host() && m_host->JavaScriptPrompt(origin, msg, defaultValue, result);
}

void TBrowserPage::javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message,
                                            int lineNumber, const QString &sourceID)
{
    if (!host())
        return;
    if (message.startsWith(kPopupMark)) {
        m_host->popupBlocked(url().resolved(QUrl(message.mid(kPopupMark.size()))));
        return;
    }
    m_host->JavaScriptConsoleMessage(level, message, lineNumber, sourceID);
}
