#pragma once

#include <QPointer>
#include <QWebEnginePage>

class TBrowserHost;

// The engine's page of a TBrowserHost; passes the engine's call-backs on to its host.
class TBrowserPage : public QWebEnginePage
{
public:
    TBrowserPage(TBrowserHost *host, QObject *parent) : QWebEnginePage(parent), m_host(host) { }

    // Run in every document before the page's own scripts. The engine refuses a window that a
    // script opens without the user's click, and says nothing about it; this script tells the
    // page (and so its host) through the console. A page can only fake the news or hide it,
    // never open a window by it.
    static QString PopupWatchScript();

    // The engine's own answers, for a host that leaves a call-back to the engine.
    void engineAlert(const QUrl &origin, const QString &msg) { QWebEnginePage::javaScriptAlert(origin, msg); }
    bool engineConfirm(const QUrl &origin, const QString &msg) { return QWebEnginePage::javaScriptConfirm(origin, msg); }
    bool enginePrompt(const QUrl &origin, const QString &msg, const QString &defaultValue, QString *result)
    {
        return QWebEnginePage::javaScriptPrompt(origin, msg, defaultValue, result);
    }

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    void javaScriptAlert(const QUrl &origin, const QString &msg) override;
    bool javaScriptConfirm(const QUrl &origin, const QString &msg) override;
    bool javaScriptPrompt(const QUrl &origin, const QString &msg, const QString &defaultValue,
                          QString *result) override;
    void javaScriptConsoleMessage(JavaScriptConsoleMessageLevel level, const QString &message, int lineNumber,
                                  const QString &sourceID) override;

private:
    // The host, while it is there to be told: a page whose host has gone waits for its own end.
    TBrowserHost *host() const;

    QPointer<TBrowserHost> m_host; // owns this page through the engine view
};
