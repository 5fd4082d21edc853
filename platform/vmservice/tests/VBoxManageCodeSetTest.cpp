// VBoxManage prints machine names and paths in the host's code set. Run
// once under a UTF-8 locale and once under a Latin-1 one (the environment
// names the code set expected): a name outside ASCII is found in `list vms`
// as VBoxManage prints it, and a definition in a folder with "é" registers.

#include "TestSupport.h"
#include "VirtualBoxEngine.h"

#include <QCoreApplication>
#include <QDir>
#include <QTextCodec>

#include <gtest/gtest.h>

#include <langinfo.h>

using namespace testsupport;

namespace {

class VBoxManageCodeSet : public ::testing::TestWithParam<const char *>
{
protected:
    void SetUp() override
    {
        const QByteArray expected = qgetenv("TAVENOR_EXPECTED_CODE_SET");
        const QByteArray codeSet(nl_langinfo(CODESET));
        if (codeSet != expected)
            GTEST_SKIP() << "the locale " << qgetenv("LC_ALL").constData() << " is not installed (code set "
                         << codeSet.constData() << "): scripts/install-deps generates it";
        m_codec = QTextCodec::codecForName(codeSet);
        ASSERT_NE(m_codec, nullptr);
        m_system = QDir(m_disks.path()).filePath(QStringLiteral("system.vdi"));
        writeFile(m_system, vdiHeader(QUuid::createUuid()));
        ASSERT_TRUE(QDir(m_home.path()).mkdir(QStringLiteral("Données é")));
    }

    VirtualBoxEngine engine() const { return VirtualBoxEngine(VBoxManageRunner(standInVBoxManage())); }

    FakeVBox m_fake;
    QTemporaryDir m_home;
    QTemporaryDir m_disks;
    QString m_system;
    QTextCodec *m_codec = nullptr;
};

TEST_P(VBoxManageCodeSet, NamesComeBackAsVBoxManagePrintsThem)
{
    DefinitionSpec spec;
    spec.name = QString::fromUtf8(GetParam());
    spec.media = QStringList{m_system};
    const QString definition = writeDefinition(m_home.filePath(QStringLiteral("Données é")), spec);

    VirtualBoxEngine launcher = engine();
    ASSERT_TRUE(launcher.openMachine(definition)) << "a path with é as an argument";
    ASSERT_EQ(launcher.start(), 0);

    // Another player finds the machine by its name only where the code set
    // can print that name; the one that opened it knows it by UUID anyway.
    const bool printable = m_codec->canEncode(spec.name);
    VirtualBoxEngine other = engine();
    EXPECT_EQ(other.findMachine(spec.name), printable) << m_codec->name().constData();
    EXPECT_TRUE(launcher.findMachine(spec.name));
    EXPECT_TRUE(launcher.stop());
    EXPECT_TRUE(launcher.removeMachine(spec.name));
    EXPECT_FALSE(launcher.findMachine(spec.name));
    EXPECT_TRUE(m_fake.machine(spec.name).isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Names, VBoxManageCodeSet, ::testing::Values("测试", "café", "Zoë \"2\""));

} // namespace

// Like the player: the application object sets the locale from the
// environment.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
