#include "TestSupport.h"
#include "VirtualBoxEngine.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

using namespace testsupport;

namespace {

using Calls = QList<QStringList>;

VBoxManageRunner::Timeouts testTimeouts()
{
    // Long enough for a Python start under the sanitizers, short enough for
    // the hang cases to end quickly.
    return {3000, 3000, 10000};
}

class VirtualBoxEngineTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_engine = std::make_unique<VirtualBoxEngine>(VBoxManageRunner(standInVBoxManage(), testTimeouts()));
        m_system = m_vms.filePath(QStringLiteral("system.vdi"));
        writeFile(m_system, vdiHeader(QUuid::createUuid()));
        m_spec.name = QStringLiteral("tavenor");
        m_spec.media = QStringList{m_system};
        m_definition = writeDefinition(m_vms.path(), m_spec);
        m_uuid = braced(m_spec.uuid);
    }

    // An engine that gives up a call refused for a locked machine after
    // lockWaitMs of pauses.
    void useLockWait(int lockWaitMs)
    {
        VBoxManageRunner::Timeouts timeouts = testTimeouts();
        timeouts.lockWaitMs = lockWaitMs;
        m_engine = std::make_unique<VirtualBoxEngine>(VBoxManageRunner(standInVBoxManage(), timeouts));
    }

    // Registers and selects the test machine, forgetting those calls.
    void open()
    {
        ASSERT_TRUE(m_engine->openMachine(m_definition));
        m_fake.clearCalls();
    }

    void openAndStart()
    {
        open();
        ASSERT_EQ(m_engine->start(), 0);
        m_fake.clearCalls();
    }

    QStringList showvminfo() const
    {
        return {QStringLiteral("showvminfo"), m_uuid, QStringLiteral("--machinereadable")};
    }

    FakeVBox m_fake;
    QTemporaryDir m_vms;
    std::unique_ptr<VirtualBoxEngine> m_engine;
    DefinitionSpec m_spec;
    QString m_system;
    QString m_definition;
    QString m_uuid;
};

TEST_F(VirtualBoxEngineTest, MachineLifecycleUsesTheDocumentedArgumentLists)
{
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    EXPECT_EQ(m_fake.calls(), (Calls{{QStringLiteral("registervm"), m_definition}}));
    EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("state")).toString(),
              QStringLiteral("poweroff"));

    m_fake.clearCalls();
    EXPECT_EQ(m_engine->start(), 0);
    EXPECT_EQ(m_fake.calls(), (Calls{showvminfo(),
                                     {QStringLiteral("startvm"), m_uuid, QStringLiteral("--type"),
                                      QStringLiteral("headless")}}));

    m_fake.clearCalls();
    EXPECT_TRUE(m_engine->stop());
    EXPECT_EQ(m_fake.calls(), (Calls{showvminfo(), {QStringLiteral("controlvm"), m_uuid, QStringLiteral("poweroff")}}));

    m_fake.clearCalls();
    EXPECT_TRUE(m_engine->findMachine(QStringLiteral("tavenor")));
    EXPECT_EQ(m_fake.calls(), (Calls{{QStringLiteral("list"), QStringLiteral("vms")}}));

    m_fake.clearCalls();
    EXPECT_TRUE(m_engine->removeMachine(QStringLiteral("tavenor")));
    EXPECT_EQ(m_fake.calls(),
              (Calls{{QStringLiteral("list"), QStringLiteral("vms")}, {QStringLiteral("unregistervm"), m_uuid}}));
    EXPECT_TRUE(m_fake.machine(QStringLiteral("tavenor")).isEmpty());
    EXPECT_TRUE(QFile::exists(m_definition));
    EXPECT_FALSE(m_engine->findMachine(QStringLiteral("tavenor")));
}

TEST_F(VirtualBoxEngineTest, RelativeDefinitionPathIsPassedAbsolute)
{
    const QString cwd = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(m_vms.path()));
    const bool opened = m_engine->openMachine(QStringLiteral("tavenor.vbox"));
    QDir::setCurrent(cwd);
    EXPECT_TRUE(opened);
    EXPECT_EQ(m_fake.calls(), (Calls{{QStringLiteral("registervm"), m_definition}}));
}

