#include "VBoxManageOutput.h"

#include <gtest/gtest.h>

using namespace VBoxManageOutput;
using Status = VBoxManageRunner::Result::Status;

namespace {

const char kWarning[] = "WARNING: The vboxdrv kernel module is not loaded. Either there is no module\n"
                        "         available for the current kernel (6.1.0-18-amd64) or it failed to\n"
                        "\n"
                        "           sudo /sbin/vboxconfig\n"
                        "\n";

TEST(VBoxManageOutput, VmListReadsNamesWithSpacesAndQuotes)
{
    const QByteArray out = QByteArray(kWarning)
                           + "\"tavenor\" {1D4B7A4F-0c2e-4f6a-9a1b-c0ffee123456}\n"
                             "\"My \"odd\" vm\" {2d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}\r\n"
                             "\"broken {4d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}\n"
                             "\"no uuid\" {not-a-uuid}\n"
                             "\"<inaccessible>\" {3d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}\n"
                             "garbage line\n";
    const QList<VmEntry> entries = parseVmList(out);
    ASSERT_EQ(entries.size(), 3);
    EXPECT_EQ(entries.at(0).name, QStringLiteral("tavenor"));
    EXPECT_EQ(entries.at(0).uuid, QStringLiteral("{1d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}"));
    EXPECT_EQ(entries.at(1).name, QStringLiteral("My \"odd\" vm"));
    EXPECT_EQ(entries.at(1).uuid, QStringLiteral("{2d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}"));
    // A machine whose settings file is gone: known by its UUID, nameless.
    EXPECT_EQ(entries.at(2).name, QString());
    EXPECT_EQ(entries.at(2).uuid, QStringLiteral("{3d4b7a4f-0c2e-4f6a-9a1b-c0ffee123456}"));
    EXPECT_FALSE(entries.at(2).accessible);
    EXPECT_TRUE(entries.at(0).accessible && entries.at(1).accessible);
}

TEST(VBoxManageOutput, VmListOfNothingIsEmpty)
{
    EXPECT_TRUE(parseVmList("").isEmpty());
    EXPECT_TRUE(parseVmList("\x7f\xfe#! unexpected\n").isEmpty());
}

TEST(VBoxManageOutput, MachineReadableKeysAndValues)
{
    const QByteArray out = QByteArray(kWarning)
                           + "name=\"My \\\"odd\\\" vm\"\n"
                             "CfgFile=\"C:\\\\Users\\\\me\\\\tavenor.vbox\"\n"
                             "memory=2048\n"
                             "VMState=\"running\"\r\n"
                             "\"SATA-0-0\"=\"/vms/system.vdi\"\n"
                             "description=\"two\\nlines\"\n"
                             "unclosed=\"value\n"
                             "bad key=\"x\"\n"
                             "spaced=a b\n"
                             "=\"no key\"\n";
    const QHash<QString, QString> info = parseMachineReadable(out);
    EXPECT_EQ(info.value(QStringLiteral("name")), QStringLiteral("My \"odd\" vm"));
    EXPECT_EQ(info.value(QStringLiteral("CfgFile")), QStringLiteral("C:\\Users\\me\\tavenor.vbox"));
    EXPECT_EQ(info.value(QStringLiteral("memory")), QStringLiteral("2048"));
    EXPECT_EQ(info.value(QStringLiteral("VMState")), QStringLiteral("running"));
    EXPECT_EQ(info.value(QStringLiteral("SATA-0-0")), QStringLiteral("/vms/system.vdi"));
    EXPECT_EQ(info.value(QStringLiteral("description")), QStringLiteral("two\nlines"));
    EXPECT_FALSE(info.contains(QStringLiteral("unclosed")));
    EXPECT_FALSE(info.contains(QStringLiteral("bad key")));
    EXPECT_FALSE(info.contains(QStringLiteral("spaced")));
    EXPECT_EQ(info.size(), 6);
}

TEST(VBoxManageOutput, SharedFolderNamesOfEveryKind)
{
    const QHash<QString, QString> info = parseMachineReadable("SharedFolderNameMachineMapping1=\"home\"\n"
                                                              "SharedFolderPathMachineMapping1=\"/home\"\n"
                                                              "SharedFolderNameTransientMapping1=\"apk\"\n"
                                                              "SharedFolderPathTransientMapping1=\"/apps\"\n"
                                                              "SharedFolderNameGlobalMapping2=\"all\"\n"
                                                              "SharedFolderNameOtherMapping1=\"not one\"\n");
    QStringList names = sharedFolderNames(info);
    names.sort();
    EXPECT_EQ(names, (QStringList{QStringLiteral("all"), QStringLiteral("apk"), QStringLiteral("home")}));
}

struct VersionCase
{
    const char *out;
    const char *version;
};

class VersionParsing : public ::testing::TestWithParam<VersionCase>
{
};

TEST_P(VersionParsing, FindsTheVersionLine)
{
    EXPECT_EQ(parseVersion(GetParam().out), QString::fromLatin1(GetParam().version));
}

INSTANTIATE_TEST_SUITE_P(
    Outputs, VersionParsing,
    ::testing::Values(VersionCase{"7.0.18r162988\n", "7.0.18r162988"},
                      VersionCase{"6.1.50_Debianr161033\r\n", "6.1.50_Debianr161033"},
                      VersionCase{"WARNING: The vboxdrv kernel module is not loaded.\n"
                                  "         You will not be able to start VMs.\n7.0.16r162802\n",
                                  "7.0.16r162802"},
                      VersionCase{"", ""},
                      VersionCase{"Oracle VM VirtualBox\n", ""},
                      VersionCase{"\x7f\xfe#! unexpected 42 ===\n", ""},
                      VersionCase{"7.0\n", ""}));

struct ClassifyCase
{
    Status status;
    int exitCode;
    const char *err;
    Failure failure;
    int startReason;
};

class Classification : public ::testing::TestWithParam<ClassifyCase>
{
};

TEST_P(Classification, MapsToFailureAndStartReason)
{
    VBoxManageRunner::Result result;
    result.status = GetParam().status;
    result.exitCode = GetParam().exitCode;
    result.err = GetParam().err;
    EXPECT_EQ(classify(result), GetParam().failure);
    EXPECT_EQ(startReason(classify(result)), GetParam().startReason);
}

INSTANTIATE_TEST_SUITE_P(
    Results, Classification,
    ::testing::Values(
        ClassifyCase{Status::Finished, 0, "", Failure::None, 0},
        ClassifyCase{Status::Finished, 0, "VBoxManage: error: ignored on success", Failure::None, 0},
        ClassifyCase{Status::NotFound, -1, "", Failure::NotInstalled, 5},
        ClassifyCase{Status::FailedToStart, -1, "", Failure::NotInstalled, 5},
        ClassifyCase{Status::TimedOut, -1, "", Failure::CommunicationFailed, 2},
        ClassifyCase{Status::Crashed, -1, "", Failure::CommunicationFailed, 2},
        ClassifyCase{Status::Finished, 1,
                     "VBoxManage: error: Could not find a registered machine named 'x'\n"
                     "VBoxManage: error: Details: code VBOX_E_OBJECT_NOT_FOUND (0x80bb0001)",
                     Failure::NotFound, 3},
        ClassifyCase{Status::Finished, 1, "VBoxManage: error: Failed to create the VirtualBox object!",
                     Failure::EngineNotInitialised, 1},
        ClassifyCase{Status::Finished, 1, "Details: code RPC_S_SERVER_UNAVAILABLE (0x800706ba)",
                     Failure::CommunicationFailed, 2},
        ClassifyCase{Status::Finished, 1, "Details: code NS_ERROR_CALL_FAILED (0x800706be)",
                     Failure::CommunicationFailed, 2},
        // The session is locked, or still being unlocked after a power-off.
        ClassifyCase{Status::Finished, 1,
                     "VBoxManage: error: Cannot unregister the machine 'x' while it is locked\n"
                     "VBoxManage: error: Details: code VBOX_E_INVALID_OBJECT_STATE (0x80bb0007)",
                     Failure::Locked, 4},
        ClassifyCase{Status::Finished, 1,
                     "VBoxManage: error: The machine 'x' is already locked for a session (or being unlocked)\n"
                     "VBoxManage: error: Details: code VBOX_E_INVALID_OBJECT_STATE (0x80bb0007)",
                     Failure::Locked, 4},
        ClassifyCase{Status::Finished, 1,
                     "VBoxManage: error: Machine 'locked' is not currently running.\n"
                     "VBoxManage: error: Details: code VBOX_E_INVALID_VM_STATE (0x80bb0002)",
                     Failure::Failed, 4},
        ClassifyCase{Status::Finished, 1, "Details: code NS_ERROR_FAILURE (0x80004005)", Failure::Failed, 4},
        ClassifyCase{Status::Finished, 2, "VBoxManage: error: Syntax error", Failure::Failed, 4},
        ClassifyCase{Status::Finished, 1, "", Failure::Failed, 4}));

} // namespace
