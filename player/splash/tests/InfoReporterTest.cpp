#include "app/ChannelId.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "splash/InfoReporter.h"
#include "QueryItems.h"
#include "ScriptedHttpServer.h"

#include <FileVersion.h>
#include <OSUtils.h>

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTcpServer>
#include <QThread>

#include <atomic>
#include <memory>

TAVENOR_FILE_VERSION("5.6.7-report");

namespace {

const QStringList kKeys = {
    QStringLiteral("appVer"), QStringLiteral("channelId"), QStringLiteral("machineId"),
    QStringLiteral("osVersion"), QStringLiteral("cpuModel"), QStringLiteral("maxClockSpeed"),
    QStringLiteral("processorCount"), QStringLiteral("totalMemory"), QStringLiteral("resolution"),
    QStringLiteral("running"),
};

class InfoReporterTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_server.listen());
        m_server.answer("/api/client/inforeport", QByteArray());
        m_shared.setValue(SettingsKeys::kServiceUrl, m_server.baseUrl());
        m_graphicsCardAsked = 0;
    }

    void TearDown() override
    {
        m_shared.remove(SettingsKeys::kServiceUrl);
        InfoReporter::instance()->setGraphicsCardSource(nullptr);
    }

    void setGraphicsCard(const QString &name)
    {
        InfoReporter::instance()->setGraphicsCardSource([this, name] {
            ++m_graphicsCardAsked;
            return name;
        });
    }

    // The path and query items of the one request that arrived.
    QList<QPair<QString, QString>> reportedItems()
    {
        EXPECT_TRUE(m_server.waitForRequests(1));
        if (m_server.requestLines().isEmpty())
            return {};
        const QList<QByteArray> parts = m_server.requestLines().first().split(' ');
        EXPECT_EQ(parts.size(), 3);
        EXPECT_EQ(parts.value(0), QByteArray("GET"));
        const QByteArray target = parts.value(1);
        const int question = target.indexOf('?');
        EXPECT_EQ(target.left(question), QByteArray("/api/client/inforeport"));
        return decodeQuery(target.mid(question + 1));
    }

    ScriptedHttpServer m_server;
    SettingsStore m_shared{QString::fromLatin1(SettingsStore::kSharedApplication)};
    std::atomic<int> m_graphicsCardAsked{0};
};

TEST_F(InfoReporterTest, StartupReportDescribesTheHost)
{
    setGraphicsCard(QStringLiteral("Unused GPU"));
    InfoReporter::instance()->report(true, false);
    const auto items = reportedItems();

    ASSERT_EQ(queryKeys(items), kKeys);
    int maxClockSpeed = 0;
    int processorCount = 0;
    const QString cpuModel = OSUtils::getCpuInfo(&maxClockSpeed, &processorCount);
    EXPECT_EQ(items[0].second, QStringLiteral("5.6.7-report"));
    EXPECT_EQ(items[1].second, channelId());
    EXPECT_EQ(items[2].second, OSUtils::getMachineId());
    EXPECT_EQ(items[3].second, OSUtils::getOsVersion());
    EXPECT_EQ(items[4].second, cpuModel);
    EXPECT_EQ(items[5].second, QString::number(maxClockSpeed));
    EXPECT_EQ(items[6].second, QString::number(processorCount));
    EXPECT_EQ(items[7].second, QString::number(OSUtils::getTotalMemory()));
    EXPECT_EQ(items[8].second, QStringLiteral("240x320")) << "the minimal platform's one screen";
    EXPECT_EQ(items[9].second, QStringLiteral("true"));
    EXPECT_EQ(m_graphicsCardAsked, 0) << "the renderer is not asked unless the caller wants the card";
}

TEST_F(InfoReporterTest, CloseReportIsNotRunning)
{
    InfoReporter::instance()->report(false, false);
    const auto items = reportedItems();
    ASSERT_EQ(queryKeys(items), kKeys);
    EXPECT_EQ(items[9].second, QStringLiteral("false"));
}

TEST_F(InfoReporterTest, DisplayShownReportNamesTheGraphicsCard)
{
    setGraphicsCard(QStringLiteral("Tavenor GL 2.0 (software)"));
    InfoReporter::instance()->report(true, true);
    const auto items = reportedItems();
    ASSERT_EQ(queryKeys(items), kKeys + QStringList{QStringLiteral("graphicsCard")});
    EXPECT_EQ(items.last().second, QStringLiteral("Tavenor GL 2.0 (software)"));
    EXPECT_EQ(m_graphicsCardAsked, 1);
}

TEST_F(InfoReporterTest, EmptyGraphicsCardNameIsLeftOut)
{
    setGraphicsCard(QString());
    InfoReporter::instance()->report(true, true);
    EXPECT_EQ(queryKeys(reportedItems()), kKeys);
    EXPECT_EQ(m_graphicsCardAsked, 1);
}

TEST_F(InfoReporterTest, NoGraphicsCardSourceIsLeftOut)
{
    InfoReporter::instance()->report(true, true);
    EXPECT_EQ(queryKeys(reportedItems()), kKeys);
}

TEST_F(InfoReporterTest, EveryReportIsOneRequest)
{
    InfoReporter::instance()->report(true, false);
    InfoReporter::instance()->report(true, false);
    InfoReporter::instance()->report(false, false);
    ASSERT_TRUE(m_server.waitForRequests(3));
    EXPECT_EQ(m_server.requestLines().size(), 3);
}

TEST_F(InfoReporterTest, AnUnreachableServiceIsIgnored)
{
    // A port that was just listening and is closed now refuses at once.
    int closedPort = 0;
    {
        QTcpServer probe;
        ASSERT_TRUE(probe.listen(QHostAddress::LocalHost, 0));
        closedPort = probe.serverPort();
    }
    m_shared.setValue(SettingsKeys::kServiceUrl, QStringLiteral("http://127.0.0.1:%1").arg(closedPort));
    InfoReporter::instance()->report(true, false);
    m_shared.setValue(SettingsKeys::kServiceUrl, m_server.baseUrl());
    InfoReporter::instance()->report(false, false);

    const auto items = reportedItems();
    EXPECT_EQ(m_server.requestLines().size(), 1);
    EXPECT_EQ(items.value(9).second, QStringLiteral("false"));
}

} // namespace

// A process about to end runs no event loop of its own any more: the wait
// alone must carry the report out and see its answer.
TEST_F(InfoReporterTest, WaitingAtExitLetsTheReportLeave)
{
    InfoReporter::instance()->report(false, false);
    EXPECT_TRUE(InfoReporter::instance()->waitForReplies(10000));
    ASSERT_EQ(m_server.requestLines().size(), 1);
    EXPECT_TRUE(m_server.requestLines().first().startsWith("GET /api/client/inforeport?"));
    EXPECT_TRUE(InfoReporter::instance()->waitForReplies(0)) << "nothing left pending";
}