TEST_F(VirtualBoxEngineTest, GuestPropertiesAndSharedFolders)
{
    openAndStart();
    m_engine->setGuestProperty(QStringLiteral("tavenor.dpi"), QStringLiteral("240"));
    m_engine->setGuestProperty(QStringLiteral("tavenor.phonenumber"), QString());
    EXPECT_EQ(m_fake.calls(),
              (Calls{{QStringLiteral("guestproperty"), QStringLiteral("set"), m_uuid, QStringLiteral("tavenor.dpi"),
                      QStringLiteral("240")},
                     {QStringLiteral("guestproperty"), QStringLiteral("set"), m_uuid,
                      QStringLiteral("tavenor.phonenumber"), QString()}}));
    const QJsonObject props = m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("props")).toObject();
    EXPECT_EQ(props.value(QStringLiteral("tavenor.dpi")).toString(), QStringLiteral("240"));
    EXPECT_TRUE(props.contains(QStringLiteral("tavenor.phonenumber")));

    QTemporaryDir apps;
    m_fake.clearCalls();
    EXPECT_FALSE(m_engine->hasSharedFolder(QStringLiteral("apk")));
    EXPECT_EQ(m_engine->createSharedFolder(QStringLiteral("apk"), apps.path()), 0);
    EXPECT_TRUE(m_engine->hasSharedFolder(QStringLiteral("apk")));
    EXPECT_NE(m_engine->createSharedFolder(QStringLiteral("apk"), apps.path()), 0);
    EXPECT_EQ(m_engine->removeSharedFolder(QStringLiteral("apk")), 0);
    EXPECT_FALSE(m_engine->hasSharedFolder(QStringLiteral("apk")));
    EXPECT_NE(m_engine->removeSharedFolder(QStringLiteral("apk")), 0);
    const QStringList add = {QStringLiteral("sharedfolder"), QStringLiteral("add"), m_uuid, QStringLiteral("--name"),
                             QStringLiteral("apk"), QStringLiteral("--hostpath"), apps.path(),
                             QStringLiteral("--transient")};
    const QStringList remove = {QStringLiteral("sharedfolder"), QStringLiteral("remove"), m_uuid,
                                QStringLiteral("--name"), QStringLiteral("apk"), QStringLiteral("--transient")};
    EXPECT_EQ(m_fake.calls(), (Calls{showvminfo(), add, showvminfo(), add, remove, showvminfo(), remove}));
}

TEST_F(VirtualBoxEngineTest, SharedFolderNeedsARunningMachineAndAnExistingFolder)
{
    open();
    QTemporaryDir apps;
    EXPECT_NE(m_engine->createSharedFolder(QStringLiteral("apk"), apps.path()), 0);
    ASSERT_EQ(m_engine->start(), 0);
    EXPECT_NE(m_engine->createSharedFolder(QStringLiteral("apk"), apps.filePath(QStringLiteral("missing"))), 0);
    EXPECT_NE(m_engine->createSharedFolder(QStringLiteral("apk"), QString()), 0);
    EXPECT_EQ(m_engine->createSharedFolder(QStringLiteral("apk"), apps.path()), 0);
}

TEST_F(VirtualBoxEngineTest, TransientSharedFoldersEndWithTheMachine)
{
    openAndStart();
    QTemporaryDir apps;
    ASSERT_EQ(m_engine->createSharedFolder(QStringLiteral("TAVENOR_SHARED_FOLDER"), apps.path()), 0);
    ASSERT_TRUE(m_engine->stop());
    EXPECT_FALSE(m_engine->hasSharedFolder(QStringLiteral("TAVENOR_SHARED_FOLDER")));
}

TEST_F(VirtualBoxEngineTest, CpuAndMemoryApplyAtOnceWhileOff)
{
    open();
    m_engine->setCpuAndMemory(3, 3072);
    EXPECT_EQ(m_fake.calls(), (Calls{showvminfo(),
                                     {QStringLiteral("modifyvm"), m_uuid, QStringLiteral("--cpus"), QStringLiteral("3"),
                                      QStringLiteral("--memory"), QStringLiteral("3072")}}));
    EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("cpus")).toInt(), 3);
    m_fake.clearCalls();
    ASSERT_EQ(m_engine->start(), 0);
    EXPECT_EQ(m_fake.calls().size(), 2) << "nothing kept for the start";
}

