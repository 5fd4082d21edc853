#include "launch/LaunchProcess.h"

#include "app/InstanceName.h"
#include "display/RendererBinding.h"
#include "launch/LaunchBridges.h"
#include "launch/LaunchSettings.h"
#include "launch/LaunchVBoxRunnable.h"
#include "launch/LaunchWindow.h"
#include "launch/MachineStart.h"

#include <VMService.h>
#include <service/service.h>

#include <QDebug>
#include <QThreadPool>

namespace {
constexpr int kRendererAddressSize = 1024;
} // namespace

LaunchProcess::LaunchProcess(QObject *parent) : QObject(parent) {}

LaunchProcess::~LaunchProcess()
{
    m_worker.cancel();
    m_worker.waitForWorker(-1);
}

bool LaunchProcess::start(LaunchWindow *window)
{
    return start(window, VMService::getVMService());
}

bool LaunchProcess::start(LaunchWindow *window, VMService *vm)
{
    if (window == nullptr || m_started)
        return false;
    m_started = true;
    m_vm = vm;
    QObject *target = window->bridgeTarget();
    for (const QString &signal : LaunchBridges::missingSignals(target))
        qDebug() << "launch bridge target lacks the signal" << signal;

    connect(this, &LaunchProcess::onVMStartFailed, target,
            [window](int reason, const QString &detail) { window->vmStartFailed(reason, detail); });

    int width = 0;
    int height = 0;
    int dpi = 0;
    readGuestResolution(width, height, dpi);
    qDebug() << "set graphics prop from settings" << width << height << dpi;
    window->showForGuest(width, height);

    char address[kRendererAddressSize] = {};
    window->startRenderer(width, height, address, kRendererAddressSize);
    address[kRendererAddressSize - 1] = '\0';
    glrender::setRotationCallback(&LaunchBridges::rotationChanged, target);

    misc_set_callback(&LaunchBridges::guestReady, target);
    misc_set_disconnected_callback(&LaunchBridges::guestConnectionLost, target);
    misc_set_engine_callbacks(&LaunchBridges::mouseCanLock, target);
    misc_set_engine_enabled_callback(&LaunchBridges::engineEnabled, target);
    pm_set_callback(&LaunchBridges::pmInstallBegin, &LaunchBridges::pmInstallEnd, target);

    vinput_set_resolution(width, height);
    vinput_set_window_size(width, height);
    vinput_set_orientation(0);
    pm_set_vm(vm);

    // The failure crosses to the window's thread through the queued signal.
    const auto reportFailure = [this](int reason, const QString &detail) { emit onVMStartFailed(reason, detail); };
    auto *worker = new LaunchVBoxRunnable(m_worker, reportFailure, target, vm, address, dpi, m_retryPauseMs);
    m_worker.workerQueued();
    QThreadPool::globalInstance()->start(worker, 0);
    return true;
}

bool LaunchProcess::waitForWorker(int timeoutMs)
{
    return m_worker.waitForWorker(timeoutMs < 0 ? 0 : timeoutMs);
}

bool LaunchProcess::cancelAndWait(int timeoutMs)
{
    m_worker.cancel();
    return waitForWorker(timeoutMs);
}

void LaunchProcess::setRetryPauseMs(int ms)
{
    m_retryPauseMs = ms;
}

void LaunchProcess::stop()
{
    if (!cancelAndWait(kStopWaitMs))
        qDebug() << "launch worker still busy, stopping the machine beside it";
    VMService *vm = m_vm != nullptr ? m_vm : VMService::getVMService();
    if (vm == nullptr)
        return;
    stopAndUnregisterMachine(*vm, instanceName());
    VMService::releaseVMService();
    m_vm = nullptr;
}
