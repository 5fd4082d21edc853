#include "WindowTestMain.h"

#include "window/RecordButton.h"

#include <memory>

namespace {

const QColor kIconColour(30, 60, 200);

bool isRed(const QColor &colour)
{
    return colour.red() > 200 && colour.green() < 60 && colour.blue() < 60;
}

QIcon solidIcon(QSize size)
{
    QPixmap pixmap(size);
    pixmap.fill(kIconColour);
    return QIcon(pixmap);
}

} // namespace

class RecordButtonTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void lightSitsInTheTopRightCorner_data();
    void lightSitsInTheTopRightCorner();
    void lightBlinksWhileRecording();
    void stoppingPutsTheLightOut();
    void recordingAgainKeepsThePhase();

private:
    void makeButton(QSize size);
    QColor pixel(QPoint at) const { return m_button->grab().toImage().pixelColor(at); }
    // The middle of the light's square on a button of the current width.
    QPoint lightCentre() const { return QPoint(m_button->width() - 10, 10); }
    bool lightShows() const { return isRed(pixel(lightCentre())); }

    std::unique_ptr<RecordButton> m_button;
};

void RecordButtonTest::init()
{
    makeButton(QSize(48, 48));
}

void RecordButtonTest::cleanup()
{
    m_button.reset();
}

void RecordButtonTest::makeButton(QSize size)
{
    m_button = std::make_unique<RecordButton>(nullptr, size);
    m_button->setIcon(solidIcon(size));
    m_button->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_button.get()));
}

void RecordButtonTest::lightSitsInTheTopRightCorner_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("48") << QSize(48, 48);
    QTest::newRow("64") << QSize(64, 64);
}

void RecordButtonTest::lightSitsInTheTopRightCorner()
{
    QFETCH(QSize, size);
    makeButton(size);
    const int left = size.width() - 15;

    QCOMPARE(pixel(lightCentre()), kIconColour);
    m_button->setRecording(true);

    // The 10 x 10 square from (width - 15, 5): red inside, the icon around it.
    QVERIFY(isRed(pixel(lightCentre())));
    QVERIFY(isRed(pixel(QPoint(left + 2, 10))));
    QVERIFY(isRed(pixel(QPoint(left + 7, 7))));
    QCOMPARE(pixel(QPoint(left - 2, 10)), kIconColour);
    QCOMPARE(pixel(QPoint(left + 12, 10)), kIconColour);
    QCOMPARE(pixel(QPoint(left + 5, 2)), kIconColour);
    QCOMPARE(pixel(QPoint(left + 5, 17)), kIconColour);
    QCOMPARE(pixel(QPoint(size.width() / 2, size.height() / 2)), kIconColour);
}

void RecordButtonTest::lightBlinksWhileRecording()
{
    m_button->setRecording(true);
    QVERIFY(lightShows());
    QTRY_VERIFY_WITH_TIMEOUT(!lightShows(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(lightShows(), 3000);
    QTRY_VERIFY_WITH_TIMEOUT(!lightShows(), 3000);
}

void RecordButtonTest::stoppingPutsTheLightOut()
{
    m_button->setRecording(true);
    QVERIFY(lightShows());
    m_button->setRecording(false);
    QVERIFY(!lightShows());

    // A late blink after the stop changes nothing.
    m_button->updateRecordLight();
    QVERIFY(!lightShows());

    // Stopping twice is harmless, and a new recording lights it at once.
    m_button->setRecording(false);
    m_button->setRecording(true);
    QVERIFY(lightShows());
}

void RecordButtonTest::recordingAgainKeepsThePhase()
{
    m_button->setRecording(true);
    m_button->updateRecordLight();
    QVERIFY(!lightShows());
    m_button->setRecording(true);
    QVERIFY(!lightShows());
    m_button->updateRecordLight();
    QVERIFY(lightShows());
}

WINDOW_OFFSCREEN_TEST_MAIN(RecordButtonTest)
#include "RecordButtonTest.moc"
