#include "FileSizeLimit.h"
#include "GuestFrameStream.h"
#include "PermissionBits.h"
#include "WindowTestMain.h"

#include "app/InstanceName.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "window/MainWindow.h"
#include "window/ScreenCapture.h"

#include <QDir>
#include <QLabel>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <memory>

namespace {
const bool kPermissionBitsHonoured = honourPermissionBits();
}

// Captures of a known guest frame streamed into the real renderer library:
// the PNG files, their names and folders, and the window's notices.
class ScreenCaptureTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();

    void capturesTheGuestFrame_data();
    void capturesTheGuestFrame();
    void emptyFolderSettingWritesToTheDesktop();
    void capturesInOneMillisecondKeepApart();
    void windowNotices_data();
    void windowNotices();

private:
    static void setFolder(const char *key, const QString &folder);
    static QStringList filesIn(const QString &folder);

    GuestFrameStream m_stream;
    QImage m_frame;
    std::unique_ptr<QTemporaryDir> m_folder;
};

void ScreenCaptureTest::initTestCase()
{
    setInstanceName(QStringLiteral("capture-test"));
    m_frame = GuestFrameStream::numberedImage(1280, 720);
    QVERIFY(m_stream.start(m_frame, 30));
    QTRY_VERIFY_WITH_TIMEOUT(GuestFrameStream::rendererShows(m_frame), 10000);
}

void ScreenCaptureTest::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    setFolder(SettingsKeys::kScreenCap, m_folder->path());
}

void ScreenCaptureTest::setFolder(const char *key, const QString &folder)
{
    SettingsStore(instanceName()).setValue(QString::fromLatin1(key), folder);
}

QStringList ScreenCaptureTest::filesIn(const QString &folder)
{
    return QDir(folder).entryList(QDir::Files);
}

void ScreenCaptureTest::capturesTheGuestFrame_data()
{
    QTest::addColumn<bool>("turned");
    QTest::addColumn<QSize>("size");
    QTest::newRow("natural") << false << QSize(1280, 720);
    QTest::newRow("turned") << true << QSize(720, 1280);
}

// The PNG holds the guest's pixels exactly; turned, it is the frame turned
// clockwise, so its top-left pixel is the frame's bottom-left.
void ScreenCaptureTest::capturesTheGuestFrame()
{
    QFETCH(bool, turned);
    QFETCH(QSize, size);
    const ScreenCapture::Result result = ScreenCapture::take(QSize(1280, 720), turned);
    QCOMPARE(int(result.outcome), int(ScreenCapture::Outcome::Saved));
    QCOMPARE(QFileInfo(result.path).absolutePath(), m_folder->path());
    QVERIFY(result.path.endsWith(QStringLiteral(".png")));

    const QImage png = QImage(result.path).convertToFormat(QImage::Format_RGBA8888);
    QCOMPARE(png.size(), size);
    if (!turned) {
        QVERIFY(png == m_frame);
        return;
    }
    QCOMPARE(png.pixel(0, 0), m_frame.pixel(0, 719));
    QCOMPARE(png.pixel(719, 0), m_frame.pixel(0, 0));
    QCOMPARE(png.pixel(719, 1279), m_frame.pixel(1279, 0));
    QCOMPARE(png.pixel(0, 1279), m_frame.pixel(1279, 719));
    QVERIFY(png == m_frame.transformed(QTransform().rotate(90)));
}

void ScreenCaptureTest::emptyFolderSettingWritesToTheDesktop()
{
    setFolder(SettingsKeys::kScreenCap, QString());
    const QString desktop = QStandardPaths::standardLocations(QStandardPaths::DesktopLocation).first();
    const ScreenCapture::Result result = ScreenCapture::take(QSize(1280, 720), false);
    QCOMPARE(int(result.outcome), int(ScreenCapture::Outcome::Saved));
    QCOMPARE(QFileInfo(result.path).absolutePath(), QDir(desktop).absolutePath());
    QCOMPARE(QImage(result.path).size(), QSize(1280, 720));
    QFile::remove(result.path);
}

