#include "resources/PlayerResources.h"

#include "app/InstanceName.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "window/MainWindow.h"

#include <QApplication>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>

// The boss key on a real X server: xdotool presses the keys as a user
// would, with and without Caps Lock, and the main window hides and comes
// back.
class BossKeyX11Test : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void keyHidesAndShowsTheWindow_data();
    void keyHidesAndShowsTheWindow();

private:
    static void xdotool(const QString &keys);
};

void BossKeyX11Test::initTestCase()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server (DISPLAY)");
    if (QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty())
        QSKIP("needs xdotool");
    SettingsStore(QString::fromLatin1(SettingsStore::kSharedApplication))
        .setValue(SettingsKeys::kServiceUrl, QStringLiteral("not a url"));
}

void BossKeyX11Test::init()
{
    setInstanceName(QStringLiteral("boss-%1")
                        .arg(QTest::currentDataTag())
                        .replace(QLatin1Char(' '), QLatin1Char('-')));
}

void BossKeyX11Test::xdotool(const QString &keys)
{
    QCOMPARE(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}), 0);
}

void BossKeyX11Test::keyHidesAndShowsTheWindow_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<QString>("keys");
    QTest::addColumn<bool>("capsLock");
    QTest::newRow("default") << QString() << "ctrl+alt+x" << false;
    QTest::newRow("default caps lock") << QString() << "ctrl+alt+x" << true;
    QTest::newRow("dialog spelling") << "Ctrl + Shift + F8"
                                     << "ctrl+shift+F8" << false;
    QTest::newRow("unparsable falls back") << "ctrl+alt+nokey"
                                           << "ctrl+alt+x" << true;
}

void BossKeyX11Test::keyHidesAndShowsTheWindow()
{
    QFETCH(QString, setting);
    QFETCH(QString, keys);
    QFETCH(bool, capsLock);
    if (!setting.isEmpty())
        SettingsStore(instanceName())
            .setValue(QString::fromLatin1(SettingsKeys::kBossKey), setting);
    else
        QVERIFY(
            !SettingsStore(instanceName()).contains(QString::fromLatin1(SettingsKeys::kBossKey)));
    if (setting == QLatin1String("ctrl+alt+nokey"))
        QTest::ignoreMessage(QtDebugMsg, QRegularExpression(QStringLiteral("^invalid boss key")));

    MainWindow window;
    window.applyGuestResolution(640, 360);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    if (capsLock)
        xdotool(QStringLiteral("Caps_Lock"));

    xdotool(keys);
    QTRY_VERIFY(!window.isVisible());
    xdotool(keys);
    QTRY_VERIFY(window.isVisible());

    if (capsLock)
        xdotool(QStringLiteral("Caps_Lock"));
}

// No GL: Mesa's driver, once unloaded at exit, leaves blocks behind that
// the leak checker cannot place, and the window needs none here.
int main(int argc, char **argv)
{
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initPlayerResources();
    BossKeyX11Test test;
    return QTest::qExec(&test, argc, argv);
}

#include "BossKeyX11Test.moc"
