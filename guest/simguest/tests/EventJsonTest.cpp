// The event log's lines: one compact JSON object each, with the agent,
// direction, type and the fields named in the log format.

#include "EventJson.h"
#include "EventLog.h"

#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <thread>
#include <vector>

namespace {

QJsonObject parseLine(const QByteArray &line)
{
    EXPECT_TRUE(line.endsWith('\n'));
    EXPECT_EQ(line.count('\n'), 1);
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << line.constData();
    return document.object();
}

QJsonObject parse(const QString &json)
{
    return QJsonDocument::fromJson(json.toUtf8()).object();
}

TEST(EventJson, VirtualInputMessages)
{
    const std::pair<guest::VirtualInputMessage, QString> cases[] = {
        {guest::KeyInput{30, 0, 0},
         R"({"agent":"vinput","dir":"in","type":"key","scan":30,"action":0,"extra":0})"},
        {guest::TouchInput{640, 360, 1, 2},
         R"({"agent":"vinput","dir":"in","type":"touch","x":640,"y":360,"contact":1,"action":2})"},
        {guest::WheelInput{0, -120, 5, 6},
         R"({"agent":"vinput","dir":"in","type":"wheel","dx":0,"dy":-120,"x":5,"y":6})"},
        {guest::TouchConfig{1280, 720},
         R"({"agent":"vinput","dir":"in","type":"config","w":1280,"h":720})"},
        {guest::MouseOffset{-3, 4},
         R"({"agent":"vinput","dir":"in","type":"mouse_offset","dx":-3,"dy":4})"},
        {guest::MouseLeftButton{1},
         R"({"agent":"vinput","dir":"in","type":"mouse_left","action":1})"},
        {guest::MouseRightButton{1, 0},
         R"({"agent":"vinput","dir":"in","type":"mouse_right","a":1,"b":0})"},
        {guest::ZoomInput{10, 20, -20},
         R"({"agent":"vinput","dir":"in","type":"zoom","x":10,"y":20,"step":-20})"},
    };
    for (const auto &[message, expected] : cases) {
        const QByteArray line = events::line(events::kVinput, events::kIn,
                                             guest::eventType(message), events::fieldsOf(message));
        EXPECT_EQ(parseLine(line), parse(expected)) << line.constData();
    }
}

TEST(EventJson, MiscMessages)
{
    const std::pair<guest::MiscMessage, QString> cases[] = {
        {guest::Shake{}, R"({"agent":"misc","dir":"in","type":"shake"})"},
        {guest::EngineEnable{1},
         R"({"agent":"misc","dir":"in","type":"engine_enable","enabled":1})"},
        {guest::ShowEngineEditor{}, R"({"agent":"misc","dir":"in","type":"engine_editor"})"},
        {guest::GpsEnable{false}, R"({"agent":"misc","dir":"in","type":"gps_enable","on":false})"},
        {guest::GpsFix{"1.000000,2.000000"},
         R"({"agent":"misc","dir":"in","type":"gps_fix","text":"1.000000,2.000000"})"},
        {guest::InstallRequest{"game.apk"},
         R"({"agent":"misc","dir":"in","type":"install","file":"game.apk"})"},
    };
    for (const auto &[message, expected] : cases) {
        const QByteArray line = events::line(events::kMisc, events::kIn, guest::eventType(message),
                                             events::fieldsOf(message));
        EXPECT_EQ(parseLine(line), parse(expected)) << line.constData();
    }
}

// Texts from the host are bytes: control characters, quotes and invalid
// UTF-8 still make one valid line.
TEST(EventJson, HostileTextStaysOneLine)
{
    const std::string bytes("a\"b\\c\nd\r\x01\xff\xfe end", 15);
    const QByteArray line = events::line(events::kClipboard, events::kIn, "clipboard",
                                         {{"text", events::textFromWire(bytes)}});
    const QJsonObject object = parseLine(line);
    EXPECT_TRUE(object.value("text").toString().startsWith(QStringLiteral("a\"b\\c\nd\r\x01")));
    EXPECT_TRUE(object.value("text").toString().contains(QChar::ReplacementCharacter));
}

TEST(EventLog, StartsEmptyAndKeepsLinesWholeAcrossThreads)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("events.jsonl"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("{\"from\":\"an earlier run\"}\n");
    }
    constexpr int kThreads = 4;
    constexpr int kLines = 200;
    {
        EventLog log(path);
        ASSERT_TRUE(log.isOpen());
        std::vector<std::thread> writers;
        for (int t = 0; t < kThreads; ++t) {
            writers.emplace_back([&log, t] {
                for (int i = 0; i < kLines; ++i)
                    log.write(events::kGuest, events::kOut, "test",
                              {{"thread", t}, {"i", i}, {"pad", QString(100, 'x')}});
            });
        }
        for (std::thread &writer : writers)
            writer.join();
    }
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().split('\n');
    ASSERT_EQ(lines.size(), kThreads * kLines + 1);
    int next[kThreads] = {};
    for (int n = 0; n < kThreads * kLines; ++n) {
        const QJsonObject object = QJsonDocument::fromJson(lines.at(n)).object();
        ASSERT_EQ(object.value("agent").toString(), QStringLiteral("guest")) << n;
        const int thread = object.value("thread").toInt();
        EXPECT_EQ(object.value("i").toInt(), next[thread]++) << "each thread's lines in its order";
    }
    EXPECT_TRUE(lines.last().isEmpty());
}

TEST(EventLog, AnUnwritableFolderIsReported)
{
    EventLog log(QStringLiteral("/nonexistent/folder/events.jsonl"));
    EXPECT_FALSE(log.isOpen());
    log.write(events::kGuest, events::kOut, "ignored");
}

} // namespace
