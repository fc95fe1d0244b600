#pragma once

#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QSet>
#include <QTimer>

class QWebEnginePage;

// Lets hidden pages sleep, so that a comparison of many shops holds a bounded amount of memory.
// Every page keeps a renderer process of its own, tens of megabytes for a shop's page; a user who
// compares sixty shops looks at a few of them at a time.
//
// A page hidden for FreezeAfter ms is frozen: its scripts and timers stop. A page the user has
// never seen (a comparison's background tab) is frozen as soon as it has loaded and been read:
// nobody waits for what its scripts do meanwhile. Of the hidden pages,
// only the KeepAlive used most recently (shown, hidden or loaded) keep their renderer; the
// others are discarded once they have rested for half a second. Both follow the engine's
// recommendedState, which keeps awake what must stay awake: pages still loading, playing sound,
// or opened by another page. The engine wakes a frozen page when it is shown again, and reloads
// a discarded one; its address, title and history stay meanwhile. Process-wide, on the
// user-interface thread.
class TPageLifecycle : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int KeepAlive READ KeepAlive WRITE SetKeepAlive)
    Q_PROPERTY(int FreezeAfter READ FreezeAfter WRITE SetFreezeAfter)

public:
    // Created on first use, owned by the application object.
    static TPageLifecycle *Instance();

    // Hidden pages that keep their renderer; -1: all of them.
    int KeepAlive() const { return m_keepAlive; }
    void SetKeepAlive(int count);
    // Milliseconds a page the user has seen stays hidden before it is frozen; -1: never, not even
    // a page never seen.
    int FreezeAfter() const { return m_freezeAfter; }
    void SetFreezeAfter(int ms);

    // Looks after `page` until it is destroyed.
    void Track(QWebEnginePage *page);
    // A held page is kept awake, however long it has been hidden: its document is being read.
    // Holds count; each Hold needs its Release.
    void Hold(QWebEnginePage *page);
    void Release(QWebEnginePage *page);

private:
    explicit TPageLifecycle(QObject *parent);
    void Used(QWebEnginePage *page);
    void schedule(int delayMs);
    void sweep();

    QElapsedTimer m_clock;
    QHash<QWebEnginePage *, qint64> m_lastUsed; // on m_clock
    QHash<QWebEnginePage *, int> m_held;
    QSet<QWebEnginePage *> m_seen; // shown at least once
    QTimer m_sweep;
    int m_keepAlive = 4;
    int m_freezeAfter = 10000;
};
