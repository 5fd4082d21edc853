// The simulated engine across processes: a second program (SimTool, linked
// against the shared library) registers, starts and changes machines that
// this process then finds, stops and removes, as a player after a crashed
// one does.
#include "MachineDefinition.h"
#include "SimStateFolder.h"
#include "SimulatorEngine.h"
#include "TestSupport.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>

using namespace testsupport;

namespace {

// Runs the tool with the given calls; returns its output lines.
QStringList runTool(const QStringList &calls)
{
    QProcess tool;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("TAVENOR_GUEST_PROGRAM"), guestStandIn());
    tool.setProcessEnvironment(environment);
    tool.start(simTool(), calls);
    if (!tool.waitForFinished(60000)) {
        tool.kill();
        tool.waitForFinished();
        ADD_FAILURE() << "the tool did not finish";
        return {};
    }
    EXPECT_EQ(tool.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().toStdString();
    return QString::fromUtf8(tool.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

SimulatorEngine::Config sharedConfig()
{
    SimulatorEngine::Config config = SimulatorEngine::Config::fromEnvironment();
    config.guestProgram = guestStandIn();
    return config;
}

class SimulatorProcessesTest : public ::testing::Test
{
protected:
    QString definitionNamed(const QString &name)
    {
        const QString disk = m_vms.filePath(name + QStringLiteral(".vdi"));
        writeFile(disk, vdiHeader(QUuid::createUuid()));
        DefinitionSpec spec;
        spec.name = name;
        spec.media = QStringList{disk};
        return writeDefinition(m_vms.path(), spec);
    }

    QTemporaryDir m_vms;
};

TEST_F(SimulatorProcessesTest, MachineLeftRunningByAnEndedProcessIsFoundStoppedAndRemoved)
{
    QTemporaryDir apps;
    const QString definition = definitionNamed(QStringLiteral("tavenor"));
    EXPECT_EQ(runTool({QStringLiteral("open"), definition, QStringLiteral("start"), QStringLiteral("setprop"),
                       QStringLiteral("tavenor.dpi"), QStringLiteral("240"), QStringLiteral("share"),
                       QStringLiteral("apk"), apps.path(), QStringLiteral("cpumem"), QStringLiteral("3"),
                       QStringLiteral("3072")}),
              (QStringList{QStringLiteral("open 1"), QStringLiteral("start 0"), QStringLiteral("setprop 0"),
                           QStringLiteral("share 0"), QStringLiteral("cpumem 0")}));

    const SimStateFolder state(m_vms.filePath(QStringLiteral("tavenor.sim")));
    ASSERT_TRUE(waitFor([&] { return !readFile(state.filePath("standin.pid")).isEmpty(); }));
    const pid_t guest = pid_t(readFile(state.filePath("standin.pid")).trimmed().toLongLong());
    EXPECT_EQ(::kill(guest, 0), 0) << "the machine outlives the process that started it";

    SimulatorEngine engine(sharedConfig());
    ASSERT_TRUE(engine.findMachine(QStringLiteral("tavenor")));
    EXPECT_TRUE(engine.hasSharedFolder(QStringLiteral("apk")));
    EXPECT_EQ(state.read(simstate::kPropertiesFile).at("tavenor.dpi"), "240");
    EXPECT_EQ(engine.start(), 0) << "already running";
    EXPECT_FALSE(engine.removeMachine(QStringLiteral("tavenor")));
    EXPECT_TRUE(engine.stop());
    EXPECT_TRUE(waitFor([&] { return ::kill(guest, 0) != 0 || readFile(QStringLiteral("/proc/%1/stat").arg(guest)).contains(") Z"); }));
    EXPECT_FALSE(engine.hasSharedFolder(QStringLiteral("apk")));
    EXPECT_EQ(MachineDefinition::read(definition)->cpuCount, 3) << "the kept CPU count applied at the stop";
    EXPECT_TRUE(engine.removeMachine(QStringLiteral("tavenor")));

    EXPECT_EQ(runTool({QStringLiteral("find"), QStringLiteral("tavenor")}), QStringList{QStringLiteral("find 0")});
}

// A player killed in the middle of an operation leaves the registry's lock
// file behind; the next process takes it over instead of waiting for ever.
TEST_F(SimulatorProcessesTest, RegistryLockOfAKilledProcessIsTakenOver)
{
    const QString definition = definitionNamed(QStringLiteral("tavenor"));
    qputenv("TAVENOR_STANDIN_IGNORE_TERM", "1");
    EXPECT_EQ(runTool({QStringLiteral("open"), definition, QStringLiteral("start")}),
              (QStringList{QStringLiteral("open 1"), QStringLiteral("start 0")}));
    qunsetenv("TAVENOR_STANDIN_IGNORE_TERM");

    // The tool's stop holds the lock while the guest ignores SIGTERM, for
    // the whole grace time; it is killed meanwhile.
    QProcess stopping;
    stopping.start(simTool(), {QStringLiteral("find"), QStringLiteral("tavenor"), QStringLiteral("stop")});
    QByteArray output;
    ASSERT_TRUE(waitFor(
        [&] {
            stopping.waitForReadyRead(50);
            output += stopping.readAllStandardOutput();
            return output.contains("find 1");
        },
        30000));
    const QString lockFile = QDir(sharedConfig().registryFolder).filePath(QStringLiteral("registry.json.lock"));
    ASSERT_TRUE(waitFor([&] { return QFileInfo::exists(lockFile); }));
    stopping.kill();
    ASSERT_TRUE(stopping.waitForFinished(10000));
    ASSERT_TRUE(QFileInfo::exists(lockFile)) << "the killed holder left its lock";

    SimulatorEngine::Config config = sharedConfig();
    config.lockTimeoutMs = 5000;
    config.stopGraceMs = 100;
    SimulatorEngine engine(config);
    ASSERT_TRUE(engine.findMachine(QStringLiteral("tavenor")));
    EXPECT_TRUE(engine.stop());
    EXPECT_TRUE(engine.removeMachine(QStringLiteral("tavenor")));
}

TEST_F(SimulatorProcessesTest, ConcurrentRegistrationsFromTwoProcessesAllLand)
{
    constexpr int kMachines = 6;
    QList<QProcess *> tools;
    for (int i = 0; i < kMachines; ++i) {
        auto *tool = new QProcess;
        tool->start(simTool(), {QStringLiteral("open"), definitionNamed(QStringLiteral("vm%1").arg(i))});
        tools.append(tool);
    }
    for (QProcess *tool : qAsConst(tools)) {
        EXPECT_TRUE(tool->waitForFinished(60000));
        EXPECT_EQ(tool->readAllStandardOutput().trimmed(), QByteArray("open 1"));
        delete tool;
    }
    SimulatorEngine engine(sharedConfig());
    for (int i = 0; i < kMachines; ++i) {
        EXPECT_TRUE(engine.findMachine(QStringLiteral("vm%1").arg(i))) << i;
        EXPECT_TRUE(engine.removeMachine(QStringLiteral("vm%1").arg(i))) << i;
    }
}

TEST_F(SimulatorProcessesTest, PropertiesSetByAnotherProcessAreKept)
{
    const QString definition = definitionNamed(QStringLiteral("shared"));
    SimulatorEngine engine(sharedConfig());
    ASSERT_TRUE(engine.openMachine(definition));
    engine.setGuestProperty(QStringLiteral("here"), QStringLiteral("1"));
    EXPECT_EQ(runTool({QStringLiteral("find"), QStringLiteral("shared"), QStringLiteral("setprop"),
                       QStringLiteral("there"), QStringLiteral("2")}),
              (QStringList{QStringLiteral("find 1"), QStringLiteral("setprop 0")}));
    engine.setGuestProperty(QStringLiteral("here again"), QStringLiteral("3"));
    const SimStateFolder state(m_vms.filePath(QStringLiteral("shared.sim")));
    EXPECT_EQ(state.read(simstate::kPropertiesFile),
              (simstate::Entries{{"here", "1"}, {"there", "2"}, {"here again", "3"}}));
    EXPECT_TRUE(engine.removeMachine(QStringLiteral("shared")));
}

} // namespace
