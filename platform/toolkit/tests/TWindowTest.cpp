#include "OffscreenTestMain.h"
#include "PointerScript.h"

#include "TIconButton.h"
#include "TTitleBar.h"
#include "TWindow.h"

#include <QPushButton>
#include <QScreen>

namespace {
const QRect kStart(100, 100, 400, 336);

// A window with the aspect 4:3 plus the title bar when asked, counting how
// often the toolkit calls its virtual operations.
class ProbeWindow : public TWindow
{
public:
    using TWindow::TWindow;

    int heightForWidth(int width) override
    {
        ++heightQueries;
        return keepAspect ? width * 3 / 4 + TTitleBar::defaultHeight : TWindow::heightForWidth(width);
    }

    void layoutChild() override
    {
        TWindow::layoutChild();
        ++layouts;
    }

    void setFullScreen(bool on) override
    {
        ++fullScreenCalls;
        TWindow::setFullScreen(on);
    }

    TTitleBar *titleBar() const { return m_titleBar; }
    bool titleBarShown() const { return m_titleBarShown; }

    bool keepAspect = false;
    int heightQueries = 0;
    int layouts = 0;
    int fullScreenCalls = 0;
};

template<typename T>
T *child(QWidget *parent, const char *name)
{
    T *found = parent->findChild<T *>(QLatin1String(name));
    if (!found)
        qWarning("no child %s", name);
    return found;
}
}

class TWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void layoutChildFollowsClientArea();
    void edgeResize_data();
    void edgeResize();
    void resizeStaysOnScreen();
    void fixedWindowIgnoresEdges();
    void titleBarDragMovesWindow();
    void fullScreenRoundTrip();
    void noGesturesInFullScreen();
    void toggleTitleBar_data();
    void toggleTitleBar();
    void titleBarButtons();
    void doubleClickOnTitleBar();
    void edgeCursor_data();
    void edgeCursor();
    void titleFollowsWindowTitle();

private:
    void showWindow(bool resizable = true, bool windowButtons = true);

    ProbeWindow *m_window = nullptr;
};

void TWindowTest::init()
{
    QTest::lastMouseTimestamp += QTest::mouseDoubleClickInterval;
}

void TWindowTest::cleanup()
{
    delete m_window;
    m_window = nullptr;
}

void TWindowTest::showWindow(bool resizable, bool windowButtons)
{
    m_window = new ProbeWindow(nullptr, resizable, windowButtons);
    m_window->setGeometry(kStart);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QCOMPARE(m_window->geometry(), kStart);
}

void TWindowTest::layoutChildFollowsClientArea()
{
    showWindow();
    TTitleBar *bar = m_window->titleBar();

    int before = m_window->layouts;
    m_window->resize(500, 300);
    QTRY_VERIFY(m_window->layouts > before);
    QCOMPARE(bar->geometry(), QRect(0, 0, 500, TTitleBar::defaultHeight));

    before = m_window->layouts;
    m_window->setFullScreen(true);
    QVERIFY(m_window->layouts > before);
    QCOMPARE(bar->width(), m_window->screen()->geometry().width());

    before = m_window->layouts;
    m_window->toggleTitleBar(true);
    QCOMPARE(m_window->layouts, before + 1);

    before = m_window->layouts;
    m_window->setFullScreen(false);
    QVERIFY(m_window->layouts > before);
    QCOMPARE(bar->geometry(), QRect(0, 0, 500, TTitleBar::defaultHeight));
}

void TWindowTest::edgeResize_data()
{
    QTest::addColumn<bool>("keepAspect");
    QTest::addColumn<QPoint>("grab");
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<QRect>("expected");

    const int right = kStart.right();
    const int bottom = kStart.bottom();
    const int midX = kStart.center().x();
    const int midY = kStart.center().y();
    QTest::newRow("right") << true << QPoint(right, midY) << QPoint(80, 0) << QRect(100, 100, 480, 396);
    QTest::newRow("left") << true << QPoint(100, midY) << QPoint(-80, 0) << QRect(20, 100, 480, 396);
    QTest::newRow("bottom") << true << QPoint(midX, bottom) << QPoint(0, 60) << QRect(100, 100, 481, 396);
    // The top border lies on the title bar, which passes the press on.
    QTest::newRow("top") << true << QPoint(midX, 100) << QPoint(0, -60) << QRect(100, 40, 481, 396);
    QTest::newRow("bottom-right") << true << QPoint(right, bottom) << QPoint(80, 10) << QRect(100, 100, 480, 396);
    QTest::newRow("top-left") << true << QPoint(100, 100) << QPoint(-40, -100) << QRect(60, 70, 440, 366);
    QTest::newRow("shrink to minimum") << true << QPoint(right, midY) << QPoint(-1000, 0) << QRect(100, 100, 160, 156);
    QTest::newRow("free bottom-right") << false << QPoint(right, bottom) << QPoint(50, 30) << QRect(100, 100, 450, 366);
    QTest::newRow("free top to minimum") << false << QPoint(midX, 100) << QPoint(0, 1000)
                                        << QRect(100, 392, 400, TTitleBar::defaultHeight + 2 * TWindow::borderWidth);
}

