// The display widget on a real X server: the host Shift tap at the first
// focus, and locked-mouse moves scaled by the real primary screen (the
// tests expect Xvfb's 1920 x 1080 screen).

#include "GuestInputPeer.h"
#include "X11Host.h"

#include "display/OpenGLWidget.h"

#include <service/server_manager.h>
#include <service/vinput.h>

#include <QApplication>
#include <QLineEdit>
#include <QScreen>
#include <QTest>

#include <X11/keysym.h>

#include <chrono>

namespace {

// Ports 25300-25399 belong to this binary.
constexpr quint16 kInputPort = 25300;

} // namespace

class OpenGLWidgetX11Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void firstFocusTapsShiftInTheHostOnce();
    void lockedMovesScaleByThePrimaryScreen();

private:
    // Adds what the guest receives to seen, while the event loop runs,
    // until the line last has arrived.
    bool collectUntil(QStringList &seen, const QString &last);

    GuestInputPeer m_guest;
};

void OpenGLWidgetX11Test::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server: run under xvfb-run -a -s '-screen 0 1920x1080x24 -noreset'");
    server_manager_init();
    vinput_start(kInputPort);
    QVERIFY(m_guest.connect(kInputPort));
}

bool OpenGLWidgetX11Test::collectUntil(QStringList &seen, const QString &last)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (std::chrono::steady_clock::now() < deadline) {
        QTest::qWait(10);
        const std::optional<QStringList> messages = m_guest.messages();
        if (!messages)
            return false;
        seen << *messages;
        if (seen.contains(last))
            return true;
    }
    return false;
}

void OpenGLWidgetX11Test::firstFocusTapsShiftInTheHostOnce()
{
    QWidget window;
    auto *display = new OpenGLWidget(&window);
    display->setGeometry(0, 0, 640, 360);
    auto *other = new QLineEdit(&window);
    other->setGeometry(0, 370, 200, 30);
    window.resize(640, 400);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    display->setFocus();
    QVERIFY(display->hasFocus());

    // The X server delivers the tap to the focused window: back to the display.
    QStringList seen;
    QVERIFY2(collectUntil(seen, "key 42 up"), qPrintable(seen.join(", ")));
    QCOMPARE(seen, QStringList({"key 42 down", "key 42 up"}));

    other->setFocus();
    display->setFocus();
    // A key typed after the second focus arrives after any tap it would cause.
    QVERIFY(x11TypeKey(XK_a));
    seen.clear();
    QVERIFY2(collectUntil(seen, "key 30 up"), qPrintable(seen.join(", ")));
    QCOMPARE(seen, QStringList({"key 30 down", "key 30 up"}));
}

void OpenGLWidgetX11Test::lockedMovesScaleByThePrimaryScreen()
{
    const QSize screen = QGuiApplication::primaryScreen()->geometry().size();
    if (screen != QSize(1920, 1080))
        QSKIP(qPrintable(QString("the primary screen is %1 x %2, not 1920 x 1080")
                             .arg(screen.width())
                             .arg(screen.height())));
    OpenGLWidget display;
    display.resize(640, 360);
    display.show();
    QVERIFY(QTest::qWaitForWindowExposed(&display));
    display.setMouseCanLock(1);
    display.mouseFPS(true);
    const QPoint centre = display.mapToGlobal(QPoint(320, 180));
    QTRY_COMPARE(QCursor::pos(), centre);

    const QPoint pos(320 + 96, 180 - 54);
    QMouseEvent moved(QEvent::MouseMove, pos, display.mapToGlobal(pos), Qt::NoButton,
                      Qt::NoButton, Qt::NoModifier);
    QCoreApplication::sendEvent(&display, &moved);
    QTRY_COMPARE(QCursor::pos(), centre);

    QStringList seen;
    QVERIFY2(collectUntil(seen, "offset 64 -36"), qPrintable(seen.join(", ")));
    // The pointer warps back to the centre meanwhile: such moves send nothing.
    QCOMPARE(seen.filter("offset"), QStringList({"offset 64 -36"}));
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    OpenGLWidgetX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "OpenGLWidgetX11Test.moc"