TEST_F(VirtualBoxEngineTest, CpuAndMemorySetWhileRunningApplyBeforeTheNextStart)
{
    openAndStart();
    m_engine->setCpuAndMemory(4, 4096);
    EXPECT_EQ(m_fake.calls(), (Calls{showvminfo()}));
    EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("cpus")).toInt(), 2);

    // The machine powers itself off (the guest shut down); the next start
    // applies the kept values first.
    m_fake.setMachineState(QStringLiteral("tavenor"), QStringLiteral("poweroff"));
    m_fake.clearCalls();
    ASSERT_EQ(m_engine->start(), 0);
    const QStringList modify = {QStringLiteral("modifyvm"), m_uuid, QStringLiteral("--cpus"), QStringLiteral("4"),
                                QStringLiteral("--memory"), QStringLiteral("4096")};
    EXPECT_EQ(m_fake.calls(), (Calls{showvminfo(), modify,
                                     {QStringLiteral("startvm"), m_uuid, QStringLiteral("--type"),
                                      QStringLiteral("headless")}}));
    EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("cpus")).toInt(), 4);
    EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("memory")).toInt(), 4096);
}

TEST_F(VirtualBoxEngineTest, CpuAndMemorySetWhileRunningApplyWhenItIsStopped)
{
    openAndStart();
    m_engine->setCpuAndMemory(1, 1024);
    m_fake.clearCalls();
    ASSERT_TRUE(m_engine->stop());
    EXPECT_EQ(m_fake.calls(), (Calls{showvminfo(),
                                     {QStringLiteral("controlvm"), m_uuid, QStringLiteral("poweroff")},
                                     {QStringLiteral("modifyvm"), m_uuid, QStringLiteral("--cpus"), QStringLiteral("1"),
                                      QStringLiteral("--memory"), QStringLiteral("1024")}}));
    EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("memory")).toInt(), 1024);
    m_fake.clearCalls();
    ASSERT_EQ(m_engine->start(), 0);
    EXPECT_EQ(m_fake.calls().size(), 2) << "applied once only";
}

TEST_F(VirtualBoxEngineTest, FailedModifyKeepsTheValuesForLater)
{
    openAndStart();
    m_engine->setCpuAndMemory(3, 2048);
    m_fake.setFault(QStringLiteral("modifyvm"), QStringLiteral("fail"));
    ASSERT_TRUE(m_engine->stop());
    m_fake.setFault(QString(), QString());
    m_fake.clearCalls();
    ASSERT_EQ(m_engine->start(), 0);
    ASSERT_EQ(m_fake.calls().size(), 3);
    EXPECT_EQ(m_fake.calls().at(1).first(), QStringLiteral("modifyvm"));
}

namespace {

QStringList g_log;

void recordLog(QtMsgType, const QMessageLogContext &, const QString &message)
{
    g_log.append(message);
}

// The engine's log lines while it lives; the engine logs on the test's
// thread here.
class LogCapture
{
public:
    LogCapture() : m_previous(qInstallMessageHandler(recordLog)) { g_log.clear(); }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    QStringList lines(const QString &part) const { return g_log.filter(part); }
    std::string all() const { return g_log.join(QLatin1Char('\n')).toStdString(); }

private:
    QtMessageHandler m_previous;
};

int countOf(const Calls &calls, const QString &command)
{
    return int(std::count_if(calls.cbegin(), calls.cend(),
                             [&command](const QStringList &call) { return call.first() == command; }));
}

const QString kLockRefusal = QStringLiteral("refused while the machine is locked");

} // namespace

// After a power-off VirtualBox keeps the machine's session locked for a
// while and refuses to unregister, start or change it meanwhile: each
// refusal is logged and the call made again until it goes through.
struct UnlockCase
{
    const char *command;
};

class VirtualBoxUnlockWindow : public VirtualBoxEngineTest, public ::testing::WithParamInterface<UnlockCase>
{
};

