#include "launch/MachineStart.h"

#include "app/InstanceName.h"
#include "app/Paths.h"
#include "launch/LaunchSettings.h"
#include "launch/VmDefinitionWriter.h"

#include <VMService.h>

#include <QCoreApplication>
#include <QDebug>
#include <QDir>
#include <QFileInfo>

namespace {

// The CPU count and memory read at this launch are set while the machine is
// still off, so that the guest of this launch runs with them: set on a
// running machine, they would only apply at its next start.
int startWithLaunchHardware(VMService *vm)
{
    int cpuCount = 0;
    int memoryMB = 0;
    readCpuAndMemory(cpuCount, memoryMB, vm->hostProcessorCount(), vm->hostMemorySizeMB());
    vm->setCpuAndMemory(cpuCount, memoryMB);
    return vm->start();
}

} // namespace

int openAndStartMachine(VMService *vm, QString *failureDetail)
{
    if (failureDetail != nullptr)
        failureDetail->clear();
    if (vm == nullptr)
        return LaunchFailure::kEngineNotInitialized;
    const QString name = instanceName();
    const QString definition = vmDefinitionPath(name);
    if (vm->findMachine(name)) {
        vm->stop();
        // Held by another session: it starts as it is defined, sized when
        // it is off.
        if (!vm->removeMachine(name))
            return startWithLaunchHardware(vm);
    }
    qDebug() << "try to open" << definition;
    if (QFileInfo::exists(dataDiskPath(name)) && vm->openMachine(definition))
        return startWithLaunchHardware(vm);
    // Nothing was written, so nothing new can open: an older definition
    // that opened now would name a disk that cannot be read.
    if (writeVmDefinition(name, *vm) == VmDefinitionWriter::Result::DataDiskUnreadable) {
        qDebug() << "Open machine failed, the data disk cannot be read" << dataDiskPath(name);
        if (failureDetail != nullptr)
            *failureDetail = unreadableDataDiskText(dataDiskPath(name));
        return LaunchFailure::kMachineNotFound;
    }
    if (!vm->openMachine(definition)) {
        qDebug() << "Open machine failed";
        return LaunchFailure::kMachineNotFound;
    }
    return startWithLaunchHardware(vm);
}

QString unreadableDataDiskText(const QString &path)
{
    return QCoreApplication::translate("LaunchProcess", "The data disk %1 is missing or is not a readable VDI image.")
        .arg(QDir::toNativeSeparators(path));
}

void stopAndUnregisterMachine(VMService &vm, const QString &name)
{
    // A lookup that fails (VirtualBox busy for a moment) still leaves the
    // launched machine current: it is stopped and removed all the same.
    if (!vm.findMachine(name))
        qDebug() << "machine not found by name, stopping the current one" << name;
    if (!vm.stop()) {
        qDebug() << "stop machine failed, trying once more" << name;
        if (!vm.stop())
            qDebug() << "stop machine failed" << name;
    }
    if (!vm.removeMachine(name))
        qDebug() << "unregister machine failed" << name;
}
