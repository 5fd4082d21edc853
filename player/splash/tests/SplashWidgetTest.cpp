// The splash widgets on the offscreen platform, with the built-in resources
// and downloaded files in the real VM folder.

#include "app/Paths.h"
#include "resources/PlayerResources.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "splash/SplashSetup.h"
#include "splash/TSplashImage.h"
#include "splash/TSplashWidget.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QtTest>

namespace {

SettingsStore sharedStore()
{
    return SettingsStore(QString::fromLatin1(SettingsStore::kSharedApplication));
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QString labelStyle(const TSplashWidget &splash)
{
    return splash.findChild<QLabel *>(QStringLiteral("helpTextView"))->styleSheet();
}

} // namespace

class SplashWidgetTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup();
    void helpFileIsReadUpToTwentyLines();
    void downloadedHelpFileIsPreferred();
    void markupInHelpTextIsShownAsWritten();
    void progress_data();
    void progress();
    void progressCreepsToItsTarget();
    void foregroundFitsTheImageArea_data();
    void foregroundFitsTheImageArea();
    void backgroundStretchedOrTiled();
    void helpTextColour_data();
    void helpTextColour();
};

void SplashWidgetTest::cleanup()
{
    SettingsStore shared = sharedStore();
    shared.remove(QString::fromLatin1(SettingsKeys::kHelpTextColor));
    QFile::remove(vmFolder() + QStringLiteral("/splashHelps.txt"));
}

void SplashWidgetTest::helpFileIsReadUpToTwentyLines()
{
    QByteArray text;
    for (int i = 1; i <= 25; ++i)
        text += i == 3 ? QByteArray("\n") : "帮助 " + QByteArray::number(i) + "\n";
    const QString path = vmFolder() + QStringLiteral("/splashHelps.txt");
    writeFile(path, text);
    const QStringList lines = SplashSetup::readHelpTexts(path);
    QCOMPARE(lines.size(), 20);
    QCOMPARE(lines.first(), QStringLiteral("帮助 1"));
    QCOMPARE(lines.at(2), QString());
    QCOMPARE(lines.last(), QStringLiteral("帮助 20"));
    QVERIFY(SplashSetup::readHelpTexts(vmFolder() + QStringLiteral("/missing.txt")).isEmpty());

    const QStringList builtIn = SplashSetup::readHelpTexts(QStringLiteral(":/resources/text/splashHelps.txt"));
    QCOMPARE(builtIn.size(), 6);
}

void SplashWidgetTest::downloadedHelpFileIsPreferred()
{
    TSplashWidget builtIn;
    SplashSetup::setUp(builtIn);
    QVERIFY(SplashSetup::readHelpTexts(QStringLiteral(":/resources/text/splashHelps.txt")).contains(builtIn.helpText()));

    writeFile(vmFolder() + QStringLiteral("/splashHelps.txt"), "only this line\n");
    TSplashWidget downloaded;
    SplashSetup::setUp(downloaded);
    QCOMPARE(downloaded.helpText(), QStringLiteral("only this line"));
    QVERIFY(downloaded.progressRunning());
}

// A help file comes from the web: markup in it is text to show, never
// rich text that would load pictures from the user's disk.
void SplashWidgetTest::markupInHelpTextIsShownAsWritten()
{
    const QString markup = QStringLiteral("<img src=\"/usr/share/pixmaps/debian-logo.png\"><b>bold</b>");
    writeFile(vmFolder() + QStringLiteral("/splashHelps.txt"), markup.toUtf8() + "\n");
    TSplashWidget splash;
    SplashSetup::setUp(splash);
    const QLabel *label = splash.findChild<QLabel *>(QStringLiteral("helpTextView"));
    QCOMPARE(label->text(), markup);
    QLabel plain;
    plain.setFont(label->font());
    plain.setTextFormat(Qt::PlainText);
    plain.setText(markup);
    QCOMPARE(label->sizeHint().width(), plain.sizeHint().width());
}

void SplashWidgetTest::progress_data()
{
    QTest::addColumn<int>("target");   // startProgress(30000, target) first
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("setTo");    // then setProgress(setTo)
    QTest::addColumn<int>("shown");

    QTest::newRow("target 0 ignored") << 0 << false << 40 << 40;
    QTest::newRow("target 101 ignored") << 101 << false << 40 << 40;
    QTest::newRow("150 shows 100") << 99 << true << 150 << 100;
    QTest::newRow("-5 shows 0") << 99 << true << -5 << 0;
}

