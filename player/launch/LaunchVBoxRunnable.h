#pragma once

#include <QRunnable>
#include <QString>

#include <functional>

class LaunchWorkerControl;
class QObject;
class SettingsStore;
class VMService;

// The launch worker, one task on the global thread pool: starts the
// instance's machine (five attempts, a pause after each failure), then
// publishes the guest properties, sets the machine's CPU count and memory,
// attaches the shared folder and starts the guest services. When every
// attempt fails it reports the last reason (and what the user should be told
// beyond it) and does nothing more.
//
// It stops as soon as the process cancels it (LaunchProcess::cancelAndWait):
// before each attempt, during the pauses and before publishing or starting
// anything. A machine it had started by then is stopped and unregistered
// again, so a closing player leaves none behind.
//
// The process must outlive run(): LaunchProcess waits for the worker before
// it goes.
class LaunchVBoxRunnable : public QRunnable
{
public:
    static constexpr int kAttempts = 5;
    static constexpr int kAddressSize = 128;

    // Called on the worker thread with the last attempt's reason and detail
    // (translated, often empty).
    using FailureReport = std::function<void(int reason, const QString &detail)>;

    // glesAddress: the renderer's connection address, NUL-terminated; at most
    // kAddressSize - 1 characters are kept. window: the bridges' target (the
    // main window), passed on as the clipboard bridge's user data only.
    LaunchVBoxRunnable(LaunchWorkerControl &control, FailureReport reportFailure, QObject *window, VMService *vm,
                       const char *glesAddress, int dpi, int retryPauseMs);

    void run() override;

private:
    // 0, or the last attempt's reason (its detail in m_failureDetail); -1
    // when cancelled before any attempt.
    int startMachine();
    void publishRendererProperties();
    void publishLocation(const SettingsStore &store);
    void publishIdentity(SettingsStore &store);
    void applyCpuAndMemory();
    void attachSharedFolder(const SettingsStore &store);
    void withdrawMachine();

    char m_glesAddress[kAddressSize];
    VMService *m_vm;
    LaunchWorkerControl &m_control;
    FailureReport m_reportFailure;
    int m_dpi;
    QObject *m_window;
    int m_retryPauseMs;
    QString m_failureDetail;
};
