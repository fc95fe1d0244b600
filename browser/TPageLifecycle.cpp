#include "TPageLifecycle.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWebEnginePage>

#include <algorithm>

using LifecycleState = QWebEnginePage::LifecycleState;

namespace {
// Discarding a page ends its renderer process, and the engine waits for that on this thread.
// So a page is discarded only once it has rested for a moment, not while the pages of a
// comparison are still arriving and each one just loaded would push out the one before; and
// discards are spaced, so that many of them never add up to one long freeze of the window.
constexpr qint64 kDiscardRestMs = 500;
constexpr qint64 kDiscardSpacingMs = 50;
} // namespace

TPageLifecycle *TPageLifecycle::Instance()
{
    static QPointer<TPageLifecycle> instance;
    if (!instance && QCoreApplication::instance())
        instance = new TPageLifecycle(QCoreApplication::instance());
    return instance;
}

TPageLifecycle::TPageLifecycle(QObject *parent) : QObject(parent)
{
    m_clock.start();
    m_sweep.setSingleShot(true);
    connect(&m_sweep, &QTimer::timeout, this, &TPageLifecycle::sweep);
}

void TPageLifecycle::SetKeepAlive(int count)
{
    m_keepAlive = qMax(-1, count);
    schedule(0);
}

void TPageLifecycle::SetFreezeAfter(int ms)
{
    m_freezeAfter = qMax(-1, ms);
    schedule(0);
}

void TPageLifecycle::Track(QWebEnginePage *page)
{
    if (m_lastUsed.contains(page))
        return;
    if (page->isVisible())
        m_seen.insert(page);
    Used(page);
    connect(page, &QWebEnginePage::visibleChanged, this, [this, page](bool visible) {
        if (visible)
            m_seen.insert(page);
        Used(page);
    });
    connect(page, &QWebEnginePage::loadFinished, this, [this, page] { Used(page); });
    // The engine recommends sleep only once a hidden page has finished loading.
    connect(page, &QWebEnginePage::recommendedStateChanged, this, [this] { schedule(0); });
    connect(page, &QObject::destroyed, this, [this, page] {
        m_lastUsed.remove(page);
        m_held.remove(page);
        m_seen.remove(page);
    });
}

void TPageLifecycle::Hold(QWebEnginePage *page)
{
    ++m_held[page];
}

void TPageLifecycle::Release(QWebEnginePage *page)
{
    auto it = m_held.find(page);
    if (it == m_held.end())
        return;
    if (--it.value() == 0) {
        m_held.erase(it);
        if (m_lastUsed.contains(page))
            Used(page); // its rest starts now
    }
}

void TPageLifecycle::Used(QWebEnginePage *page)
{
    m_lastUsed.insert(page, m_clock.elapsed());
    schedule(0);
}

void TPageLifecycle::schedule(int delayMs)
{
    if (m_sweep.isActive() && m_sweep.remainingTime() <= delayMs)
        return;
    m_sweep.start(delayMs);
}

void TPageLifecycle::sweep()
{
    // Hidden pages that could sleep, the most recently used first. A page the engine wants
    // awake (still loading, audible, opened by another page), or one being read, is neither
    // touched nor counted.
    QList<QWebEnginePage *> sleepers;
    for (auto it = m_lastUsed.cbegin(); it != m_lastUsed.cend(); ++it) {
        QWebEnginePage *page = it.key();
        if (!page->isVisible() && !m_held.contains(page) && page->lifecycleState() != LifecycleState::Discarded
            && page->recommendedState() != LifecycleState::Active)
            sleepers.append(page);
    }
    std::sort(sleepers.begin(), sleepers.end(),
        [this](QWebEnginePage *a, QWebEnginePage *b) { return m_lastUsed.value(a) > m_lastUsed.value(b); });

    const qint64 now = m_clock.elapsed();
    qint64 next = -1; // when to look again
    const auto lookAgainIn = [&next](qint64 ms) { next = next < 0 ? ms : qMin(next, ms); };
    bool discarded = false;
    for (qsizetype i = 0; i < sleepers.size(); ++i) {
        QWebEnginePage *page = sleepers.at(i);
        bool discard = m_keepAlive >= 0 && i >= m_keepAlive;
        if (discard && now - m_lastUsed.value(page) < kDiscardRestMs) {
            lookAgainIn(m_lastUsed.value(page) + kDiscardRestMs - now);
            discard = false;
        }
        // The engine discards only a frozen page (and recommends it only then).
        if (page->lifecycleState() == LifecycleState::Active) {
            const qint64 after = m_seen.contains(page) ? m_freezeAfter : qMin(m_freezeAfter, 0);
            const qint64 freezeIn = after < 0 ? -1 : qMax<qint64>(0, m_lastUsed.value(page) + after - now);
            if (discard || freezeIn == 0)
                page->setLifecycleState(LifecycleState::Frozen);
            else if (freezeIn > 0)
                lookAgainIn(freezeIn);
        }
        // A page with form input is only ever frozen: discarding would lose what was typed.
        if (!discard || page->recommendedState() != LifecycleState::Discarded)
            continue;
        if (discarded) {
            lookAgainIn(0); // one per pass
            break;
        }
        page->setLifecycleState(LifecycleState::Discarded);
        discarded = true;
    }
    if (next >= 0)
        schedule(int(qMax<qint64>(next, discarded ? kDiscardSpacingMs : 0)) + 1);
}
