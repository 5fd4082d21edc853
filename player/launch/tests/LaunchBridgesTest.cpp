#include "LaunchTestSupport.h"

#include "launch/LaunchBridgeTarget.h"
#include "launch/LaunchBridges.h"

#include <gtest/gtest.h>

#include <QThread>

#include <cstring>
#include <thread>

namespace {

// What reached the receiver, and on which thread.
struct Received
{
    QList<float> rotations;
    QList<bool> shows;
    QList<int> mouseLocks;
    QList<bool> engineStates;
    QStringList installsBegun;
    QList<QPair<QString, int>> installsEnded;
    QStringList clipboards;
    int connectionsLost = 0;
    bool allOnMainThread = true;
    int total = 0;
};

void listen(LaunchBridgeTarget &target, QObject &receiver, Received &received)
{
    QThread *mainThread = QThread::currentThread();
    const auto note = [&received, mainThread] {
        received.allOnMainThread = received.allOnMainThread && QThread::currentThread() == mainThread;
        ++received.total;
    };
    QObject::connect(&target, &LaunchBridgeTarget::onRotationChanged, &receiver, [&received, note](float rotation) {
        received.rotations.append(rotation);
        note();
    });
    QObject::connect(&target, &LaunchBridgeTarget::onSetShowOpenGLWidget, &receiver, [&received, note](bool show) {
        received.shows.append(show);
        note();
    });
    QObject::connect(&target, &LaunchBridgeTarget::onSetMouseCanLock, &receiver, [&received, note](int value) {
        received.mouseLocks.append(value);
        note();
    });
    QObject::connect(&target, &LaunchBridgeTarget::onSetEngineEnabled, &receiver, [&received, note](bool enabled) {
        received.engineStates.append(enabled);
        note();
    });
    QObject::connect(&target, &LaunchBridgeTarget::onPmInstallBegin, &receiver, [&received, note](QString name) {
        received.installsBegun.append(name);
        note();
    });
    QObject::connect(&target, &LaunchBridgeTarget::onPmInstallEnd, &receiver,
                     [&received, note](QString name, int success) {
                         received.installsEnded.append({name, success});
                         note();
                     });
    QObject::connect(&target, &LaunchBridgeTarget::onAndroidClipData, &receiver, [&received, note](QString text) {
        received.clipboards.append(text);
        note();
    });
    QObject::connect(&target, &LaunchBridgeTarget::onGuestConnectionLost, &receiver, [&received, note] {
        ++received.connectionsLost;
        note();
    });
}

TEST(LaunchBridgesTest, EachBridgeReachesTheTargetOnItsOwnThread)
{
    LaunchBridgeTarget target;
    QObject receiver;
    Received received;
    listen(target, receiver, received);

    std::thread serviceThread([&target] {
        void *context = &target;
        LaunchBridges::rotationChanged(context, 90.0f);
        LaunchBridges::guestReady(context);
        LaunchBridges::mouseCanLock(context, 1);
        LaunchBridges::mouseCanLock(context, 0);
        LaunchBridges::engineEnabled(context, 5);
        LaunchBridges::engineEnabled(context, 0);
        LaunchBridges::pmInstallEnd(context, "com.example.game", 1);
        LaunchBridges::androidClipData(QStringLiteral("héllo"), context);
        LaunchBridges::guestConnectionLost(context);
    });
    serviceThread.join();

    ASSERT_TRUE(eventually([&received] { return received.total == 9; }));
    EXPECT_TRUE(received.allOnMainThread);
    EXPECT_EQ(received.rotations, QList<float>{90.0f});
    EXPECT_EQ(received.shows, QList<bool>{true});
    EXPECT_EQ(received.mouseLocks, (QList<int>{1, 0}));
    EXPECT_EQ(received.engineStates, (QList<bool>{true, false}));
    EXPECT_EQ(received.installsEnded, (QList<QPair<QString, int>>{{QStringLiteral("com.example.game"), 1}}));
    EXPECT_EQ(received.clipboards, QStringList{QStringLiteral("héllo")});
    EXPECT_EQ(received.connectionsLost, 1);
}

TEST(LaunchBridgesTest, APackageNameOutlivesTheLibrarysBuffer)
{
    LaunchBridgeTarget target;
    QObject receiver;
    Received received;
    listen(target, receiver, received);

    // The library's text is valid during the call only; it reuses the buffer
    // for the next install before the GUI thread has run the slot.
    std::thread installWorker([&target] {
        char buffer[64];
        std::strcpy(buffer, "spiel.apk");
        LaunchBridges::pmInstallBegin(&target, buffer);
        std::strcpy(buffer, "other.apk");
        LaunchBridges::pmInstallEnd(&target, buffer, -3);
        std::memset(buffer, 'x', sizeof buffer);
    });
    installWorker.join();

    ASSERT_TRUE(eventually([&received] { return received.total == 2; }));
    EXPECT_EQ(received.installsBegun, QStringList{QStringLiteral("spiel.apk")});
    EXPECT_EQ(received.installsEnded, (QList<QPair<QString, int>>{{QStringLiteral("other.apk"), -3}}));
}

TEST(LaunchBridgesTest, ATargetWithoutTheSignalsIsNamedAndHarmless)
{
    LaunchBridgeTarget complete;
    EXPECT_TRUE(LaunchBridges::missingSignals(&complete).isEmpty());

    QObject plain;
    EXPECT_EQ(LaunchBridges::missingSignals(&plain), LaunchBridges::requiredSignals());
    EXPECT_EQ(LaunchBridges::missingSignals(nullptr), LaunchBridges::requiredSignals());
    EXPECT_EQ(LaunchBridges::requiredSignals().size(), 8);

    LaunchBridges::rotationChanged(&plain, 180.0f);
    LaunchBridges::pmInstallBegin(&plain, "game.apk");
    LaunchBridges::pmInstallBegin(nullptr, nullptr);
    LaunchBridges::androidClipData(QStringLiteral("text"), nullptr);
    LaunchBridges::engineEnabled(nullptr, 1);
}

} // namespace
