#include "OffscreenTestMain.h"
#include "PointerScript.h"

#include "TSwitch.h"

namespace {
const QColor kKnob(0xf2, 0xf2, 0xf2);
}

class TSwitchTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void setValueMovesWithoutEmitting();
    void clickFlipsAndEmits();
    void gesturesThatDoNotFlip_data();
    void gesturesThatDoNotFlip();
    void knobLiesAtTheValuesEnd_data();
    void knobLiesAtTheValuesEnd();

private:
    QWidget *m_host = nullptr;
    TSwitch *m_switch = nullptr;
};

void TSwitchTest::init()
{
    m_host = new QWidget;
    m_host->setObjectName(QStringLiteral("host"));
    m_host->setGeometry(200, 200, 120, 80);
    m_switch = new TSwitch(m_host);
    m_switch->setGeometry(10, 10, 48, 48);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host));
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
}

void TSwitchTest::cleanup()
{
    delete m_host;
}

void TSwitchTest::setValueMovesWithoutEmitting()
{
    QSignalSpy changes(m_switch, &TSwitch::onValueChanged);
    QVERIFY(!m_switch->value());
    QCOMPARE(m_switch->knobPosition(), 0.0);

    m_switch->setValue(true);
    QVERIFY(m_switch->value());
    QTRY_COMPARE(m_switch->knobPosition(), 1.0);

    m_switch->setValue(true);
    m_switch->setValue(false);
    QVERIFY(!m_switch->value());
    QTRY_COMPARE(m_switch->knobPosition(), 0.0);
    QCOMPARE(changes.count(), 0);
}

void TSwitchTest::clickFlipsAndEmits()
{
    QSignalSpy changes(m_switch, &TSwitch::onValueChanged);

    QTest::mouseClick(m_switch, Qt::LeftButton);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.at(0).at(0).toBool(), true);
    QVERIFY(m_switch->value());
    QTRY_COMPARE(m_switch->knobPosition(), 1.0);

    QTest::mouseClick(m_switch, Qt::LeftButton);
    QCOMPARE(changes.count(), 2);
    QCOMPARE(changes.at(1).at(0).toBool(), false);
    QTRY_COMPARE(m_switch->knobPosition(), 0.0);
}

void TSwitchTest::gesturesThatDoNotFlip_data()
{
    QTest::addColumn<QString>("gesture");
    QTest::newRow("released outside") << "outside";
    QTest::newRow("right button") << "right";
    QTest::newRow("disabled") << "disabled";
}

void TSwitchTest::gesturesThatDoNotFlip()
{
    QFETCH(QString, gesture);
    QSignalSpy changes(m_switch, &TSwitch::onValueChanged);

    if (gesture == "outside") {
        PointerScript pointer(m_host);
        pointer.drag(m_switch->mapToGlobal(QPoint(24, 24)), m_host->mapToGlobal(QPoint(100, 70)));
    } else if (gesture == "right") {
        QTest::mouseClick(m_switch, Qt::RightButton);
    } else {
        m_switch->setEnabled(false);
        QTest::mouseClick(m_switch, Qt::LeftButton);
    }
    QCOMPARE(changes.count(), 0);
    QVERIFY(!m_switch->value());
}

void TSwitchTest::knobLiesAtTheValuesEnd_data()
{
    QTest::addColumn<bool>("horizontal");
    QTest::addColumn<bool>("on");
    QTest::addColumn<QPoint>("knob");
    QTest::addColumn<QPoint>("otherEnd");

    // The 48 x 48 switch has a 36 x 20 track in its middle; "on" is up
    // when vertical and right when horizontal.
    QTest::newRow("vertical off") << false << false << QPoint(24, 32) << QPoint(24, 16);
    QTest::newRow("vertical on") << false << true << QPoint(24, 16) << QPoint(24, 32);
    QTest::newRow("horizontal off") << true << false << QPoint(16, 24) << QPoint(32, 24);
    QTest::newRow("horizontal on") << true << true << QPoint(32, 24) << QPoint(16, 24);
}

void TSwitchTest::knobLiesAtTheValuesEnd()
{
    QFETCH(bool, horizontal);
    QFETCH(bool, on);
    QFETCH(QPoint, knob);
    QFETCH(QPoint, otherEnd);

    QVERIFY(!m_switch->isHorizontal());
    m_switch->setHorizontal(horizontal);
    QCOMPARE(m_switch->isHorizontal(), horizontal);
    const QSize track = horizontal ? QSize(36, 20) : QSize(20, 36);
    QCOMPARE(m_switch->minimumSizeHint(), track);

    m_switch->setValue(on);
    QTRY_COMPARE(m_switch->knobPosition(), on ? 1.0 : 0.0);
    const QImage image = m_switch->grab().toImage();
    QCOMPARE(image.pixelColor(knob), kKnob);
    QVERIFY(image.pixelColor(otherEnd) != kKnob);
}

TOOLKIT_OFFSCREEN_TEST_MAIN(TSwitchTest)
#include "TSwitchTest.moc"