// The name is the local time to the millisecond; a name already taken gets
// a number, in the capture folder or, for recordings, the recording folder.
void ScreenCaptureTest::capturesInOneMillisecondKeepApart()
{
    const QDateTime at(QDate(2016, 3, 5), QTime(14, 7, 9, 7));
    const QString first = ScreenCapture::captureFilePath(QStringLiteral(".png"), false, at);
    QCOMPARE(first, m_folder->path() + QStringLiteral("/2016-03-05_14-07-09_7.png"));
    QVERIFY(ScreenCapture::savePng(m_frame, first));
    const QString second = ScreenCapture::captureFilePath(QStringLiteral(".png"), false, at);
    QCOMPARE(second, m_folder->path() + QStringLiteral("/2016-03-05_14-07-09_7_2.png"));
    QVERIFY(ScreenCapture::savePng(m_frame, second));
    QCOMPARE(ScreenCapture::captureFilePath(QStringLiteral(".png"), false, at),
             m_folder->path() + QStringLiteral("/2016-03-05_14-07-09_7_3.png"));
    QCOMPARE(filesIn(m_folder->path()).size(), 2);

    QTemporaryDir records;
    setFolder(SettingsKeys::kScreenRecord, records.path());
    QCOMPARE(ScreenCapture::captureFilePath(QStringLiteral(".mp4"), true, at.addMSecs(993)),
             records.path() + QStringLiteral("/2016-03-05_14-07-10_0.mp4"));
}

void ScreenCaptureTest::windowNotices_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QSize>("guest");
    QTest::addColumn<QString>("notice");
    QTest::addColumn<int>("sizeLimit");
    QTest::newRow("saved") << QString() << QSize(1280, 720) << QStringLiteral("Screen Captured Save to") << 0;
    QTest::newRow("missing folder") << QStringLiteral("missing") << QSize(1280, 720)
                                    << QStringLiteral("Screen Capture Error ") << 0;
    QTest::newRow("folder is a file") << QStringLiteral("file") << QSize(1280, 720)
                                      << QStringLiteral("Screen Capture Error ") << 0;
    QTest::newRow("unwritable folder") << QStringLiteral("locked") << QSize(1280, 720)
                                       << QStringLiteral("Screen Capture Error ") << 0;
    QTest::newRow("renderer refuses") << QString() << QSize() << QStringLiteral("Screen Capture Error System not Ready")
                                      << 0;
    // The disk fills up halfway through the picture.
    QTest::newRow("full disk") << QString() << QSize(1280, 720) << QStringLiteral("Screen Capture Error ") << 2048;
}

// The window's notice tells success from failure; a failure leaves no file.
void ScreenCaptureTest::windowNotices()
{
    QFETCH(QString, folder);
    QFETCH(QSize, guest);
    QFETCH(QString, notice);
    QFETCH(int, sizeLimit);
    QVERIFY(kPermissionBitsHonoured);
    const QString base = m_folder->path();
    QFile(base + QStringLiteral("/file")).open(QIODevice::WriteOnly);
    QVERIFY(QDir(base).mkdir(QStringLiteral("locked")));
    QVERIFY(QFile::setPermissions(base + QStringLiteral("/locked"), QFile::ReadOwner | QFile::ExeOwner));
    if (!folder.isEmpty())
        setFolder(SettingsKeys::kScreenCap, base + QLatin1Char('/') + folder);

    MainWindow window;
    if (guest.isValid())
        window.applyGuestResolution(guest.width(), guest.height());
    {
        std::unique_ptr<FileSizeLimit> limit(sizeLimit > 0 ? new FileSizeLimit(rlim_t(sizeLimit)) : nullptr);
        window.screenCap();
    }
    const QString tips = window.findChild<QLabel *>(QStringLiteral("tipsLabel"))->text();
    QVERIFY2(tips.startsWith(notice), qPrintable(tips));

    const QStringList files = filesIn(base);
    if (notice.startsWith(QStringLiteral("Screen Captured"))) {
        QCOMPARE(files.size(), 2);
        QCOMPARE(tips, notice + base + QLatin1Char('/') + files.filter(QStringLiteral(".png")).first());
    } else {
        QCOMPARE(files, QStringList{QStringLiteral("file")});
        QVERIFY(QDir(base + QStringLiteral("/locked")).isEmpty());
    }
}

WINDOW_OFFSCREEN_TEST_MAIN(ScreenCaptureTest)
#include "ScreenCaptureTest.moc"
