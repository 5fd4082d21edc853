#include "FileSizeLimit.h"
#include "GuestFrameStream.h"
#include "PermissionBits.h"
#include "VideoProbe.h"
#include "WindowTestMain.h"

#include "app/InstanceName.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "window/MainWindow.h"
#include "window/VideoRecord.h"

#include <QDir>
#include <QFile>
#include <QElapsedTimer>
#include <QLabel>
#include <QPointer>
#include <QSignalSpy>
#include <QStringList>
#include <QTemporaryDir>
#include <QThreadPool>

namespace {
const bool kPermissionBitsHonoured = honourPermissionBits();
}

// Recordings of a guest streaming at 30 frames a second into the real
// renderer, through the real encoder, checked with ffprobe.
class VideoRecordTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void recordsTheGuestAtItsEvenSizeAndRealSpeed();
    void smallFramesAreStillPaced();
    void stopRightAfterTheStartKeepsAFrame();
    void failures_data();
    void failures();
    void windowRecordsAndStops();

private:
    // What a recorder reported, received on the GUI thread.
    struct Run
    {
        QPointer<VideoRecord> recorder;
        QStringList saved;
        QStringList failedFiles;
        QList<int> codes;
        int framesAtEnd = -1;
    };
    // Starts a recorder on the global pool; its frame count is kept when it
    // reports.
    static void start(Run &run, const QString &file, int width, int height);
    static VideoProbe probe(const QString &file) { return VideoProbe::of(file.toStdString()); }
    static QString tipsOf(MainWindow &window)
    {
        return window.findChild<QLabel *>(QStringLiteral("tipsLabel"))->text();
    }

    GuestFrameStream m_stream;
    QImage m_landscape;
    std::unique_ptr<QTemporaryDir> m_folder;
};

void VideoRecordTest::initTestCase()
{
    // The encoder module is in the build's program folder, not beside this test.
    qputenv("TAVENOR_VIDEOENC_LIBRARY",
            QFile::encodeName(qEnvironmentVariable("TAVENOR_BIN_DIR") + QStringLiteral("/libvideoenc.so")));
    setInstanceName(QStringLiteral("record-test"));
    m_landscape = GuestFrameStream::numberedImage(1280, 720);
    QVERIFY(m_stream.start(m_landscape, 30));
    QTRY_VERIFY_WITH_TIMEOUT(GuestFrameStream::rendererShows(m_landscape), 10000);
}

void VideoRecordTest::init()
{
    m_folder = std::make_unique<QTemporaryDir>();
    SettingsStore(instanceName()).setValue(QString::fromLatin1(SettingsKeys::kScreenRecord), m_folder->path());
}

void VideoRecordTest::cleanup()
{
    m_stream.setImage(m_landscape, 0);
    QThreadPool::globalInstance()->waitForDone();
}

void VideoRecordTest::start(Run &run, const QString &file, int width, int height)
{
    auto *recorder = new VideoRecord(file, width, height);
    run.recorder = recorder;
    // Queued to the recorder's own thread, where it is still alive.
    connect(recorder, &VideoRecord::fileSaved, recorder, [&run, recorder](const QString &saved) {
        run.framesAtEnd = recorder->framesAppended();
        run.saved.append(saved);
    });
    connect(recorder, &VideoRecord::recordError, recorder, [&run, recorder](const QString &failed, int code) {
        run.framesAtEnd = recorder->framesAppended();
        run.failedFiles.append(failed);
        run.codes.append(code);
    });
    QThreadPool::globalInstance()->start(recorder);
}

// Every appended frame is in the file, at the guest size rounded down to
// even sides, also after the guest turned (and sent portrait frames); the
// video lasts as long as the recording did.
void VideoRecordTest::recordsTheGuestAtItsEvenSizeAndRealSpeed()
{
    const QString file = m_folder->filePath(QStringLiteral("guest.mp4"));
    QElapsedTimer wall;
    wall.start();
    Run run;
    start(run, file, 1279, 719);
    QTRY_VERIFY_WITH_TIMEOUT(run.recorder->framesAppended() >= 1, 10000);
    const qint64 firstFrameSeen = wall.elapsed();
    QTRY_VERIFY_WITH_TIMEOUT(run.recorder->framesAppended() >= 25, 10000);
    m_stream.setImage(GuestFrameStream::numberedImage(720, 1280), 90);
    const int beforeTurn = run.recorder->framesAppended();
    QTRY_VERIFY_WITH_TIMEOUT(run.recorder->framesAppended() >= beforeTurn + 25, 10000);
    const qint64 finishAsked = wall.elapsed();
    run.recorder->onFinish();
    QTRY_COMPARE_WITH_TIMEOUT(run.saved.size(), 1, 10000);
    const double seconds = wall.elapsed() / 1000.0;
    QVERIFY(run.codes.isEmpty());
    QCOMPARE(run.saved.first(), file);
    QTRY_VERIFY(run.recorder.isNull());

    const VideoProbe video = probe(file);
    QVERIFY(video.readable);
    QCOMPARE(video.width, 1278);
    QCOMPARE(video.height, 718);
    QCOMPARE(video.frames, run.framesAtEnd);
    QVERIFY(video.indexFirst);
    // From the first frame's stamp, taken before it was seen, to the end,
    // taken after the finish was asked for: at least that span, and inside
    // the wall time however long a loaded machine took to start and finish.
    const double asked = (finishAsked - firstFrameSeen) / 1000.0;
    QVERIFY2(video.duration <= seconds && video.duration > asked - 0.05,
             qPrintable(QStringLiteral("%1 s of video in %2 s, %3 s asked for").arg(video.duration).arg(seconds).arg(asked)));
}

