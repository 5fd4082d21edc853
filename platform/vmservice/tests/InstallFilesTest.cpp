// The files the build lays into the install folder beside the executables.
#include "MachineDefinition.h"
#include "SimulatorEngine.h"
#include "TestSupport.h"
#include "VdiReader.h"
#include "VirtualBoxEngine.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

QString installFile(const char *name)
{
    return QDir(binDir()).filePath(QLatin1String(name));
}

// An independent reading of a VDI's image UUID, by Python's uuid module.
QString uuidByPython(const QString &path)
{
    QProcess python;
    python.start(QStringLiteral("python3"),
                 {QStringLiteral("-c"),
                  QStringLiteral("import sys, uuid; d = open(sys.argv[1], 'rb').read(); "
                                 "print('{%s}' % uuid.UUID(bytes_le=d[0x188:0x198]))"),
                  path});
    if (!python.waitForFinished(30000))
        return {};
    return QString::fromUtf8(python.readAllStandardOutput()).trimmed();
}

// Fills the template as the player does when it writes a definition.
QString fillTemplate(QString text, const QString &name, const QString &dataUuid, const QString &dataPath,
                     const QString &systemPath)
{
    return text.replace(QStringLiteral("$VM_UUID$"), QUuid::createUuid().toString(QUuid::WithBraces))
        .replace(QStringLiteral("$VMNAME$"), name)
        .replace(QStringLiteral("$DATA_VDI_UUID$"), dataUuid)
        .replace(QStringLiteral("$DATA_PATH$"), dataPath)
        .replace(QStringLiteral("$SYSTEM_PATH$"), systemPath)
        .replace(QStringLiteral("$PDM_PATH$"), QString());
}

TEST(InstallFiles, BlankDataDiskIsAVdiWhoseUuidReadsBack)
{
    const QString disk = installFile("data.vdi");
    ASSERT_TRUE(QFile::exists(disk));
    const QString uuid = VdiReader::imageUuid(disk);
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^\\{[0-9a-f]{8}(-[0-9a-f]{4}){3}-[0-9a-f]{12}\\}$"))
                    .match(uuid)
                    .hasMatch())
        << uuid.toStdString();
    EXPECT_EQ(uuid, uuidByPython(disk));

    QProcess info;
    info.start(QStringLiteral("qemu-img"), {QStringLiteral("info"), QStringLiteral("--output=json"), disk});
    ASSERT_TRUE(info.waitForFinished(30000));
    const QByteArray report = info.readAllStandardOutput();
    EXPECT_TRUE(report.contains("\"format\": \"vdi\"")) << report.toStdString();
}

TEST(InstallFiles, ChannelFileHasAnIdentifierLine)
{
    const QByteArray text = readFile(installFile("channel.txt"));
    EXPECT_EQ(text, QByteArray("official\n"));
}

TEST(InstallFiles, TemplateHoldsEveryPlaceholder)
{
    const QString text = QString::fromUtf8(readFile(installFile("Tavenor.vbox-example")));
    for (const char *placeholder :
         {"$VM_UUID$", "$VMNAME$", "$DATA_VDI_UUID$", "$DATA_PATH$", "$SYSTEM_PATH$", "$PDM_PATH$"})
        EXPECT_TRUE(text.contains(QLatin1String(placeholder))) << placeholder;
}

class FilledTemplate : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_data = m_vms.filePath(QStringLiteral("data_tavenor.vdi"));
        m_system = m_vms.filePath(QStringLiteral("system.vdi"));
        ASSERT_TRUE(QFile::copy(installFile("data.vdi"), m_data));
        // The installation's system disk carries the UUID the template names.
        QByteArray system = vdiHeader(QUuid(QStringLiteral("{87e7b341-00ae-48d3-8591-4b79d38b6842}")));
        writeFile(m_system, system);
        m_dataUuid = VdiReader::imageUuid(m_data);
        m_definition = m_vms.filePath(QStringLiteral("tavenor.vbox"));
        writeFile(m_definition, fillTemplate(QString::fromUtf8(readFile(installFile("Tavenor.vbox-example"))),
                                             QStringLiteral("tavenor"), m_dataUuid, m_data, m_system)
                                    .toUtf8());
    }

    QTemporaryDir m_vms;
    QString m_data;
    QString m_system;
    QString m_dataUuid;
    QString m_definition;
};

TEST_F(FilledTemplate, IsAMachineDefinitionOfTheAndroidGuest)
{
    QString error;
    const auto definition = MachineDefinition::read(m_definition, &error);
    ASSERT_TRUE(definition) << error.toStdString();
    EXPECT_EQ(definition->name, QStringLiteral("tavenor"));
    EXPECT_EQ(definition->cpuCount, 2);
    EXPECT_EQ(definition->memoryMB, 2048);
    ASSERT_EQ(definition->media.size(), 2);
    EXPECT_EQ(definition->media.at(0).location, m_system);
    EXPECT_EQ(definition->media.at(0).uuid, VdiReader::imageUuid(m_system));
    EXPECT_EQ(definition->media.at(1).location, m_data);
    EXPECT_EQ(definition->media.at(1).uuid, m_dataUuid);
    const QByteArray text = readFile(m_definition);
    EXPECT_TRUE(text.contains("<PAE enabled=\"true\"/>"));
    EXPECT_TRUE(text.contains("<NAT/>"));
    EXPECT_TRUE(text.contains("type=\"AHCI\""));
    EXPECT_TRUE(text.contains("VBoxInternal/PDM/Devices/"));
}

TEST_F(FilledTemplate, RunsOnBothEngines)
{
    QTemporaryDir registry;
    SimulatorEngine::Config config;
    config.registryFolder = registry.path();
    config.guestProgram = guestStandIn();
    SimulatorEngine simulator(config);
    ASSERT_TRUE(simulator.openMachine(m_definition));
    EXPECT_EQ(simulator.start(), 0);
    EXPECT_TRUE(simulator.stop());
    EXPECT_TRUE(simulator.removeMachine(QStringLiteral("tavenor")));

    FakeVBox fake;
    VirtualBoxEngine virtualBox{VBoxManageRunner(standInVBoxManage())};
    ASSERT_TRUE(virtualBox.openMachine(m_definition));
    EXPECT_EQ(virtualBox.start(), 0);
    EXPECT_TRUE(virtualBox.stop());
    EXPECT_TRUE(virtualBox.removeMachine(QStringLiteral("tavenor")));
}

} // namespace
