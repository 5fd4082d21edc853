#include "MachineDefinition.h"
#include "SimStateFolder.h"
#include "SimulatorEngine.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <unistd.h>
#include <memory>

using namespace testsupport;

namespace {

SimulatorEngine::Config testConfig(const QString &registryFolder)
{
    SimulatorEngine::Config config;
    config.registryFolder = registryFolder;
    config.guestProgram = guestStandIn();
    config.stopGraceMs = 3000;
    return config;
}

class SimulatorEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_engine = std::make_unique<SimulatorEngine>(testConfig(m_registry.path()));
        m_system = m_vms.filePath(QStringLiteral("system.vdi"));
        m_data = m_vms.filePath(QStringLiteral("data_tavenor.vdi"));
        writeFile(m_system, vdiHeader(QUuid::createUuid()));
        writeFile(m_data, vdiHeader(QUuid::createUuid()));
        m_spec.media = QStringList{m_system, m_data};
        m_definition = writeDefinition(m_vms.path(), m_spec);
        m_state = SimStateFolder(m_vms.filePath(QStringLiteral("tavenor.sim")));
    }

    void TearDown() override
    {
        if (m_engine->findMachine(QStringLiteral("tavenor")))
            m_engine->stop();
    }

    qint64 guestPid() const
    {
        return readFile(m_state.filePath("standin.pid")).trimmed().toLongLong();
    }

    // Kills the guest as a crash would, and waits until it has ended (it
    // stays a zombie until the engine reaps it).
    void killGuest() const
    {
        const qint64 pid = guestPid();
        ASSERT_GT(pid, 0);
        ASSERT_EQ(::kill(pid_t(pid), SIGKILL), 0);
        ASSERT_TRUE(waitFor([&] {
            const QByteArray stat = readFile(QStringLiteral("/proc/%1/stat").arg(pid));
            return stat.isEmpty() || stat.contains(") Z");
        }));
        QFile::remove(m_state.filePath("standin.pid"));
    }

    bool guestAlive() const
    {
        const qint64 pid = guestPid();
        return pid > 0 && ::kill(pid_t(pid), 0) == 0;
    }

    simstate::Entries read(const char *file) const { return m_state.read(file); }

    QTemporaryDir m_registry;
    QTemporaryDir m_vms;
    std::unique_ptr<SimulatorEngine> m_engine;
    DefinitionSpec m_spec;
    QString m_system;
    QString m_data;
    QString m_definition;
    SimStateFolder m_state{QString()};
};

TEST_F(SimulatorEngineTest, RegistersFindsAndUnregisters)
{
    EXPECT_FALSE(m_engine->findMachine(QStringLiteral("tavenor")));
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    EXPECT_TRUE(QFileInfo(m_state.path()).isDir());
    EXPECT_EQ(read(simstate::kHardwareFile),
              (simstate::Entries{{simstate::kCpusKey, "2"}, {simstate::kMemoryKey, "2048"}}));

    SimulatorEngine other(testConfig(m_registry.path()));
    EXPECT_TRUE(other.findMachine(QStringLiteral("tavenor")));
    EXPECT_FALSE(other.findMachine(QStringLiteral("Tavenor")));
    EXPECT_FALSE(m_engine->openMachine(m_definition)) << "already registered";

    EXPECT_TRUE(m_engine->removeMachine(QStringLiteral("tavenor")));
    EXPECT_FALSE(m_engine->removeMachine(QStringLiteral("tavenor")));
    EXPECT_FALSE(other.findMachine(QStringLiteral("tavenor")));
    EXPECT_TRUE(QFile::exists(m_definition));
    EXPECT_TRUE(QFile::exists(m_data));
    EXPECT_EQ(m_engine->start(), 3) << "the removed machine is no longer current";
}

TEST_F(SimulatorEngineTest, SameUuidUnderAnotherNameIsRefused)
{
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    m_spec.name = QStringLiteral("copy");
    EXPECT_FALSE(m_engine->openMachine(writeDefinition(m_vms.path(), m_spec)));
}

TEST_F(SimulatorEngineTest, BadDefinitionsFailToOpen)
{
    const QString broken = m_vms.filePath(QStringLiteral("broken.vbox"));
    writeFile(broken, "<VirtualBox><Machine uuid=\"{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}\" name=\"x\">");
    EXPECT_FALSE(m_engine->openMachine(broken));
    EXPECT_FALSE(m_engine->openMachine(m_vms.filePath(QStringLiteral("none.vbox"))));
    EXPECT_FALSE(m_engine->findMachine(QStringLiteral("x")));
}

