#pragma once

#include <QByteArray>
#include <QHash>
#include <QUrl>
#include <QWebEngineUrlSchemeHandler>

class QWebEngineProfile;

// Serves documents handed to a view as text when they are too large for the engine's data:
// address (Chromium caps addresses at 2 MiB, percent-encoded). A document lives as long as
// the view that loaded it, so going back to it or reloading it still works. Views report
// such a document's address as "about:blank".
class TDocumentScheme : public QWebEngineUrlSchemeHandler
{
    Q_OBJECT
public:
    static const QByteArray &schemeName();
    // Must run before the first web engine object exists; later calls change nothing.
    static void registerScheme();
    // The handler of `profile`, installed on first use.
    static TDocumentScheme *forProfile(QWebEngineProfile *profile);

    // Keeps `html` (bytes as they are, served as GBK HTML) until `owner` is destroyed.
    QUrl addDocument(QObject *owner, const QByteArray &html);
    static bool isDocumentUrl(const QUrl &url);

    void requestStarted(QWebEngineUrlRequestJob *job) override;

private:
    explicit TDocumentScheme(QObject *parent);

    QHash<QString, QByteArray> m_documents; // by path
    quint64 m_lastId = 0;
};
