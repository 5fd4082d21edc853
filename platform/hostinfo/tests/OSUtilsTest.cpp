#include "FileVersion.h"
#include "OSUtils.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <sys/utsname.h>
#include <unistd.h>

TAVENOR_FILE_VERSION("9.8.7-test");

namespace {

QByteArray readHostFile(const char *path)
{
    QFile file(QString::fromLatin1(path));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ownExecutable()
{
    return QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget();
}

TEST(OSUtilsTest, MachineIdIsAnApplicationHashOfTheHostsId)
{
    const QByteArray hostId = readHostFile("/etc/machine-id").trimmed();
    if (hostId.isEmpty())
        GTEST_SKIP() << "this host has no /etc/machine-id";

    const QString id = OSUtils::getMachineId();
    EXPECT_TRUE(QRegularExpression(QStringLiteral("^[0-9a-f]{32}$")).match(id).hasMatch()) << id.toStdString();
    EXPECT_NE(id.toLatin1(), hostId) << "never the raw machine id";
    EXPECT_EQ(id, OSUtils::applicationMachineId(hostId));
    EXPECT_EQ(OSUtils::getMachineId(), id) << "stable";
}

TEST(OSUtilsTest, ApplicationMachineIdDependsOnlyOnTheTrimmedId)
{
    const QString a = OSUtils::applicationMachineId("3d1219c7c4c5404aaa1f6d2a48adfda4");
    EXPECT_EQ(a.size(), 32);
    EXPECT_EQ(OSUtils::applicationMachineId("3d1219c7c4c5404aaa1f6d2a48adfda4\n"), a);
    EXPECT_NE(OSUtils::applicationMachineId("3d1219c7c4c5404aaa1f6d2a48adfda5"), a);
    EXPECT_FALSE(a.contains(QStringLiteral("3d1219c7")));
    EXPECT_EQ(OSUtils::applicationMachineId(""), QString());
    EXPECT_EQ(OSUtils::applicationMachineId(" \n"), QString());
}

TEST(OSUtilsTest, OsVersionNamesTheSystemAndItsKernel)
{
    struct utsname host;
    ASSERT_EQ(uname(&host), 0);
    const QString version = OSUtils::getOsVersion();
    EXPECT_TRUE(version.contains(QString::fromUtf8(host.release))) << version.toStdString();

    const QByteArray osRelease = readHostFile("/etc/os-release");
    const QRegularExpressionMatch pretty =
        QRegularExpression(QStringLiteral("^PRETTY_NAME=\"?([^\"\\n]*)\"?$"), QRegularExpression::MultilineOption)
            .match(QString::fromUtf8(osRelease));
    if (pretty.hasMatch()) {
        EXPECT_TRUE(version.startsWith(pretty.captured(1))) << version.toStdString();
    }
}

TEST(OSUtilsTest, CpuInfoFillsBothCounters)
{
    int maxClockSpeed = 0;
    int processorCount = 0;
    const QString model = OSUtils::getCpuInfo(&maxClockSpeed, &processorCount);

    EXPECT_FALSE(model.isEmpty());
    EXPECT_EQ(processorCount, static_cast<int>(sysconf(_SC_NPROCESSORS_ONLN)));
    const QByteArray cpuInfo = readHostFile("/proc/cpuinfo");
    if (cpuInfo.contains("model name")) {
        const QRegularExpressionMatch name =
            QRegularExpression(QStringLiteral("^model name\\s*:\\s*(.*)$"), QRegularExpression::MultilineOption)
                .match(QString::fromUtf8(cpuInfo));
        EXPECT_EQ(model, name.captured(1).trimmed());
    }
    if (cpuInfo.contains("cpu MHz")) {
        EXPECT_GT(maxClockSpeed, 0);
    }
    EXPECT_LT(maxClockSpeed, 100000) << "MHz, not kHz or Hz";
}

TEST(OSUtilsTest, CpuInfoAcceptsNullCounters)
{
    EXPECT_FALSE(OSUtils::getCpuInfo(nullptr, nullptr).isEmpty());
}

TEST(OSUtilsTest, TotalMemoryIsInMegabytes)
{
    const QRegularExpressionMatch total =
        QRegularExpression(QStringLiteral("^MemTotal:\\s*(\\d+) kB$"), QRegularExpression::MultilineOption)
            .match(QString::fromLatin1(readHostFile("/proc/meminfo")));
    ASSERT_TRUE(total.hasMatch());
    const long long expectedMB = total.captured(1).toLongLong() / 1024;
    EXPECT_NEAR(OSUtils::getTotalMemory(), expectedMB, 2);
}

TEST(OSUtilsTest, FileVersionIsTheEmbeddedText)
{
    EXPECT_EQ(OSUtils::getFileVersion(ownExecutable()), QStringLiteral("9.8.7-test"));
}

TEST(OSUtilsTest, FilesWithoutAVersionGiveTheEmptyText)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QFile text(dir.filePath(QStringLiteral("notes.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("not a program\n");
    text.close();

    EXPECT_EQ(OSUtils::getFileVersion(text.fileName()), QString());
    EXPECT_EQ(OSUtils::getFileVersion(dir.filePath(QStringLiteral("missing"))), QString());
    EXPECT_EQ(OSUtils::getFileVersion(dir.path()), QString()) << "a folder";
    EXPECT_EQ(OSUtils::getFileVersion(QStringLiteral("/bin/sh")), QString()) << "an ELF file without the section";
}

} // namespace
