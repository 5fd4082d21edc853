#include "app/Paths.h"
#include "launch/VmDefinitionWriter.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <VMService.h>

#include <gtest/gtest.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QSet>
#include <QUuid>
#include <QtEndian>

namespace {

const QString kUuidPattern = QStringLiteral("\\{[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\\}");

// Every placeholder, one of them twice, and text around them that must come
// through unchanged (including text outside ASCII).
const char kTemplate[] =
    "vm=$VM_UUID$\n"
    "name=$VMNAME$\n"
    "disk=$DATA_VDI_UUID$\n"
    "data=$DATA_PATH$\n"
    "system=$SYSTEM_PATH$\n"
    "device=$PDM_PATH$\n"
    "again=$VMNAME$|$DATA_VDI_UUID$\n"
    "lower=$vmname$ Gerät ✓\n";

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

bool createVdi(const QString &path)
{
    QProcess qemuImg;
    qemuImg.start(QStringLiteral(TAVENOR_QEMU_IMG),
                  {QStringLiteral("create"), QStringLiteral("-q"), QStringLiteral("-f"), QStringLiteral("vdi"), path,
                   QStringLiteral("64M")});
    return qemuImg.waitForFinished(30000) && qemuImg.exitStatus() == QProcess::NormalExit && qemuImg.exitCode() == 0;
}

// The image UUID of a VDI 1.1 header, read here independently of the VM
// service: 16 bytes at 0x188, the first three fields little-endian.
QString vdiUuid(const QString &path)
{
    const QByteArray header = readBytes(path).left(0x198);
    if (header.size() < 0x198)
        return QString();
    const uchar *raw = reinterpret_cast<const uchar *>(header.constData()) + 0x188;
    return QUuid(qFromLittleEndian<quint32>(raw), qFromLittleEndian<quint16>(raw + 4),
                 qFromLittleEndian<quint16>(raw + 6), raw[8], raw[9], raw[10], raw[11], raw[12], raw[13], raw[14],
                 raw[15])
        .toString(QUuid::WithBraces);
}

// The image bytes less the image UUID.
QByteArray withoutImageUuid(QByteArray image)
{
    return image.size() < 0x198 ? image : image.replace(0x188, 16, QByteArray(16, '\0'));
}

// name=value lines of a written test definition.
QMap<QString, QString> fields(const QString &definitionPath)
{
    QMap<QString, QString> result;
    for (const QString &line : QString::fromUtf8(readBytes(definitionPath)).split(QLatin1Char('\n'))) {
        const int equals = line.indexOf(QLatin1Char('='));
        if (equals > 0)
            result.insert(line.left(equals), line.mid(equals + 1));
    }
    return result;
}

class VmDefinitionWriterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_install.isValid());
        ASSERT_TRUE(m_documents.isValid());
        m_shared.setValue(SettingsKeys::kDataPath, m_documents.path());
        m_templatePath = m_install.filePath(QStringLiteral("Tavenor.vbox-example"));
        m_pristinePath = m_install.filePath(QStringLiteral("data.vdi"));
        ASSERT_TRUE(writeBytes(m_templatePath, QByteArray(kTemplate)));
        ASSERT_TRUE(createVdi(m_pristinePath));
    }

    void TearDown() override { m_shared.remove(SettingsKeys::kDataPath); }

    VmDefinitionWriter writer() { return VmDefinitionWriter(*m_vm, m_templatePath, m_pristinePath); }

    VMService *m_vm = VMService::getVMService();
    QTemporaryDir m_install;
    QTemporaryDir m_documents;
    QString m_templatePath;
    QString m_pristinePath;
    SettingsStore m_shared{QString::fromLatin1(SettingsStore::kSharedApplication)};
};

TEST_F(VmDefinitionWriterTest, FirstStartCopiesTheBlankDiskAndWritesTheDefinition)
{
    const QString name = QStringLiteral("first");
    const QString dataDisk = dataDiskPath(name);
    ASSERT_EQ(dataDisk, m_documents.path() + QStringLiteral("/Tavenor/data_first.vdi"));
    ASSERT_FALSE(QFileInfo::exists(dataDisk));

    EXPECT_EQ(writer().write(name), VmDefinitionWriter::Result::Written);

    EXPECT_EQ(withoutImageUuid(readBytes(dataDisk)), withoutImageUuid(readBytes(m_pristinePath)))
        << "the blank disk, copied";
    const auto written = fields(vmDefinitionPath(name));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^") + kUuidPattern + QStringLiteral("$"))
                    .match(written.value(QStringLiteral("vm"))).hasMatch())
        << written.value(QStringLiteral("vm")).toStdString();
    EXPECT_EQ(written.value(QStringLiteral("name")), name);
    EXPECT_EQ(written.value(QStringLiteral("disk")), vdiUuid(dataDisk));
    EXPECT_FALSE(written.value(QStringLiteral("disk")).isEmpty());
    EXPECT_EQ(written.value(QStringLiteral("data")), dataDisk);
    EXPECT_EQ(written.value(QStringLiteral("system")), systemDiskPath());
    EXPECT_EQ(written.value(QStringLiteral("device")), QString()) << "no Windows folder here";
    EXPECT_EQ(written.value(QStringLiteral("again")), name + QLatin1Char('|') + vdiUuid(dataDisk));
    EXPECT_EQ(written.value(QStringLiteral("lower")), QStringLiteral("$vmname$ Gerät ✓")) << "case-sensitive, UTF-8";
}

