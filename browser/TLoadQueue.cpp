#include "TLoadQueue.h"

#include "TBrowserHost.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWebEnginePage>
#include <QWebEngineView>

namespace {
// A load that has not ended after this long no longer keeps the others waiting: one shop whose
// server hangs must not hold back the rest of a comparison.
constexpr qint64 kPlaceHeldMs = 10000;
// Loads are started for at most this long in one turn of the event loop. Creating an engine view
// and starting its load take the thread for some milliseconds each; in slices this short the
// window stays responsive, while a handful of loads still start almost together.
constexpr qint64 kSliceMs = 30;
// How often the limit is looked at while loads wait: long enough for a load just started to
// show in the processors' load, short enough to follow a comparison of a few seconds.
constexpr int kSampleMs = 250;
} // namespace

TLoadQueue *TLoadQueue::Instance()
{
    static QPointer<TLoadQueue> instance;
    if (!instance && QCoreApplication::instance())
        instance = new TLoadQueue(QCoreApplication::instance());
    return instance;
}

TLoadQueue::TLoadQueue(QObject *parent) : QObject(parent)
{
    m_pump.setSingleShot(true);
    connect(&m_pump, &QTimer::timeout, this, &TLoadQueue::pump);
    m_sampler.setInterval(kSampleMs);
    connect(&m_sampler, &QTimer::timeout, this, &TLoadQueue::sample);
}

void TLoadQueue::SetMaxRunning(int count)
{
    m_maxRunning = qMax(1, count);
    SetAdaptive(false);
    schedule(0);
}

void TLoadQueue::SetAdaptive(bool adaptive)
{
    m_adaptive = adaptive;
    if (!adaptive)
        m_sampler.stop();
}

void TLoadQueue::sample()
{
    if (m_waiting.isEmpty()) {
        // The queue has run dry: the next comparison starts from the usual limit.
        m_sampler.stop();
        m_pacer.Reset();
        m_maxRunning = m_pacer.Limit();
        return;
    }
    QList<qint64> renderers;
    for (auto it = m_running.cbegin(); it != m_running.cend(); ++it) {
        if (QWebEngineView *view = it.key()->EngineView())
            renderers.append(view->page()->renderProcessPid());
    }
    const int before = m_maxRunning;
    m_maxRunning = m_pacer.Adjust({m_processors.BusySince(renderers), RunningCount(), int(m_waiting.size())});
    if (m_maxRunning > before)
        schedule(0);
}

void TLoadQueue::SetPaced(bool paced)
{
    m_paced = paced;
    if (!paced) {
        while (!m_waiting.isEmpty())
            StartNow(m_waiting.constFirst());
    }
}

void TLoadQueue::Enqueue(TBrowserHost *host)
{
    if (!m_waiting.contains(host))
        m_waiting.append(host);
    if (!m_paced) {
        StartNow(host);
        return;
    }
    if (m_adaptive && !m_sampler.isActive()) {
        m_processors.Restart(); // the first sample measures from here
        m_sampler.start();
    }
    schedule(0);
}

void TLoadQueue::Promote(TBrowserHost *host)
{
    if (!m_waiting.removeOne(host))
        return;
    m_waiting.prepend(host);
    schedule(0);
}

void TLoadQueue::StartNow(TBrowserHost *host)
{
    if (!m_waiting.removeOne(host))
        return;
    m_running.insert(host, QElapsedTimer());
    m_running[host].start();
    QPointer<TBrowserHost> alive(host);
    host->startQueuedLoad();
    if (alive)
        emit loadStarted(host);
}

void TLoadQueue::LoadEnded(TBrowserHost *host)
{
    if (m_running.remove(host) && !m_waiting.isEmpty())
        schedule(0);
}

void TLoadQueue::Remove(TBrowserHost *host)
{
    m_waiting.removeOne(host);
    LoadEnded(host);
}

int TLoadQueue::RunningCount() const
{
    int count = 0;
    for (const QElapsedTimer &since : m_running) {
        if (since.elapsed() < kPlaceHeldMs)
            ++count;
    }
    return count;
}

void TLoadQueue::schedule(int delayMs)
{
    // The earliest wins: a start due now must not wait behind a later check.
    if (m_pump.isActive() && m_pump.remainingTime() <= delayMs)
        return;
    m_pump.start(delayMs);
}

TBrowserHost *TLoadQueue::nextWaiting() const
{
    for (TBrowserHost *host : m_waiting) {
        if (host->isVisible())
            return host; // the user looks at it: no background load holds it back
    }
    if (!m_waiting.isEmpty() && RunningCount() < m_maxRunning)
        return m_waiting.constFirst();
    return nullptr;
}

void TLoadQueue::pump()
{
    QElapsedTimer slice;
    slice.start();
    while (slice.elapsed() < kSliceMs) {
        TBrowserHost *next = nextWaiting();
        if (!next)
            break;
        StartNow(next);
    }
    if (m_waiting.isEmpty())
        return;
    if (nextWaiting()) {
        schedule(0); // the slice is over: the rest in the next turn
        return;
    }
    // Every place is taken: look again when the oldest load stops holding its place. A load
    // that ends frees its place earlier (LoadEnded()).
    qint64 wait = kPlaceHeldMs;
    for (const QElapsedTimer &since : std::as_const(m_running)) {
        const qint64 left = kPlaceHeldMs - since.elapsed();
        if (left > 0)
            wait = qMin(wait, left);
    }
    schedule(int(wait) + 1);
}