void SplashWidgetTest::progress()
{
    QFETCH(int, target);
    QFETCH(bool, running);
    QFETCH(int, setTo);
    QFETCH(int, shown);
    TSplashWidget splash;
    splash.startProgress(30000, target);
    QCOMPARE(splash.progressRunning(), running);
    splash.setProgress(setTo);
    QCOMPARE(splash.progress(), shown);
    QVERIFY(!splash.progressRunning());
}

// The whole run takes its duration: one step every duration / target.
void SplashWidgetTest::progressCreepsToItsTarget()
{
    TSplashWidget splash;
    splash.startProgress(2000, 40);
    QTRY_COMPARE_WITH_TIMEOUT(splash.progress(), 40, 15000);
    QVERIFY(!splash.progressRunning());
}

void SplashWidgetTest::foregroundFitsTheImageArea_data()
{
    QTest::addColumn<QSize>("picture");
    QTest::addColumn<QSize>("area");
    QTest::addColumn<QRect>("drawn");

    QTest::newRow("shrunk to the height") << QSize(470, 560) << QSize(400, 300) << QRect(74, 0, 251, 300);
    QTest::newRow("shrunk to the width") << QSize(470, 560) << QSize(235, 900) << QRect(0, 310, 235, 280);
    QTest::newRow("smaller, centred, not enlarged") << QSize(202, 192) << QSize(400, 300) << QRect(99, 54, 202, 192);
}

void SplashWidgetTest::foregroundFitsTheImageArea()
{
    QFETCH(QSize, picture);
    QFETCH(QSize, area);
    QFETCH(QRect, drawn);
    QCOMPARE(TSplashImage::foregroundRect(picture, area), drawn);

    QImage image(picture, QImage::Format_RGB32);
    image.fill(Qt::red);
    const QString path = vmFolder() + QStringLiteral("/foreground.png");
    QVERIFY(image.save(path));
    TSplashImage widget;
    widget.resize(area);
    widget.setImages(QString(), path);
    const QImage shot = widget.grab().toImage();
    QCOMPARE(shot.pixelColor(drawn.center()), QColor(Qt::red));
    QVERIFY(shot.pixelColor(drawn.left() - 1, drawn.center().y()) != QColor(Qt::red) || drawn.left() == 0);
    QVERIFY(shot.pixelColor(drawn.center().x(), drawn.bottom() + 1) != QColor(Qt::red)
            || drawn.bottom() + 1 == area.height());
}

// A 2x2 background of four colours: stretched, each colour fills a quarter
// of the widget; tiled, the pattern repeats every two pixels.
void SplashWidgetTest::backgroundStretchedOrTiled()
{
    QImage tile(2, 2, QImage::Format_RGB32);
    tile.setPixelColor(0, 0, Qt::red);
    tile.setPixelColor(1, 0, Qt::green);
    tile.setPixelColor(0, 1, Qt::blue);
    tile.setPixelColor(1, 1, Qt::yellow);
    const QString path = vmFolder() + QStringLiteral("/tile.png");
    QVERIFY(tile.save(path));

    TSplashWidget splash;
    splash.resize(200, 200);
    splash.setBackgroundImage(path, true);
    splash.show();
    QImage shot = splash.grab().toImage();
    QCOMPARE(shot.pixelColor(10, 10), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(90, 10), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(110, 10), QColor(Qt::green));

    TSplashWidget tiled;
    tiled.resize(200, 200);
    tiled.setBackgroundImage(path, false);
    tiled.show();
    shot = tiled.grab().toImage();
    QCOMPARE(shot.pixelColor(10, 10), QColor(Qt::red));
    QCOMPARE(shot.pixelColor(11, 10), QColor(Qt::green));
    QCOMPARE(shot.pixelColor(90, 11), QColor(Qt::blue));
}

void SplashWidgetTest::helpTextColour_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("style");
    QTest::newRow("#ff8800") << "#ff8800" << "color:#ff8800;";
    QTest::newRow("named") << "Red" << "color:#ff0000;";
    QTest::newRow("no colour") << "not-a-colour" << "color:#ffffffff;";
    QTest::newRow("absent") << QString() << "color:#ffffffff;";
}

void SplashWidgetTest::helpTextColour()
{
    QFETCH(QString, stored);
    QFETCH(QString, style);
    if (!stored.isNull())
        sharedStore().setValue(QString::fromLatin1(SettingsKeys::kHelpTextColor), stored);
    TSplashWidget splash;
    SplashSetup::setUp(splash);
    QCOMPARE(labelStyle(splash), style);
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    initPlayerResources();
    SplashWidgetTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "SplashWidgetTest.moc"
