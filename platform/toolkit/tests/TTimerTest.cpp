#include "OffscreenTestMain.h"

#include "TTimer.h"

#include <QTimer>

namespace {
class Receiver : public QObject
{
    Q_OBJECT

public slots:
    void hit() { ++hits; }

    void hitAndRearm()
    {
        ++hits;
        if (hits == 1)
            TTimer::singleShot(10, this, SLOT(hitAndRearm()));
    }

public:
    int hits = 0;
};

// Lets the event loop run well past every shot armed by a test, so that a
// shot that should not fire has had its chance.
void runPastPendingShots()
{
    bool done = false;
    QTimer::singleShot(150, [&done] { done = true; });
    QTRY_VERIFY(done);
}
}

class TTimerTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();

    void firesOnce();
    void newShotReplacesPending();
    void stopCancels();
    void destroyedReceiverIsSkipped();
    void slotMayArmTheNextShot();
    void unknownSlotArmsNothing();
};

void TTimerTest::cleanup()
{
    TTimer::stop();
}

void TTimerTest::firesOnce()
{
    Receiver receiver;
    TTimer::singleShot(20, &receiver, SLOT(hit()));
    QVERIFY(TTimer::isActive());
    QTRY_COMPARE(receiver.hits, 1);
    QVERIFY(!TTimer::isActive());
    runPastPendingShots();
    QCOMPARE(receiver.hits, 1);
}

void TTimerTest::newShotReplacesPending()
{
    Receiver first;
    Receiver second;
    TTimer::singleShot(20, &first, SLOT(hit()));
    TTimer::singleShot(40, &second, SLOT(hit()));
    QTRY_COMPARE(second.hits, 1);
    runPastPendingShots();
    QCOMPARE(first.hits, 0);
    QCOMPARE(second.hits, 1);
}

void TTimerTest::stopCancels()
{
    Receiver receiver;
    TTimer::singleShot(20, &receiver, SLOT(hit()));
    TTimer::stop();
    QVERIFY(!TTimer::isActive());
    runPastPendingShots();
    QCOMPARE(receiver.hits, 0);

    TTimer::stop();
    TTimer::singleShot(10, &receiver, SLOT(hit()));
    QTRY_COMPARE(receiver.hits, 1);
}

void TTimerTest::destroyedReceiverIsSkipped()
{
    auto *receiver = new Receiver;
    TTimer::singleShot(20, receiver, SLOT(hit()));
    delete receiver;
    runPastPendingShots();

    Receiver next;
    TTimer::singleShot(10, &next, SLOT(hit()));
    QTRY_COMPARE(next.hits, 1);
}

void TTimerTest::slotMayArmTheNextShot()
{
    Receiver receiver;
    TTimer::singleShot(10, &receiver, SLOT(hitAndRearm()));
    QTRY_COMPARE(receiver.hits, 2);
    runPastPendingShots();
    QCOMPARE(receiver.hits, 2);
}

void TTimerTest::unknownSlotArmsNothing()
{
    Receiver receiver;
    TTimer::singleShot(20, &receiver, SLOT(hit()));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("No such slot .*missing\\(\\)"));
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression("sender name: +'TTimerShot'"));
    TTimer::singleShot(20, &receiver, SLOT(missing()));
    QVERIFY(!TTimer::isActive());
    runPastPendingShots();
    QCOMPARE(receiver.hits, 0);
}

TOOLKIT_OFFSCREEN_TEST_MAIN(TTimerTest)
#include "TTimerTest.moc"
