#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTimer>
#include <functional>

// A small HTTP/1.0 server on 127.0.0.1 for the tests. It answers from a table of paths, records
// every request line exactly as the bytes arrived, and closes each connection after answering.
class TestHttpServer : public QObject
{
    Q_OBJECT
public:
    struct Reply
    {
        int status = 200;
        QByteArray contentType = "text/html; charset=utf-8";
        QByteArray body;
        int delayMs = 0; // answer only after this long (pages that stay loading for a while)
        QByteArray headers; // further header lines, each ending in "\r\n"
        // Only this many bytes of the body go out (the length still announces all of it); then
        // the connection closes, or stays open for good with holdOpen.
        qsizetype sendOnly = -1;
        bool holdOpen = false;
        // At most this many bytes a second go out on the connection (0: as fast as it takes
        // them), as over a real network.
        qint64 bytesPerSecond = 0;
    };
    // A handler sees the request target (path and query, raw bytes) and the Host header.
    using Handler = std::function<Reply(const QByteArray &target, const QByteArray &host)>;

    explicit TestHttpServer(QObject *parent = nullptr);

    bool listen(quint16 port = 0); // 0: the system picks a free port
    quint16 port() const { return m_server.serverPort(); }
    QByteArray baseUrl() const; // "http://127.0.0.1:<port>"

    // Serve `body` for requests whose path (without the query) equals `path`.
    void setPage(const QByteArray &path, const QByteArray &body,
                 const QByteArray &contentType = "text/html; charset=utf-8", int delayMs = 0);
    void setReply(const QByteArray &path, const Reply &reply) { m_pages.insert(path, reply); }
    // Requests for "/name" that no page matches get the file "name.html" of this folder of
    // tests/pages, when there is one.
    void servePages(const QString &folder) { m_pageFolder = folder; }
    // Used for every request that no page or file matches; without it such requests get 404.
    void setFallback(Handler handler) { m_fallback = std::move(handler); }

    // A line shared by every connection, as a home's is: at most `rate` bytes a second in all
    // (0: no line, each connection only at its own rate).
    void setLineBytesPerSecond(qint64 rate);

    QList<QByteArray> requestLines() const { return m_requestLines; } // "GET /x?y HTTP/1.1"
    QList<QByteArray> requestTargets() const; // just the "/x?y" part of each line
    QList<QByteArray> requestHosts() const { return m_hosts; }
    void clearRequests();

signals:
    void requestReceived(const QByteArray &target, const QByteArray &host);

private:
    void onNewConnection();
    void pumpTransfers();

    static constexpr int kTickMs = 10;
    struct Transfer
    {
        QPointer<QTcpSocket> socket;
        QByteArray response;
        qint64 sent = 0;
        qint64 rate = 0; // the connection's own, bytes a second; 0 for none
        bool holdOpen = false;
        qint64 tickSent = 0;
    };
    QList<Transfer> m_transfers; // responses paced by a rate or the line
    QTimer m_pump;
    qint64 m_lineRate = 0;

    QTcpServer m_server;
    QHash<QByteArray, Reply> m_pages;
    QString m_pageFolder;
    Handler m_fallback;
    QList<QByteArray> m_requestLines;
    QList<QByteArray> m_hosts;
};

// A simple HTML page with the given title and body markup, as UTF-8 bytes.
QByteArray testPage(const QString &title, const QString &body = QString());

// The bytes of a file under tests/pages, named as "folder/name.html"; empty when there is none.
QByteArray TestPage(const QString &path);

// A fallback that answers every request with a page titled after its host, showing the target.
TestHttpServer::Reply hostTitledPage(const QByteArray &target, const QByteArray &host);

// A server certificate that no browser trusts (self-signed, for "vanzu-test.invalid"), with its
// key: a TLS server with it makes the engine fail with a certificate error.
class QSslConfiguration;
QSslConfiguration untrustedTlsConfiguration();

// Sends every host the web engine looks up to this port on 127.0.0.1. Call it before the first
// web view exists: the engine reads the setting when it starts. The server sees the original
// Host header.
void routeAllHostsTo(quint16 port);
