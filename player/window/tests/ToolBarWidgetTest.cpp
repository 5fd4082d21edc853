#include "WindowTestMain.h"

#include "window/ToolBarWidget.h"

#include <TIconButton.h>
#include <TSwitch.h>

#include <QTranslator>

#include <memory>
#include <vector>

namespace {

// Every widget of the bar in layout order.
const QStringList kLayoutOrder = {
    QStringLiteral("screenButton"), QStringLiteral("recordButton"), QStringLiteral("locButton"),
    QStringLiteral("shakeButton"), QStringLiteral("keyboardButton"), QStringLiteral("engineSwitch"),
    QStringLiteral("settingsButton"), QStringLiteral("helpButton"), QStringLiteral("backButton"),
    QStringLiteral("homeButton"), QStringLiteral("recentsButton"),
};

const QStringList kIconButtons = {
    QStringLiteral("screenButton"), QStringLiteral("recordButton"), QStringLiteral("locButton"),
    QStringLiteral("shakeButton"), QStringLiteral("keyboardButton"), QStringLiteral("settingsButton"),
    QStringLiteral("helpButton"), QStringLiteral("backButton"), QStringLiteral("homeButton"),
    QStringLiteral("recentsButton"),
};

// The signals a feature button may emit.
const QList<QByteArray> kFeatureSignals = {
    SIGNAL(onScreenCapture()), SIGNAL(onShake()), SIGNAL(onRecord()), SIGNAL(onShowEngine()),
    SIGNAL(onShowLocationPicker()), SIGNAL(onShowSettings()), SIGNAL(onEngineSwitchValueChanged(bool)),
    SIGNAL(onNotice(QString)),
};

const QColor kBackground(0x26, 0x26, 0x26);

bool isLightRed(const QColor &colour)
{
    return colour.red() > 200 && colour.green() < 60 && colour.blue() < 60;
}

} // namespace

class ToolBarWidgetTest : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void featureButtonsEmitTheirSignal_data();
    void featureButtonsEmitTheirSignal();
    void engineSwitchEmitsOnlyWhenClicked();
    void buttonsAreDressed();

    void toolTips_data();
    void toolTips();

    void horizontalRunsLeftToRight();
    void verticalRunsTopToBottom();
    void directionChangeTurnsTheSwitch();
    void backgroundIsPaintedInBothDirections();

    void recordingLightsTheRecordButton();

private:
    template <typename T = QWidget> T *child(const QString &name)
    {
        T *widget = m_bar->findChild<T *>(name);
        if (!widget)
            qFatal("no child named %s", qPrintable(name));
        return widget;
    }

    void placeBar(bool horizontal, QSize size);

    std::unique_ptr<QWidget> m_window;
    ToolBarWidget *m_bar = nullptr;
};

// The bar lives in a window, as in the player.
void ToolBarWidgetTest::init()
{
    qputenv("TAVENOR_LOCATION_PICKER_MODULE", "/nonexistent/libtavenor_map.so");
    m_window = std::make_unique<QWidget>();
    m_window->resize(1000, 1000);
    m_bar = new ToolBarWidget(m_window.get());
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void ToolBarWidgetTest::cleanup()
{
    m_window.reset();
    m_bar = nullptr;
}

// Places the bar the way the main window does: its rectangle, its direction,
// its own size, its rectangle again.
void ToolBarWidgetTest::placeBar(bool horizontal, QSize size)
{
    const QRect rectangle(QPoint(0, 0), size);
    m_bar->setGeometry(rectangle);
    m_bar->setLayoutHorizontal(horizontal);
    m_bar->adjustSize();
    m_bar->setGeometry(rectangle);
    m_bar->show();
    // Let the layout settle after the size or direction change.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
}

void ToolBarWidgetTest::featureButtonsEmitTheirSignal_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QByteArray>("signal");

    QTest::newRow("Screen") << "screenButton" << QByteArray(SIGNAL(onScreenCapture()));
    QTest::newRow("Shake") << "shakeButton" << QByteArray(SIGNAL(onShake()));
    QTest::newRow("Record") << "recordButton" << QByteArray(SIGNAL(onRecord()));
    QTest::newRow("Keyboard") << "keyboardButton" << QByteArray(SIGNAL(onShowEngine()));
    // The picker's module is missing here: a notice, and no picker.
    QTest::newRow("Loc") << "locButton" << QByteArray(SIGNAL(onNotice(QString)));
    QTest::newRow("Settings") << "settingsButton" << QByteArray(SIGNAL(onShowSettings()));
}

