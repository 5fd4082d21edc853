// The display widget against the real guest-service library and a guest
// peer on loopback: every host event is checked by what the guest's input
// agents receive. Offscreen platform; the host screen size is given.

#include "GuestInputPeer.h"
#include "LogCapture.h"

#include "display/OpenGLWidget.h"

#include <service/input_method.h>
#include <service/server_manager.h>
#include <service/vinput.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <cstdio>
#include <memory>
#include <unistd.h>

Q_DECLARE_METATYPE(Qt::ScrollPhase)
Q_DECLARE_METATYPE(Qt::MouseButtons)

namespace {

// Ports 25100-25199 belong to this binary.
constexpr quint16 kInputPort = 25100;
constexpr quint16 kTextPort = 25101;

const QSize kScreen1080(1920, 1080);
// The display is 640 x 360: guest coordinates are twice the widget's.
const QSize kDisplaySize(640, 360);

// Whatever the code under test writes to standard output meanwhile.
class StdoutCapture
{
public:
    StdoutCapture() : m_file(std::tmpfile())
    {
        std::fflush(stdout);
        m_saved = dup(STDOUT_FILENO);
        dup2(fileno(m_file), STDOUT_FILENO);
    }
    ~StdoutCapture() { finish(); }

    QByteArray finish()
    {
        if (m_saved < 0)
            return m_text;
        std::fflush(stdout);
        dup2(m_saved, STDOUT_FILENO);
        close(m_saved);
        m_saved = -1;
        std::rewind(m_file);
        char buffer[1024];
        for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, m_file)) > 0;)
            m_text.append(buffer, static_cast<int>(n));
        std::fclose(m_file);
        return m_text;
    }

private:
    std::FILE *m_file;
    int m_saved = -1;
    QByteArray m_text;
};

} // namespace

class OpenGLWidgetTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void inputIsDroppedWhileNoGuestIsConnected();
    void keysAndTheirScanCodes_data();
    void keysAndTheirScanCodes();
    void autoRepeatIsIgnored();
    void capsLockIsAFullTapOnPressAndOnRelease();
    void touchFollowsTheLeftButton();
    void otherButtonsSendNothing();
    void dragLeavingTheWidget_data();
    void dragLeavingTheWidget();
    void mouseEdge_data();
    void mouseEdge();
    void movesAlsoReachTheParent();
    void wheel_data();
    void wheel();
    void ctrlWheelZoomsAroundAFixedAnchor();
    void rightReleaseWithoutCanLockDoesNothing();
    void rightReleaseTogglesTheMouseLock();
    void lockedMouseOffsets_data();
    void lockedMouseOffsets();
    void lockedMouseOnTheCentreSendsNothing();
    void lockedMouseLeftButtonIsTheGuestMouseButton();
    void lockWithoutCanLockKeepsTouches();
    void guestWindowSizeFollowsTheWidget();
    void committedTextGoesToTheInputMethodAsUtf8();
    void releaseWhosePressTheInputMethodTookSendsNothing();
    void focusMovingAwayReleasesWhatIsHeld();
    void windowDeactivationReleasesLockedButtonAndZoom();

private:
    void buildWindow(const QSize &screen);
    bool connectGuest();
    QStringList sent();
    void move(const QPoint &pos, Qt::MouseButtons buttons = Qt::NoButton);
    void sendWheel(const QPointF &pos, const QPoint &pixel, const QPoint &angle,
                   Qt::ScrollPhase phase = Qt::NoScrollPhase);
    QPoint centre() const { return QPoint(m_display->width() / 2, m_display->height() / 2); }

    GuestInputPeer m_guest;
    GuestTextPeer m_text;
    std::unique_ptr<QWidget> m_window;
    OpenGLWidget *m_display = nullptr;
    QLineEdit *m_other = nullptr;
};

void OpenGLWidgetTest::initTestCase()
{
    server_manager_init();
    vinput_start(kInputPort);
    input_method_start(kTextPort);
    QVERIFY(m_text.connect(kTextPort));
}

