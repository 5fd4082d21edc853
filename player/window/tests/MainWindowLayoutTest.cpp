#include "window/MainWindowLayout.h"

#include <QtTest>

// The main window's geometry rules, against figures worked out by hand from
// the window's layout rules (single-precision ratios, truncated results).
class MainWindowLayoutTest : public QObject
{
    Q_OBJECT

private slots:
    void placesDisplayAndToolBar_data();
    void placesDisplayAndToolBar();
    void splashFollowsTitleBar_data();
    void splashFollowsTitleBar();
    void heightForWidthKeepsAspect_data();
    void heightForWidthKeepsAspect();
    void refitAndSavedHeightAgree_data();
    void refitAndSavedHeightAgree();
    void slideTargetsSitOnTheEdge_data();
    void slideTargetsSitOnTheEdge();
    void edgeZone_data();
    void edgeZone();
};

void MainWindowLayoutTest::placesDisplayAndToolBar_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<QSize>("guest");
    QTest::addColumn<bool>("natural");
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<QRect>("display");
    QTest::addColumn<QRect>("toolBar");
    QTest::addColumn<bool>("barsInside");

    const QSize hd(1280, 720);
    QTest::newRow("windowed upright") << QSize(1280, 804) << hd << true << false
                                      << QRect(2, 36, 1276, 715) << QRect(2, 754, 1276, 48) << true;
    QTest::newRow("windowed turned") << QSize(480, 804) << hd << false << false
                                     << QRect(2, 36, 426, 766) << QRect(430, 36, 48, 766) << true;
    QTest::newRow("full screen upright, display fills the screen")
        << QSize(1920, 1080) << hd << true << true << QRect(0, 0, 1920, 1080) << QRect(0, 1080, 1920, 48)
        << false;
    QTest::newRow("full screen upright, room for the bars")
        << QSize(1920, 1200) << QSize(1920, 1080) << true << true << QRect(0, 60, 1920, 1080)
        << QRect(0, 1152, 1920, 48) << true;
    QTest::newRow("full screen upright, narrower guest fitted to the height")
        << QSize(1920, 1080) << QSize(1280, 800) << true << true << QRect(96, 0, 1728, 1080)
        << QRect(0, 1080, 1920, 48) << false;
    QTest::newRow("full screen turned, display centred across")
        << QSize(1920, 1080) << hd << false << true << QRect(656, 0, 607, 1080) << QRect(1920, 36, 48, 1044)
        << false;
    QTest::newRow("full screen turned, wider than the screen fitted to the width")
        << QSize(500, 1080) << hd << false << true << QRect(0, 96, 500, 888) << QRect(452, 36, 48, 1044) << true;
    QTest::newRow("guest size not known yet") << QSize(800, 600) << QSize(0, 0) << true << false
                                              << QRect(2, 36, 796, 514) << QRect(2, 550, 796, 48) << true;
}

void MainWindowLayoutTest::placesDisplayAndToolBar()
{
    QFETCH(QSize, window);
    QFETCH(QSize, guest);
    QFETCH(bool, natural);
    QFETCH(bool, fullScreen);
    QFETCH(QRect, display);
    QFETCH(QRect, toolBar);
    QFETCH(bool, barsInside);

    const MainWindowLayout layout(window, guest, natural, fullScreen);
    QCOMPARE(layout.display(), display);
    QCOMPARE(layout.toolBar(), toolBar);
    QCOMPARE(layout.barsInside(), barsInside);
    QCOMPARE(layout.margin(), fullScreen ? 0 : 2);
    QCOMPARE(layout.tipsTop(), fullScreen ? 0 : 36);
}

void MainWindowLayoutTest::splashFollowsTitleBar_data()
{
    QTest::addColumn<QSize>("window");
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<bool>("titleBarShown");
    QTest::addColumn<QRect>("splash");

    QTest::newRow("windowed") << QSize(1280, 804) << false << true << QRect(2, 36, 1276, 718);
    QTest::newRow("full screen, bars hidden") << QSize(1920, 1080) << true << false << QRect(0, 0, 1920, 1080);
    QTest::newRow("full screen, title bar shown") << QSize(1920, 1080) << true << true
                                                  << QRect(0, 36, 1920, 996);
}

void MainWindowLayoutTest::splashFollowsTitleBar()
{
    QFETCH(QSize, window);
    QFETCH(bool, fullScreen);
    QFETCH(bool, titleBarShown);
    QFETCH(QRect, splash);
    const MainWindowLayout layout(window, QSize(1280, 720), true, fullScreen);
    QCOMPARE(layout.splash(titleBarShown), splash);
}

