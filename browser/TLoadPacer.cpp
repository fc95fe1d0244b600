#include "TLoadPacer.h"

#include <QCoreApplication>
#include <QFile>
#include <QThread>

#ifdef Q_OS_LINUX
#include <unistd.h>
#endif

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

qint64 TProcessorLoad::CpuTicks(const QByteArray &stat)
{
    // "pid (name) state ppid ... utime stime ...": the name may hold blanks and parentheses, so
    // the fields are counted from the last ")"; utime and stime are the 14th and 15th.
    const qsizetype nameEnd = stat.lastIndexOf(')');
    if (nameEnd < 0)
        return -1;
    const QList<QByteArray> fields = stat.mid(nameEnd + 1).simplified().split(' ');
    if (fields.size() < 13)
        return -1;
    bool userOk = false, systemOk = false;
    const qint64 user = fields.at(11).toLongLong(&userOk);
    const qint64 system = fields.at(12).toLongLong(&systemOk);
    return userOk && systemOk && user >= 0 && system >= 0 ? user + system : -1;
}

void TProcessorLoad::Restart()
{
    m_last.clear();
    m_clock.invalidate();
    BusySince({});
}

double TProcessorLoad::BusySince(const QList<qint64> &renderers)
{
#ifdef Q_OS_LINUX
    QHash<qint64, qint64> now;
    for (const qint64 pid : QList<qint64> {QCoreApplication::applicationPid()} + renderers) {
        QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
        const qint64 ticks = pid > 0 && stat.open(QIODevice::ReadOnly) ? CpuTicks(stat.readLine()) : -1;
        if (ticks >= 0)
            now.insert(pid, ticks);
    }
    const double seconds = m_clock.isValid() ? m_clock.restart() / 1000.0 : 0.0;
    if (!m_clock.isValid())
        m_clock.start();
    qint64 used = 0;
    for (auto it = now.cbegin(); it != now.cend(); ++it) {
        // A renderer first seen now was started for a load that began since the last reading
        // (every shop is a site of its own): all its time counts. A short load would otherwise
        // end before it was ever counted, and starting a renderer is much of its work.
        used += qMax<qint64>(0, it.value() - m_last.value(it.key(), 0));
    }
    const bool known = !m_last.isEmpty() && seconds > 0;
    m_last = now;
    if (!known)
        return -1;
    static const long ticksPerSecond = sysconf(_SC_CLK_TCK);
    return qBound(0.0, used / (double(ticksPerSecond) * seconds * QThread::idealThreadCount()), 1.0);
#else
    Q_UNUSED(renderers);
    return -1;
#endif
}
