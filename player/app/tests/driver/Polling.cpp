#include "Polling.h"

#include <QElapsedTimer>
#include <QTest>

bool waitFor(const std::function<bool()> &condition, int timeoutMs, int intervalMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.hasExpired(timeoutMs))
            return false;
        QTest::qWait(intervalMs);
    }
    return true;
}