// Small frames take next to no time: unpaced, the recorder would take them
// as fast as capture and encoder go. Paced, frame k is taken no sooner than
// k intervals after the first was due, which is the first capture's time
// (far below 0.1 s) before the first frame's stamp.
void VideoRecordTest::smallFramesAreStillPaced()
{
    const QString file = m_folder->filePath(QStringLiteral("small.mp4"));
    Run run;
    start(run, file, 160, 90);
    QTRY_VERIFY_WITH_TIMEOUT(run.recorder->framesAppended() >= 50, 20000);
    run.recorder->onFinish();
    QTRY_COMPARE_WITH_TIMEOUT(run.saved.size(), 1, 10000);

    const VideoProbe video = probe(file);
    QCOMPARE(video.frames, run.framesAtEnd);
    const double span = video.frameTimes.back() - video.frameTimes.front();
    QVERIFY2(video.frames - 1 <= (span + 0.1) * 25,
             qPrintable(QStringLiteral("%1 frames in %2 s").arg(video.frames).arg(span)));
}

void VideoRecordTest::stopRightAfterTheStartKeepsAFrame()
{
    const QString file = m_folder->filePath(QStringLiteral("short.mp4"));
    Run run;
    start(run, file, 1280, 720);
    run.recorder->onFinish();
    QTRY_COMPARE_WITH_TIMEOUT(run.saved.size(), 1, 10000);
    QVERIFY(run.framesAtEnd >= 1);
    QCOMPARE(probe(file).frames, run.framesAtEnd);
}

void VideoRecordTest::failures_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("sizeLimit");
    QTest::addColumn<QList<int>>("codes");
    QTest::addColumn<bool>("fileLeft");
    // The encoder cannot start: no file.
    QTest::newRow("missing folder") << QStringLiteral("missing/a.mp4") << 0 << QList<int>{VideoRecord::kStartFailed}
                                    << false;
    QTest::newRow("unwritable folder") << QStringLiteral("locked/a.mp4") << 0
                                       << QList<int>{VideoRecord::kStartFailed} << false;
    // Writes fail once the buffered frames reach the disk, at the latest
    // when the file is finished; what was written stays.
    QTest::newRow("full disk") << QStringLiteral("full.mp4") << 4096
                               << QList<int>{VideoRecord::kFrameRefused, VideoRecord::kFinishFailed} << true;
}

void VideoRecordTest::failures()
{
    QFETCH(QString, file);
    QFETCH(int, sizeLimit);
    QFETCH(QList<int>, codes);
    QFETCH(bool, fileLeft);
    const QString path = m_folder->filePath(file);
    QVERIFY(kPermissionBitsHonoured);
    QVERIFY(QDir(m_folder->path()).mkdir(QStringLiteral("locked")));
    QVERIFY(QFile::setPermissions(m_folder->filePath(QStringLiteral("locked")), QFile::ReadOwner | QFile::ExeOwner));
    Run run;
    {
        std::unique_ptr<FileSizeLimit> limit(sizeLimit > 0 ? new FileSizeLimit(rlim_t(sizeLimit)) : nullptr);
        start(run, path, 640, 360);
        QTRY_VERIFY_WITH_TIMEOUT(!run.codes.isEmpty() || run.recorder->framesAppended() >= 10, 10000);
        if (run.codes.isEmpty())
            run.recorder->onFinish();
        QTRY_COMPARE_WITH_TIMEOUT(run.codes.size(), 1, 10000);
    }
    QVERIFY(run.saved.isEmpty());
    QCOMPARE(run.failedFiles.first(), path);
    QVERIFY2(codes.contains(run.codes.first()), qPrintable(QString::number(run.codes.first())));
    QCOMPARE(QFileInfo::exists(path), fileLeft);
}

// Record twice: the light's signal goes on and off, the notice names the
// file, which is in the recording folder and plays.
void VideoRecordTest::windowRecordsAndStops()
{
    MainWindow window;
    window.applyGuestResolution(1280, 720);
    QSignalSpy light(&window, &MainWindow::onRecording);
    window.record();
    QCOMPARE(light.count(), 1);
    QCOMPARE(light.last().first().toBool(), true);
    QTRY_COMPARE_WITH_TIMEOUT(QDir(m_folder->path()).entryList(QDir::Files).size(), 1, 10000);
    window.record();
    QCOMPARE(light.count(), 2);
    QCOMPARE(light.last().first().toBool(), false);

    const QString file = m_folder->filePath(QDir(m_folder->path()).entryList(QDir::Files).first());
    QTRY_COMPARE_WITH_TIMEOUT(tipsOf(window), QStringLiteral("Screen Recorded Save to") + file, 10000);
    QVERIFY(file.endsWith(QStringLiteral(".mp4")));
    QVERIFY(probe(file).frames >= 1);

    // A recording that cannot start tells so, and the light goes out.
    SettingsStore(instanceName())
        .setValue(QString::fromLatin1(SettingsKeys::kScreenRecord), m_folder->filePath(QStringLiteral("gone")));
    window.record();
    QCOMPARE(light.last().first().toBool(), true);
    QTRY_COMPARE_WITH_TIMEOUT(tipsOf(window), QStringLiteral("Screen Failed Failed to record screen"), 10000);
    QCOMPARE(light.last().first().toBool(), false);
}

WINDOW_OFFSCREEN_TEST_MAIN(VideoRecordTest)
#include "VideoRecordTest.moc"
