#pragma once

#include <QDeadlineTimer>
#include <QtTest>

// Waits in the event loop until `done` holds or `timeoutMs` has passed; true when it holds.
// Unlike QTest::qWaitFor, which sleeps between passes of the event loop, the thread never sleeps
// here: the web engine's messages are answered as they come, and pages load at their own pace.
template<class Predicate> bool WaitUntil(Predicate done, int timeoutMs)
{
    const QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(10);
    }
    return true;
}
