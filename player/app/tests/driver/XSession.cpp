#include "XSession.h"

#include "Polling.h"

#include <QMap>

XSession::XSession() = default;

XSession::~XSession()
{
    if (!m_xvfb)
        return;
    m_xvfb->terminate();
    m_xvfb->waitForFinished(5000);
}

bool XSession::start()
{
    m_xvfb = std::make_unique<QProcess>();
    m_xvfb->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // Only the abstract socket, which is private to the network namespace
    // the tests run in: servers of other namespaces take the same display
    // number, and a socket file of that number would be shared with them.
    // No reset when the last client leaves: a reset drops every connection
    // still in its handshake, so a program starting while a short-lived
    // xdotool ends would fail with "could not connect to display".
    m_xvfb->start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                          QStringLiteral("0"), QStringLiteral("1920x1080x24"),
                                          QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                          QStringLiteral("-nolisten"), QStringLiteral("unix"),
                                          QStringLiteral("-noreset")});
    if (!waitFor([this] { return m_xvfb->canReadLine() || m_xvfb->state() == QProcess::NotRunning; }, 20000))
        return false;
    m_display = QLatin1Char(':') + QString::fromLatin1(m_xvfb->readLine().trimmed());
    return m_display.size() > 1;
}

QProcessEnvironment XSession::environment() const
{
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), m_display);
    environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
    return environment;
}

QByteArray XSession::run(const QString &program, const QStringList &arguments, int *exitCode) const
{
    QProcess process;
    process.setProcessEnvironment(environment());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(20000))
        process.kill();
    if (exitCode != nullptr)
        *exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1000;
    return process.readAllStandardOutput();
}

void XSession::screenshot(const QString &path) const
{
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:") + path});
}

QString XSession::mainWindow(qint64 pid) const
{
    QString window;
    waitFor(
        [&] {
            window = QString::fromLatin1(
                xdotool({QStringLiteral("search"), QStringLiteral("--all"), QStringLiteral("--maxdepth"),
                         QStringLiteral("1"), QStringLiteral("--onlyvisible"), QStringLiteral("--pid"),
                         QString::number(pid), QStringLiteral("--name"), QStringLiteral("Pellow")})
                    .split('\n')
                    .value(0));
            return !window.isEmpty();
        },
        kStartMs);
    return window;
}

QStringList XSession::visibleWindows(qint64 pid) const
{
    return QString::fromLatin1(xdotool({QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                        QStringLiteral("--pid"), QString::number(pid)}))
        .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

QRect XSession::windowGeometry(const QString &window) const
{
    QMap<QString, int> values;
    const QByteArray shell = xdotool({QStringLiteral("getwindowgeometry"), QStringLiteral("--shell"), window});
    for (const QByteArray &line : shell.split('\n')) {
        const int equals = line.indexOf('=');
        if (equals > 0)
            values.insert(QString::fromLatin1(line.left(equals)), line.mid(equals + 1).toInt());
    }
    return QRect(values.value(QStringLiteral("X")), values.value(QStringLiteral("Y")),
                 values.value(QStringLiteral("WIDTH")), values.value(QStringLiteral("HEIGHT")));
}

QString XSession::otherWindow(qint64 pid, const QString &except, int timeoutMs) const
{
    QString found;
    waitFor(
        [&] {
            const QList<QByteArray> windows =
                xdotool({QStringLiteral("search"), QStringLiteral("--maxdepth"), QStringLiteral("1"),
                         QStringLiteral("--onlyvisible"), QStringLiteral("--pid"), QString::number(pid)})
                    .split('\n');
            for (const QByteArray &window : windows) {
                const QString id = QString::fromLatin1(window.trimmed());
                if (id.isEmpty() || id == except)
                    continue;
                // Tool tips are small windows too.
                const QRect geometry = windowGeometry(id);
                if (geometry.width() > 100 && geometry.height() > 60) {
                    found = id;
                    return true;
                }
            }
            return false;
        },
        timeoutMs);
    return found;
}

void XSession::clickAt(QPoint screenPos) const
{
    xdotool({QStringLiteral("mousemove"), QString::number(screenPos.x()), QString::number(screenPos.y()),
             QStringLiteral("click"), QStringLiteral("1")});
}

void XSession::focus(const QString &window) const
{
    xdotool({QStringLiteral("windowfocus"), QStringLiteral("--sync"), window});
}
