#include "app/TerminationSignals.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <csignal>

namespace {

class TerminationSignalsTest : public ::testing::TestWithParam<int>
{
};

// Each request to end reaches the event loop instead of ending the process,
// and the default handling is back once the watcher goes.
TEST_P(TerminationSignalsTest, SignalArrivesOnTheEventLoop)
{
    const int signalNumber = GetParam();
    {
        TerminationSignals watcher;
        QList<int> received;
        QObject::connect(&watcher, &TerminationSignals::received, [&received](int number) { received.append(number); });
        ASSERT_EQ(std::raise(signalNumber), 0);
        ASSERT_EQ(std::raise(signalNumber), 0);
        const QDeadlineTimer deadline(20000);
        while (received.size() < 2 && !deadline.hasExpired())
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
        EXPECT_EQ(received, (QList<int>{signalNumber, signalNumber}));
    }
    struct sigaction current = {};
    ASSERT_EQ(sigaction(signalNumber, nullptr, &current), 0);
    EXPECT_EQ(current.sa_handler, SIG_DFL);
}

INSTANTIATE_TEST_SUITE_P(Requests, TerminationSignalsTest, ::testing::Values(SIGTERM, SIGINT, SIGHUP));

} // namespace
