#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QHash>
#include <QList>

// How many first loads may run at once. A results page spends much of its load waiting on the
// network (latency, then the markup and its pictures trickling in) and the rest keeping a
// renderer busy (parsing, scripts, layout, pictures). While the processors idle, more loads at
// once finish the comparison sooner; while they are all busy, more loads only slow each other
// down, take memory and delay the page the user looks at. The pacer watches how busy the
// processors are and moves the limit between Floor and Ceiling.
class TLoadPacer
{
public:
    static constexpr int Floor = 2;
    static constexpr int Start = 8; // a comparison of a handful of shops starts all of them at once
    // Every loaded page keeps its renderer while it is read: the ceiling bounds the memory that a
    // comparison of many shops holds at once.
    static constexpr int Ceiling = 12;
    // Below this share of the processors in use there is room for more loads; above Busy there is none.
    static constexpr double Idle = 0.6;
    static constexpr double Busy = 0.9;

    struct Sample
    {
        double busy = -1; // share of all processors in use since the last sample, 0..1; -1: unknown
        int running = 0; // loads holding a place
        int waiting = 0; // loads waiting for one
    };

    int Limit() const { return m_limit; }
    void Reset() { m_limit = Start; }
    // Takes the latest sample and returns the new limit.
    int Adjust(const Sample &sample);

private:
    int m_limit = Start;
};

// How busy the loads keep the processors: the processor time that the program's own process (the
// engine's network, compositing and this thread) and the renderers of the running loads used
// between two readings, as a share of all the machine's processors. Other programs do not count:
// they leave the loads less, but the loads still wait on the network or on their renderers.
class TProcessorLoad
{
public:
    // Since the previous call, 0..1; -1 on the first call or where the system does not say.
    double BusySince(const QList<qint64> &renderers);
    // Forgets the readings so far and measures from now.
    void Restart();
    // The processor time in clock ticks from a process's /proc/<pid>/stat; -1 when it is not one.
    static qint64 CpuTicks(const QByteArray &stat);

private:
    QHash<qint64, qint64> m_last; // ticks of each process at the previous call
    QElapsedTimer m_clock;
};