TEST_F(SimulatorEngineTest, StartRunsTheGuestWithTheStateFolderAndStopEndsIt)
{
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    ASSERT_EQ(m_engine->start(), 0);
    ASSERT_TRUE(waitFor([&] { return guestPid() > 0; }));
    EXPECT_TRUE(guestAlive());
    // The pid file is written before the log line: wait for the line itself.
    EXPECT_TRUE(waitFor([&] {
        return readFile(m_state.filePath(simstate::kGuestLogFile))
            .contains("guest standin started " + QFile::encodeName(m_state.path()));
    }));
    EXPECT_EQ(m_engine->start(), 0) << "already running";

    EXPECT_FALSE(m_engine->removeMachine(QStringLiteral("tavenor"))) << "a running machine stays registered";
    EXPECT_TRUE(m_engine->stop());
    EXPECT_FALSE(guestAlive());
    EXPECT_TRUE(readFile(m_state.filePath(simstate::kGuestLogFile)).contains("guest standin stopped"));
    EXPECT_TRUE(m_engine->stop()) << "harmless when not running";
    EXPECT_TRUE(m_engine->removeMachine(QStringLiteral("tavenor")));
}

TEST_F(SimulatorEngineTest, StopKillsAGuestThatIgnoresTerm)
{
    SimulatorEngine::Config config = testConfig(m_registry.path());
    config.stopGraceMs = 100;
    SimulatorEngine engine(config);
    ASSERT_TRUE(engine.openMachine(m_definition));
    qputenv("TAVENOR_STANDIN_IGNORE_TERM", "1");
    const int started = engine.start();
    qunsetenv("TAVENOR_STANDIN_IGNORE_TERM");
    ASSERT_EQ(started, 0);
    ASSERT_TRUE(waitFor([&] { return guestPid() > 0; }));
    EXPECT_TRUE(engine.stop());
    EXPECT_FALSE(guestAlive());
    EXPECT_FALSE(readFile(m_state.filePath(simstate::kGuestLogFile)).contains("guest standin stopped"));
}

TEST_F(SimulatorEngineTest, AGuestThatEndedByItselfCanBeStartedAgain)
{
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    ASSERT_EQ(m_engine->start(), 0);
    ASSERT_TRUE(waitFor([&] { return guestPid() > 0; }));
    const qint64 first = guestPid();
    killGuest();
    ASSERT_EQ(m_engine->start(), 0);
    ASSERT_TRUE(waitFor([&] { return guestPid() > 0; }));
    EXPECT_NE(guestPid(), first);
}

TEST_F(SimulatorEngineTest, StartReasons)
{
    EXPECT_EQ(m_engine->start(), 3) << "no current machine";

    ASSERT_TRUE(m_engine->openMachine(m_definition));
    ASSERT_TRUE(QFile::rename(m_data, m_data + QStringLiteral(".moved")));
    EXPECT_EQ(m_engine->start(), 4) << "a disk is missing";
    ASSERT_TRUE(QFile::rename(m_data + QStringLiteral(".moved"), m_data));

    SimulatorEngine::Config noGuest = testConfig(m_registry.path());
    noGuest.guestProgram = m_vms.filePath(QStringLiteral("tavenor-guest"));
    SimulatorEngine withoutGuest(noGuest);
    ASSERT_TRUE(withoutGuest.findMachine(QStringLiteral("tavenor")));
    EXPECT_EQ(withoutGuest.start(), 5);
    EXPECT_FALSE(withoutGuest.vboxInstalled());
    EXPECT_TRUE(m_engine->vboxInstalled());

    ASSERT_TRUE(QFile::rename(m_definition, m_definition + QStringLiteral(".moved")));
    EXPECT_EQ(m_engine->start(), 3) << "the definition is gone";
    ASSERT_TRUE(QFile::rename(m_definition + QStringLiteral(".moved"), m_definition));

    SimulatorEngine::Config noRegistry = testConfig(QString());
    SimulatorEngine unusable(noRegistry);
    EXPECT_FALSE(unusable.findMachine(QStringLiteral("tavenor")));

    EXPECT_EQ(m_engine->start(), 0);
}

