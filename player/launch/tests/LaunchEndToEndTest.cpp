// The launch against the simulated engine and the simulated guest: settings
// in, a running guest out, with its event log showing what it was told and
// its agents connected to the real guest services.

#include "LaunchTestSupport.h"
#include "RecordingVMService.h"

#include "app/InstanceName.h"
#include "app/Paths.h"
#include "launch/GuestServices.h"
#include "launch/LaunchProcess.h"
#include "launch/LaunchSettings.h"
#include "launch/MachineStart.h"
#include "launch/VmDefinitionWriter.h"
#include "settings/SettingsStore.h"

#include <VMService.h>

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

namespace {

using namespace std::chrono_literals;
using Properties = QList<QPair<QString, QString>>;

constexpr auto kGuestUp = 30s;
constexpr int kWorkerWaitMs = 30000;

// Every guest property, in the order the launch publishes them.
const QStringList kPropertyOrder = {
    QStringLiteral("tavenor.gles"),          QStringLiteral("tavenor.dpi"),
    QStringLiteral("tavenor.gles.hgcm"),     QStringLiteral("tavenor.gles.addr"),
    QStringLiteral("tavenor.ime.port"),      QStringLiteral("tavenor.gps.longitude"),
    QStringLiteral("tavenor.gps.latitude"),  QStringLiteral("tavenor.gps.accuracy"),
    QStringLiteral("tavenor.gps.altitude"),  QStringLiteral("tavenor.gps.bearing"),
    QStringLiteral("tavenor.gps.status"),    QStringLiteral("tavenor.imei"),
    QStringLiteral("tavenor.phonenumber"),   QStringLiteral("tavenor.brand"),
    QStringLiteral("tavenor.model"),         QStringLiteral("tavenor.sharedfolder"),
};

QStringList names(const Properties &properties)
{
    QStringList result;
    for (const auto &property : properties)
        result.append(property.first);
    return result;
}

QMap<QString, QString> asMap(const Properties &properties)
{
    QMap<QString, QString> result;
    for (const auto &property : properties)
        result.insert(property.first, property.second);
    return result;
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool hasEvent(const QString &instance, const QString &agent, const QString &dir, const QString &type,
              const QString &field = QString(), const QJsonValue &value = QJsonValue())
{
    for (const QJsonObject &event : guestEvents(instance)) {
        if (event.value(QStringLiteral("agent")) == agent && event.value(QStringLiteral("dir")) == dir
            && event.value(QStringLiteral("type")) == type && (field.isEmpty() || event.value(field) == value))
            return true;
    }
    return false;
}

QSet<QString> connectedLinks(const QString &instance)
{
    QSet<QString> links;
    for (const QJsonObject &event : guestEvents(instance)) {
        if (event.value(QStringLiteral("type")) == QStringLiteral("connected"))
            links.insert(event.value(QStringLiteral("link")).toString());
    }
    return links;
}

std::string guestLog(const QString &instance)
{
    return readBytes(stateFolder(instance) + QStringLiteral("/guest.log")).right(2000).toStdString();
}

class LaunchEndToEndTest : public ::testing::Test
{
protected:
    // The guest must reach this program's services, not another program's:
    // ctest's resource lock "guest-ports" keeps the ports free for one
    // binary at a time.
    static void SetUpTestSuite()
    {
        s_portsTaken.clear();
        for (int port : {GuestPorts::kVirtualInput, GuestPorts::kClipboard, GuestPorts::kMisc,
                         GuestPorts::kInputMethod}) {
            if (isListening(port))
                s_portsTaken.append(QString::number(port));
        }
    }

    void SetUp() override
    {
        ASSERT_TRUE(s_portsTaken.isEmpty())
            << "another program listens on the guest ports " << s_portsTaken.join(QLatin1Char(' ')).toStdString();
        setInstanceName(QStringLiteral("e2e-%1").arg(
            QString::fromLatin1(::testing::UnitTest::GetInstance()->current_test_info()->name()).toLower()));
        sharedTestWindow().reset();
        ASSERT_TRUE(createSystemDisk());
    }

    void TearDown() override { stopAndUnregisterMachine(*VMService::getVMService(), instanceName()); }

    static TestWindow &window() { return sharedTestWindow(); }
    static SettingsStore store() { return SettingsStore(instanceName()); }

    // Starts the launch and waits until the guest reports ready through the
    // misc bridge.
    static void launchUntilReady(LaunchProcess &launch, RecordingVMService &vm)
    {
        window().reset();
        ASSERT_TRUE(launch.start(&window(), &vm));
        ASSERT_TRUE(eventually([] { return window().readyCount() > 0; }, kGuestUp))
            << vm.calls().join(QLatin1Char(' ')).toStdString() << "\n" << guestLog(instanceName());
        // Earlier tests' services still listen, so a guest can be ready
        // before this launch has done everything.
        ASSERT_TRUE(launch.waitForWorker(kWorkerWaitMs));
    }

    static void expectNoMachineLeft()
    {
        EXPECT_FALSE(VMService::getVMService()->findMachine(instanceName()));
        EXPECT_EQ(guestProcessCount(instanceName()), 0);
    }

    static QStringList s_portsTaken;
};

QStringList LaunchEndToEndTest::s_portsTaken;

TEST_F(LaunchEndToEndTest, FirstLaunchBringsTheGuestUpWithEveryProperty)
{
    QTemporaryDir shared;
    ASSERT_TRUE(shared.isValid());
    {
        SettingsStore settings(instanceName());
        settings.setValue(QStringLiteral("tavenor.gps.longitude"), QStringLiteral("116.397"));
        settings.setValue(QStringLiteral("tavenor.gps.latitude"), QStringLiteral("39.908"));
        settings.setValue(QStringLiteral("shared_folder"), shared.path());
        settings.setValue(QStringLiteral("performance"), 2);
    }
    ASSERT_FALSE(QFileInfo::exists(vmDefinitionPath(instanceName())));
    ASSERT_FALSE(QFileInfo::exists(dataDiskPath(instanceName())));

    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;
    launchUntilReady(launch, vm);

    // The definition came from the install folder's template, with the blank
    // data disk copied beside the user's data.
    const QByteArray definition = readBytes(vmDefinitionPath(instanceName()));
    EXPECT_TRUE(definition.contains("name=\"" + instanceName().toUtf8() + "\""));
    EXPECT_FALSE(definition.contains("$VM_UUID$"));
    // The same blank disk under a UUID of its own (16 bytes at 0x188).
    QByteArray copied = readBytes(dataDiskPath(instanceName()));
    QByteArray blank = readBytes(pristineDataDiskPath());
    ASSERT_GT(blank.size(), 0x198);
    EXPECT_NE(copied.mid(0x188, 16), blank.mid(0x188, 16));
    EXPECT_EQ(copied.replace(0x188, 16, QByteArray(16, '\0')), blank.replace(0x188, 16, QByteArray(16, '\0')));

    int width = 0;
    int height = 0;
    int dpi = 0;
    readGuestResolution(width, height, dpi);
    EXPECT_EQ(window().shownSize(), QSize(width, height));

    const Properties published = vm.properties();
    EXPECT_EQ(names(published), kPropertyOrder);
    const QMap<QString, QString> values = asMap(published);
    const QString imei = values.value(QStringLiteral("tavenor.imei"));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^86[0-9]{13}$")).match(imei).hasMatch()) << imei.toStdString();
    const QMap<QString, QString> expected = {
        {QStringLiteral("tavenor.gles"), QStringLiteral("1")},
        {QStringLiteral("tavenor.dpi"), QStringLiteral("240")},
        {QStringLiteral("tavenor.gles.hgcm"), QStringLiteral("1")},
        {QStringLiteral("tavenor.gles.addr"), QString::fromLatin1(TestWindow::kRendererAddress)},
        {QStringLiteral("tavenor.ime.port"), QStringLiteral("22576")},
        {QStringLiteral("tavenor.gps.longitude"), QStringLiteral("116.397")},
        {QStringLiteral("tavenor.gps.latitude"), QStringLiteral("39.908")},
        {QStringLiteral("tavenor.gps.accuracy"), QStringLiteral("1.0")},
        {QStringLiteral("tavenor.gps.altitude"), QStringLiteral("1.0")},
        {QStringLiteral("tavenor.gps.bearing"), QStringLiteral("1.0")},
        {QStringLiteral("tavenor.gps.status"), QStringLiteral("enable")},
        {QStringLiteral("tavenor.imei"), imei},
        {QStringLiteral("tavenor.phonenumber"), QStringLiteral("18000000001")},
        {QStringLiteral("tavenor.brand"), QStringLiteral("Samsung")},
        {QStringLiteral("tavenor.model"), QStringLiteral("SM-G9250")},
        {QStringLiteral("tavenor.sharedfolder"), QStringLiteral("TAVENOR_SHARED_FOLDER")},
    };
    EXPECT_EQ(values, expected);

    // The identity is written back, except the phone number.
    EXPECT_EQ(store().stringValue(QStringLiteral("brand")), QStringLiteral("Samsung"));
    EXPECT_EQ(store().stringValue(QStringLiteral("model")), QStringLiteral("SM-G9250"));
    EXPECT_EQ(store().stringValue(QStringLiteral("imei")), imei);
    EXPECT_FALSE(store().contains(QStringLiteral("number")));

    EXPECT_TRUE(vm.calls().contains(QStringLiteral("setCpuAndMemory:2,2048")));
    EXPECT_EQ(stateEntries(instanceName(), QStringLiteral("shares")),
              (QMap<QString, QString>{{QStringLiteral("TAVENOR_SHARED_FOLDER"), QDir(shared.path()).absolutePath()}}));

    // What the guest saw and did.
    EXPECT_TRUE(eventually([&expected] {
        const QMap<QString, QString> seen = asMap(guestPropertyEvents(instanceName()));
        for (auto it = expected.cbegin(); it != expected.cend(); ++it) {
            if (seen.value(it.key()) != it.value())
                return false;
        }
        return true;
    })) << guestLog(instanceName());
    const QSet<QString> agents = {QStringLiteral("vinput"), QStringLiteral("misc"), QStringLiteral("clipboard"),
                                  QStringLiteral("ime")};
    EXPECT_TRUE(eventually([&agents] { return connectedLinks(instanceName()).contains(agents); }))
        << guestLog(instanceName());
    EXPECT_TRUE(eventually([] {
        return hasEvent(instanceName(), QStringLiteral("misc"), QStringLiteral("out"), QStringLiteral("ready"));
    }));
    // Ready switched the guest's key-mapping engine on, and the guest's
    // answer came back through the engine bridge.
    EXPECT_TRUE(eventually([] {
        return hasEvent(instanceName(), QStringLiteral("misc"), QStringLiteral("in"), QStringLiteral("engine_enable"),
                        QStringLiteral("enabled"), 1);
    }));
    EXPECT_TRUE(eventually([] { return window().engineStates().contains(true); }));

    launch.stop();
    expectNoMachineLeft();
}

TEST_F(LaunchEndToEndTest, ARelaunchShowsTheSamePhoneAndNoLocationWithoutALongitude)
{
    {
        SettingsStore settings(instanceName());
        settings.setValue(QStringLiteral("tavenor.gps.latitude"), QStringLiteral("39.908"));
        settings.setValue(QStringLiteral("number"), QString());
    }
    const auto identity = [](const Properties &properties) {
        QMap<QString, QString> result;
        for (const auto &[name, value] : properties) {
            if (name == QLatin1String("tavenor.imei") || name == QLatin1String("tavenor.phonenumber")
                || name == QLatin1String("tavenor.brand") || name == QLatin1String("tavenor.model"))
                result.insert(name, value);
        }
        return result;
    };

    Properties first;
    {
        RecordingVMService vm(*VMService::getVMService());
        LaunchProcess launch;
        launchUntilReady(launch, vm);
        first = vm.properties();
        launch.stop();
    }
    for (const QString &name : names(first))
        EXPECT_FALSE(name.startsWith(QStringLiteral("tavenor.gps."))) << name.toStdString();
    EXPECT_EQ(identity(first).value(QStringLiteral("tavenor.phonenumber"), QStringLiteral("absent")), QString())
        << "an empty stored number is published empty";
    const QByteArray definition = readBytes(vmDefinitionPath(instanceName()));

    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;
    launchUntilReady(launch, vm);

    EXPECT_EQ(identity(vm.properties()), identity(first));
    EXPECT_EQ(identity(first).size(), 4);
    EXPECT_EQ(readBytes(vmDefinitionPath(instanceName())), definition) << "an openable definition is not rewritten";
    for (const auto &[name, value] : guestPropertyEvents(instanceName()))
        EXPECT_FALSE(name.startsWith(QStringLiteral("tavenor.gps."))) << name.toStdString();

    launch.stop();
    expectNoMachineLeft();
}

TEST_F(LaunchEndToEndTest, AStoredCoordinateThatIsNotANumberIsLeftOut)
{
    {
        SettingsStore settings(instanceName());
        settings.setValue(QStringLiteral("tavenor.gps.longitude"), QStringLiteral("east"));
        settings.setValue(QStringLiteral("tavenor.gps.latitude"), QStringLiteral("39.908"));
    }
    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;
    launchUntilReady(launch, vm);

    QStringList location;
    for (const QString &name : names(vm.properties())) {
        if (name.startsWith(QStringLiteral("tavenor.gps.")))
            location.append(name);
    }
    EXPECT_EQ(location, kPropertyOrder.mid(6, 5));
    EXPECT_EQ(asMap(vm.properties()).value(QStringLiteral("tavenor.gps.latitude")), QStringLiteral("39.908"));

    launch.stop();
    expectNoMachineLeft();
}

TEST_F(LaunchEndToEndTest, AMachineThatCannotBeUnregisteredIsStartedAsItIs)
{
    VMService &engine = *VMService::getVMService();
    writeVmDefinition(instanceName(), engine);
    ASSERT_TRUE(engine.openMachine(vmDefinitionPath(instanceName())));
    const QByteArray definition = readBytes(vmDefinitionPath(instanceName()));
    // The size the definition already has: sizing it changes nothing.
    store().setValue(QStringLiteral("performance"), 2);

    RecordingVMService vm(engine);
    vm.setRefuseRemoval(true);
    LaunchProcess launch;
    launchUntilReady(launch, vm);

    const QStringList calls = vm.calls();
    EXPECT_EQ(calls.mid(0, 5), (QStringList{QStringLiteral("findMachine:found"), QStringLiteral("stop"),
                                            QStringLiteral("removeMachine:refused"),
                                            QStringLiteral("setCpuAndMemory:2,2048"), QStringLiteral("start:0")}));
    EXPECT_EQ(vm.count(QStringLiteral("openMachine")), 0) << "its definition is not reopened";
    EXPECT_EQ(readBytes(vmDefinitionPath(instanceName())), definition) << "nor rewritten";
    EXPECT_EQ(names(vm.properties()).mid(0, 5), kPropertyOrder.mid(0, 5));

    vm.setRefuseRemoval(false);
    launch.stop();
    expectNoMachineLeft();
}

} // namespace

// A performance preset changed between two launches reaches the guest of the
// second launch: the machine is sized while it is still off.
TEST_F(LaunchEndToEndTest, ALaunchAfterChangingPerformanceStartsTheMachineWithTheNewValues)
{
    store().setValue(QStringLiteral("performance"), 2);
    {
        RecordingVMService vm(*VMService::getVMService());
        LaunchProcess launch;
        launchUntilReady(launch, vm);
        EXPECT_EQ(stateEntries(instanceName(), QStringLiteral("hardware")).value(QStringLiteral("cpus")),
                  QStringLiteral("2"));
        launch.stop();
    }

    store().setValue(QStringLiteral("performance"), 0);
    RecordingVMService vm(*VMService::getVMService());
    LaunchProcess launch;
    launchUntilReady(launch, vm);
    const QStringList calls = vm.calls();
    const int sized = calls.indexOf(QStringLiteral("setCpuAndMemory:1,1024"));
    const int started = calls.indexOf(QStringLiteral("start:0"));
    ASSERT_GE(sized, 0) << calls.join(QLatin1Char(' ')).toStdString();
    EXPECT_LT(sized, started) << calls.join(QLatin1Char(' ')).toStdString();
    const QMap<QString, QString> hardware = stateEntries(instanceName(), QStringLiteral("hardware"));
    EXPECT_EQ(hardware.value(QStringLiteral("cpus")), QStringLiteral("1"));
    EXPECT_EQ(hardware.value(QStringLiteral("memory_mb")), QStringLiteral("1024"));
    launch.stop();
    expectNoMachineLeft();
}
