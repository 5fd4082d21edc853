#include "LaunchTestSupport.h"

#include "app/Paths.h"

#include <SimStateFormat.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QProcess>
#include <QTcpSocket>

TestWindow::TestWindow()
{
    QObject::connect(&m_target, &LaunchBridgeTarget::onSetShowOpenGLWidget, &m_target, [this](bool show) {
        if (show)
            ++m_readyCount;
    });
    QObject::connect(&m_target, &LaunchBridgeTarget::onSetEngineEnabled, &m_target,
                     [this](bool enabled) { m_engineStates.append(enabled); });
}

TestWindow::~TestWindow() = default;

QObject *TestWindow::bridgeTarget()
{
    return &m_target;
}

void TestWindow::showForGuest(int width, int height)
{
    m_shown = QSize(width, height);
}

bool TestWindow::startRenderer(int, int, char *address, int size)
{
    qstrncpy(address, kRendererAddress, static_cast<uint>(size));
    return true;
}

void TestWindow::vmStartFailed(int reason, const QString &detail)
{
    m_failures.append(reason);
    m_failureDetails.append(detail);
}

void TestWindow::reset()
{
    m_shown = QSize();
    m_failures.clear();
    m_failureDetails.clear();
    m_readyCount = 0;
    m_engineStates.clear();
}

TestWindow &sharedTestWindow()
{
    static TestWindow *const window = new TestWindow;
    return *window;
}

void settle(std::chrono::milliseconds duration)
{
    eventually([] { return false; }, duration);
}

QString stateFolder(const QString &instance)
{
    return vmFolder() + QLatin1Char('/') + instance + QLatin1String(simstate::kFolderSuffix);
}

QList<QJsonObject> guestEvents(const QString &instance)
{
    QFile file(stateFolder(instance) + QStringLiteral("/events.jsonl"));
    QList<QJsonObject> events;
    if (!file.open(QIODevice::ReadOnly))
        return events;
    for (const QByteArray &line : file.readAll().split('\n')) {
        const QJsonDocument document = QJsonDocument::fromJson(line);
        if (document.isObject())
            events.append(document.object());
    }
    return events;
}

QList<QPair<QString, QString>> guestPropertyEvents(const QString &instance)
{
    QList<QPair<QString, QString>> properties;
    for (const QJsonObject &event : guestEvents(instance)) {
        if (event.value(QStringLiteral("agent")) == QStringLiteral("guest")
            && event.value(QStringLiteral("type")) == QStringLiteral("property"))
            properties.append({event.value(QStringLiteral("name")).toString(),
                               event.value(QStringLiteral("value")).toString()});
    }
    return properties;
}

QMap<QString, QString> stateEntries(const QString &instance, const QString &file)
{
    QFile entriesFile(stateFolder(instance) + QLatin1Char('/') + file);
    QMap<QString, QString> result;
    if (!entriesFile.open(QIODevice::ReadOnly))
        return result;
    const QByteArray text = entriesFile.readAll();
    for (const auto &[name, value] : simstate::parseEntries(std::string_view(text.constData(), text.size())))
        result.insert(QString::fromStdString(name), QString::fromStdString(value));
    return result;
}

int guestProcessCount(const QString &instance)
{
    const QByteArray folder = QFile::encodeName(QFileInfo(stateFolder(instance)).absoluteFilePath());
    int count = 0;
    const QStringList pids = QDir(QStringLiteral("/proc")).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &pid : pids) {
        bool isPid = false;
        pid.toInt(&isPid);
        if (!isPid)
            continue;
        QFile cmdline(QStringLiteral("/proc/") + pid + QStringLiteral("/cmdline"));
        if (!cmdline.open(QIODevice::ReadOnly))
            continue;
        if (cmdline.readAll().split('\0').contains(folder))
            ++count;
    }
    return count;
}

bool isListening(int port)
{
    QTcpSocket socket;
    socket.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(port));
    const bool connected = socket.waitForConnected(5000);
    socket.abort();
    return connected;
}

bool createSystemDisk()
{
    QProcess qemuImg;
    qemuImg.start(QStringLiteral(TAVENOR_QEMU_IMG), {QStringLiteral("create"), QStringLiteral("-q"),
                                                     QStringLiteral("-f"), QStringLiteral("vdi"), systemDiskPath(),
                                                     QStringLiteral("64M")});
    return qemuImg.waitForFinished(30000) && qemuImg.exitStatus() == QProcess::NormalExit && qemuImg.exitCode() == 0;
}

bool removeSystemDisk()
{
    return !QFileInfo::exists(systemDiskPath()) || QFile::remove(systemDiskPath());
}

void useSimulatedGuest()
{
    QString bin = qEnvironmentVariable("TAVENOR_BIN_DIR");
    if (bin.isEmpty())
        bin = QCoreApplication::applicationDirPath() + QStringLiteral("/../../bin");
    qputenv("TAVENOR_GUEST_PROGRAM", QFile::encodeName(QDir(bin).absoluteFilePath(QStringLiteral("tavenor-guest"))));
    qputenv("TAVENOR_GUEST_BOOT_DELAY_MS", "200");
    qputenv("TAVENOR_GUEST_FPS", "5");
}
