#include "WestonSession.h"

#include "driver/Polling.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

QString readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

WestonSession::WestonSession(const QString &folder) : m_folder(folder) {}

WestonSession::~WestonSession()
{
    if (m_weston) {
        m_weston->terminate();
        if (!m_weston->waitForFinished(10000))
            crash();
    }
}

bool WestonSession::installed()
{
    return !QStandardPaths::findExecutable(QStringLiteral("weston")).isEmpty()
           && !QStandardPaths::findExecutable(QStringLiteral("Xwayland")).isEmpty();
}

// Each start has an X server of its own: one that an earlier weston was
// connected to may stop taking new connections.
bool WestonSession::start()
{
    m_host = std::make_unique<XSession>();
    if (!m_host->start())
        return false;
    static int started = 0;
    m_socket = QStringLiteral("tavenor-test-%1-%2").arg(QCoreApplication::applicationPid()).arg(++started);
    const QString log = m_folder + QLatin1Char('/') + m_socket + QStringLiteral(".log");
    m_weston = std::make_unique<QProcess>();
    m_weston->setProcessEnvironment(m_host->environment());
    m_weston->setProcessChannelMode(QProcess::MergedChannels);
    m_weston->setStandardOutputFile(log);
    m_weston->start(QStringLiteral("weston"),
                    {QStringLiteral("--backend=x11-backend.so"), QStringLiteral("--use-pixman"),
                     QStringLiteral("--width=1600"), QStringLiteral("--height=1000"), QStringLiteral("--xwayland"),
                     QStringLiteral("--idle-time=0"), QStringLiteral("--socket=") + m_socket});
    // Weston gives Xwayland the lowest free X display and names it in its log.
    const QRegularExpression listening(QStringLiteral("xserver listening on display (:\\d+)"));
    const QString socket = QDir(qEnvironmentVariable("XDG_RUNTIME_DIR")).filePath(m_socket);
    waitFor(
        [&] {
            m_xwaylandDisplay = listening.match(readFile(log)).captured(1);
            return (!m_xwaylandDisplay.isEmpty() && QFile::exists(socket)) || m_weston->state() == QProcess::NotRunning;
        },
        20000);
    return !m_xwaylandDisplay.isEmpty() && m_weston->state() == QProcess::Running;
}

// A killed weston leaves Xwayland's lock and socket files in /tmp, which
// every X server of the machine shares.
void WestonSession::crash()
{
    const QString pid = QString::number(m_weston->processId());
    m_weston->kill();
    m_weston->waitForFinished(10000);
    m_weston.reset();
    const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(m_xwaylandDisplay.mid(1));
    if (readFile(lock).trimmed() == pid) {
        QFile::remove(QStringLiteral("/tmp/.X11-unix/X") + m_xwaylandDisplay.mid(1));
        QFile::remove(lock);
    }
}

// The x11 backend follows the pointer only from the moment it enters the
// output's window, and loses it whenever the host server is grabbed (as a
// screenshot does): the pointer comes in from outside (the output is
// smaller than the host's screen) each time.
void WestonSession::clickAt(QPoint position) const
{
    m_host->xdotool({QStringLiteral("mousemove"), QStringLiteral("1910"), QStringLiteral("1070")});
    m_host->clickAt(position);
}

void WestonSession::focusOutput() const
{
    m_host->focus(QString::fromLatin1(
        m_host->xdotool({QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("^Weston Compositor$")})
            .trimmed()));
}

QProcessEnvironment WestonSession::sessionVariables() const
{
    QProcessEnvironment variables;
    variables.insert(QStringLiteral("WAYLAND_DISPLAY"), m_socket);
    variables.insert(QStringLiteral("XDG_SESSION_TYPE"), QStringLiteral("wayland"));
    variables.insert(QStringLiteral("DISPLAY"), m_xwaylandDisplay);
    return variables;
}
