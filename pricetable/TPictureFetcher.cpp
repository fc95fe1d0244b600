#include "TPictureFetcher.h"

#include <QImageReader>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {
// Lives in the fetcher's thread, and so does its network access manager.
class PictureWorker : public QObject
{
    Q_OBJECT
public:
    explicit PictureWorker(const QSize &size) : m_size(size) { }

    void Fetch(const QUrl &address)
    {
        if (!m_network)
            m_network = new QNetworkAccessManager(this);
        QNetworkRequest request(address);
        request.setTransferTimeout(TPictureFetcher::TimeoutMs);
        QNetworkReply *reply = m_network->get(request);
        connect(reply, &QNetworkReply::downloadProgress, reply, [reply](qint64 received) {
            if (received > TPictureFetcher::MaxBytes)
                reply->abort();
        });
        connect(reply, &QNetworkReply::finished, this, [this, reply, address] {
            reply->deleteLater();
            // A body that came in one piece is past the progress check: it is measured here.
            if (reply->error() != QNetworkReply::NoError || reply->bytesAvailable() > TPictureFetcher::MaxBytes)
                return;
            QImageReader reader(reply);
            reader.setAllocationLimit(64); // MB: a page's picture may claim any size
            const QImage image = reader.read();
            if (!image.isNull())
                emit fetched(address, image.scaled(m_size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
        });
    }

signals:
    void fetched(const QUrl &address, const QImage &picture);

private:
    QSize m_size;
    QNetworkAccessManager *m_network = nullptr;
};
} // namespace

TPictureFetcher::TPictureFetcher(const QSize &size, QObject *parent)
    : QObject(parent), m_worker(new PictureWorker(size))
{
    m_thread.setObjectName(QStringLiteral("PictureFetcher"));
    m_worker->moveToThread(&m_thread);
    connect(&m_thread, &QThread::finished, m_worker, &QObject::deleteLater);
    connect(static_cast<PictureWorker *>(m_worker), &PictureWorker::fetched, this, &TPictureFetcher::fetched);
    m_thread.start();
}

TPictureFetcher::~TPictureFetcher()
{
    m_thread.quit();
    m_thread.wait();
}

void TPictureFetcher::Fetch(const QUrl &address)
{
    auto *worker = static_cast<PictureWorker *>(m_worker);
    QMetaObject::invokeMethod(worker, [worker, address] { worker->Fetch(address); }, Qt::QueuedConnection);
}

#include "TPictureFetcher.moc"
