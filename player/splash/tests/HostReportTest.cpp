#include "splash/HostReport.h"
#include "QueryItems.h"

#include <gtest/gtest.h>

namespace {

const QStringList kKeys = {
    QStringLiteral("appVer"), QStringLiteral("channelId"), QStringLiteral("machineId"),
    QStringLiteral("osVersion"), QStringLiteral("cpuModel"), QStringLiteral("maxClockSpeed"),
    QStringLiteral("processorCount"), QStringLiteral("totalMemory"), QStringLiteral("resolution"),
    QStringLiteral("running"),
};

HostReport sampleReport()
{
    HostReport report;
    report.appVersion = QStringLiteral("1.0.2");
    report.channelId = QStringLiteral("Hd82KsPq0v");
    report.machineId = QStringLiteral("0123456789abcdef0123456789abcdef");
    report.osVersion = QStringLiteral("Debian GNU/Linux 12 (bookworm) (Linux 6.1.0)");
    report.cpuModel = QStringLiteral("Intel(R) Core(TM) i7-8700 CPU @ 3.20GHz");
    report.maxClockSpeed = 3200;
    report.processorCount = 12;
    report.totalMemory = 16000;
    report.resolution = QSize(1920, 1080);
    report.running = true;
    return report;
}

class HostReportValueTest : public ::testing::TestWithParam<const char *> {};

// Values come from the host and from files: whatever they hold, the service
// must read back exactly what was sent.
TEST_P(HostReportValueTest, ArrivesUnchanged)
{
    HostReport report = sampleReport();
    report.osVersion = QString::fromUtf8(GetParam());
    report.graphicsCard = QString::fromUtf8(GetParam());
    const QByteArray query = hostReportUrl(QUrl(QStringLiteral("http://h/")), report)
                                 .query(QUrl::FullyEncoded).toLatin1();

    EXPECT_FALSE(query.contains(' ')) << query.constData();
    EXPECT_FALSE(query.contains('+')) << query.constData();
    const auto items = decodeQuery(query);
    ASSERT_EQ(items.size(), kKeys.size() + (report.graphicsCard.isEmpty() ? 0 : 1)) << query.constData();
    EXPECT_EQ(items[3].second, report.osVersion);
    EXPECT_EQ(items.last().second, report.graphicsCard.isEmpty() ? QStringLiteral("true") : report.graphicsCard);
}

INSTANTIATE_TEST_SUITE_P(Values, HostReportValueTest,
                         ::testing::Values("", "plain", "a+b", "x&y=z", "50% #1?", "Windows 10 (10.0.19045)",
                                           "中文 显卡", "tab\there", "slash/and\\back", "%41%"));

} // namespace
