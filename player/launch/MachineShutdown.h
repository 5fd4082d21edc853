#pragma once

#include <QObject>

#include <atomic>
#include <functional>
#include <thread>

class LaunchProcess;

// The end of a run: the launch worker cancelled, the instance's machine
// stopped and unregistered and the VM service released, then the worker
// joined. VirtualBox may take minutes over that, so it runs on a thread of
// its own while the event loop goes on: no window freezes meanwhile.
class MachineShutdown : public QObject
{
    Q_OBJECT

public:
    // Long enough for one power-off to reach VBoxManage's time-out (two
    // minutes) with the lookups and the unregistering around it; past it
    // the player gives up waiting.
    static constexpr int kBoundMs = 150000;

    using Work = std::function<void()>;

    // stopMachine runs on the shutdown thread; by default launch.stop().
    explicit MachineShutdown(LaunchProcess &launch, Work stopMachine = {}, QObject *parent = nullptr);
    // Waits for a begun shutdown to end.
    ~MachineShutdown() override;

    bool isDone() const { return m_done.load(); }
    // begin(), then runs the event loop until the shutdown is done or
    // timeoutMs have passed. True when done.
    bool finish(int timeoutMs);

public slots:
    // GUI thread; later calls change nothing.
    void begin();

signals:
    // Once, on this object's thread.
    void done();

private:
    void run();

    LaunchProcess &m_launch;
    Work m_stopMachine;
    std::thread m_thread;
    std::atomic<bool> m_done{false};
};
