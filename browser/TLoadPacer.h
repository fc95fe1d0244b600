#pragma once

#include <QByteArray>
#include <QElapsedTimer>

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
    static constexpr int Start = 6; // a comparison of a handful of shops starts all of them at once
    static constexpr int Ceiling = 24;
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

// The share of the machine's processors in use between two readings: every process counts,
// ours, the engine's and anything else that runs, since all of them share the processors.
class TProcessorLoad
{
public:
    // Since the previous call, 0..1; -1 on the first call or where the system does not say.
    double BusySince();
    // The same from two copies of /proc/stat, for any system that gives them in that form.
    static double BusyShare(const QByteArray &before, const QByteArray &after);

private:
    QByteArray m_last;
};
