#include "TestHttpServer.h"

#include <QFile>
#include <QPointer>
#include <QSslCertificate>
#include <QSslConfiguration>
#include <QSslKey>
#include <QTcpSocket>
#include <QTimer>

TestHttpServer::TestHttpServer(QObject *parent) : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &TestHttpServer::onNewConnection);
    m_pump.setInterval(kTickMs);
    connect(&m_pump, &QTimer::timeout, this, &TestHttpServer::pumpTransfers);
}

bool TestHttpServer::listen(quint16 port)
{
    return m_server.listen(QHostAddress::LocalHost, port);
}

QByteArray TestHttpServer::baseUrl() const
{
    return "http://127.0.0.1:" + QByteArray::number(port());
}

void TestHttpServer::setPage(const QByteArray &path, const QByteArray &body,
                             const QByteArray &contentType, int delayMs)
{
    Reply reply;
    reply.body = body;
    reply.contentType = contentType;
    reply.delayMs = delayMs;
    m_pages.insert(path, reply);
}

QList<QByteArray> TestHttpServer::requestTargets() const
{
    QList<QByteArray> targets;
    for (const QByteArray &line : m_requestLines) {
        const QList<QByteArray> parts = line.split(' ');
        targets.append(parts.size() >= 2 ? parts.at(1) : QByteArray());
    }
    return targets;
}

void TestHttpServer::clearRequests()
{
    m_requestLines.clear();
    m_hosts.clear();
}

void TestHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        auto buffer = std::make_shared<QByteArray>();
        connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket, buffer] {
            buffer->append(socket->readAll());
            const qsizetype headerEnd = buffer->indexOf("\r\n\r\n");
            if (headerEnd < 0 || socket->property("answered").toBool())
                return;
            socket->setProperty("answered", true);
            const QList<QByteArray> headerLines = buffer->left(headerEnd).split('\n');
            const QByteArray requestLine = headerLines.value(0).trimmed();
            QByteArray host;
            for (const QByteArray &line : headerLines) {
                if (line.toLower().startsWith("host:"))
                    host = line.mid(5).trimmed();
            }
            const QByteArray target = requestLine.split(' ').value(1);
            const QByteArray path = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
            m_requestLines.append(requestLine);
            m_hosts.append(host);
            emit requestReceived(target, host);

            Reply reply;
            const QString file = m_pageFolder + QLatin1Char('/') + QString::fromUtf8(path.mid(1)) + ".html";
            if (m_pages.contains(path))
                reply = m_pages.value(path);
            else if (!m_pageFolder.isEmpty() && QFile::exists(QStringLiteral(VANZU_TEST_PAGES "/") + file))
                reply.body = TestPage(file);
            else if (m_fallback)
                reply = m_fallback(target, host);
            else
                reply.status = 404, reply.body = "<html><head><title>404</title></head><body>not found</body></html>";

            QByteArray response = "HTTP/1.0 " + QByteArray::number(reply.status)
                + (reply.status == 200 ? " OK" : " Error") + "\r\nContent-Type: " + reply.contentType
                + "\r\nContent-Length: " + QByteArray::number(reply.body.size())
                + "\r\nCache-Control: no-store\r\nConnection: close\r\n" + reply.headers + "\r\n"
                + (reply.sendOnly < 0 ? reply.body : reply.body.left(reply.sendOnly));
            QPointer<QTcpSocket> guard(socket);
            const bool holdOpen = reply.holdOpen;
            const qint64 rate = reply.bytesPerSecond;
            auto send = [this, guard, response, holdOpen, rate] {
                if (!guard)
                    return;
                if (rate <= 0 && m_lineRate <= 0) {
                    guard->write(response);
                    if (!holdOpen)
                        guard->disconnectFromHost();
                    return;
                }
                m_transfers.append({guard, response, 0, rate, holdOpen});
                if (!m_pump.isActive())
                    m_pump.start();
            };
            if (reply.delayMs > 0)
                QTimer::singleShot(reply.delayMs, this, send);
            else
                send();
        });
    }
}

void TestHttpServer::setLineBytesPerSecond(qint64 rate)
{
    m_lineRate = rate;
}

void TestHttpServer::pumpTransfers()
{
    // Each tick the line carries its share, divided evenly among the transfers under way; a
    // connection also never carries more than its own rate, nor more than a tick's worth waits
    // in its socket.
    const qint64 tickBytes = m_lineRate > 0 ? qMax<qint64>(1, m_lineRate * kTickMs / 1000) : -1;
    qint64 budget = tickBytes;
    for (Transfer &t : m_transfers)
        t.tickSent = 0;
    for (int pass = 0; pass < 2 && budget != 0; ++pass) {
        int waiting = 0;
        for (const Transfer &t : std::as_const(m_transfers))
            waiting += t.socket && t.sent < t.response.size();
        if (waiting == 0)
            break;
        const qint64 share = budget < 0 ? -1 : qMax<qint64>(1, budget / waiting);
        for (Transfer &t : m_transfers) {
            if (!t.socket || t.sent >= t.response.size())
                continue;
            const qint64 own = t.rate > 0 ? qMax<qint64>(1, t.rate * kTickMs / 1000) : -1;
            qint64 slice = t.response.size() - t.sent;
            if (own >= 0)
                slice = qMin(slice, own - t.tickSent);
            if (share >= 0)
                slice = qMin(slice, share);
            if (slice <= 0 || t.socket->bytesToWrite() > qMax<qint64>(slice, own))
                continue;
            t.socket->write(t.response.mid(t.sent, slice));
            t.sent += slice;
            t.tickSent += slice;
            if (budget > 0)
                budget = qMax<qint64>(0, budget - slice);
        }
        if (budget < 0)
            break; // no line: one pass at each connection's own rate
    }
    for (int i = int(m_transfers.size()) - 1; i >= 0; --i) {
        Transfer &t = m_transfers[i];
        if (t.socket && t.sent < t.response.size())
            continue;
        if (t.socket && !t.holdOpen)
            t.socket->disconnectFromHost();
        m_transfers.removeAt(i);
    }
    if (m_transfers.isEmpty())
        m_pump.stop();
}

QByteArray testPage(const QString &title, const QString &body)
{
    return QStringLiteral("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>%1</title></head>"
                          "<body>%2</body></html>")
        .arg(title, body)
        .toUtf8();
}

QByteArray TestPage(const QString &path)
{
    QFile file(QStringLiteral(VANZU_TEST_PAGES "/") + path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TestHttpServer::Reply hostTitledPage(const QByteArray &target, const QByteArray &host)
{
    TestHttpServer::Reply reply;
    reply.body = testPage(QString::fromLatin1(host), QString::fromLatin1(target).toHtmlEscaped());
    return reply;
}

void routeAllHostsTo(quint16 port)
{
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS",
            "--host-resolver-rules=\"MAP * 127.0.0.1:" + QByteArray::number(port) + "\"");
}

QSslConfiguration untrustedTlsConfiguration()
{
    auto read = [](const char *name) {
        QFile file(QStringLiteral(VANZU_TEST_SUPPORT_DIR "/") + QLatin1String(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    QSslConfiguration configuration = QSslConfiguration::defaultConfiguration();
    configuration.setLocalCertificate(QSslCertificate(read("test-tls-cert.pem")));
    configuration.setPrivateKey(QSslKey(read("test-tls-key.pem"), QSsl::Rsa));
    return configuration;
}