void MainWindowLayoutTest::heightForWidthKeepsAspect_data()
{
    QTest::addColumn<QSize>("guest");
    QTest::addColumn<bool>("natural");
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("height");

    QTest::newRow("upright, guest width") << QSize(1280, 720) << true << 1280 << 804;
    QTest::newRow("upright, truncated") << QSize(1280, 720) << true << 1000 << 646;
    QTest::newRow("turned") << QSize(1280, 720) << false << 480 << 804;
    QTest::newRow("turned, narrower") << QSize(1280, 720) << false << 300 << 484;
    QTest::newRow("4:3 upright") << QSize(800, 600) << true << 800 << 684;
    QTest::newRow("guest unknown: height free") << QSize(0, 0) << true << 800 << -1;
}

void MainWindowLayoutTest::heightForWidthKeepsAspect()
{
    QFETCH(QSize, guest);
    QFETCH(bool, natural);
    QFETCH(int, width);
    QFETCH(int, height);
    QCOMPARE(MainWindowLayout::heightForWidth(width, guest, natural), height);
}

// After a turn the window keeps its height and takes the width of the new
// aspect; a saved display height gives back the window it was saved from.
void MainWindowLayoutTest::refitAndSavedHeightAgree_data()
{
    QTest::addColumn<bool>("natural");
    QTest::addColumn<int>("windowHeight");
    QTest::addColumn<int>("refitWidth");
    QTest::addColumn<int>("savedHeight");
    QTest::addColumn<QSize>("restored");

    QTest::newRow("upright") << true << 804 << 1280 << 720 << QSize(1280, 804);
    QTest::newRow("turned") << false << 804 << 480 << 768 << QSize(480, 804);
    QTest::newRow("turned, truncated width") << false << 802 << 478 << 766 << QSize(478, 802);
}

void MainWindowLayoutTest::refitAndSavedHeightAgree()
{
    QFETCH(bool, natural);
    QFETCH(int, windowHeight);
    QFETCH(int, refitWidth);
    QFETCH(int, savedHeight);
    QFETCH(QSize, restored);
    const QSize guest(1280, 720);
    QCOMPARE(MainWindowLayout::widthForHeight(windowHeight, guest, natural), refitWidth);
    QCOMPARE(MainWindowLayout::displayHeightForWindow(windowHeight, natural), savedHeight);
    QCOMPARE(MainWindowLayout::windowForDisplayHeight(savedHeight, guest, natural), restored);
}

void MainWindowLayoutTest::slideTargetsSitOnTheEdge_data()
{
    QTest::addColumn<bool>("natural");
    QTest::addColumn<bool>("show");
    QTest::addColumn<QRect>("target");

    QTest::newRow("upright, showing") << true << true << QRect(0, 1032, 1920, 48);
    QTest::newRow("upright, hiding") << true << false << QRect(0, 1080, 1920, 48);
    QTest::newRow("turned, showing") << false << true << QRect(1872, 36, 48, 1044);
    QTest::newRow("turned, hiding") << false << false << QRect(1920, 36, 48, 1044);
}

void MainWindowLayoutTest::slideTargetsSitOnTheEdge()
{
    QFETCH(bool, natural);
    QFETCH(bool, show);
    QFETCH(QRect, target);
    const MainWindowLayout layout(QSize(1920, 1080), QSize(1280, 720), natural, true);
    QCOMPARE(layout.toolBarSlideTarget(show), target);
}

void MainWindowLayoutTest::edgeZone_data()
{
    QTest::addColumn<QPoint>("pos");
    QTest::addColumn<bool>("natural");
    QTest::addColumn<bool>("atEdge");

    QTest::newRow("top") << QPoint(400, 19) << true << true;
    QTest::newRow("below the top zone") << QPoint(400, 20) << true << false;
    QTest::newRow("bottom") << QPoint(400, 581) << true << true;
    QTest::newRow("above the bottom zone") << QPoint(400, 580) << true << false;
    QTest::newRow("right edge, upright") << QPoint(781, 300) << true << false;
    QTest::newRow("right edge, turned") << QPoint(781, 300) << false << true;
    QTest::newRow("beside the right zone, turned") << QPoint(780, 300) << false << false;
}

void MainWindowLayoutTest::edgeZone()
{
    QFETCH(QPoint, pos);
    QFETCH(bool, natural);
    QFETCH(bool, atEdge);
    QCOMPARE(MainWindowLayout::atEdge(pos, QSize(800, 600), natural), atEdge);
}

QTEST_APPLESS_MAIN(MainWindowLayoutTest)
#include "MainWindowLayoutTest.moc"