TEST_F(SimulatorEngineTest, StartReasonsOfAnUnusableRegistry)
{
    SimulatorEngine::Config config = testConfig(m_registry.path());
    config.lockTimeoutMs = 100;
    SimulatorEngine engine(config);
    ASSERT_TRUE(engine.openMachine(m_definition));

    {
        QLockFile held(QDir(m_registry.path()).filePath(QStringLiteral("registry.json.lock")));
        ASSERT_TRUE(held.tryLock(0));
        EXPECT_EQ(engine.start(), 2) << "another holder keeps the registry";
    }

    const QString moved = m_registry.path() + QStringLiteral(".moved");
    ASSERT_TRUE(QDir().rename(m_registry.path(), moved));
    writeFile(m_registry.path(), "not a folder");
    EXPECT_EQ(engine.start(), 1) << "the registry cannot be reached";
    ASSERT_TRUE(QFile::remove(m_registry.path()));
    ASSERT_TRUE(QDir().rename(moved, m_registry.path()));
    EXPECT_EQ(engine.start(), 0);
    EXPECT_TRUE(engine.stop());
}

TEST_F(SimulatorEngineTest, RegistryFolderThatCannotBeCreatedFailsCleanly)
{
    const QString file = m_vms.filePath(QStringLiteral("plain-file"));
    writeFile(file, "x");
    SimulatorEngine engine(testConfig(file + QStringLiteral("/registry")));
    EXPECT_FALSE(engine.openMachine(m_definition));
    EXPECT_FALSE(engine.findMachine(QStringLiteral("tavenor")));
    EXPECT_EQ(engine.start(), 3);
}

TEST_F(SimulatorEngineTest, CorruptRegistryStartsEmpty)
{
    writeFile(QDir(m_registry.path()).filePath(QStringLiteral("registry.json")), "{ not json");
    EXPECT_FALSE(m_engine->findMachine(QStringLiteral("tavenor")));
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    EXPECT_TRUE(m_engine->findMachine(QStringLiteral("tavenor")));
}

TEST_F(SimulatorEngineTest, GuestPropertiesReachTheRunningGuest)
{
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    m_engine->setGuestProperty(QStringLiteral("before.start"), QStringLiteral("1"));
    ASSERT_EQ(m_engine->start(), 0);
    const QString awkward = QStringLiteral("a=b\\c\nnext line\r\xe4\xb8\xad");
    m_engine->setGuestProperty(QStringLiteral("tavenor.gles.addr"), QStringLiteral("127.0.0.1:22468"));
    m_engine->setGuestProperty(QStringLiteral("odd=name"), awkward);
    m_engine->setGuestProperty(QStringLiteral("tavenor.phonenumber"), QString());
    m_engine->setGuestProperty(QString(), QStringLiteral("ignored"));

    const simstate::Entries expected = {{"before.start", "1"},
                                        {"tavenor.gles.addr", "127.0.0.1:22468"},
                                        {"odd=name", awkward.toStdString()},
                                        {"tavenor.phonenumber", ""}};
    EXPECT_EQ(read(simstate::kPropertiesFile), expected) << "in place when the call returns";
    EXPECT_TRUE(waitFor([&] { return m_state.read("standin.seen") == expected; }));

    m_engine->setGuestProperty(QStringLiteral("tavenor.gles.addr"), QStringLiteral("changed"));
    EXPECT_TRUE(waitFor([&] { return m_state.read("standin.seen").at("tavenor.gles.addr") == "changed"; }));
}

TEST_F(SimulatorEngineTest, SharedFolders)
{
    QTemporaryDir apps;
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    EXPECT_NE(m_engine->createSharedFolder(QStringLiteral("apk"), apps.path()), 0) << "not running";
    ASSERT_EQ(m_engine->start(), 0);

    EXPECT_FALSE(m_engine->hasSharedFolder(QStringLiteral("apk")));
    EXPECT_EQ(m_engine->createSharedFolder(QStringLiteral("apk"), apps.path()), 0);
    EXPECT_TRUE(m_engine->hasSharedFolder(QStringLiteral("apk")));
    EXPECT_NE(m_engine->createSharedFolder(QStringLiteral("apk"), apps.path()), 0) << "exists";
    EXPECT_NE(m_engine->createSharedFolder(QStringLiteral("x"), apps.filePath(QStringLiteral("none"))), 0);
    EXPECT_NE(m_engine->createSharedFolder(QString(), apps.path()), 0);
    EXPECT_EQ(read(simstate::kSharesFile), (simstate::Entries{{"apk", apps.path().toStdString()}}));

    EXPECT_EQ(m_engine->removeSharedFolder(QStringLiteral("apk")), 0);
    EXPECT_FALSE(m_engine->hasSharedFolder(QStringLiteral("apk")));
    EXPECT_NE(m_engine->removeSharedFolder(QStringLiteral("apk")), 0);

    EXPECT_EQ(m_engine->createSharedFolder(QStringLiteral("TAVENOR_SHARED_FOLDER"), apps.path()), 0);
    ASSERT_TRUE(m_engine->stop());
    EXPECT_FALSE(m_engine->hasSharedFolder(QStringLiteral("TAVENOR_SHARED_FOLDER"))) << "transient";
}

