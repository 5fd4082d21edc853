#pragma once

#include <QString>

#include <optional>

class VMService;

// Writes an instance's VirtualBox machine definition from the install
// folder's template, putting a blank data disk in place first when the
// instance has none. A data disk that exists is never replaced, so the
// user's data survives every rewrite of the definition.
//
// Failures are logged: a missing template writes nothing, and a definition
// that could not be written makes the launch's following openMachine fail,
// which the launch reports. A data disk whose UUID cannot be read (missing,
// not a VDI image, cut short) writes nothing either: VirtualBox would not
// load a definition with an empty disk UUID, and the launch names the disk.
class VmDefinitionWriter
{
public:
    enum class Result {
        Written,
        NotWritten,         // no template, or the file could not be written
        DataDiskUnreadable, // nothing written
    };

    // Template and blank disk from the install folder.
    explicit VmDefinitionWriter(VMService &vm);
    VmDefinitionWriter(VMService &vm, const QString &templatePath, const QString &pristineDataDiskPath);

    // Writes vmDefinitionPath(name) with a new machine UUID, the data disk
    // dataDiskPath(name) and its UUID as the VM service reads it.
    Result write(const QString &name) const;

private:
    std::optional<QString> readTemplate() const;
    void ensureDataDisk(const QString &dataDisk) const;

    VMService &m_vm;
    QString m_templatePath;
    QString m_pristineDataDiskPath;
};

// The launch's entry: VmDefinitionWriter(vm).write(name).
VmDefinitionWriter::Result writeVmDefinition(const QString &name, VMService &vm);