void OpenGLWidgetTest::init()
{
    buildWindow(kScreen1080);
    if (vinput_ready() == 0)
        QVERIFY(connectGuest());
    // Whatever an earlier test left behind.
    QVERIFY(m_guest.messages());
}

void OpenGLWidgetTest::cleanup()
{
    m_window.reset();
    vinput_set_window_size(0, 0);
}

// The display and another focusable widget below it, in an active window.
void OpenGLWidgetTest::buildWindow(const QSize &screen)
{
    m_window = std::make_unique<QWidget>();
    m_display = new OpenGLWidget(m_window.get(), screen);
    m_display->setGeometry(QRect(QPoint(0, 0), kDisplaySize));
    m_other = new QLineEdit(m_window.get());
    m_other->setGeometry(0, 370, 200, 30);
    m_window->resize(640, 400);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
    m_display->setFocus();
    QCOMPARE(QApplication::focusWidget(), m_display);
}

bool OpenGLWidgetTest::connectGuest()
{
    return m_guest.connect(kInputPort) && vinput_ready() == 1;
}

QStringList OpenGLWidgetTest::sent()
{
    const std::optional<QStringList> messages = m_guest.messages();
    return messages ? *messages : QStringList{"(guest stream broken or late)"};
}

void OpenGLWidgetTest::move(const QPoint &pos, Qt::MouseButtons buttons)
{
    QMouseEvent event(QEvent::MouseMove, pos, m_display->mapToGlobal(pos), Qt::NoButton, buttons,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(m_display, &event);
}

void OpenGLWidgetTest::sendWheel(const QPointF &pos, const QPoint &pixel, const QPoint &angle,
                                 Qt::ScrollPhase phase)
{
    QWheelEvent event(pos, QPointF(m_display->mapToGlobal(pos.toPoint())), pixel, angle, Qt::NoButton,
                      Qt::NoModifier, phase, false);
    QCoreApplication::sendEvent(m_display, &event);
}

void OpenGLWidgetTest::inputIsDroppedWhileNoGuestIsConnected()
{
    vinput_stop();
    QCOMPARE(vinput_ready(), 0);

    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a");
    QCoreApplication::sendEvent(m_display, &press);
    QVERIFY(!press.isAccepted());

    StdoutCapture output;
    QTest::mousePress(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(output.finish(), QByteArray("try to send mouse event. but not ready\n"));

    LogCapture log;
    sendWheel(QPointF(10, 10), QPoint(), QPoint(0, 120));
    QVERIFY(log.messages().isEmpty());

    QVERIFY(connectGuest());
    QCOMPARE(sent(), QStringList());
}

void OpenGLWidgetTest::keysAndTheirScanCodes_data()
{
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("scan");

    QTest::newRow("A") << int(Qt::Key_A) << 30;
    QTest::newRow("exclamation mark, on the 1 key") << int(Qt::Key_Exclam) << 2;
    QTest::newRow("Escape") << int(Qt::Key_Escape) << 1;
    QTest::newRow("Return") << int(Qt::Key_Return) << 28;
    QTest::newRow("space") << int(Qt::Key_Space) << 57;
    QTest::newRow("Up") << int(Qt::Key_Up) << 103;
    QTest::newRow("F12") << int(Qt::Key_F12) << 88;
    QTest::newRow("Shift") << int(Qt::Key_Shift) << 42;
    QTest::newRow("Control") << int(Qt::Key_Control) << 29;
    QTest::newRow("Tab stays with the guest") << int(Qt::Key_Tab) << 15;
    QTest::newRow("Meta has no scan code") << int(Qt::Key_Meta) << 0;
}

void OpenGLWidgetTest::keysAndTheirScanCodes()
{
    QFETCH(int, key);
    QFETCH(int, scan);

    QTest::keyPress(m_display, Qt::Key(key));
    QTest::keyRelease(m_display, Qt::Key(key));

    QCOMPARE(sent(), QStringList({QString("key %1 down").arg(scan), QString("key %1 up").arg(scan)}));
    QCOMPARE(QApplication::focusWidget(), m_display);
}

void OpenGLWidgetTest::autoRepeatIsIgnored()
{
    QTest::keyPress(m_display, Qt::Key_A);
    for (int i = 0; i < 3; ++i) {
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, "a", true);
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, "a", true);
        QCoreApplication::sendEvent(m_display, &release);
        QCoreApplication::sendEvent(m_display, &press);
        QVERIFY(!release.isAccepted());
        QVERIFY(!press.isAccepted());
    }
    QTest::keyRelease(m_display, Qt::Key_A);

    QCOMPARE(sent(), QStringList({"key 30 down", "key 30 up"}));
}

