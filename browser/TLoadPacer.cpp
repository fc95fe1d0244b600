#include "TLoadPacer.h"

#include <QFile>
#include <QList>

int TLoadPacer::Adjust(const Sample &sample)
{
    if (sample.busy < 0)
        return m_limit;
    if (sample.busy >= Busy) {
        // The processors are the bottleneck: one load fewer, down to a pair that keeps the
        // network in use while a renderer works.
        m_limit = qMax(Floor, m_limit - 1);
    } else if (sample.busy <= Idle && sample.waiting > 0 && sample.running >= m_limit) {
        // Every place is taken, loads wait, and the processors idle: the running loads wait on
        // the network, so two more may run.
        m_limit = qMin(Ceiling, m_limit + 2);
    }
    return m_limit;
}

namespace {
// The first line of /proc/stat: "cpu  user nice system idle iowait irq softirq steal ...", in
// clock ticks since boot. Idle time is idle plus iowait.
bool ReadTicks(const QByteArray &stat, quint64 &total, quint64 &idle)
{
    const qsizetype end = stat.indexOf('\n');
    const QByteArray line = end < 0 ? stat : stat.left(end);
    const QList<QByteArray> fields = line.simplified().split(' ');
    if (fields.size() < 5 || fields.constFirst() != "cpu")
        return false;
    total = idle = 0;
    for (qsizetype i = 1; i < fields.size() && i <= 8; ++i) {
        bool ok = false;
        const quint64 ticks = fields.at(i).toULongLong(&ok);
        if (!ok)
            return false;
        total += ticks;
        if (i == 4 || i == 5)
            idle += ticks;
    }
    return true;
}
} // namespace

double TProcessorLoad::BusyShare(const QByteArray &before, const QByteArray &after)
{
    quint64 total0 = 0, idle0 = 0, total1 = 0, idle1 = 0;
    if (!ReadTicks(before, total0, idle0) || !ReadTicks(after, total1, idle1) || total1 <= total0
        || idle1 < idle0 || idle1 - idle0 > total1 - total0)
        return -1;
    return 1.0 - double(idle1 - idle0) / double(total1 - total0);
}

double TProcessorLoad::BusySince()
{
    QFile stat(QStringLiteral("/proc/stat"));
    // /proc files report a size of 0: read the first line, which is all that is needed.
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray now = stat.readLine();
    const double share = m_last.isEmpty() ? -1 : BusyShare(m_last, now);
    m_last = now;
    return share;
}
