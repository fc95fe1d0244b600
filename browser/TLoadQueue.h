#pragma once

#include "TLoadPacer.h"

#include <QElapsedTimer>
#include <QHash>
#include <QList>
#include <QObject>
#include <QTimer>

class TBrowserHost;

// Paces the first loads of browser views. A comparison opens dozens of tabs in one go; creating
// all their engine views and starting all their loads in that same turn of the event loop froze
// the window for more than a second, and dozens of renderer processes then fought over the
// processor while the tab the user looks at waited its turn like any other.
//
// A view's first load waits here, and the engine view is created only when the load starts.
// Loads start in short slices of the turns of the event loop: a visible view's first, whatever
// the limit; then the others in the order they came, while fewer than MaxRunning of them are
// loading. The limit follows what the machine gives (TLoadPacer): more loads while they wait on
// the network, fewer while the processors are busy. A load that somebody waits for starts at once
// (StartNow). Process-wide, on the user-interface thread.
class TLoadQueue : public QObject
{
    Q_OBJECT
    Q_PROPERTY(int MaxRunning READ MaxRunning WRITE SetMaxRunning)

public:
    // Created on first use, owned by the application object.
    static TLoadQueue *Instance();

    // Loads that may run at the same time; a visible view's load starts even when they do.
    // Setting it fixes the limit (no more adapting) until SetAdaptive(true).
    int MaxRunning() const { return m_maxRunning; }
    void SetMaxRunning(int count);
    // On: the limit follows the processors' load while loads wait, and starts again from
    // TLoadPacer::Start once the queue has run dry.
    void SetAdaptive(bool adaptive);
    // Off: every load starts the moment it is handed over, as views did before there was a
    // queue. Benchmarks compare the two; the program leaves it on.
    void SetPaced(bool paced);

    // `host` has a load waiting for its turn. A host already waiting keeps its place.
    void Enqueue(TBrowserHost *host);
    // Moves a waiting host to the front: its view has just been shown.
    void Promote(TBrowserHost *host);
    // Starts the waiting load of `host` now, whatever the limit: someone waits for its document.
    void StartNow(TBrowserHost *host);
    // The load that `host` started from here has ended: its place is free.
    void LoadEnded(TBrowserHost *host);
    // `host` leaves the queue: its load was replaced or stopped, or its view is going away.
    void Remove(TBrowserHost *host);

    QList<TBrowserHost *> Waiting() const { return m_waiting; }
    // Loads started from here that still hold a place.
    int RunningCount() const;

signals:
    // A waiting load has just been started.
    void loadStarted(TBrowserHost *host);

private:
    explicit TLoadQueue(QObject *parent);
    // The load to start next, if one may start now.
    TBrowserHost *nextWaiting() const;
    void pump();
    void schedule(int delayMs);
    // Moves the limit with the processors' load; runs while loads wait.
    void sample();

    QList<TBrowserHost *> m_waiting; // in the order they start
    QHash<TBrowserHost *, QElapsedTimer> m_running; // since when each has been loading
    QTimer m_pump;
    QTimer m_sampler;
    TLoadPacer m_pacer;
    TProcessorLoad m_processors;
    int m_maxRunning = TLoadPacer::Start;
    bool m_adaptive = true;
    bool m_paced = true;
};
