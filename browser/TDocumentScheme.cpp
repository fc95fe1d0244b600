#include "TDocumentScheme.h"

#include <QBuffer>
#include <QWebEngineProfile>
#include <QWebEngineUrlRequestJob>
#include <QWebEngineUrlScheme>

const QByteArray &TDocumentScheme::schemeName()
{
    static const QByteArray name = QByteArrayLiteral("vanzu-doc");
    return name;
}

void TDocumentScheme::registerScheme()
{
    if (QWebEngineUrlScheme::schemeByName(schemeName()).name() == schemeName())
        return;
    QWebEngineUrlScheme scheme(schemeName());
    scheme.setSyntax(QWebEngineUrlScheme::Syntax::Path);
    // Local: web pages can neither link to nor load these documents.
    scheme.setFlags(QWebEngineUrlScheme::LocalScheme);
    QWebEngineUrlScheme::registerScheme(scheme);
}

TDocumentScheme *TDocumentScheme::forProfile(QWebEngineProfile *profile)
{
    if (auto *installed = const_cast<QWebEngineUrlSchemeHandler *>(profile->urlSchemeHandler(schemeName())))
        return static_cast<TDocumentScheme *>(installed);
    auto *handler = new TDocumentScheme(profile);
    profile->installUrlSchemeHandler(schemeName(), handler);
    return handler;
}

TDocumentScheme::TDocumentScheme(QObject *parent) : QWebEngineUrlSchemeHandler(parent) { }

QUrl TDocumentScheme::addDocument(QObject *owner, const QByteArray &html)
{
    const QString path = QLatin1Char('/') + QString::number(++m_lastId);
    m_documents.insert(path, html);
    connect(owner, &QObject::destroyed, this, [this, path] { m_documents.remove(path); });
    QUrl url;
    url.setScheme(QString::fromLatin1(schemeName()));
    url.setPath(path);
    return url;
}

bool TDocumentScheme::isDocumentUrl(const QUrl &url)
{
    return url.scheme() == QLatin1String(schemeName());
}

void TDocumentScheme::requestStarted(QWebEngineUrlRequestJob *job)
{
    const auto found = m_documents.constFind(job->requestUrl().path());
    if (found == m_documents.constEnd()) {
        job->fail(QWebEngineUrlRequestJob::UrlNotFound);
        return;
    }
    auto *body = new QBuffer(job);
    body->setData(found.value());
    body->open(QIODevice::ReadOnly);
    job->reply(QByteArrayLiteral("text/html;charset=GBK"), body);
}
