#include "launch/VmDefinitionWriter.h"

#include "app/Paths.h"
#include "launch/DataDiskIdentity.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>
#include <QUuid>

#include <VMService.h>

#include <utility>

namespace {

QString forwardSlashes(QString path)
{
    return path.replace(QLatin1Char('\\'), QLatin1Char('/'));
}

// The template is an XML machine definition: a value holding '&', '<', '>'
// or '"' (a user folder such as "Tom & Jerry") would otherwise break it.
QString asXmlText(const QString &value)
{
    return value.toHtmlEscaped();
}

} // namespace

VmDefinitionWriter::VmDefinitionWriter(VMService &vm)
    : VmDefinitionWriter(vm, vmTemplatePath(), pristineDataDiskPath())
{
}

VmDefinitionWriter::VmDefinitionWriter(VMService &vm, const QString &templatePath,
                                       const QString &pristineDataDiskPath)
    : m_vm(vm)
    , m_templatePath(templatePath)
    , m_pristineDataDiskPath(pristineDataDiskPath)
{
}

std::optional<QString> VmDefinitionWriter::readTemplate() const
{
    QFile file(m_templatePath);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return std::nullopt;
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    return stream.readAll();
}

void VmDefinitionWriter::ensureDataDisk(const QString &dataDisk) const
{
    if (QFileInfo::exists(dataDisk))
        return;
    // QFile::copy writes a temporary file and renames it into place, so an
    // interrupted copy never leaves a partial disk behind under the name.
    if (!QFile::copy(m_pristineDataDiskPath, dataDisk)) {
        qDebug() << "copy blank data disk failed" << m_pristineDataDiskPath << dataDisk;
        return;
    }
    giveFreshDiskUuid(dataDisk);
}

VmDefinitionWriter::Result VmDefinitionWriter::write(const QString &name) const
{
    const std::optional<QString> templateText = readTemplate();
    if (!templateText) {
        qDebug() << "vm template not found" << m_templatePath;
        return Result::NotWritten;
    }
    QString definition = *templateText;

    const QString dataDisk = dataDiskPath(name);
    ensureDataDisk(dataDisk);
    const QString dataDiskUuid = m_vm.getDiskUuid(dataDisk);
    if (QUuid(dataDiskUuid).isNull()) {
        qDebug() << "data disk unreadable, vm definition not written" << dataDisk;
        return Result::DataDiskUnreadable;
    }

    // The order matters: text put in by one step is subject to the later
    // ones, so an instance name holding "$DATA_PATH$" gets the path there.
    const std::pair<const char *, QString> replacements[] = {
        {"$VM_UUID$", QUuid::createUuid().toString(QUuid::WithBraces)},
        {"$VMNAME$", name},
        {"$DATA_VDI_UUID$", dataDiskUuid},
        {"$DATA_PATH$", forwardSlashes(dataDisk)},
        {"$SYSTEM_PATH$", forwardSlashes(systemDiskPath())},
        {"$PDM_PATH$", forwardSlashes(vtDevicePath())},
    };
    for (const auto &[placeholder, value] : replacements)
        definition.replace(QLatin1String(placeholder), asXmlText(value), Qt::CaseSensitive);

    const QString definitionPath = vmDefinitionPath(name);
    QSaveFile file(definitionPath);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        qDebug() << "write vm definition failed" << definitionPath;
        return Result::NotWritten;
    }
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    stream << definition;
    stream.flush();
    if (!file.commit()) {
        qDebug() << "write vm definition failed" << definitionPath;
        return Result::NotWritten;
    }
    return Result::Written;
}

VmDefinitionWriter::Result writeVmDefinition(const QString &name, VMService &vm)
{
    return VmDefinitionWriter(vm).write(name);
}
