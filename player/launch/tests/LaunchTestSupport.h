#pragma once

#include "launch/LaunchBridgeTarget.h"
#include "launch/LaunchWindow.h"

#include <QCoreApplication>
#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QPair>
#include <QSize>
#include <QString>
#include <QStringList>

#include <chrono>
#include <thread>

// Polls condition until it holds or the deadline passes, running queued Qt
// calls in between (the bridges' signals arrive that way).
template <typename Condition>
bool eventually(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(20))
{
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        QCoreApplication::processEvents();
        if (condition())
            return true;
        if (std::chrono::steady_clock::now() >= deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// Runs queued Qt calls for a while, for checks that something did not arrive.
void settle(std::chrono::milliseconds duration = std::chrono::milliseconds(200));

// The window as the launch sees it, without a window: it records what the
// launch asked of it and what reached it through the bridge target's
// signals, all on the main thread.
class TestWindow : public LaunchWindow
{
public:
    // Where the pretend renderer listens; nothing does.
    static constexpr char kRendererAddress[] = "127.0.0.1:23990";

    TestWindow();
    ~TestWindow();

    QObject *bridgeTarget() override;
    void showForGuest(int width, int height) override;
    bool startRenderer(int width, int height, char *address, int size) override;
    void vmStartFailed(int reason, const QString &detail) override;

    void reset();
    QSize shownSize() const { return m_shown; }
    QList<int> failures() const { return m_failures; }
    QStringList failureDetails() const { return m_failureDetails; }
    int readyCount() const { return m_readyCount; }
    QList<bool> engineStates() const { return m_engineStates; }
    LaunchBridgeTarget &target() { return m_target; }

private:
    LaunchBridgeTarget m_target;
    QSize m_shown;
    QList<int> m_failures;
    QStringList m_failureDetails;
    int m_readyCount = 0;
    QList<bool> m_engineStates;
};

// One window for the whole test program: the guest-service library keeps
// the bridge target it was given for as long as the process runs.
TestWindow &sharedTestWindow();

// The state folder the simulated engine keeps beside the instance's
// definition, and the guest's event log in it.
QString stateFolder(const QString &instance);
QList<QJsonObject> guestEvents(const QString &instance);
// The guest's "property" events, as (name, value) in log order.
QList<QPair<QString, QString>> guestPropertyEvents(const QString &instance);
// "name=value" entries of a state-folder file (properties, shares).
QMap<QString, QString> stateEntries(const QString &instance, const QString &file);

// Live processes whose command line names the instance's state folder.
int guestProcessCount(const QString &instance);
// Whether something accepts connections on 127.0.0.1:port.
bool isListening(int port);

// The system disk in the VM folder: created (a small VDI) or removed.
bool createSystemDisk();
bool removeSystemDisk();

// Points the simulated engine at the built guest with a short boot; before
// the first VMService::getVMService().
void useSimulatedGuest();