// VirtualBox refuses a second medium with a UUID it knows: each copy of the
// blank disk gets its own, and the blank disk keeps its one.
TEST_F(VmDefinitionWriterTest, EachCopiedDataDiskHasItsOwnUuid)
{
    const QByteArray pristine = readBytes(m_pristinePath);
    QSet<QString> uuids{vdiUuid(m_pristinePath)};
    for (const QString &name : {QStringLiteral("one"), QStringLiteral("two"), QStringLiteral("three")}) {
        writer().write(name);
        const QString uuid = vdiUuid(dataDiskPath(name));
        EXPECT_EQ(fields(vmDefinitionPath(name)).value(QStringLiteral("disk")), uuid);
        uuids.insert(uuid);
    }
    EXPECT_EQ(uuids.size(), 4);
    EXPECT_EQ(readBytes(m_pristinePath), pristine);
}

// A blank disk that is not a VDI image is copied as it is.
TEST_F(VmDefinitionWriterTest, BlankDiskThatIsNoImageIsCopiedUnchanged)
{
    const QByteArray notAnImage(0x400, 'x');
    ASSERT_TRUE(writeBytes(m_pristinePath, notAnImage));
    writer().write(QStringLiteral("plain"));
    EXPECT_EQ(readBytes(dataDiskPath(QStringLiteral("plain"))), notAnImage);
}

TEST_F(VmDefinitionWriterTest, DeletedDefinitionIsRewrittenWithoutTouchingTheDisk)
{
    const QString name = QStringLiteral("again");
    writer().write(name);
    const QString dataDisk = dataDiskPath(name);
    const QString firstMachine = fields(vmDefinitionPath(name)).value(QStringLiteral("vm"));

    // The user's data: bytes past the header that a fresh copy would lose.
    QFile disk(dataDisk);
    ASSERT_TRUE(disk.open(QIODevice::Append));
    disk.write("user data");
    disk.close();
    const QByteArray diskBefore = readBytes(dataDisk);
    const QDateTime modifiedBefore = QFileInfo(dataDisk).lastModified();

    ASSERT_TRUE(QFile::remove(vmDefinitionPath(name)));
    writer().write(name);

    const auto rewritten = fields(vmDefinitionPath(name));
    EXPECT_NE(rewritten.value(QStringLiteral("vm")), firstMachine) << "a new machine UUID on every write";
    EXPECT_EQ(rewritten.value(QStringLiteral("disk")), vdiUuid(dataDisk));
    EXPECT_EQ(readBytes(dataDisk), diskBefore);
    EXPECT_EQ(QFileInfo(dataDisk).lastModified(), modifiedBefore);
}

TEST_F(VmDefinitionWriterTest, ExistingDataDiskIsNeverReplaced)
{
    const QString name = QStringLiteral("kept");
    const QString dataDisk = dataDiskPath(name);
    ASSERT_TRUE(createVdi(dataDisk));
    ASSERT_NE(vdiUuid(dataDisk), vdiUuid(m_pristinePath));
    const QByteArray diskBefore = readBytes(dataDisk);

    writer().write(name);

    EXPECT_EQ(readBytes(dataDisk), diskBefore);
    EXPECT_EQ(fields(vmDefinitionPath(name)).value(QStringLiteral("disk")), vdiUuid(dataDisk));
}

TEST_F(VmDefinitionWriterTest, MissingTemplateWritesNothing)
{
    const QString name = QStringLiteral("notemplate");
    ASSERT_TRUE(QFile::remove(m_templatePath));

    EXPECT_EQ(writer().write(name), VmDefinitionWriter::Result::NotWritten);

    EXPECT_FALSE(QFileInfo::exists(vmDefinitionPath(name)));
    EXPECT_FALSE(QFileInfo::exists(dataDiskPath(name)));
}

TEST_F(VmDefinitionWriterTest, InstallFolderWithoutTemplateWritesNothing)
{
    // The test program's own folder holds no template.
    ASSERT_FALSE(QFileInfo::exists(vmTemplatePath()));
    const QString name = QStringLiteral("installfolder");

    writeVmDefinition(name, *m_vm);

    EXPECT_FALSE(QFileInfo::exists(vmDefinitionPath(name)));
    EXPECT_FALSE(QFileInfo::exists(dataDiskPath(name)));
}

// A data disk whose UUID cannot be read would give a definition with an
// empty disk UUID, which VirtualBox refuses to load: nothing is written, and
// a definition already there stays as it is.
class UnreadableDataDisk : public VmDefinitionWriterTest, public ::testing::WithParamInterface<const char *>
{
};