TEST_P(VirtualBoxUnlockWindow, RefusedCallsGoThroughOnceUnlocked)
{
    const QString command = QString::fromLatin1(GetParam().command);
    const bool modify = command == QStringLiteral("modifyvm");
    m_fake.setUnlockWindow(2.0);
    openAndStart();
    if (modify)
        m_engine->setCpuAndMemory(1, 1024); // kept for the power-off
    const LogCapture log;
    ASSERT_TRUE(m_engine->stop());
    if (command == QStringLiteral("unregistervm")) {
        EXPECT_TRUE(m_engine->removeMachine(QStringLiteral("tavenor")));
        EXPECT_TRUE(m_fake.machine(QStringLiteral("tavenor")).isEmpty());
    } else if (command == QStringLiteral("startvm")) {
        EXPECT_EQ(m_engine->start(), 0);
        EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("state")).toString(),
                  QStringLiteral("running"));
    } else {
        EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("cpus")).toInt(), 1);
    }
    const int calls = countOf(m_fake.calls(), command);
    EXPECT_GE(calls, 2) << "never refused: no unlock window";
    EXPECT_EQ(log.lines(kLockRefusal).size(), calls - 1) << log.all();
    EXPECT_EQ(log.lines(kLockRefusal).filter(command).size(), calls - 1) << log.all();
}

INSTANTIATE_TEST_SUITE_P(Commands, VirtualBoxUnlockWindow,
                         ::testing::Values(UnlockCase{"unregistervm"}, UnlockCase{"startvm"}, UnlockCase{"modifyvm"}),
                         [](const ::testing::TestParamInfo<UnlockCase> &info) {
                             return std::string(info.param.command);
                         });

// A lock that outlasts the engine's patience: the calls stop once the bound
// (here 1.5 s: pauses of 100, 200, 400 and at most 800 ms fit) has passed
// and the failure is reported; a lock that ends in time is waited out.
struct LockedCase
{
    const char *name;
    const char *command;
    const char *fault;
    int calls; // 0: as many as fit in the bound
    bool succeeds;
};

class VirtualBoxLockedCalls : public VirtualBoxEngineTest, public ::testing::WithParamInterface<LockedCase>
{
};

TEST_P(VirtualBoxLockedCalls, AreBoundedAndReported)
{
    const LockedCase &c = GetParam();
    const QString command = QString::fromLatin1(c.command);
    useLockWait(1500);
    openAndStart();
    const bool modify = command == QStringLiteral("modifyvm");
    if (modify)
        m_engine->setCpuAndMemory(1, 1024);
    else
        ASSERT_TRUE(m_engine->stop());
    m_fake.setFault(command, QString::fromLatin1(c.fault));
    m_fake.clearCalls();
    const LogCapture log;

    bool succeeded = false;
    if (modify) {
        ASSERT_TRUE(m_engine->stop());
        succeeded = m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("cpus")).toInt() == 1;
    } else if (command == QStringLiteral("startvm")) {
        const int reason = m_engine->start();
        EXPECT_TRUE(reason == 0 || reason == 4) << reason;
        succeeded = reason == 0;
    } else {
        succeeded = m_engine->removeMachine(QStringLiteral("tavenor"));
        EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).isEmpty(), succeeded);
    }
    m_fake.setFault(QString(), QString());

    EXPECT_EQ(succeeded, c.succeeds);
    const int calls = countOf(m_fake.calls(), command);
    if (c.calls > 0)
        EXPECT_EQ(calls, c.calls);
    else
        EXPECT_TRUE(calls >= 3 && calls <= 5) << calls;
    EXPECT_EQ(log.lines(kLockRefusal).size(), calls - 1) << log.all();
    EXPECT_EQ(log.lines(command + QStringLiteral(" failed")).size(), c.succeeds ? 0 : 1) << log.all();
    if (modify && !c.succeeds) {
        const QStringList kept = log.lines(QStringLiteral("modifyvm refused"));
        ASSERT_EQ(kept.size(), 1) << log.all();
        EXPECT_TRUE(kept.first().contains(QStringLiteral("1024"))) << kept.first().toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Faults, VirtualBoxLockedCalls,
    ::testing::Values(LockedCase{"modify_locked_twice", "modifyvm", "locked:2", 3, true},
                      LockedCase{"modify_locked", "modifyvm", "locked", 0, false},
                      LockedCase{"unregister_locked", "unregistervm", "locked", 0, false},
                      LockedCase{"start_locked_once", "startvm", "locked:1", 2, true},
                      LockedCase{"start_locked", "startvm", "locked", 0, false}),
    [](const ::testing::TestParamInfo<LockedCase> &info) { return std::string(info.param.name); });

