#include "app/Paths.h"
#include "driver/PlayerLauncher.h"
#include "driver/Polling.h"
#include "driver/SimGuestProbe.h"
#include "driver/XSession.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <memory>

// The player program and its optional modules: the location picker (with Qt
// WebEngine) and the video encoder (with FFmpeg) are opened on first use,
// never linked, and a player installed without them starts, works and tells
// of what is missing when the feature is asked for.
//
// The guest connects to the fixed guest-service ports (RESOURCE_LOCK
// guest-ports).
namespace {

const QString kInstance = QStringLiteral("modules");
const QStringList kModules{QStringLiteral("libtavenor_map.so"), QStringLiteral("libvideoenc.so")};

// The libraries a binary names as its dynamic dependencies (DT_NEEDED).
QStringList neededBy(const QString &binary)
{
    QProcess readelf;
    readelf.start(QStringLiteral("readelf"), {QStringLiteral("--dynamic"), QStringLiteral("--wide"), binary});
    if (!readelf.waitForFinished(20000))
        return {};
    QStringList needed;
    const QRegularExpression entry(QStringLiteral("\\(NEEDED\\)\\s+Shared library: \\[(.+)\\]"));
    for (const QString &line : QString::fromLocal8Bit(readelf.readAllStandardOutput()).split(QLatin1Char('\n'))) {
        const QRegularExpressionMatch match = entry.match(line);
        if (match.hasMatch())
            needed << match.captured(1);
    }
    return needed;
}

} // namespace

class ProgramModulesTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void neitherWebEngineNorFfmpegIsLinked();
    void withoutItsModulesThePlayerRunsAndSaysSo();

private:
    QString m_binDir;
    QTemporaryDir m_work;
    XSession m_x;
};

void ProgramModulesTest::initTestCase()
{
    m_binDir = qEnvironmentVariable("TAVENOR_BIN_DIR");
    QVERIFY(QFileInfo(m_binDir + QStringLiteral("/TavenorPlayer")).isExecutable());
    for (const QString &module : kModules)
        QVERIFY2(QFile::exists(m_binDir + QLatin1Char('/') + module), qPrintable(module));
    QVERIFY(m_work.isValid());
}

// What starting the player maps: its own needed libraries and, through the
// project's libraries beside it, theirs.
void ProgramModulesTest::neitherWebEngineNorFfmpegIsLinked()
{
    QStringList seen;
    QStringList pending = neededBy(m_binDir + QStringLiteral("/TavenorPlayer"));
    QVERIFY(pending.contains(QStringLiteral("libQt5Widgets.so.5")));
    while (!pending.isEmpty()) {
        const QString library = pending.takeFirst();
        if (seen.contains(library))
            continue;
        seen << library;
        const QString beside = m_binDir + QLatin1Char('/') + library;
        if (QFile::exists(beside))
            pending << neededBy(beside);
    }
    const QRegularExpression heavy(
        QStringLiteral("^lib(Qt5WebEngine|Qt5WebChannel|Qt5Quick|avcodec|avformat|avutil|swscale|x264|videoenc|tavenor_map)"));
    QCOMPARE(seen.filter(heavy), QStringList());
}

// A copy of the program beside every installed file but the two modules.
void ProgramModulesTest::withoutItsModulesThePlayerRunsAndSaysSo()
{
    const QString program = m_work.filePath(QStringLiteral("program"));
    QVERIFY(QDir().mkpath(program));
    for (const QFileInfo &file : QDir(m_binDir).entryInfoList(QDir::Files)) {
        if (kModules.contains(file.fileName()))
            continue;
        const QString target = program + QLatin1Char('/') + file.fileName();
        // Copied, so that the program's own folder is this one.
        const bool placed = file.fileName() == QLatin1String("TavenorPlayer")
                                ? QFile::copy(file.filePath(), target)
                                : QFile::link(file.filePath(), target);
        QVERIFY2(placed, qPrintable(target));
    }
    const QString captures = m_work.filePath(QStringLiteral("captures"));
    QVERIFY(QDir().mkpath(captures));
    QVERIFY2(m_x.start(), "Xvfb gave no display");
    QVERIFY(PlayerLauncher::prepareSimulatedInstance(kInstance, program));
    {
        SettingsStore store(kInstance);
        store.setValue(SettingsKeys::kScreenCap, captures);
        store.sync();
    }
    PlayerLauncher launcher(m_x, program, m_work.path());
    QVERIFY(launcher.writeLeakSuppressions(qEnvironmentVariable("TAVENOR_SOURCE_DIR")));
    launcher.setDefault(QStringLiteral("TAVENOR_GUEST_BOOT_DELAY_MS"), QStringLiteral("0"));
    const std::unique_ptr<QProcess> player = launcher.start(QStringLiteral("modules.log"), {}, {kInstance});
    QVERIFY(player->waitForStarted());
    const auto logShows = [&launcher](const char *line, int timeoutMs) {
        return waitFor([&] { return launcher.log().contains(QLatin1String(line)); }, timeoutMs);
    };
    QVERIFY2(logShows("misc connected show opengl", 30000), qPrintable(launcher.log()));
    const QString window = m_x.mainWindow(player->processId());
    QVERIFY(waitFor([&] { return m_x.windowGeometry(window).width() == 1280; }, 10000));
    // The tool bar's Screen, Record and Loc buttons, along the bottom.
    const QRect frame = m_x.windowGeometry(window);
    const auto button = [&frame](int index) { return QPoint(frame.left() + 26 + index * 49, frame.bottom() - 25); };

    m_x.clickAt(button(2));
    QVERIFY2(logShows("location picker module not loaded", 10000), qPrintable(launcher.log()));
    m_x.clickAt(button(1));
    QVERIFY2(logShows("video encoder module not loaded", 10000), qPrintable(launcher.log()));
    m_x.clickAt(button(0));
    QVERIFY2(waitFor([&] { return !QDir(captures).entryList({QStringLiteral("*.png")}, QDir::Files).isEmpty(); },
                     10000),
             qPrintable(launcher.log()));

    QCOMPARE(::kill(pid_t(player->processId()), SIGTERM), 0);
    QVERIFY2(player->waitForFinished(30000), "the player did not end on SIGTERM");
    QCOMPARE(player->exitStatus(), QProcess::NormalExit);
    QCOMPARE(player->exitCode(), 0);
    QVERIFY(waitFor([] { return !SimGuestProbe(kInstance).running(); }, 15000));
}

QTEST_GUILESS_MAIN(ProgramModulesTest)
#include "ProgramModulesTest.moc"
