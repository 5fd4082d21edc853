#include "TTitleBar.h"
#include "TWindow.h"

#include <QApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QtTest>

// Edge resizing and title-bar dragging with real pointer input: xdotool
// drives the X server's pointer, and the window sees the same events that
// a person's mouse produces (there is no window manager, so the geometry
// that the window sets is the geometry it gets).
namespace {
const QRect kStart(200, 200, 400, 336);

class AspectWindow : public TWindow
{
public:
    using TWindow::TWindow;

    int heightForWidth(int width) override
    {
        ++heightQueries;
        return width * 3 / 4 + TTitleBar::defaultHeight;
    }

    int heightQueries = 0;
};

QString point(QPoint p)
{
    return QStringLiteral("%1 %2").arg(p.x()).arg(p.y());
}

// Presses the left button at from, moves to to and releases there.
void dragWithXdotool(QPoint from, QPoint to)
{
    const QStringList args = QStringLiteral("mousemove %1 mousedown 1 mousemove %2 mouseup 1")
                                 .arg(point(from), point(to))
                                 .split(QLatin1Char(' '));
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), args), 0);
}
}

class TWindowX11Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void edgeResizeKeepsAspect_data();
    void edgeResizeKeepsAspect();
    void titleBarDragMovesWindow();
    void fullScreenAndBack();

private:
    AspectWindow *m_window = nullptr;
};

void TWindowX11Test::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (DISPLAY)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs xdotool");
}

void TWindowX11Test::init()
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {"mousemove", "20", "20"}), 0);
    m_window = new AspectWindow(nullptr, true, true);
    m_window->setGeometry(kStart);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QTRY_COMPARE(m_window->geometry(), kStart);
}

void TWindowX11Test::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void TWindowX11Test::edgeResizeKeepsAspect_data()
{
    QTest::addColumn<QPoint>("grab");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QRect>("expected");

    QTest::newRow("right edge") << QPoint(kStart.right(), kStart.center().y()) << QPoint(80, 0)
                                << QRect(200, 200, 480, 396);
    QTest::newRow("left edge") << QPoint(kStart.left(), kStart.center().y()) << QPoint(-80, 0)
                               << QRect(120, 200, 480, 396);
    QTest::newRow("top-left corner") << kStart.topLeft() << QPoint(-40, -100) << QRect(160, 170, 440, 366);
    QTest::newRow("bottom edge, shrinking") << QPoint(kStart.center().x(), kStart.bottom()) << QPoint(0, -60)
                                            << QRect(200, 200, 321, 276);
}

void TWindowX11Test::edgeResizeKeepsAspect()
{
    QFETCH(QPoint, grab);
    QFETCH(QPoint, delta);
    QFETCH(QRect, expected);

    dragWithXdotool(grab, grab + delta);
    QTRY_COMPARE(m_window->geometry(), expected);
    QVERIFY(m_window->heightQueries > 0);
}

void TWindowX11Test::titleBarDragMovesWindow()
{
    const QPoint onTitle = kStart.topLeft() + QPoint(150, 18);
    dragWithXdotool(onTitle, onTitle + QPoint(100, 50));
    QTRY_COMPARE(m_window->geometry(), kStart.translated(100, 50));
}

void TWindowX11Test::fullScreenAndBack()
{
    m_window->setFullScreen(true);
    QTRY_COMPARE(m_window->geometry(), m_window->screen()->geometry());
    QVERIFY(m_window->windowState() & Qt::WindowFullScreen);

    m_window->setFullScreen(false);
    QTRY_COMPARE(m_window->geometry(), kStart);
    QVERIFY(!(m_window->windowState() & Qt::WindowFullScreen));

    // Windowed again, the window drags as before.
    const QPoint onTitle = kStart.topLeft() + QPoint(150, 18);
    dragWithXdotool(onTitle, onTitle + QPoint(30, 30));
    QTRY_COMPARE(m_window->geometry(), kStart.translated(30, 30));
}

// Without an X server the test still starts (on the offscreen platform) and
// reports itself skipped instead of failing to open a display.
int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    else
        qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    TWindowX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "TWindowX11Test.moc"
