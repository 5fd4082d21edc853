// Several threads at once on one engine, as the GUI thread, the launch
// worker and the guest-service library's threads call it.
#include "SimStateFolder.h"
#include "SimulatorEngine.h"
#include "TestSupport.h"
#include "VirtualBoxEngine.h"

#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

using namespace testsupport;

namespace {

constexpr int kThreads = 4;

// Each thread sets its own properties and creates, checks and removes its
// own share; every result must be the one a lone caller would see.
void hammer(VMService &vm, const QString &hostFolder, int rounds, std::atomic<int> &failures)
{
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            const QString share = QStringLiteral("share%1").arg(t);
            for (int i = 0; i < rounds; ++i) {
                vm.setGuestProperty(QStringLiteral("t%1.p%2").arg(t).arg(i), QString::number(i));
                if (vm.createSharedFolder(share, hostFolder) != 0)
                    ++failures;
                if (!vm.hasSharedFolder(share))
                    ++failures;
                if (vm.removeSharedFolder(share) != 0)
                    ++failures;
                if (vm.hostProcessorCount() <= 0)
                    ++failures;
            }
        });
    }
    for (std::thread &thread : threads)
        thread.join();
}

TEST(Concurrency, SimulatorEngineFromSeveralThreads)
{
    QTemporaryDir registry;
    QTemporaryDir vms;
    QTemporaryDir apps;
    const QString disk = vms.filePath(QStringLiteral("system.vdi"));
    writeFile(disk, vdiHeader(QUuid::createUuid()));
    DefinitionSpec spec;
    spec.media = QStringList{disk};
    SimulatorEngine::Config config;
    config.registryFolder = registry.path();
    config.guestProgram = guestStandIn();
    SimulatorEngine engine(config);
    ASSERT_TRUE(engine.openMachine(writeDefinition(vms.path(), spec)));
    ASSERT_EQ(engine.start(), 0);

    constexpr int kRounds = 25;
    std::atomic<int> failures{0};
    hammer(engine, apps.path(), kRounds, failures);
    EXPECT_EQ(failures.load(), 0);

    const simstate::Entries properties =
        SimStateFolder(vms.filePath(QStringLiteral("tavenor.sim"))).read(simstate::kPropertiesFile);
    EXPECT_EQ(properties.size(), size_t(kThreads * kRounds)) << "no property lost";
    EXPECT_TRUE(engine.stop());
}

TEST(Concurrency, VirtualBoxEngineFromSeveralThreads)
{
    FakeVBox fake;
    QTemporaryDir vms;
    QTemporaryDir apps;
    const QString disk = vms.filePath(QStringLiteral("system.vdi"));
    writeFile(disk, vdiHeader(QUuid::createUuid()));
    DefinitionSpec spec;
    spec.media = QStringList{disk};
    VirtualBoxEngine engine(VBoxManageRunner(standInVBoxManage(), {20000, 20000}));
    ASSERT_TRUE(engine.openMachine(writeDefinition(vms.path(), spec)));
    ASSERT_EQ(engine.start(), 0);

    constexpr int kRounds = 4;
    std::atomic<int> failures{0};
    std::thread other([&] {
        for (int i = 0; i < kRounds; ++i) {
            engine.setCpuAndMemory(2, 1024 + i);
            if (!engine.findMachine(QStringLiteral("tavenor")))
                ++failures;
        }
    });
    hammer(engine, apps.path(), kRounds, failures);
    other.join();
    EXPECT_EQ(failures.load(), 0);
    const QJsonObject props = fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("props")).toObject();
    EXPECT_EQ(props.size(), kThreads * kRounds);
    EXPECT_TRUE(engine.stop());
    EXPECT_EQ(fake.machine(QStringLiteral("tavenor")).value(QStringLiteral("memory")).toInt(), 1024 + kRounds - 1)
        << "the last change wins, applied at the stop";
}

} // namespace
