#include "window/GuestStartWatch.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QtTest>

// A guest that never comes up is named for what did not connect once the
// bound has passed; a guest that is ready in time, or a player that exits,
// hears nothing. A second watch started alongside is the clock for the
// cases where nothing is to come.
class GuestStartWatchTest : public QObject
{
    Q_OBJECT

private slots:
    void noticeAfterTheBound_data();
    void noticeAfterTheBound();
    void nothingOnceReadyOrExiting_data();
    void nothingOnceReadyOrExiting();

private:
    static constexpr int kBoundMs = 150;
};

void GuestStartWatchTest::noticeAfterTheBound_data()
{
    QTest::addColumn<bool>("agent");
    QTest::addColumn<bool>("renderer");
    QTest::addColumn<QString>("notice");
    QTest::newRow("nothing") << false << false
                             << "Android did not start: no guest agent connected; the display's renderer did not "
                                "connect";
    QTest::newRow("agents only") << true << false << "Android did not start: the display's renderer did not connect";
    QTest::newRow("renderer only") << false << true << "Android did not start: no guest agent connected";
    QTest::newRow("both, never ready") << true << true << "Android did not start: the guest did not report ready";
}

void GuestStartWatchTest::noticeAfterTheBound()
{
    QFETCH(bool, agent);
    QFETCH(bool, renderer);
    QFETCH(QString, notice);
    GuestStartWatch watch(kBoundMs, {[agent] { return agent; }, [renderer] { return renderer; }});
    QSignalSpy spy(&watch, &GuestStartWatch::neverReady);
    watch.start();
    QTRY_COMPARE(spy.count(), 1);
    const bool agentMissing = spy.at(0).at(0).toBool();
    const bool rendererMissing = spy.at(0).at(1).toBool();
    QCOMPARE(agentMissing, !agent);
    QCOMPARE(rendererMissing, !renderer);
    QCOMPARE(GuestStartWatch::notice(agentMissing, rendererMissing), notice);
}

void GuestStartWatchTest::nothingOnceReadyOrExiting_data()
{
    QTest::addColumn<bool>("startAgain");
    QTest::newRow("ready") << false;
    QTest::newRow("ready, then started again") << true;
}

void GuestStartWatchTest::nothingOnceReadyOrExiting()
{
    QFETCH(bool, startAgain);
    const GuestStartWatch::Probes nothing{[] { return false; }, [] { return false; }};
    GuestStartWatch watch(kBoundMs, nothing);
    GuestStartWatch clock(kBoundMs, nothing);
    QSignalSpy heard(&watch, &GuestStartWatch::neverReady);
    QSignalSpy ticked(&clock, &GuestStartWatch::neverReady);
    watch.start();
    clock.start();
    watch.stop();
    if (startAgain)
        watch.start();
    QTRY_COMPARE(ticked.count(), 1);
    QCoreApplication::processEvents();
    QCOMPARE(heard.count(), 0);
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    GuestStartWatchTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "GuestStartWatchTest.moc"
