#include "launch/MachineStart.h"

#include "app/InstanceName.h"
#include "app/Paths.h"
#include "launch/VmDefinitionWriter.h"

#include <VMService.h>

#include <QDebug>
#include <QFileInfo>

int openAndStartMachine(VMService *vm)
{
    if (vm == nullptr)
        return LaunchFailure::kEngineNotInitialized;
    const QString name = instanceName();
    const QString definition = vmDefinitionPath(name);
    if (vm->findMachine(name)) {
        vm->stop();
        if (!vm->removeMachine(name))
            return vm->start();
    }
    qDebug() << "try to open" << definition;
    if (QFileInfo::exists(dataDiskPath(name)) && vm->openMachine(definition))
        return vm->start();
    writeVmDefinition(name, *vm);
    if (!vm->openMachine(definition)) {
        qDebug() << "Open machine failed";
        return LaunchFailure::kMachineNotFound;
    }
    return vm->start();
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
