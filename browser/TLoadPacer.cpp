#include "TLoadPacer.h"

#include <QtGlobal>

int TLoadPacer::Adjust(const Sample &sample)
{
    if (sample.lagMs < 0)
        return m_limit;
    if (sample.lagMs >= LagMs) {
        // The window waits for a processor: one load fewer, down to a pair that keeps the
        // network in use while a renderer works.
        m_limit = qMax(Floor, m_limit - 1);
    } else if (!sample.shownLoading && sample.waiting > 0 && sample.running >= m_limit) {
        // Every place is taken, loads wait, the window answers and the user's page is there:
        // two more may run.
        m_limit = qMin(Ceiling, m_limit + 2);
    }
    return m_limit;
}
