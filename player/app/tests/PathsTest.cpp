#include "app/Paths.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace {

// The test runner gives every test binary its own HOME and XDG folders.
QString environmentFolder(const char *name)
{
    return QDir::fromNativeSeparators(QString::fromLocal8Bit(qgetenv(name)));
}

void setDataPath(const QVariant &value)
{
    SettingsStore shared(QString::fromLatin1(SettingsStore::kSharedApplication));
    if (value.isValid())
        shared.setValue(SettingsKeys::kDataPath, value);
    else
        shared.remove(SettingsKeys::kDataPath);
}

class PathsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_FALSE(environmentFolder("XDG_DATA_HOME").isEmpty()) << "run through scripts/isolated-test";
        setDataPath(QVariant());
    }
    void TearDown() override { setDataPath(QVariant()); }
};

TEST_F(PathsTest, InstallFilesAreBesideTheProgram)
{
    const QString install = QCoreApplication::applicationDirPath();
    EXPECT_EQ(installDir(), install);
    EXPECT_EQ(vmTemplatePath(), install + QStringLiteral("/Tavenor.vbox-example"));
    EXPECT_EQ(pristineDataDiskPath(), install + QStringLiteral("/data.vdi"));
#if defined(Q_OS_WIN)
    EXPECT_EQ(updaterPath(), install + QStringLiteral("/TavenorUpdater.exe"));
#else
    EXPECT_EQ(updaterPath(), install + QStringLiteral("/TavenorUpdater"));
#endif
    EXPECT_EQ(channelFilePath(), install + QStringLiteral("/channel.txt"));
}

TEST_F(PathsTest, VmFolderIsBesideTheProgramsDataLocation)
{
    const QString expected = environmentFolder("XDG_DATA_HOME") + QStringLiteral("/Tavenor");
    QDir(expected).removeRecursively();

    EXPECT_EQ(vmFolder(), expected);
    EXPECT_TRUE(QFileInfo(expected).isDir()) << "created on the call";
    EXPECT_EQ(systemDiskPath(), expected + QStringLiteral("/system.vdi"));
    EXPECT_EQ(vmDefinitionPath(QStringLiteral("tavenor")), expected + QStringLiteral("/tavenor.vbox"));
    EXPECT_EQ(vmDefinitionPath(QString()), expected + QStringLiteral("/.vbox"));
    EXPECT_FALSE(QFileInfo::exists(systemDiskPath())) << "the system disk is the installation's to place";
}

TEST_F(PathsTest, DataFolderDefaultsToTheDocumentsFolder)
{
    const QString documents = QStandardPaths::standardLocations(QStandardPaths::DocumentsLocation).value(0);
    ASSERT_TRUE(documents.startsWith(environmentFolder("HOME")));
    const QString expected = documents + QStringLiteral("/Tavenor");

    EXPECT_EQ(dataFolder(), expected);
    EXPECT_TRUE(QFileInfo(expected).isDir()) << "created with its parents";
    EXPECT_EQ(dataDiskPath(QStringLiteral("tavenor")), expected + QStringLiteral("/data_tavenor.vdi"));
    EXPECT_EQ(dataDiskPath(QStringLiteral("second")), expected + QStringLiteral("/data_second.vdi"));
    EXPECT_EQ(dataDiskPath(QString()), expected + QStringLiteral("/data.vdi"));
}

TEST_F(PathsTest, DataPathSettingNamesTheParent)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString parent = root.path() + QStringLiteral("/not/yet/there");
    setDataPath(parent);

    const QString expected = parent + QStringLiteral("/Tavenor");
    QDir(expected).removeRecursively();
    EXPECT_EQ(dataDiskPath(QStringLiteral("x")), expected + QStringLiteral("/data_x.vdi"));
    EXPECT_TRUE(QFileInfo(expected).isDir());
}

TEST_F(PathsTest, DataPathIsSharedByEveryInstanceAndMatchedInAnyCase)
{
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    SettingsStore(QString::fromLatin1(SettingsStore::kSharedApplication))
        .setValue(QStringLiteral("DATA_PATH"), root.path());
    EXPECT_EQ(dataFolder(), root.path() + QStringLiteral("/Tavenor"));
}

TEST_F(PathsTest, NoWindowsFolderMeansNoDeviceLibrary)
{
    EXPECT_EQ(vtDevicePath(), QString());
    EXPECT_EQ(vtDevicePathIn(QString()), QString());
}

TEST_F(PathsTest, DeviceLibraryPrefersSysWow64)
{
    QTemporaryDir windows;
    ASSERT_TRUE(windows.isValid());
    EXPECT_EQ(vtDevicePathIn(windows.path()), windows.path() + QStringLiteral("/system32/TavenorVt.dll"));

    ASSERT_TRUE(QDir(windows.path()).mkdir(QStringLiteral("sysWOW64")));
    EXPECT_EQ(vtDevicePathIn(windows.path()), windows.path() + QStringLiteral("/sysWOW64/TavenorVt.dll"));
}

} // namespace
