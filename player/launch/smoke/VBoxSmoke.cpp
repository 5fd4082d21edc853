// The player's launch and exit, without a window, for a machine owner's
// check that VirtualBox works on the host (scripts/vbox-smoke):
//
//   tavenor-vbox-smoke launch NAME   blank system disk if there is none, then
//                                    the launch: definition from the install
//                                    template, registration, start, guest
//                                    properties; the machine is left running
//   tavenor-vbox-smoke exit NAME     the exit: power-off and unregistration
//
// Exit code 0 on success; what failed is on stderr with VBoxManage's words.

#include "app/InstanceName.h"
#include "app/Paths.h"
#include "launch/DataDiskIdentity.h"
#include "launch/LaunchBridgeTarget.h"
#include "launch/LaunchProcess.h"
#include "launch/LaunchWindow.h"

#include <VMService.h>

#include <QDebug>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QRegularExpression>
#include <QTimer>
#include <QUuid>

#include <cstdio>
#include <cstring>
#include <optional>

namespace {

// Start, five attempts with their pauses, properties: well within this.
constexpr int kLaunchBoundMs = 10 * 60 * 1000;
// No renderer runs: the address only has to reach the guest properties.
constexpr char kNoRendererAddress[] = "127.0.0.1:1";

void say(const QString &line)
{
    std::fprintf(stdout, "vbox-smoke: %s\n", qPrintable(line));
    std::fflush(stdout);
}

// The launch's window, reduced to what the launch asks of it.
class SmokeWindow : public LaunchWindow
{
public:
    QObject *bridgeTarget() override { return &m_target; }
    void showForGuest(int, int) override {}
    bool startRenderer(int, int, char *address, int size) override
    {
        qstrncpy(address, kNoRendererAddress, static_cast<uint>(size));
        return false;
    }
    void vmStartFailed(int reason, const QString &detail) override
    {
        m_failure = reason;
        say(QStringLiteral("the launch failed with reason %1 %2").arg(reason).arg(detail));
    }
    std::optional<int> failure() const { return m_failure; }

private:
    LaunchBridgeTarget m_target;
    std::optional<int> m_failure;
};

// The template names the system disk by a fixed UUID; a blank disk of that
// UUID stands in for the Android image.
bool ensureBlankSystemDisk()
{
    if (QFile::exists(systemDiskPath()))
        return true;
    QFile templateFile(vmTemplatePath());
    if (!templateFile.open(QIODevice::ReadOnly))
        return false;
    const QRegularExpression systemDisk(QStringLiteral("uuid=\"(\\{[^\"]+\\})\"\\s+location=\"\\$SYSTEM_PATH\\$\""));
    const QUuid uuid(systemDisk.match(QString::fromUtf8(templateFile.readAll())).captured(1));
    QFile blank(pristineDataDiskPath());
    if (uuid.isNull() || !blank.open(QIODevice::ReadOnly))
        return false;
    QByteArray image = blank.readAll();
    QByteArray header = image.left(0x198);
    if (!writeDiskUuid(header, uuid))
        return false;
    image.replace(0, header.size(), header);
    QFile system(systemDiskPath());
    return system.open(QIODevice::WriteOnly) && system.write(image) == image.size();
}

int launch()
{
    if (!ensureBlankSystemDisk()) {
        say(QStringLiteral("cannot make a blank system disk from %1 and %2").arg(vmTemplatePath(), pristineDataDiskPath()));
        return 1;
    }
    // The guest-service library keeps the bridge target for as long as the
    // process runs.
    static SmokeWindow *const window = new SmokeWindow;
    LaunchProcess process;
    QEventLoop loop;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (process.waitForWorker(0))
            loop.quit();
    });
    poll.start(100);
    QTimer::singleShot(kLaunchBoundMs, &loop, &QEventLoop::quit);
    process.start(window, VMService::getVMService());
    loop.exec();
    if (!process.waitForWorker(0)) {
        say(QStringLiteral("the launch did not end in time"));
        return 1;
    }
    QCoreApplication::processEvents(); // the queued failure, if any
    if (window->failure())
        return 1;
    say(QStringLiteral("launched %1").arg(instanceName()));
    return 0;
}

int exitPlayer()
{
    LaunchProcess().stop();
    if (VMService::getVMService()->findMachine(instanceName())) {
        say(QStringLiteral("%1 is still registered").arg(instanceName()));
        return 1;
    }
    say(QStringLiteral("stopped and unregistered %1").arg(instanceName()));
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 3 || (std::strcmp(argv[1], "launch") != 0 && std::strcmp(argv[1], "exit") != 0)) {
        std::fprintf(stderr, "usage: %s launch|exit NAME\n", argv[0]);
        return 2;
    }
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QString name = QString::fromLocal8Bit(argv[2]);
    if (!instanceNameProblem(name).isEmpty()) {
        std::fprintf(stderr, "%s\n", qPrintable(instanceNameProblem(name)));
        return 2;
    }
    setInstanceName(name);
    VMService::selectEngine(VMService::Engine::VirtualBox);
    if (!VMService::getVMService()->vboxInstalled()) {
        say(QStringLiteral("VBoxManage not found or not working"));
        return 1;
    }
    const int result = std::strcmp(argv[1], "launch") == 0 ? launch() : exitPlayer();
    VMService::releaseVMService();
    return result;
}