TEST_F(SimulatorEngineTest, CpuAndMemoryWhileOffApplyAtOnce)
{
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    m_engine->setCpuAndMemory(3, 3072);
    EXPECT_EQ(read(simstate::kHardwareFile),
              (simstate::Entries{{simstate::kCpusKey, "3"}, {simstate::kMemoryKey, "3072"}}));
    const auto definition = MachineDefinition::read(m_definition);
    ASSERT_TRUE(definition);
    EXPECT_EQ(definition->cpuCount, 3);
    EXPECT_EQ(definition->memoryMB, 3072);
}

TEST_F(SimulatorEngineTest, CpuAndMemoryWhileRunningApplyAtTheNextStart)
{
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    ASSERT_EQ(m_engine->start(), 0);
    ASSERT_TRUE(waitFor([&] { return guestPid() > 0; }));
    m_engine->setCpuAndMemory(4, 4096);
    m_engine->setCpuAndMemory(0, 4096);
    const simstate::Entries before = {{simstate::kCpusKey, "2"}, {simstate::kMemoryKey, "2048"}};
    EXPECT_EQ(read(simstate::kHardwareFile), before) << "the running machine keeps its hardware";
    EXPECT_EQ(MachineDefinition::read(m_definition)->cpuCount, 2);

    // The guest ends by itself; the next start applies the kept values.
    killGuest();
    ASSERT_EQ(m_engine->start(), 0);
    EXPECT_EQ(read(simstate::kHardwareFile),
              (simstate::Entries{{simstate::kCpusKey, "4"}, {simstate::kMemoryKey, "4096"}}));
    EXPECT_EQ(MachineDefinition::read(m_definition)->memoryMB, 4096);
}

TEST_F(SimulatorEngineTest, CpuAndMemoryKeptWhileRunningApplyWhenStopped)
{
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    ASSERT_EQ(m_engine->start(), 0);
    m_engine->setCpuAndMemory(1, 1024);
    ASSERT_TRUE(m_engine->stop());
    ASSERT_TRUE(m_engine->removeMachine(QStringLiteral("tavenor")));
    // Registered anew from the same definition, as the next player does.
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    EXPECT_EQ(read(simstate::kHardwareFile),
              (simstate::Entries{{simstate::kCpusKey, "1"}, {simstate::kMemoryKey, "1024"}}));
}

TEST_F(SimulatorEngineTest, StateFolderStaysBesideTheDefinition)
{
    m_spec.name = QStringLiteral("../escape");
    m_spec.uuid = QUuid::createUuid();
    ASSERT_TRUE(m_engine->openMachine(writeDefinition(m_vms.path(), m_spec)));
    EXPECT_TRUE(QFileInfo(m_vms.filePath(QStringLiteral(".._escape.sim"))).isDir());
    EXPECT_TRUE(m_engine->removeMachine(QStringLiteral("../escape")));
}

TEST_F(SimulatorEngineTest, ReportsTheHostAndReadsDiskUuids)
{
    EXPECT_GT(m_engine->hostProcessorCount(), 0);
    EXPECT_GT(m_engine->hostMemorySizeMB(), 0);
    EXPECT_FALSE(m_engine->getVersion().isEmpty());
    EXPECT_EQ(m_engine->getDiskUuid(m_definition), QString());
    EXPECT_EQ(m_engine->getDiskUuid(m_system).size(), 38);
}

TEST(SimulatorConfig, FromTheEnvironment)
{
    qputenv("TAVENOR_GUEST_PROGRAM", "/opt/guest");
    const auto config = SimulatorEngine::Config::fromEnvironment();
    qunsetenv("TAVENOR_GUEST_PROGRAM");
    EXPECT_EQ(config.guestProgram, QStringLiteral("/opt/guest"));
    EXPECT_EQ(config.registryFolder,
              QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/tavenor-sim"));
    // Without the variable: tavenor-guest beside this program or library.
    EXPECT_TRUE(SimulatorEngine::Config::fromEnvironment().guestProgram.endsWith(QStringLiteral("/tavenor-guest")));
}

} // namespace