void OpenGLWidgetTest::capsLockIsAFullTapOnPressAndOnRelease()
{
    QTest::keyPress(m_display, Qt::Key_CapsLock);
    QTest::keyRelease(m_display, Qt::Key_CapsLock);

    QCOMPARE(sent(), QStringList({"key 58 down", "key 58 up", "key 58 down", "key 58 up"}));
}

void OpenGLWidgetTest::touchFollowsTheLeftButton()
{
    QTest::mousePress(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(100, 50));
    move(QPoint(150, 60), Qt::LeftButton);
    QTest::mouseRelease(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(151, 61));

    QCOMPARE(sent(), QStringList({"touch down 200 100", "touch move 300 120", "touch up 302 122"}));
}

void OpenGLWidgetTest::otherButtonsSendNothing()
{
    QTest::mouseClick(m_display, Qt::MiddleButton, Qt::NoModifier, QPoint(10, 10));
    QTest::mousePress(m_display, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    move(QPoint(20, 20), Qt::RightButton);

    QCOMPARE(sent(), QStringList());
}

void OpenGLWidgetTest::dragLeavingTheWidget_data()
{
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QStringList>("expected");

    // Pressed at (100, 100), moved to "to", back to (50, 50), released there.
    QTest::newRow("past the right edge")
        << QPoint(700, 50) << QStringList({"touch down 200 200", "touch up 1278 100"});
    QTest::newRow("past the left edge")
        << QPoint(-5, 100) << QStringList({"touch down 200 200", "touch up 2 200"});
    QTest::newRow("below") << QPoint(100, 400)
                           << QStringList({"touch down 200 200", "touch up 200 718"});
    QTest::newRow("above and left")
        << QPoint(-1, -1) << QStringList({"touch down 200 200", "touch up 2 2"});
    QTest::newRow("on the far border, still inside")
        << QPoint(640, 360)
        << QStringList({"touch down 200 200", "touch move 1280 720", "touch move 100 100",
                        "touch up 100 100"});
}

void OpenGLWidgetTest::dragLeavingTheWidget()
{
    QFETCH(QPoint, to);
    QFETCH(QStringList, expected);

    QTest::mousePress(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(100, 100));
    move(to, Qt::LeftButton);
    move(QPoint(50, 50), Qt::LeftButton);
    QTest::mouseRelease(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(50, 50));
    QCOMPARE(sent(), expected);

    // The next press starts a new touch.
    QTest::mouseClick(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    QCOMPARE(sent(), QStringList({"touch down 20 40", "touch up 20 40"}));
}

void OpenGLWidgetTest::mouseEdge_data()
{
    QTest::addColumn<int>("y");
    QTest::addColumn<Qt::MouseButtons>("buttons");
    QTest::addColumn<bool>("edge");

    QTest::newRow("top") << 0 << Qt::MouseButtons() << true;
    QTest::newRow("19 from the top") << 19 << Qt::MouseButtons() << true;
    QTest::newRow("20 from the top") << 20 << Qt::MouseButtons() << false;
    QTest::newRow("middle") << 180 << Qt::MouseButtons() << false;
    QTest::newRow("height - 20") << 340 << Qt::MouseButtons() << false;
    QTest::newRow("height - 19") << 341 << Qt::MouseButtons() << true;
    QTest::newRow("top with a button held") << 5 << Qt::MouseButtons(Qt::RightButton) << false;
}

void OpenGLWidgetTest::mouseEdge()
{
    QFETCH(int, y);
    QFETCH(Qt::MouseButtons, buttons);
    QFETCH(bool, edge);

    QSignalSpy spy(m_display, &OpenGLWidget::onMouseEdge);
    move(QPoint(300, y), buttons);

    QCOMPARE(spy.count(), edge ? 1 : 0);
    QCOMPARE(sent(), QStringList());
}

void OpenGLWidgetTest::movesAlsoReachTheParent()
{
    struct MoveCounter : QObject
    {
        int moves = 0;
        bool eventFilter(QObject *, QEvent *event) override
        {
            moves += event->type() == QEvent::MouseMove ? 1 : 0;
            return false;
        }
    } counter;
    m_window->setMouseTracking(true);
    m_window->installEventFilter(&counter);

    move(QPoint(300, 5));
    QTest::mousePress(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    move(QPoint(20, 20), Qt::LeftButton);
    QTest::mouseRelease(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(20, 20));
    m_display->setMouseCanLock(1);
    m_display->mouseFPS(true);
    move(centre() + QPoint(6, 0));
    QCOMPARE(counter.moves, 3);
    QCOMPARE(sent(), QStringList({"touch down 20 20", "touch move 40 40", "touch up 40 40",
                                  "offset 4 0"}));
    m_window->removeEventFilter(&counter);
}

void OpenGLWidgetTest::wheel_data()
{
    QTest::addColumn<QPoint>("pixel");
    QTest::addColumn<QPoint>("angle");
    QTest::addColumn<Qt::ScrollPhase>("phase");
    QTest::addColumn<QStringList>("expected");
    QTest::addColumn<QStringList>("log");

    const QString pixelNull = "scrolled pixel is null";
    // At (10.7, 20.9): truncated to (10, 20), guest (20, 40).
    QTest::newRow("mouse wheel away from the user")
        << QPoint() << QPoint(0, 120) << Qt::NoScrollPhase
        << QStringList({"wheel 0 120 at 20 40"})
        << QStringList({pixelNull, "mouse wheel scroll 0 120"});
    QTest::newRow("touchpad update: pixels first")
        << QPoint(3, -4) << QPoint(24, -32) << Qt::ScrollUpdate
        << QStringList({"wheel 3 -4 at 20 40"}) << QStringList({"mouse wheel scroll 3 -4"});
    QTest::newRow("touchpad momentum") << QPoint(0, 5) << QPoint(0, 40) << Qt::ScrollMomentum
                                       << QStringList({"wheel 0 5 at 20 40"})
                                       << QStringList({"mouse wheel scroll 0 5"});
    QTest::newRow("a sum of two is enough")
        << QPoint(1, -1) << QPoint() << Qt::NoScrollPhase << QStringList({"wheel 1 -1 at 20 40"})
        << QStringList({"mouse wheel scroll 1 -1"});
    QTest::newRow("pixel delta (0, 1) is too small")
        << QPoint(0, 1) << QPoint(0, 120) << Qt::NoScrollPhase << QStringList() << QStringList();
    QTest::newRow("angle delta (1, 0) is too small")
        << QPoint() << QPoint(1, 0) << Qt::NoScrollPhase << QStringList()
        << QStringList({pixelNull});
    QTest::newRow("no delta at all") << QPoint() << QPoint() << Qt::NoScrollPhase
                                     << QStringList() << QStringList({pixelNull});
    QTest::newRow("touchpad begin") << QPoint(0, 10) << QPoint(0, 80) << Qt::ScrollBegin
                                    << QStringList() << QStringList();
    QTest::newRow("touchpad end") << QPoint(0, 10) << QPoint(0, 80) << Qt::ScrollEnd
                                  << QStringList() << QStringList();
}

void OpenGLWidgetTest::wheel()
{
    QFETCH(QPoint, pixel);
    QFETCH(QPoint, angle);
    QFETCH(Qt::ScrollPhase, phase);
    QFETCH(QStringList, expected);
    QFETCH(QStringList, log);

    LogCapture capture;
    sendWheel(QPointF(10.7, 20.9), pixel, angle, phase);

    QCOMPARE(sent(), expected);
    QCOMPARE(capture.messages(), log);
}

void OpenGLWidgetTest::ctrlWheelZoomsAroundAFixedAnchor()
{
    LogCapture log;
    QTest::keyPress(m_display, Qt::Key_Control);
    sendWheel(QPointF(100.9, 50.2), QPoint(), QPoint(0, 120));
    sendWheel(QPointF(300, 200), QPoint(), QPoint(0, -120));
    sendWheel(QPointF(10, 10), QPoint(0, 7), QPoint());
    // Ctrl is still down: the gesture goes on however far the pointer goes.
    move(QPoint(400, 300));
    QCOMPARE(sent(), QStringList({"key 29 down", "zoom 200 100 step -20", "zoom 200 100 step 20",
                                  "zoom 200 100 step -20"}));

    QTest::keyRelease(m_display, Qt::Key_Control);
    move(QPoint(120, 70)); // 40 from the anchor (100, 50)
    QCOMPARE(sent(), QStringList({"key 29 up"}));
    QCOMPARE(log.count("zoom terminate"), 0);

    move(QPoint(121, 70)); // 41
    move(QPoint(500, 300));
    QCOMPARE(sent(), QStringList({"zoom 200 100 step 0"}));
    QCOMPARE(log.count("zoom terminate"), 1);

    // Without Ctrl the wheel scrolls; with it again, a new gesture anchors anew.
    sendWheel(QPointF(30, 40), QPoint(), QPoint(0, 120));
    QTest::keyPress(m_display, Qt::Key_Control);
    sendWheel(QPointF(30, 40), QPoint(), QPoint(0, -120));
    QCOMPARE(sent(), QStringList({"wheel 0 120 at 60 80", "key 29 down", "zoom 60 80 step 20"}));
}

void OpenGLWidgetTest::rightReleaseWithoutCanLockDoesNothing()
{
    QTest::mouseClick(m_display, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    m_display->setMouseCanLock(0);
    QTest::mouseClick(m_display, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    m_display->setMouseCanLock(-1);
    QTest::mouseClick(m_display, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));

    QCOMPARE(sent(), QStringList());
    QCOMPARE(m_display->cursor().shape(), Qt::ArrowCursor);
}

void OpenGLWidgetTest::rightReleaseTogglesTheMouseLock()
{
    m_display->setMouseCanLock(2);
    QTest::mouseClick(m_display, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(sent(), QStringList({"right 1 1"}));
    QCOMPARE(m_display->cursor().shape(), Qt::BlankCursor);
    QCOMPARE(QCursor::pos(), m_display->mapToGlobal(QPoint(320, 180)));

    QTest::mouseClick(m_display, Qt::RightButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(sent(), QStringList({"right 1 0"}));
    QCOMPARE(m_display->cursor().shape(), Qt::ArrowCursor);
}

void OpenGLWidgetTest::lockedMouseOffsets_data()
{
    QTest::addColumn<QSize>("screen");
    QTest::addColumn<QPoint>("diff");
    QTest::addColumn<QString>("expected");

    QTest::newRow("1920 x 1080") << kScreen1080 << QPoint(96, -54) << "offset 64 -36";
    QTest::newRow("1920 x 1080, one pixel") << kScreen1080 << QPoint(1, 1) << "offset 1 1";
    QTest::newRow("1920 x 1080, left and down") << kScreen1080 << QPoint(-3, 2) << "offset -2 1";
    // Halves round away from zero.
    QTest::newRow("2560 x 1440, halves") << QSize(2560, 1440) << QPoint(1, -1) << "offset 1 -1";
    QTest::newRow("2560 x 1440, one and a half")
        << QSize(2560, 1440) << QPoint(3, 5) << "offset 2 3";
    QTest::newRow("1280 x 720") << QSize(1280, 720) << QPoint(-7, 9) << "offset -7 9";
    QTest::newRow("a screen without a size") << QSize() << QPoint(5, -6) << "offset 5 -6";
}

void OpenGLWidgetTest::lockedMouseOffsets()
{
    QFETCH(QSize, screen);
    QFETCH(QPoint, diff);
    QFETCH(QString, expected);

    buildWindow(screen);
    m_display->setMouseCanLock(1);
    m_display->mouseFPS(true);
    LogCapture log;
    move(centre() + diff);

    QCOMPARE(sent(), QStringList({expected}));
    QCOMPARE(log.startingWith("fps mouse diff"),
             QStringList({QString("fps mouse diff %1 %2").arg(diff.x()).arg(diff.y())}));
    QCOMPARE(QCursor::pos(), m_display->mapToGlobal(centre()));
}

void OpenGLWidgetTest::lockedMouseOnTheCentreSendsNothing()
{
    m_display->setMouseCanLock(1);
    m_display->mouseFPS(true);
    LogCapture log;
    move(centre());

    QCOMPARE(sent(), QStringList());
    QVERIFY(log.count("fps mouse moved but diff zero") >= 1);
    QCOMPARE(log.startingWith("fps mouse diff"), QStringList());
}

void OpenGLWidgetTest::lockedMouseLeftButtonIsTheGuestMouseButton()
{
    m_display->setMouseCanLock(1);
    m_display->mouseFPS(true);
    QTest::mousePress(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    move(centre() + QPoint(3, 0), Qt::LeftButton);
    QTest::mouseRelease(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));

    QCOMPARE(sent(), QStringList({"left down", "offset 2 0", "left up"}));
}

void OpenGLWidgetTest::lockWithoutCanLockKeepsTouches()
{
    m_display->mouseFPS(true);
    QCOMPARE(m_display->cursor().shape(), Qt::BlankCursor);
    QTest::mousePress(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    move(QPoint(20, 10), Qt::LeftButton);
    QTest::mouseRelease(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(20, 10));

    QCOMPARE(sent(), QStringList({"touch down 20 20", "touch move 40 20", "touch up 40 20"}));
    m_display->mouseFPS(false);
    QCOMPARE(m_display->cursor().shape(), Qt::ArrowCursor);
}

void OpenGLWidgetTest::guestWindowSizeFollowsTheWidget()
{
    m_display->resize(320, 180);
    QTest::mouseClick(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(160, 90));
    QCOMPARE(sent(), QStringList({"touch down 640 360", "touch up 640 360"}));

    m_display->hide();
    vinput_set_window_size(1280, 720);
    m_display->showDisplay();
    QVERIFY(m_display->isVisible());
    QTest::mouseClick(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(160, 90));
    QCOMPARE(sent(), QStringList({"touch down 640 360", "touch up 640 360"}));

    vinput_set_window_size(1280, 720);
    m_display->updateOpenGL();
    QTest::mouseClick(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(80, 45));
    QCOMPARE(sent(), QStringList({"touch down 320 180", "touch up 320 180"}));
}

void OpenGLWidgetTest::committedTextGoesToTheInputMethodAsUtf8()
{
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("\xE4\xBD\xA0\xE5\xA5\xBD")); // 你好
    QCoreApplication::sendEvent(m_display, &commit);
    QCOMPARE(m_text.readRaw(10).toHex(' '), QByteArray("00 00 00 06 e4 bd a0 e5 a5 bd"));

    QInputMethodEvent preedit(QStringLiteral("ni"), {});
    QCoreApplication::sendEvent(m_display, &preedit);
    QInputMethodEvent nothing;
    QCoreApplication::sendEvent(m_display, &nothing);
    QInputMethodEvent plain;
    plain.setCommitString(QStringLiteral("a"));
    QCoreApplication::sendEvent(m_display, &plain);

    QCOMPARE(m_text.texts(), std::optional<QStringList>(QStringList({"a"})));
    QCOMPARE(sent(), QStringList());
}

// The input method consumes the Space press that commits its text; the
// release still reaches the widget and must not go to the guest alone.
void OpenGLWidgetTest::releaseWhosePressTheInputMethodTookSendsNothing()
{
    QInputMethodEvent commit;
    commit.setCommitString(QString::fromUtf8("\xE4\xBD\xA0\xE5\xA5\xBD")); // 你好
    QCoreApplication::sendEvent(m_display, &commit);
    QTest::keyRelease(m_display, Qt::Key_Space);
    QCOMPARE(m_text.texts(), std::optional<QStringList>(QStringList({QString::fromUtf8("\xE4\xBD\xA0\xE5\xA5\xBD")})));
    QCOMPARE(sent(), QStringList());

    QTest::keyClick(m_display, Qt::Key_Space);
    QTest::keyRelease(m_display, Qt::Key_Space);
    QCOMPARE(sent(), QStringList({"key 57 down", "key 57 up"}));
}

void OpenGLWidgetTest::focusMovingAwayReleasesWhatIsHeld()
{
    QTest::keyPress(m_display, Qt::Key_A);
    QTest::keyPress(m_display, Qt::Key_Shift);
    QTest::keyPress(m_display, Qt::Key_Control);
    QTest::keyClick(m_display, Qt::Key_CapsLock);
    QTest::keyPress(m_display, Qt::Key_Meta);
    QTest::keyPress(m_display, Qt::Key_B);
    QTest::keyRelease(m_display, Qt::Key_B);
    QTest::mousePress(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(10, 20));
    move(QPoint(30, 40), Qt::LeftButton);
    QCOMPARE(sent().size(), 12);

    m_other->setFocus();
    QCOMPARE(QApplication::focusWidget(), m_other);
    QCOMPARE(sent(), QStringList({"key 29 up", "key 30 up", "key 42 up", "touch up 60 80"}));

    // Nothing is held any more: Ctrl + wheel scrolls, the left release ends nothing.
    sendWheel(QPointF(10, 10), QPoint(), QPoint(0, 120));
    QTest::mouseRelease(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(30, 40));
    m_display->setFocus();
    m_other->setFocus();
    QCOMPARE(sent(), QStringList({"wheel 0 120 at 20 20"}));
}

void OpenGLWidgetTest::windowDeactivationReleasesLockedButtonAndZoom()
{
    QTest::keyPress(m_display, Qt::Key_Control);
    sendWheel(QPointF(100, 50), QPoint(), QPoint(0, 120));
    m_display->setMouseCanLock(1);
    m_display->mouseFPS(true);
    QTest::mousePress(m_display, Qt::LeftButton, Qt::NoModifier, QPoint(10, 10));
    QCOMPARE(sent(), QStringList({"key 29 down", "zoom 200 100 step -20", "left down"}));

    LogCapture log;
    QWidget elsewhere;
    elsewhere.setGeometry(700, 0, 100, 100);
    elsewhere.show();
    QApplication::setActiveWindow(&elsewhere);
    QVERIFY(QTest::qWaitForWindowActive(&elsewhere));
    QVERIFY(!m_display->hasFocus());

    QCOMPARE(sent(), QStringList({"key 29 up", "left up", "zoom 200 100 step 0"}));
    QCOMPARE(log.count("zoom terminate"), 1);
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    OpenGLWidgetTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "OpenGLWidgetTest.moc"