void TWindowTest::edgeResize()
{
    QFETCH(bool, keepAspect);
    QFETCH(QPoint, grab);
    QFETCH(QPoint, delta);
    QFETCH(QRect, expected);

    showWindow();
    m_window->keepAspect = keepAspect;
    const int layoutsBefore = m_window->layouts;

    PointerScript pointer(m_window);
    pointer.drag(grab, grab + delta);

    QTRY_COMPARE(m_window->geometry(), expected);
    QVERIFY(m_window->layouts > layoutsBefore);
    QCOMPARE(m_window->heightQueries > 0, true);
    if (keepAspect)
        QCOMPARE(expected.height(), expected.width() * 3 / 4 + TTitleBar::defaultHeight);
}

void TWindowTest::resizeStaysOnScreen()
{
    showWindow();
    m_window->keepAspect = true;
    const QRect available = m_window->screen()->availableGeometry();

    PointerScript pointer(m_window);
    const QPoint grab(kStart.right(), kStart.center().y());
    pointer.drag(grab, grab + QPoint(3000, 0));

    const QSize size = m_window->size();
    QVERIFY(size.width() <= available.width());
    QVERIFY(size.height() <= available.height());
    QCOMPARE(size.height(), size.width() * 3 / 4 + TTitleBar::defaultHeight);
    // As wide as the screen allows: one pixel more would not fit.
    const bool widthBound = size.width() == available.width();
    const bool heightBound = (size.width() + 1) * 3 / 4 + TTitleBar::defaultHeight > available.height();
    QVERIFY(widthBound || heightBound);
}

void TWindowTest::fixedWindowIgnoresEdges()
{
    showWindow(false, false);
    PointerScript pointer(m_window);
    pointer.drag(QPoint(kStart.right(), kStart.center().y()), QPoint(kStart.right() + 50, kStart.center().y()));
    pointer.drag(kStart.bottomRight(), kStart.bottomRight() + QPoint(30, 30));
    QCOMPARE(m_window->geometry(), kStart);
}

void TWindowTest::titleBarDragMovesWindow()
{
    showWindow();
    PointerScript pointer(m_window);
    const QPoint onTitle = kStart.topLeft() + QPoint(150, 18);
    pointer.moveTo(onTitle);
    pointer.press(onTitle);
    pointer.moveTo(onTitle + QPoint(20, 10));
    pointer.moveTo(onTitle + QPoint(50, 40));
    pointer.release(onTitle + QPoint(50, 40));
    QTRY_COMPARE(m_window->geometry(), kStart.translated(50, 40));

    // After the release the pointer moves freely again.
    pointer.moveTo(onTitle + QPoint(120, 90));
    QCOMPARE(m_window->geometry(), kStart.translated(50, 40));
}

void TWindowTest::fullScreenRoundTrip()
{
    showWindow();
    TTitleBar *bar = m_window->titleBar();
    auto *fullScreenButton = child<TIconButton>(bar, "fullScreenButton");
    QVERIFY(fullScreenButton);
    QCOMPARE(fullScreenButton->toolTip(), QStringLiteral("Full Screen"));

    m_window->setFullScreen(true);
    QVERIFY(m_window->fullScreen());
    QVERIFY(m_window->windowState() & Qt::WindowFullScreen);
    QTRY_COMPARE(m_window->geometry(), m_window->screen()->geometry());
    QVERIFY(!m_window->titleBarShown());
    QCOMPARE(bar->geometry().bottom(), -1);
    QCOMPARE(fullScreenButton->toolTip(), QStringLiteral("Exit Full Screen"));

    const int layouts = m_window->layouts;
    m_window->setFullScreen(true);
    QCOMPARE(m_window->layouts, layouts);

    m_window->setFullScreen(false);
    QVERIFY(!m_window->fullScreen());
    QVERIFY(!(m_window->windowState() & Qt::WindowFullScreen));
    QTRY_COMPARE(m_window->geometry(), kStart);
    QVERIFY(m_window->titleBarShown());
    QCOMPARE(bar->geometry(), QRect(0, 0, kStart.width(), TTitleBar::defaultHeight));
    QCOMPARE(fullScreenButton->toolTip(), QStringLiteral("Full Screen"));
}

void TWindowTest::noGesturesInFullScreen()
{
    showWindow();
    m_window->setFullScreen(true);
    m_window->toggleTitleBar(true);
    const QRect screen = m_window->screen()->geometry();
    QTRY_COMPARE(m_window->geometry(), screen);

    PointerScript pointer(m_window);
    pointer.drag(screen.topLeft() + QPoint(100, 18), screen.topLeft() + QPoint(160, 60));
    pointer.drag(QPoint(screen.right(), screen.center().y()), screen.center());
    QCOMPARE(m_window->geometry(), screen);
}