TEST_F(VirtualBoxEngineTest, InvalidCpuOrMemoryIsIgnored)
{
    open();
    m_engine->setCpuAndMemory(0, 2048);
    m_engine->setCpuAndMemory(2, -1);
    EXPECT_TRUE(m_fake.calls().isEmpty());
}

TEST_F(VirtualBoxEngineTest, StopIsHarmlessWhenNotRunningOrWithoutMachine)
{
    EXPECT_FALSE(m_engine->stop());
    EXPECT_TRUE(m_fake.calls().isEmpty());
    open();
    EXPECT_TRUE(m_engine->stop());
    EXPECT_EQ(m_fake.calls(), (Calls{showvminfo()}));
}

TEST_F(VirtualBoxEngineTest, StartOfARunningMachineSucceedsWithoutStartvm)
{
    openAndStart();
    EXPECT_EQ(m_engine->start(), 0);
    EXPECT_EQ(m_fake.calls(), (Calls{showvminfo()}));
}

TEST_F(VirtualBoxEngineTest, NamesWithSpacesAndQuotesAreFound)
{
    m_spec.name = QStringLiteral("My \"odd\" vm");
    m_spec.uuid = QUuid::createUuid();
    const QString definition = writeDefinition(m_vms.path(), m_spec);
    ASSERT_TRUE(m_engine->openMachine(definition));
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    EXPECT_FALSE(m_engine->findMachine(QStringLiteral("My")));
    EXPECT_TRUE(m_engine->findMachine(QStringLiteral("My \"odd\" vm")));
    m_fake.clearCalls();
    EXPECT_EQ(m_engine->start(), 0);
    EXPECT_EQ(m_fake.calls().at(0), (QStringList{QStringLiteral("showvminfo"), braced(m_spec.uuid),
                                                 QStringLiteral("--machinereadable")}));
}

TEST_F(VirtualBoxEngineTest, NameThatLooksLikeAnOptionNeverReachesVBoxManage)
{
    m_spec.name = QStringLiteral("--delete");
    m_spec.uuid = QUuid::createUuid();
    ASSERT_TRUE(m_engine->openMachine(writeDefinition(m_vms.path(), m_spec)));
    m_fake.clearCalls();
    EXPECT_TRUE(m_engine->removeMachine(QStringLiteral("--delete")));
    EXPECT_EQ(m_fake.calls(), (Calls{{QStringLiteral("list"), QStringLiteral("vms")},
                                     {QStringLiteral("unregistervm"), braced(m_spec.uuid)}}));
}

TEST_F(VirtualBoxEngineTest, RemoveFailsForUnknownOrRunningMachines)
{
    useLockWait(300);
    EXPECT_FALSE(m_engine->removeMachine(QStringLiteral("nobody")));
    EXPECT_EQ(m_fake.calls(), (Calls{{QStringLiteral("list"), QStringLiteral("vms")}}));
    openAndStart();
    EXPECT_FALSE(m_engine->removeMachine(QStringLiteral("tavenor")));
    EXPECT_TRUE(m_engine->findMachine(QStringLiteral("tavenor")));
}

// One failed listing must not leave a running machine behind at exit.
TEST_F(VirtualBoxEngineTest, FailedListingStillStopsAndRemovesTheCurrentMachine)
{
    openAndStart();
    m_fake.setFault(QStringLiteral("list"), QStringLiteral("rpc"));
    EXPECT_FALSE(m_engine->findMachine(QStringLiteral("tavenor")));
    EXPECT_TRUE(m_engine->stop()) << "the lookup dropped the current machine";
    EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("state")).toString(),
              QStringLiteral("poweroff"));
    EXPECT_TRUE(m_engine->removeMachine(QStringLiteral("tavenor")));
    m_fake.setFault(QString(), QString());
    EXPECT_FALSE(m_engine->findMachine(QStringLiteral("tavenor")));
}

TEST_F(VirtualBoxEngineTest, BadDefinitionsAreNotRegistered)
{
    const QString broken = m_vms.filePath(QStringLiteral("broken.vbox"));
    writeFile(broken, "<VirtualBox><Machine name=");
    EXPECT_FALSE(m_engine->openMachine(broken));
    EXPECT_FALSE(m_engine->openMachine(m_vms.filePath(QStringLiteral("missing.vbox"))));
    EXPECT_TRUE(m_fake.calls().isEmpty());
}

