#include "PlayerSession.h"

#include "driver/Polling.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <QCoreApplication>
#include <QDir>

#include <csignal>
#include <unistd.h>

const char *const PlayerSession::kInstance = "bench";

namespace {

constexpr int kButtonStride = 49;
constexpr int kButtonCentre = 2 + 24;
// The tool bar's buttons sit this far above the window's bottom edge.
constexpr int kButtonRowFromBottom = 25;

} // namespace

PlayerSession::PlayerSession(const QString &workFolder)
    : m_work(workFolder),
      m_binDir(QCoreApplication::applicationDirPath()),
      m_launcher(m_x, m_binDir, workFolder),
      m_guest(QString::fromLatin1(kInstance))
{
    m_x.attach(qEnvironmentVariable("DISPLAY"));
}

bool PlayerSession::prepare()
{
    const QString instance = QString::fromLatin1(kInstance);
    if (!QDir().mkpath(captureFolder()) || !QDir().mkpath(recordFolder()))
        return false;
    if (!PlayerLauncher::prepareSimulatedInstance(instance, m_binDir)
        || !m_launcher.writeLeakSuppressions(QStringLiteral(TAVENOR_SOURCE_DIR)))
        return false;
    SettingsStore store(instance);
    store.setValue(SettingsKeys::kScreenCap, captureFolder());
    store.setValue(SettingsKeys::kScreenRecord, recordFolder());
    store.sync();
    // No network here: map tiles are refused at once rather than looked up.
    SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    shared.setValue(SettingsKeys::kMapTileUrl, QStringLiteral("http://127.0.0.1:9/{z}/{x}/{y}.png"));
    shared.sync();

    // Start-up figures leave the guest's boot out.
    m_launcher.setDefault(QStringLiteral("TAVENOR_GUEST_BOOT_DELAY_MS"), QStringLiteral("0"));
    // The location picker's browser refuses to start as root with its
    // sandbox on; Xvfb has no GPU for it.
    if (::geteuid() == 0)
        m_launcher.setDefault(QStringLiteral("QTWEBENGINE_DISABLE_SANDBOX"), QStringLiteral("1"));
    m_launcher.setDefault(QStringLiteral("QTWEBENGINE_CHROMIUM_FLAGS"), QStringLiteral("--disable-gpu"));
    return true;
}

bool PlayerSession::start(const QString &logName, const QProcessEnvironment &extra)
{
    m_window.clear();
    m_player = m_launcher.start(logName, extra, {QString::fromLatin1(kInstance)});
    return m_player->waitForStarted(10000);
}

bool PlayerSession::guestShown() const
{
    return log().contains(QStringLiteral("misc connected show opengl"));
}

bool PlayerSession::waitUntilShown(int timeoutMs, int windowWidth)
{
    m_window = m_x.mainWindow(pid());
    if (m_window.isEmpty() || !waitFor([this] { return guestShown(); }, timeoutMs))
        return false;
    // The window is centred once it has its guest's size.
    waitFor([this, windowWidth] { return m_x.windowGeometry(m_window).width() == windowWidth; }, 10000);
    m_frame = m_x.windowGeometry(m_window);
    return true;
}

QPoint PlayerSession::button(Button which) const
{
    return QPoint(m_frame.left() + kButtonCentre + int(which) * kButtonStride, m_frame.bottom() - kButtonRowFromBottom);
}

void PlayerSession::click(Button which) const
{
    m_x.clickAt(button(which));
}

int PlayerSession::close()
{
    if (!m_player || m_player->state() == QProcess::NotRunning)
        return -1;
    ::kill(pid_t(m_player->processId()), SIGTERM);
    const bool ended = waitFor([this] { return m_player->state() == QProcess::NotRunning; }, 60000);
    waitFor([this] { return !m_guest.running(); }, 15000);
    if (!ended) {
        m_player->kill();
        m_player->waitForFinished(5000);
        return -1;
    }
    return m_player->exitStatus() == QProcess::NormalExit ? m_player->exitCode() : -1;
}
