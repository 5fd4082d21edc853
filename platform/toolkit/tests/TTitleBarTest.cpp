#include "OffscreenTestMain.h"

#include "TIconButton.h"
#include "TTitleBar.h"

#include <QLabel>
#include <QTranslator>

namespace {
TIconButton *barButton(TTitleBar *bar, const char *name)
{
    return bar->findChild<TIconButton *>(QLatin1String(name));
}
}

class TTitleBarTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void title();
    void buttonsShown_data();
    void buttonsShown();
    void buttonsActOnTheirWindow();
    void floatingBarStillActsOnItsWindow();
    void extraWidgetSitsBeforeTheButtons();
    void toolTipsFollowLanguage();

private:
    QWidget *m_host = nullptr;
};

void TTitleBarTest::init()
{
    m_host = new QWidget;
    m_host->setObjectName(QStringLiteral("host"));
    m_host->setGeometry(100, 100, 400, 200);
}

void TTitleBarTest::cleanup()
{
    delete m_host;
}

void TTitleBarTest::title()
{
    TTitleBar bar(m_host, false, false, nullptr);
    bar.setTitle(QStringLiteral("Settings"));
    QCOMPARE(bar.title(), QStringLiteral("Settings"));
    QCOMPARE(bar.findChild<QLabel *>(QStringLiteral("titleLabel"))->text(), QStringLiteral("Settings"));
    QCOMPARE(bar.sizeHint().height(), TTitleBar::defaultHeight);
}

void TTitleBarTest::buttonsShown_data()
{
    QTest::addColumn<bool>("minimise");
    QTest::addColumn<bool>("fullScreen");
    QTest::addColumn<bool>("onlyClose");

    for (bool minimise : {false, true}) {
        for (bool fullScreen : {false, true}) {
            for (bool onlyClose : {false, true}) {
                QTest::addRow("minimise %d, full screen %d, only close %d", minimise, fullScreen, onlyClose)
                    << minimise << fullScreen << onlyClose;
            }
        }
    }
}

void TTitleBarTest::buttonsShown()
{
    QFETCH(bool, minimise);
    QFETCH(bool, fullScreen);
    QFETCH(bool, onlyClose);

    auto *bar = new TTitleBar(m_host, minimise, fullScreen, nullptr);
    bar->setOnlyClose(true);
    bar->setOnlyClose(onlyClose);
    QCOMPARE(bar->onlyClose(), onlyClose);
    QCOMPARE(barButton(bar, "minimiseButton")->isVisibleTo(bar), minimise && !onlyClose);
    QCOMPARE(barButton(bar, "fullScreenButton")->isVisibleTo(bar), fullScreen && !onlyClose);
    QVERIFY(barButton(bar, "closeButton")->isVisibleTo(bar));
}

void TTitleBarTest::buttonsActOnTheirWindow()
{
    auto *bar = new TTitleBar(m_host, true, true, nullptr);
    bar->setGeometry(0, 0, 400, TTitleBar::defaultHeight);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host));
    QSignalSpy minimised(bar, &TTitleBar::minimiseClicked);
    QSignalSpy fullScreen(bar, &TTitleBar::fullScreenClicked);
    QSignalSpy closed(bar, &TTitleBar::closeClicked);

    // Full screen belongs to the window: the bar only announces it.
    QTest::mouseClick(barButton(bar, "fullScreenButton"), Qt::LeftButton);
    QCOMPARE(fullScreen.count(), 1);
    QVERIFY(!(m_host->windowState() & Qt::WindowFullScreen));

    QTest::mouseClick(barButton(bar, "minimiseButton"), Qt::LeftButton);
    QCOMPARE(minimised.count(), 1);
    QTRY_VERIFY(m_host->isMinimized());

    m_host->showNormal();
    QVERIFY(QTest::qWaitForWindowExposed(m_host));
    QTest::mouseClick(barButton(bar, "closeButton"), Qt::LeftButton);
    QCOMPARE(closed.count(), 1);
    QTRY_VERIFY(!m_host->isVisible());
}

// A window in full screen may float its title bar as a window of its own
// over the content; the bar's close still closes the window it belongs to.
void TTitleBarTest::floatingBarStillActsOnItsWindow()
{
    auto *bar = new TTitleBar(m_host, true, true, nullptr);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host));
    bar->setWindowFlags(bar->windowFlags() | Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    bar->setGeometry(100, 100, 400, TTitleBar::defaultHeight);
    bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(bar));
    QVERIFY(bar->isWindow());

    QTest::mouseClick(barButton(bar, "closeButton"), Qt::LeftButton);
    QTRY_VERIFY(!m_host->isVisible());
}

void TTitleBarTest::extraWidgetSitsBeforeTheButtons()
{
    auto *extra = new QLabel(QStringLiteral("extra"));
    extra->setObjectName(QStringLiteral("extra"));
    auto *bar = new TTitleBar(m_host, true, true, extra);
    bar->setGeometry(0, 0, 400, TTitleBar::defaultHeight);
    m_host->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_host));

    QCOMPARE(extra->parentWidget(), bar);
    QVERIFY(extra->isVisible());
    QVERIFY(extra->geometry().right() < barButton(bar, "minimiseButton")->x());
    QVERIFY(extra->x() > bar->findChild<QLabel *>(QStringLiteral("titleLabel"))->x());
}

void TTitleBarTest::toolTipsFollowLanguage()
{
    auto *bar = new TTitleBar(m_host, true, true, nullptr);
    TIconButton *close = barButton(bar, "closeButton");
    QCOMPARE(close->toolTip(), QStringLiteral("Close"));
    QCOMPARE(barButton(bar, "minimiseButton")->toolTip(), QStringLiteral("Minimise"));

    QTranslator translator;
    QVERIFY(translator.load(QStringLiteral(TOOLKIT_TEST_CATALOGUE)));
    QVERIFY(QCoreApplication::installTranslator(&translator));
    QTRY_COMPARE(close->toolTip(), QStringLiteral("关闭"));

    QCoreApplication::removeTranslator(&translator);
    QTRY_COMPARE(close->toolTip(), QStringLiteral("Close"));
}

TOOLKIT_OFFSCREEN_TEST_MAIN(TTitleBarTest)
#include "TTitleBarTest.moc"