TEST_F(VirtualBoxEngineTest, FailedOpenLeavesNoCurrentMachine)
{
    open();
    EXPECT_FALSE(m_engine->openMachine(m_definition)) << "already registered";
    EXPECT_EQ(m_engine->start(), 3);
    EXPECT_TRUE(m_engine->findMachine(QStringLiteral("tavenor")));
    EXPECT_FALSE(m_engine->findMachine(QStringLiteral("other")));
    EXPECT_EQ(m_engine->start(), 3);
}

// VirtualBox refuses a second registration of a machine UUID, never of a
// name: two machines may be called alike, and the one this engine opened is
// the one it then finds, starts, stops and removes.
TEST_F(VirtualBoxEngineTest, RegistrationConflictsAreByUuidOnly)
{
    open();
    {
        const LogCapture log;
        EXPECT_FALSE(m_engine->openMachine(m_definition));
        EXPECT_EQ(log.lines(QStringLiteral("Registered machine with UUID ") + m_uuid).size(), 1) << log.all();
    }
    QTemporaryDir elsewhere;
    DefinitionSpec twin = m_spec;
    twin.uuid = QUuid::createUuid();
    ASSERT_TRUE(m_engine->openMachine(writeDefinition(elsewhere.path(), twin)));

    EXPECT_TRUE(m_engine->findMachine(QStringLiteral("tavenor")));
    ASSERT_EQ(m_engine->start(), 0);
    EXPECT_TRUE(m_engine->stop());
    EXPECT_TRUE(m_engine->removeMachine(QStringLiteral("tavenor")));
    const Calls calls = m_fake.calls();
    for (const QString &command : {QStringLiteral("startvm"), QStringLiteral("controlvm"),
                                   QStringLiteral("unregistervm")}) {
        const auto call = std::find_if(calls.cbegin(), calls.cend(),
                                       [&command](const QStringList &c) { return c.first() == command; });
        ASSERT_NE(call, calls.cend()) << command.toStdString();
        EXPECT_EQ(call->at(1), braced(twin.uuid)) << command.toStdString();
    }
    EXPECT_EQ(m_fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("uuid")).toString(),
              m_spec.uuid.toString(QUuid::WithoutBraces))
        << "the first machine stays";
}

// A machine whose settings file is gone is listed as "<inaccessible>": that
// is nobody's name, and it stands in the way of no lookup.
TEST_F(VirtualBoxEngineTest, InaccessibleMachinesAreNeverTakenForAName)
{
    QTemporaryDir elsewhere;
    DefinitionSpec gone;
    gone.name = QStringLiteral("<inaccessible>");
    gone.media = QStringList{m_system};
    const QString goneDefinition = writeDefinition(elsewhere.path(), gone);
    ASSERT_TRUE(VirtualBoxEngine(VBoxManageRunner(standInVBoxManage(), testTimeouts())).openMachine(goneDefinition));
    ASSERT_TRUE(QFile::remove(goneDefinition));
    open();

    VirtualBoxEngine fresh(VBoxManageRunner(standInVBoxManage(), testTimeouts()));
    EXPECT_FALSE(fresh.findMachine(QStringLiteral("<inaccessible>")));
    EXPECT_FALSE(fresh.removeMachine(QStringLiteral("<inaccessible>")));
    EXPECT_TRUE(fresh.findMachine(QStringLiteral("tavenor")));
    EXPECT_EQ(fresh.start(), 0);
    EXPECT_TRUE(fresh.stop());
    EXPECT_TRUE(fresh.removeMachine(QStringLiteral("tavenor")));
    EXPECT_FALSE(fresh.findMachine(QStringLiteral("tavenor")));
}

// VirtualBox does not load a definition whose disk has an empty UUID.
TEST_F(VirtualBoxEngineTest, DefinitionWithAnEmptyDiskUuidIsNotRegistered)
{
    QString text = QString::fromUtf8(readFile(m_definition));
    text.replace(QRegularExpression(QStringLiteral("HardDisk uuid=\"[^\"]*\"")), QStringLiteral("HardDisk uuid=\"\""));
    writeFile(m_definition, text.toUtf8());
    const LogCapture log;
    EXPECT_FALSE(m_engine->openMachine(m_definition));
    EXPECT_EQ(log.lines(QStringLiteral("has zero format")).size(), 1) << log.all();
    EXPECT_TRUE(m_fake.machine(QStringLiteral("tavenor")).isEmpty());
}

