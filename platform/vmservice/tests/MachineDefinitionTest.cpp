#include "MachineDefinition.h"
#include "TestSupport.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace testsupport;

namespace {

TEST(MachineDefinition, ReadsNameUuidHardwareAndMedia)
{
    QTemporaryDir dir;
    DefinitionSpec spec;
    spec.name = QStringLiteral("My \"odd\" <vm> & co");
    spec.media = QStringList{dir.filePath(QStringLiteral("system.vdi")), QStringLiteral("relative/data.vdi")};
    spec.cpuCount = 3;
    spec.memoryMB = 3072;
    const QString path = writeDefinition(dir.path(), spec);

    QString error;
    const auto definition = MachineDefinition::read(path, &error);
    ASSERT_TRUE(definition) << error.toStdString();
    EXPECT_EQ(definition->name, spec.name);
    EXPECT_EQ(definition->uuid, braced(spec.uuid));
    EXPECT_EQ(definition->path, QFileInfo(path).absoluteFilePath());
    EXPECT_EQ(definition->cpuCount, 3);
    EXPECT_EQ(definition->memoryMB, 3072);
    ASSERT_EQ(definition->media.size(), 2);
    EXPECT_EQ(definition->media.at(0).location, dir.filePath(QStringLiteral("system.vdi")));
    EXPECT_EQ(definition->media.at(1).location, QDir(dir.path()).filePath(QStringLiteral("relative/data.vdi")));
}

struct BadDefinition
{
    const char *what;
    const char *text;
};

class MachineDefinitionRejects : public ::testing::TestWithParam<BadDefinition>
{
};

TEST_P(MachineDefinitionRejects, WithAReason)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bad.vbox"));
    writeFile(path, GetParam().text);
    QString error;
    EXPECT_FALSE(MachineDefinition::read(path, &error));
    EXPECT_FALSE(error.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Definitions, MachineDefinitionRejects,
    ::testing::Values(
        BadDefinition{"empty", ""},
        BadDefinition{"not_xml", "this is no XML at all"},
        BadDefinition{"unclosed", "<VirtualBox><Machine uuid=\"{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}\" name=\"x\">"},
        BadDefinition{"wrong_root", "<Other><Machine uuid=\"{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}\" name=\"x\"/></Other>"},
        BadDefinition{"no_machine", "<VirtualBox xmlns=\"http://www.virtualbox.org/\"/>"},
        BadDefinition{"no_name", "<VirtualBox><Machine uuid=\"{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}\"/></VirtualBox>"},
        BadDefinition{"bad_uuid", "<VirtualBox><Machine uuid=\"$VM_UUID$\" name=\"x\"/></VirtualBox>"},
        BadDefinition{"bad_cpu", "<VirtualBox><Machine uuid=\"{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}\" name=\"x\">"
                                 "<Hardware><CPU count=\"two\"/></Hardware></Machine></VirtualBox>"},
        BadDefinition{"disk_without_location",
                      "<VirtualBox><Machine uuid=\"{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}\" name=\"x\">"
                      "<MediaRegistry><HardDisks><HardDisk uuid=\"{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123457}\"/>"
                      "</HardDisks></MediaRegistry></Machine></VirtualBox>"}),
    [](const ::testing::TestParamInfo<BadDefinition> &info) { return std::string(info.param.what); });

TEST(MachineDefinition, MissingFileIsAnError)
{
    QTemporaryDir dir;
    QString error;
    EXPECT_FALSE(MachineDefinition::read(dir.filePath(QStringLiteral("none.vbox")), &error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(MachineDefinition, DefaultsWhenTheFileNamesNoHardware)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bare.vbox"));
    writeFile(path, "<VirtualBox><Machine uuid=\"{1D4B7A4F-0C2E-4F6A-9A1B-C0FFEE123456}\" name=\"bare\"/></VirtualBox>");
    const auto definition = MachineDefinition::read(path);
    ASSERT_TRUE(definition);
    EXPECT_EQ(definition->uuid, QStringLiteral("{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}"));
    EXPECT_EQ(definition->cpuCount, 1);
    EXPECT_EQ(definition->memoryMB, 128);
    EXPECT_TRUE(definition->media.isEmpty());
}

TEST(MachineDefinition, RewritesCpuAndMemoryKeepingTheRest)
{
    QTemporaryDir dir;
    DefinitionSpec spec;
    spec.media = QStringList{dir.filePath(QStringLiteral("system.vdi"))};
    const QString path = writeDefinition(dir.path(), spec);
    const auto before = MachineDefinition::read(path);
    ASSERT_TRUE(before);

    QString error;
    ASSERT_TRUE(MachineDefinition::writeCpuAndMemory(path, 4, 4096, &error)) << error.toStdString();
    const auto after = MachineDefinition::read(path);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->cpuCount, 4);
    EXPECT_EQ(after->memoryMB, 4096);
    EXPECT_EQ(after->name, before->name);
    EXPECT_EQ(after->uuid, before->uuid);
    ASSERT_EQ(after->media.size(), 1);
    EXPECT_EQ(after->media.at(0).uuid, before->media.at(0).uuid);
    const QByteArray text = readFile(path);
    EXPECT_TRUE(text.contains("<!-- a test machine -->"));
    EXPECT_TRUE(text.contains("<PAE enabled=\"true\"/>"));
    EXPECT_TRUE(text.contains("xmlns=\"http://www.virtualbox.org/\""));
}

TEST(MachineDefinition, RewriteAddsMissingCpuAndMemory)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("bare.vbox"));
    writeFile(path, "<VirtualBox xmlns=\"http://www.virtualbox.org/\"><Machine "
                    "uuid=\"{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}\" name=\"bare\"><Hardware/></Machine></VirtualBox>");
    ASSERT_TRUE(MachineDefinition::writeCpuAndMemory(path, 2, 1024));
    const auto after = MachineDefinition::read(path);
    ASSERT_TRUE(after);
    EXPECT_EQ(after->cpuCount, 2);
    EXPECT_EQ(after->memoryMB, 1024);
}

TEST(MachineDefinition, RewriteOfABrokenFileFailsAndKeepsIt)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("broken.vbox"));
    writeFile(path, "<VirtualBox><Machine>");
    QString error;
    EXPECT_FALSE(MachineDefinition::writeCpuAndMemory(path, 2, 1024, &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_EQ(readFile(path), QByteArray("<VirtualBox><Machine>"));
}

} // namespace
