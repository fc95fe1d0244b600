#include "TPageReader.h"

#include "TBrowserHost.h"
#include "TPageLifecycle.h"

#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

namespace {
constexpr int kPollMs = 150;

// Notes the time of the document's last change, in the program's script world.
const char kWatchChanges[] = R"((function () {
    if (window.__vanzuLastChange === undefined) {
        window.__vanzuLastChange = Date.now();
        new MutationObserver(function () { window.__vanzuLastChange = Date.now(); })
            .observe(document, { childList: true, subtree: true, characterData: true });
    }
    return [Date.now() - window.__vanzuLastChange, window.__vanzuLastChange];
})())";
} // namespace

TPageReader::TPageReader(
    TBrowserHost *view, std::function<QString(const QUrl &)> script, QObject *parent, Mode mode)
    : QObject(parent), m_view(view), m_script(std::move(script))
{
    m_poll.setInterval(kPollMs);
    connect(&m_poll, &QTimer::timeout, this, &TPageReader::poll);
    m_timeout.setSingleShot(true);
    connect(&m_timeout, &QTimer::timeout, this, [this] {
        if (!m_readOnce) {
            fail(TimedOut);
        } else if (!m_done) {
            finish();
            emit done();
        }
    });
    const bool standing = mode == Now && view && !view->Busy() && view->EngineView();
    if (!view || (!view->Busy() && !standing)) {
        QMetaObject::invokeMethod(
            this, [this] { fail(LoadFailed); }, Qt::QueuedConnection);
        return;
    }
    if (standing) {
        // As though its load had just ended.
        QMetaObject::invokeMethod(
            this,
            [this] {
                if (m_view && !m_view->Busy())
                    onBusyChanged(false);
            },
            Qt::QueuedConnection);
    }
    connect(view, &TBrowserHost::busyChanged, this, &TPageReader::onBusyChanged);
    // By the time QObject reports its destruction, the view is a TBrowserHost no more: it is
    // let go of, not touched.
    connect(view, &QObject::destroyed, this, [this] {
        m_view = nullptr;
        fail(LoadFailed);
    });
}

TPageReader::~TPageReader()
{
    finish();
}

void TPageReader::onBusyChanged(bool busy)
{
    if (m_done)
        return;
    if (busy) {
        // Busy again while the results page is being read: the view has gone on to another page,
        // or the load failed after all and the program's error page is on its way.
        if (m_page) {
            m_poll.stop();
            m_timeout.stop();
            QMetaObject::invokeMethod(
                this, [this] { fail(m_view && m_view->ShowsNotice() ? LoadFailed : Left); },
                Qt::QueuedConnection);
        }
        return;
    }
    if (m_view->ShowsNotice() || !m_view->EngineView()) {
        fail(LoadFailed);
        return;
    }
    QWebEnginePage *page = m_view->EngineView()->page();
    if (page->lifecycleState() != QWebEnginePage::LifecycleState::Active) {
        fail(Asleep);
        return;
    }
    m_page = page;
    m_address = page->url();
    TPageLifecycle::Instance()->Hold(page);
    connect(page, &QWebEnginePage::renderProcessTerminated, this, [this] { fail(Crashed); });
    m_sinceLoad.start();
    m_timeout.start(TimeoutMs);
    m_poll.start();
    poll();
}

bool TPageReader::awake() const
{
    return m_page && m_page->lifecycleState() == QWebEnginePage::LifecycleState::Active;
}

void TPageReader::poll()
{
    if (m_done || m_scriptRunning)
        return;
    if (!awake()) {
        fail(Asleep);
        return;
    }
    m_scriptRunning = true;
    QPointer<TPageReader> self(this);
    m_page->runJavaScript(QString::fromLatin1(kWatchChanges), QWebEngineScript::ApplicationWorld,
        [self](const QVariant &answer) {
            if (!self || self->m_done)
                return;
            self->m_scriptRunning = false;
            const QVariantList watch = answer.toList();
            const double quietFor = watch.value(0).toDouble();
            const double stamp = watch.value(1).toDouble();
            const bool settled = self->m_sinceLoad.elapsed() >= SettleMs;
            const bool unread = !self->m_readOnce || stamp != self->m_readStamp;
            if (unread && (quietFor >= QuietMs || settled)) {
                self->readNow(stamp, settled);
            } else if (!unread && settled) {
                self->finish();
                emit self->done();
            }
        });
}

void TPageReader::readNow(double changeStamp, bool last)
{
    m_scriptRunning = true;
    QPointer<TPageReader> self(this);
    m_page->runJavaScript(m_script(m_page->url()), QWebEngineScript::ApplicationWorld,
        [self, changeStamp, last](const QVariant &result) {
            if (!self || self->m_done)
                return;
            self->m_scriptRunning = false;
            const QString text = result.toString();
            // A change elsewhere in the document (a countdown ticking, a banner turning) reads
            // the same: it is not reported again.
            const bool changed = !self->m_readOnce || text != self->m_lastReading;
            self->m_readOnce = true;
            self->m_readStamp = changeStamp;
            self->m_lastReading = text;
            if (last)
                self->finish();
            if (changed)
                emit self->read(text);
            if (last && self)
                emit self->done();
        });
}

void TPageReader::finish()
{
    m_done = true;
    m_poll.stop();
    m_timeout.stop();
    if (m_page) {
        m_page->disconnect(this);
        if (TPageLifecycle *lifecycle = TPageLifecycle::Instance())
            lifecycle->Release(m_page);
        m_page = nullptr;
    }
    if (m_view)
        m_view->disconnect(this);
}

void TPageReader::fail(Failure why)
{
    if (m_done)
        return;
    finish();
    QPointer<TPageReader> self(this);
    emit failed(why);
    if (self)
        emit done();
}