TEST_P(UnreadableDataDisk, WritesNoDefinition)
{
    const QString name = QStringLiteral("unreadable");
    const QString kind = QString::fromLatin1(GetParam());
    if (kind == QStringLiteral("missing")) {
        ASSERT_TRUE(QFile::remove(m_pristinePath)) << "nothing to copy";
    } else {
        QByteArray disk = readBytes(m_pristinePath);
        if (kind == QStringLiteral("not_a_vdi"))
            disk.fill('x');
        else
            disk.truncate(0x190); // cut inside the image UUID
        ASSERT_TRUE(QDir().mkpath(QFileInfo(dataDiskPath(name)).path()));
        ASSERT_TRUE(writeBytes(dataDiskPath(name), disk));
    }
    const QByteArray earlier("an earlier definition");
    ASSERT_TRUE(writeBytes(vmDefinitionPath(name), earlier));

    EXPECT_EQ(writer().write(name), VmDefinitionWriter::Result::DataDiskUnreadable);
    EXPECT_EQ(readBytes(vmDefinitionPath(name)), earlier);
    ASSERT_TRUE(QFile::remove(vmDefinitionPath(name)));
    EXPECT_EQ(writer().write(name), VmDefinitionWriter::Result::DataDiskUnreadable);
    EXPECT_FALSE(QFileInfo::exists(vmDefinitionPath(name)));
}

INSTANTIATE_TEST_SUITE_P(Disks, UnreadableDataDisk, ::testing::Values("missing", "not_a_vdi", "truncated"));

TEST_F(VmDefinitionWriterTest, UnwritableDefinitionLeavesWhatIsThere)
{
    const QString name = QStringLiteral("blocked");
    ASSERT_TRUE(QDir().mkpath(vmDefinitionPath(name))) << "a folder where the file would go";

    EXPECT_EQ(writer().write(name), VmDefinitionWriter::Result::NotWritten);

    EXPECT_TRUE(QFileInfo(vmDefinitionPath(name)).isDir());
    EXPECT_TRUE(QFileInfo::exists(dataDiskPath(name))) << "the disk is put in place before the write";
    QDir(vmDefinitionPath(name)).removeRecursively();
}

// Each step replaces what the earlier steps inserted too: an instance name
// holding a later placeholder gets it replaced, an earlier one stays.
TEST_F(VmDefinitionWriterTest, PlaceholdersInsideTheInstanceName)
{
    const QString name = QStringLiteral("a$VM_UUID$b$VMNAME$c$PDM_PATH$d$SYSTEM_PATH$e");
    writer().write(name);

    const auto written = fields(vmDefinitionPath(name));
    const QString expectedName = QStringLiteral("a$VM_UUID$b$VMNAME$cd") + systemDiskPath() + QStringLiteral("e");
    EXPECT_EQ(written.value(QStringLiteral("name")), expectedName);
    EXPECT_EQ(written.value(QStringLiteral("data")),
              m_documents.path() + QStringLiteral("/Tavenor/data_") + expectedName + QStringLiteral(".vdi"));
    EXPECT_TRUE(QFileInfo::exists(dataDiskPath(name))) << "the file itself carries the literal name";
}

TEST_F(VmDefinitionWriterTest, EmptyInstanceName)
{
    writer().write(QString());

    EXPECT_TRUE(QFileInfo::exists(vmFolder() + QStringLiteral("/.vbox")));
    EXPECT_TRUE(QFileInfo::exists(m_documents.path() + QStringLiteral("/Tavenor/data.vdi")));
}

// The installation's template, written and then opened by the simulated
// engine as VirtualBox would open it.
TEST_F(VmDefinitionWriterTest, InstallationTemplateOpensAsAMachine)
{
    const QString binDir = QString::fromLocal8Bit(qgetenv("TAVENOR_BIN_DIR"));
    ASSERT_FALSE(binDir.isEmpty());
    const QString installTemplate = binDir + QStringLiteral("/Tavenor.vbox-example");
    ASSERT_TRUE(QFileInfo::exists(installTemplate));

    for (const QString &name : {QStringLiteral("tavenor"), QStringLiteral("Tom & Jerry <\"2\">")}) {
        SCOPED_TRACE(name.toStdString());
        VmDefinitionWriter(*m_vm, installTemplate, m_pristinePath).write(name);

        const QString definition = QString::fromUtf8(readBytes(vmDefinitionPath(name)));
        EXPECT_FALSE(definition.contains(QLatin1Char('$'))) << "every placeholder replaced";
        EXPECT_TRUE(definition.contains(vdiUuid(dataDiskPath(name))));
        ASSERT_TRUE(m_vm->openMachine(vmDefinitionPath(name)));
        EXPECT_TRUE(m_vm->findMachine(name));
        EXPECT_TRUE(m_vm->removeMachine(name));
    }
}

} // namespace