struct StartCase
{
    const char *name;
    const char *command; // the VBoxManage command given the fault
    const char *fault;
    int reason;
};

class VirtualBoxStartReasons : public VirtualBoxEngineTest, public ::testing::WithParamInterface<StartCase>
{
};

TEST_P(VirtualBoxStartReasons, FollowWhatVBoxManageReports)
{
    open();
    m_fake.setFault(QString::fromLatin1(GetParam().command), QString::fromLatin1(GetParam().fault));
    EXPECT_EQ(m_engine->start(), GetParam().reason);
}

INSTANTIATE_TEST_SUITE_P(
    Faults, VirtualBoxStartReasons,
    ::testing::Values(StartCase{"service_not_initialised", "showvminfo", "nocom", 1},
                      StartCase{"startvm_not_initialised", "startvm", "nocom", 1},
                      StartCase{"service_dropped_call", "showvminfo", "rpc", 2},
                      StartCase{"showvminfo_hangs", "showvminfo", "hang", 2},
                      StartCase{"showvminfo_crashes", "showvminfo", "crash", 2},
                      StartCase{"showvminfo_garbage", "showvminfo", "garbage", 2},
                      StartCase{"startvm_hangs", "startvm", "hang", 2},
                      StartCase{"startvm_crashes", "startvm", "crash", 2},
                      StartCase{"startvm_fails", "startvm", "fail", 4},
                      StartCase{"warning_first", "*", "warning", 0}),
    [](const ::testing::TestParamInfo<StartCase> &info) { return std::string(info.param.name); });

TEST_F(VirtualBoxEngineTest, StartReasonMachineNotFound)
{
    EXPECT_EQ(m_engine->start(), 3) << "no current machine";
    EXPECT_TRUE(m_fake.calls().isEmpty());
    open();
    ASSERT_TRUE(m_engine->removeMachine(QStringLiteral("tavenor")));
    ASSERT_TRUE(m_engine->openMachine(m_definition));
    // Unregistered behind the engine's back.
    VirtualBoxEngine other(VBoxManageRunner(standInVBoxManage(), testTimeouts()));
    ASSERT_TRUE(other.removeMachine(QStringLiteral("tavenor")));
    EXPECT_EQ(m_engine->start(), 3);
}

TEST_F(VirtualBoxEngineTest, StartReasonMissingDisk)
{
    open();
    ASSERT_TRUE(QFile::remove(m_system));
    EXPECT_EQ(m_engine->start(), 4);
}

TEST_F(VirtualBoxEngineTest, StartReasonVBoxManageNotFound)
{
    open();
    VirtualBoxEngine missing(VBoxManageRunner(QString(), testTimeouts()));
    EXPECT_EQ(missing.start(), 5);
    VirtualBoxEngine gone(VBoxManageRunner(m_vms.filePath(QStringLiteral("VBoxManage")), testTimeouts()));
    EXPECT_FALSE(gone.findMachine(QStringLiteral("tavenor")));
    EXPECT_EQ(gone.start(), 3);
    EXPECT_FALSE(gone.vboxInstalled());
}

TEST_F(VirtualBoxEngineTest, VanishedVBoxManageMeansLocationNotFound)
{
    const QString copy = m_vms.filePath(QStringLiteral("VBoxManage"));
    ASSERT_TRUE(QFile::copy(standInVBoxManage(), copy));
    VirtualBoxEngine engine(VBoxManageRunner(copy, testTimeouts()));
    ASSERT_TRUE(engine.openMachine(m_definition));
    ASSERT_TRUE(QFile::remove(copy));
    EXPECT_EQ(engine.start(), 5);
}

struct VersionCase
{
    const char *name;
    const char *fault;
    const char *version;
};

class VirtualBoxVersion : public VirtualBoxEngineTest, public ::testing::WithParamInterface<VersionCase>
{
};

TEST_P(VirtualBoxVersion, ReadsTheVersionOrReportsNotInstalled)
{
    m_fake.setFault(QStringLiteral("--version"), QString::fromLatin1(GetParam().fault));
    EXPECT_EQ(m_engine->getVersion(), QString::fromLatin1(GetParam().version));
    EXPECT_EQ(m_engine->vboxInstalled(), *GetParam().version != '\0');
    EXPECT_EQ(m_fake.calls(), (Calls{{QStringLiteral("--version")}, {QStringLiteral("--version")}}));
}