void TWindowTest::toggleTitleBar_data()
{
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<bool>("show");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<int>("barTop");
    QTest::addColumn<int>("extraLayouts");

    QTest::newRow("windowed, hide is ignored") << false << false << true << 0 << 0;
    QTest::newRow("windowed, show is ignored") << false << true << true << 0 << 0;
    QTest::newRow("full screen, show") << true << true << true << 0 << 1;
    QTest::newRow("full screen, hide") << true << false << false << -TTitleBar::defaultHeight << 1;
}

void TWindowTest::toggleTitleBar()
{
    QFETCH(bool, fullScreen);
    QFETCH(bool, show);
    QFETCH(bool, shown);
    QFETCH(int, barTop);
    QFETCH(int, extraLayouts);

    showWindow();
    m_window->setFullScreen(fullScreen);
    if (fullScreen)
        m_window->toggleTitleBar(!show);
    const int layouts = m_window->layouts;

    m_window->toggleTitleBar(show);
    QCOMPARE(m_window->titleBarShown(), shown);
    QCOMPARE(m_window->titleBar()->y(), barTop);
    QCOMPARE(m_window->layouts, layouts + extraLayouts);
}

void TWindowTest::titleBarButtons()
{
    showWindow();
    TTitleBar *bar = m_window->titleBar();
    QSignalSpy minimised(bar, &TTitleBar::minimiseClicked);
    QSignalSpy closed(bar, &TTitleBar::closeClicked);

    QTest::mouseClick(child<TIconButton>(bar, "fullScreenButton"), Qt::LeftButton);
    QCOMPARE(m_window->fullScreenCalls, 1);
    QVERIFY(m_window->fullScreen());
    m_window->toggleTitleBar(true);
    QTest::mouseClick(child<TIconButton>(bar, "fullScreenButton"), Qt::LeftButton);
    QCOMPARE(m_window->fullScreenCalls, 2);
    QVERIFY(!m_window->fullScreen());

    QTest::mouseClick(child<TIconButton>(bar, "minimiseButton"), Qt::LeftButton);
    QCOMPARE(minimised.count(), 1);
    QTRY_VERIFY(m_window->isMinimized());

    m_window->showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
    QTest::mouseClick(child<TIconButton>(bar, "closeButton"), Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QTRY_VERIFY(!m_window->isVisible());
}

void TWindowTest::doubleClickOnTitleBar()
{
    showWindow();
    QTest::mouseDClick(m_window, Qt::LeftButton, Qt::NoModifier, QPoint(150, 18));
    QCOMPARE(m_window->fullScreenCalls, 1);
    QVERIFY(m_window->fullScreen());
    cleanup();

    showWindow(false, false);
    TTitleBar *bar = m_window->titleBar();
    QVERIFY(!child<TIconButton>(bar, "minimiseButton")->isVisibleTo(bar));
    QVERIFY(!child<TIconButton>(bar, "fullScreenButton")->isVisibleTo(bar));
    QVERIFY(child<TIconButton>(bar, "closeButton")->isVisibleTo(bar));
    QTest::mouseDClick(m_window, Qt::LeftButton, Qt::NoModifier, QPoint(150, 18));
    QCOMPARE(m_window->fullScreenCalls, 0);
}

void TWindowTest::edgeCursor_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<int>("shape");

    QTest::newRow("right") << QPoint(399, 200) << int(Qt::SizeHorCursor);
    QTest::newRow("left") << QPoint(1, 200) << int(Qt::SizeHorCursor);
    QTest::newRow("top, over the title bar") << QPoint(150, 0) << int(Qt::SizeVerCursor);
    QTest::newRow("top-left") << QPoint(0, 0) << int(Qt::SizeFDiagCursor);
    QTest::newRow("bottom-left") << QPoint(0, 335) << int(Qt::SizeBDiagCursor);
    QTest::newRow("inside") << QPoint(200, 200) << int(Qt::ArrowCursor);
    QTest::newRow("bottom, over a child that takes presses") << QPoint(200, 334) << int(Qt::ArrowCursor);
}

void TWindowTest::edgeCursor()
{
    QFETCH(QPoint, at);
    QFETCH(int, shape);

    showWindow();
    auto *footer = new QPushButton(m_window);
    footer->setObjectName(QStringLiteral("footer"));
    footer->setGeometry(100, 316, 200, 20);
    footer->show();

    PointerScript pointer(m_window);
    pointer.moveTo(kStart.topLeft() + QPoint(200, 150));
    pointer.moveTo(kStart.topLeft() + at);
    QCOMPARE(int(m_window->cursor().shape()), shape);

    pointer.moveTo(kStart.topLeft() + QPoint(200, 150));
    QCOMPARE(int(m_window->cursor().shape()), int(Qt::ArrowCursor));
}

void TWindowTest::titleFollowsWindowTitle()
{
    showWindow();
    m_window->setWindowTitle(QStringLiteral("Player"));
    QCOMPARE(m_window->titleBar()->title(), QStringLiteral("Player"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Player"));

    static_cast<QWidget *>(m_window)->setWindowTitle(QStringLiteral("Through QWidget"));
    QCOMPARE(m_window->titleBar()->title(), QStringLiteral("Through QWidget"));
}

TOOLKIT_OFFSCREEN_TEST_MAIN(TWindowTest)
#include "TWindowTest.moc"
