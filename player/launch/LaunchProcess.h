#pragma once

#include "launch/LaunchWorkerControl.h"

#include <QObject>

class LaunchWindow;
class VMService;

// The launch controller. start() prepares the window, the renderer and the
// bridges on the GUI thread and hands the machine to a LaunchVBoxRunnable on
// the global thread pool; a launch whose attempts all fail ends in
// onVMStartFailed, which start() delivers to the window's vmStartFailed.
//
// Closing: cancelAndWait() stops the worker between its steps (a machine it
// had started is stopped and unregistered again) and waits for it, bounded;
// stop() does that and then stops and unregisters the instance's machine and
// releases the VM service, as the window's exit path must. The destructor
// cancels and waits for the worker without a bound: the worker may hold
// this object until it returns.
class LaunchProcess : public QObject
{
    Q_OBJECT

public:
    // How long stop() waits for the worker to notice its cancellation: one VM
    // service call at most.
    static constexpr int kStopWaitMs = 15000;
    // The pause after a failed start attempt.
    static constexpr int kRetryPauseMs = 3000;

    explicit LaunchProcess(QObject *parent = nullptr);
    ~LaunchProcess() override;

    // GUI thread, once. The launch drives VMService::getVMService(), or vm.
    // False without a window and on every later call.
    bool start(LaunchWindow *window);
    bool start(LaunchWindow *window, VMService *vm);

    // Waits up to timeoutMs (0: do not wait) for the worker to finish. True
    // when no worker runs any more.
    bool waitForWorker(int timeoutMs);
    // Cancels the worker, then waitForWorker(timeoutMs). Once cancelled, a
    // launch stays cancelled.
    bool cancelAndWait(int timeoutMs);

    // The pause after a failed attempt (kRetryPauseMs unless set); for the
    // next start().
    void setRetryPauseMs(int ms);

    // The worker as it runs: whether it runs, is cancelled or pauses.
    const LaunchWorkerControl &workerControl() const { return m_worker; }

signals:
    // detail: what the user should be told beyond the reason, translated;
    // empty for most failures.
    void onVMStartFailed(int reason, QString detail = QString());

public slots:
    // Cancels and waits for the worker (kStopWaitMs at most), then stops and
    // unregisters the instance's machine and releases the VM service.
    void stop();

private:
    LaunchWorkerControl m_worker;
    bool m_started = false;
    VMService *m_vm = nullptr;
    int m_retryPauseMs = kRetryPauseMs;
};