INSTANTIATE_TEST_SUITE_P(Faults, VirtualBoxVersion,
                         ::testing::Values(VersionCase{"plain", "", "7.0.18r162988"},
                                           VersionCase{"warning_first", "warning", "7.0.18r162988"},
                                           VersionCase{"garbage", "garbage", ""},
                                           VersionCase{"hangs", "hang", ""},
                                           VersionCase{"crashes", "crash", ""},
                                           VersionCase{"service_down", "nocom", ""}),
                         [](const ::testing::TestParamInfo<VersionCase> &info) { return std::string(info.param.name); });

TEST_F(VirtualBoxEngineTest, NoVBoxManageIsNotInstalled)
{
    VirtualBoxEngine engine(VBoxManageRunner(QString(), testTimeouts()));
    EXPECT_FALSE(engine.vboxInstalled());
    EXPECT_EQ(engine.getVersion(), QString());
}

struct FindCase
{
    const char *name;
    const char *fault;
    bool found;
};

class VirtualBoxFind : public VirtualBoxEngineTest, public ::testing::WithParamInterface<FindCase>
{
};

TEST_P(VirtualBoxFind, ParsesTheListOrFails)
{
    open();
    m_fake.setFault(QStringLiteral("list"), QString::fromLatin1(GetParam().fault));
    EXPECT_EQ(m_engine->findMachine(QStringLiteral("tavenor")), GetParam().found);
    EXPECT_EQ(m_engine->hasSharedFolder(QStringLiteral("apk")), false);
}

INSTANTIATE_TEST_SUITE_P(Faults, VirtualBoxFind,
                         ::testing::Values(FindCase{"plain", "", true}, FindCase{"warning_first", "warning", true},
                                           FindCase{"garbage", "garbage", false}, FindCase{"hangs", "hang", false},
                                           FindCase{"crashes", "crash", false}, FindCase{"rpc", "rpc", false}),
                         [](const ::testing::TestParamInfo<FindCase> &info) { return std::string(info.param.name); });

TEST_F(VirtualBoxEngineTest, OperationsWithoutMachineDoNothing)
{
    m_engine->setGuestProperty(QStringLiteral("a"), QStringLiteral("b"));
    m_engine->setCpuAndMemory(2, 2048);
    EXPECT_FALSE(m_engine->hasSharedFolder(QStringLiteral("apk")));
    EXPECT_NE(m_engine->createSharedFolder(QStringLiteral("apk"), m_vms.path()), 0);
    EXPECT_NE(m_engine->removeSharedFolder(QStringLiteral("apk")), 0);
    EXPECT_TRUE(m_fake.calls().isEmpty());
}

TEST_F(VirtualBoxEngineTest, ReportsTheHostAndReadsDiskUuids)
{
    EXPECT_GT(m_engine->hostProcessorCount(), 0);
    EXPECT_GT(m_engine->hostMemorySizeMB(), 0);
    m_engine->hostHasVTSupport();
    const QUuid uuid = QUuid::createUuid();
    const QString disk = m_vms.filePath(QStringLiteral("data.vdi"));
    writeFile(disk, vdiHeader(uuid));
    EXPECT_EQ(m_engine->getDiskUuid(disk), braced(uuid));
    EXPECT_EQ(m_engine->getDiskUuid(m_definition), QString());
    EXPECT_TRUE(m_fake.calls().isEmpty());
}

TEST(VBoxManageLocation, EnvironmentVariableThenPath)
{
    QTemporaryDir bin;
    const QString onPath = bin.filePath(QStringLiteral("VBoxManage"));
    ASSERT_TRUE(QFile::copy(standInVBoxManage(), onPath));
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ":" + path);
    qputenv("TAVENOR_VBOXMANAGE", "/somewhere/VBoxManage");
    EXPECT_EQ(VBoxManageRunner::locate(), QStringLiteral("/somewhere/VBoxManage"));
    qunsetenv("TAVENOR_VBOXMANAGE");
    EXPECT_EQ(VBoxManageRunner::locate(), onPath);
    qputenv("PATH", path);
}

} // namespace