void ToolBarWidgetTest::featureButtonsEmitTheirSignal()
{
    QFETCH(QString, button);
    QFETCH(QByteArray, signal);
    placeBar(true, QSize(900, 48));

    std::vector<std::unique_ptr<QSignalSpy>> spies;
    for (const QByteArray &feature : kFeatureSignals)
        spies.push_back(std::make_unique<QSignalSpy>(m_bar, feature.constData()));

    QTest::mouseClick(child(button), Qt::LeftButton);
    QTest::mouseClick(child(button), Qt::LeftButton);

    for (int i = 0; i < kFeatureSignals.size(); ++i) {
        const int expected = kFeatureSignals[i] == signal ? 2 : 0;
        QVERIFY2(spies[size_t(i)]->count() == expected, kFeatureSignals[i].constData());
    }
}

void ToolBarWidgetTest::engineSwitchEmitsOnlyWhenClicked()
{
    placeBar(true, QSize(900, 48));
    auto *engineSwitch = child<TSwitch>(QStringLiteral("engineSwitch"));
    QSignalSpy changed(m_bar, &ToolBarWidget::onEngineSwitchValueChanged);

    m_bar->onSetEngineEnable(true);
    QVERIFY(engineSwitch->value());
    m_bar->onSetEngineEnable(false);
    QVERIFY(!engineSwitch->value());
    QCOMPARE(changed.count(), 0);

    QTest::mouseClick(engineSwitch, Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.takeFirst().value(0).toBool(), true);

    m_bar->onSetEngineEnable(true);
    QTest::mouseClick(engineSwitch, Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QCOMPARE(changed.takeFirst().value(0).toBool(), false);
}

void ToolBarWidgetTest::buttonsAreDressed()
{
    for (const QString &name : kIconButtons) {
        auto *button = child<TIconButton>(name);
        QCOMPARE(button->size(), QSize(48, 48));
        QCOMPARE(button->minimumSize(), QSize(48, 48));
        QVERIFY2(!button->icon().isNull(), qPrintable(name));
        // Three states, each its own picture.
        const QImage normal = button->icon().pixmap(QSize(48, 48), QIcon::Normal).toImage();
        const QImage hover = button->icon().pixmap(QSize(48, 48), QIcon::Active).toImage();
        const QImage pressed = button->icon().pixmap(QSize(48, 48), QIcon::Selected).toImage();
        QVERIFY2(normal != hover && hover != pressed && normal != pressed, qPrintable(name));
    }
    QCOMPARE(child(QStringLiteral("engineSwitch"))->minimumSize(), QSize(48, 48));
}

void ToolBarWidgetTest::toolTips_data()
{
    QTest::addColumn<QString>("widget");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("chinese");

    QTest::newRow("Screen") << "screenButton" << "Screen" << QString::fromUtf8("截屏");
    QTest::newRow("Loc") << "locButton" << "Loc" << QString::fromUtf8("定位");
    QTest::newRow("Shake") << "shakeButton" << "Shake" << QString::fromUtf8("摇一摇");
    QTest::newRow("Keyboard") << "keyboardButton" << "Keyboard" << QString::fromUtf8("配置金手指");
    QTest::newRow("Record") << "recordButton" << "Record" << QString::fromUtf8("屏幕录像");
    QTest::newRow("Settings") << "settingsButton" << "Settings" << QString::fromUtf8("设置");
    QTest::newRow("Help") << "helpButton" << "Help via QQ" << QString::fromUtf8("通过QQ请求帮助");
    QTest::newRow("Engine") << "engineSwitch" << "Engine"
                            << QString::fromUtf8("金手指开关，游戏中需要输入时请关闭");
    QTest::newRow("Back") << "backButton" << QString() << QString();
    QTest::newRow("Home") << "homeButton" << QString() << QString();
    QTest::newRow("Recents") << "recentsButton" << QString() << QString();
}

void ToolBarWidgetTest::toolTips()
{
    QFETCH(QString, widget);
    QFETCH(QString, english);
    QFETCH(QString, chinese);

    QCOMPARE(child(widget)->toolTip(), english);

    QTranslator catalogue;
    QVERIFY(catalogue.load(QStringLiteral(":/lang/zh_CN.qm")));
    QCoreApplication::installTranslator(&catalogue);
    m_bar = new ToolBarWidget(m_window.get());
    QCoreApplication::removeTranslator(&catalogue);
    QCOMPARE(child(widget)->toolTip(), chinese);
}

void ToolBarWidgetTest::horizontalRunsLeftToRight()
{
    placeBar(true, QSize(900, 48));

    int previousRight = -1;
    for (const QString &name : kLayoutOrder) {
        const QRect geometry = child(name)->geometry();
        QVERIFY2(geometry.left() > previousRight, qPrintable(name));
        QVERIFY2(geometry.top() >= 0 && geometry.bottom() <= 47, qPrintable(name));
        previousRight = geometry.right();
    }
    // The stretch pushes the navigation keys to the far end, one pixel apart.
    QCOMPARE(child(QStringLiteral("recentsButton"))->geometry(), QRect(900 - 48, 0, 48, 48));
    QCOMPARE(child(QStringLiteral("homeButton"))->geometry(), QRect(900 - 2 * 48 - 1, 0, 48, 48));
    QCOMPARE(child(QStringLiteral("backButton"))->geometry(), QRect(900 - 3 * 48 - 2, 0, 48, 48));
    QCOMPARE(child(QStringLiteral("screenButton"))->geometry(), QRect(0, 0, 48, 48));
    QCOMPARE(child(QStringLiteral("recordButton"))->geometry(), QRect(49, 0, 48, 48));
}

void ToolBarWidgetTest::verticalRunsTopToBottom()
{
    placeBar(false, QSize(48, 900));

    int previousBottom = -1;
    for (const QString &name : kLayoutOrder) {
        const QRect geometry = child(name)->geometry();
        QVERIFY2(geometry.top() > previousBottom, qPrintable(name));
        QVERIFY2(geometry.left() >= 0 && geometry.right() <= 47, qPrintable(name));
        previousBottom = geometry.bottom();
    }
    QCOMPARE(child(QStringLiteral("recentsButton"))->geometry(), QRect(0, 900 - 48, 48, 48));
    QCOMPARE(child(QStringLiteral("homeButton"))->geometry(), QRect(0, 900 - 2 * 48 - 1, 48, 48));
    QCOMPARE(child(QStringLiteral("backButton"))->geometry(), QRect(0, 900 - 3 * 48 - 2, 48, 48));
    QCOMPARE(child(QStringLiteral("screenButton"))->geometry(), QRect(0, 0, 48, 48));

    // And back: the same bar runs left to right again.
    placeBar(true, QSize(900, 48));
    QCOMPARE(child(QStringLiteral("recentsButton"))->geometry(), QRect(900 - 48, 0, 48, 48));
    QCOMPARE(child(QStringLiteral("recordButton"))->geometry(), QRect(49, 0, 48, 48));
}

void ToolBarWidgetTest::directionChangeTurnsTheSwitch()
{
    auto *engineSwitch = child<TSwitch>(QStringLiteral("engineSwitch"));
    const QString styleSheet = m_bar->styleSheet();
    QCOMPARE(styleSheet, QStringLiteral(".ToolBarWidget {background:#262626;}"));

    // Until the first change the switch keeps the toolkit's orientation.
    const bool initial = engineSwitch->isHorizontal();
    m_bar->setLayoutHorizontal(true);
    QCOMPARE(engineSwitch->isHorizontal(), initial);

    m_bar->setLayoutHorizontal(false);
    QVERIFY(engineSwitch->isHorizontal());
    QCOMPARE(m_bar->styleSheet(), styleSheet);
    m_bar->setLayoutHorizontal(true);
    QVERIFY(!engineSwitch->isHorizontal());
    QCOMPARE(m_bar->styleSheet(), styleSheet);
}

void ToolBarWidgetTest::backgroundIsPaintedInBothDirections()
{
    placeBar(true, QSize(900, 48));
    // The middle of the bar is the stretch: nothing but the bar's own
    // background there, over the window's.
    QCOMPARE(m_window->grab().toImage().pixelColor(600, 24), kBackground);

    placeBar(false, QSize(48, 900));
    QCOMPARE(m_window->grab().toImage().pixelColor(24, 600), kBackground);
}

void ToolBarWidgetTest::recordingLightsTheRecordButton()
{
    placeBar(true, QSize(900, 48));
    QWidget *record = child(QStringLiteral("recordButton"));
    const QPoint lightCentre(48 - 10, 10);

    QVERIFY(!isLightRed(record->grab().toImage().pixelColor(lightCentre)));
    m_bar->recording(true);
    QVERIFY(isLightRed(record->grab().toImage().pixelColor(lightCentre)));
    m_bar->recording(false);
    QVERIFY(!isLightRed(record->grab().toImage().pixelColor(lightCentre)));
}

WINDOW_OFFSCREEN_TEST_MAIN(ToolBarWidgetTest)
#include "ToolBarWidgetTest.moc"
