#include "launch/LaunchVBoxRunnable.h"

#include "app/InstanceName.h"
#include "launch/GuestServices.h"
#include "launch/LaunchSettings.h"
#include "launch/LaunchWorkerControl.h"
#include "launch/MachineStart.h"
#include "settings/PhoneIdentity.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <VMService.h>

#include <QDebug>

#include <algorithm>
#include <cstring>
#include <optional>
#include <utility>

namespace {

const QString kSharedFolderName = QStringLiteral("TAVENOR_SHARED_FOLDER");

// workerFinished() on every way out of run().
class FinishNotice
{
public:
    explicit FinishNotice(LaunchWorkerControl &control) : m_control(control) {}
    ~FinishNotice() { m_control.workerFinished(); }
    FinishNotice(const FinishNotice &) = delete;
    FinishNotice &operator=(const FinishNotice &) = delete;

private:
    LaunchWorkerControl &m_control;
};

// The stored coordinate's text when it reads as a number.
std::optional<QString> coordinate(const SettingsStore &store, const char *key)
{
    const QString text = store.stringValue(QString::fromLatin1(key));
    bool isNumber = false;
    text.toDouble(&isNumber);
    if (!isNumber) {
        qDebug() << "stored location is not a number" << key << text;
        return std::nullopt;
    }
    return text;
}

} // namespace

LaunchVBoxRunnable::LaunchVBoxRunnable(LaunchWorkerControl &control, FailureReport reportFailure, QObject *window,
                                       VMService *vm, const char *glesAddress, int dpi, int retryPauseMs)
    : m_glesAddress{}
    , m_vm(vm)
    , m_control(control)
    , m_reportFailure(std::move(reportFailure))
    , m_dpi(dpi)
    , m_window(window)
    , m_retryPauseMs(retryPauseMs)
{
    if (glesAddress == nullptr)
        return;
    const std::size_t length = strnlen(glesAddress, kAddressSize);
    if (length == kAddressSize)
        qDebug() << "renderer address too long, cut to" << kAddressSize - 1 << "characters";
    std::memcpy(m_glesAddress, glesAddress, std::min<std::size_t>(length, kAddressSize - 1));
}

void LaunchVBoxRunnable::run()
{
    LaunchWorkerControl &control = m_control;
    const FinishNotice finishNotice(control);

    const int code = startMachine();
    if (control.isCancelled()) {
        if (code == 0)
            withdrawMachine();
        return;
    }
    if (code != 0) {
        m_reportFailure(code, m_failureDetail);
        return;
    }

    publishRendererProperties();
    SettingsStore store(instanceName());
    publishLocation(store);
    publishIdentity(store);
    applyCpuAndMemory();
    attachSharedFolder(store);

    if (control.isCancelled()) {
        withdrawMachine();
        return;
    }
    startGuestServices(m_window);
}

int LaunchVBoxRunnable::startMachine()
{
    LaunchWorkerControl &control = m_control;
    int code = -1;
    for (int attempt = 0; attempt < kAttempts; ++attempt) {
        if (control.isCancelled())
            return code;
        qDebug() << "try to start vm ...";
        code = openAndStartMachine(m_vm, &m_failureDetail);
        if (code == 0)
            return 0;
        m_vm->stop();
        // Only an unreadable data disk comes with a detail, and it stays
        // unreadable: another attempt would only delay the notice naming it.
        if (!m_failureDetail.isEmpty())
            return code;
        qDebug() << "start vm failed, try to restart " << attempt;
        if (!control.pause(m_retryPauseMs))
            return code;
    }
    return code;
}

void LaunchVBoxRunnable::publishRendererProperties()
{
    m_vm->setGuestProperty(QStringLiteral("tavenor.gles"), QStringLiteral("1"));
    m_vm->setGuestProperty(QStringLiteral("tavenor.dpi"), QString::number(m_dpi));
    m_vm->setGuestProperty(QStringLiteral("tavenor.gles.hgcm"), QStringLiteral("1"));
    m_vm->setGuestProperty(QStringLiteral("tavenor.gles.addr"), QString::fromUtf8(m_glesAddress));
    m_vm->setGuestProperty(QStringLiteral("tavenor.ime.port"), QString::number(GuestPorts::kInputMethod));
}

void LaunchVBoxRunnable::publishLocation(const SettingsStore &store)
{
    // Only a longitude tells that a location was ever picked; a latitude
    // alone publishes nothing.
    if (!store.allKeys().contains(SettingsStore::foldKey(QString::fromLatin1(SettingsKeys::kGpsLongitude))))
        return;
    for (const char *key : {SettingsKeys::kGpsLongitude, SettingsKeys::kGpsLatitude}) {
        if (const auto text = coordinate(store, key))
            m_vm->setGuestProperty(QString::fromLatin1(key), *text);
    }
    m_vm->setGuestProperty(QStringLiteral("tavenor.gps.accuracy"), QStringLiteral("1.0"));
    m_vm->setGuestProperty(QStringLiteral("tavenor.gps.altitude"), QStringLiteral("1.0"));
    m_vm->setGuestProperty(QStringLiteral("tavenor.gps.bearing"), QStringLiteral("1.0"));
    m_vm->setGuestProperty(QStringLiteral("tavenor.gps.status"), QStringLiteral("enable"));
}

void LaunchVBoxRunnable::publishIdentity(SettingsStore &store)
{
    const PhoneIdentity identity = readPhoneIdentity(store);
    qDebug() << identity.brand << identity.model << identity.number << identity.imei;
    m_vm->setGuestProperty(QStringLiteral("tavenor.imei"), identity.imei);
    m_vm->setGuestProperty(QStringLiteral("tavenor.phonenumber"), identity.number);
    m_vm->setGuestProperty(QStringLiteral("tavenor.brand"), identity.brand);
    m_vm->setGuestProperty(QStringLiteral("tavenor.model"), identity.model);
}

void LaunchVBoxRunnable::applyCpuAndMemory()
{
    const int hostCpuCount = m_vm->hostProcessorCount();
    const int hostMemoryMB = m_vm->hostMemorySizeMB();
    int cpuCount = 0;
    int memoryMB = 0;
    readCpuAndMemory(cpuCount, memoryMB, hostCpuCount, hostMemoryMB);
    qDebug() << "cpu" << hostCpuCount << "memory" << hostMemoryMB;
    m_vm->setCpuAndMemory(cpuCount, memoryMB);
}

void LaunchVBoxRunnable::attachSharedFolder(const SettingsStore &store)
{
    const QString folder = store.stringValue(QString::fromLatin1(SettingsKeys::kSharedFolder));
    if (folder.isEmpty())
        return;
    if (m_vm->createSharedFolder(kSharedFolderName, folder) != 0)
        qDebug() << "create shared folder failed" << folder;
    m_vm->setGuestProperty(QStringLiteral("tavenor.sharedfolder"), kSharedFolderName);
}

void LaunchVBoxRunnable::withdrawMachine()
{
    qDebug() << "launch cancelled, stopping the machine";
    stopAndUnregisterMachine(*m_vm, instanceName());
}
