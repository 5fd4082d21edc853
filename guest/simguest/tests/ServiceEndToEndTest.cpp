// The whole guest path without the player window: the simulated engine
// starts tavenor-guest, which connects to the real guest-service library on
// its fixed ports (127.0.0.1) and streams to the real renderer library,
// loaded by name. Everything the player would see arrives through the
// library's callbacks; everything the guest saw is in its event log.

#include "ControlClient.h"
#include "EventLogReader.h"
#include "Eventually.h"
#include "GuestRunner.h"
#include "RendererLibrary.h"
#include "ScreenLayout.h"
#include "TestZip.h"

#include <VMService.h>
#include <service/service.h>

#include <guestproto/WireCodes.h>

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>
#include <QUuid>

#include <gtest/gtest.h>

#include <iostream>
#include <mutex>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kImePort = 23576;
const QString kMachine = QStringLiteral("simguest-e2e");

// What the service library reports, as the player's bridges would see it.
struct HostSide
{
    std::mutex mutex;
    int readyCount = 0;
    std::vector<int> mouseLocks;
    std::vector<int> engineStates;
    std::vector<std::string> installsBegun;
    std::vector<std::pair<std::string, int>> installsEnded;
    std::vector<QString> clipboards;
    std::vector<float> rotations;

    template <typename Value> Value read(Value HostSide::*member)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return this->*member;
    }
};

HostSide g_host;

void onReady(void *context)
{
    auto *host = static_cast<HostSide *>(context);
    {
        std::lock_guard<std::mutex> lock(host->mutex);
        ++host->readyCount;
    }
    // As the player does: a guest that is up gets its key-mapping engine on.
    misc_set_engine_enable(1);
}

void onMouseLock(void *context, int value)
{
    auto *host = static_cast<HostSide *>(context);
    std::lock_guard<std::mutex> lock(host->mutex);
    host->mouseLocks.push_back(value);
}

void onEngineEnabled(void *context, int value)
{
    auto *host = static_cast<HostSide *>(context);
    std::lock_guard<std::mutex> lock(host->mutex);
    host->engineStates.push_back(value);
}

void onInstallBegin(void *context, const char *file)
{
    auto *host = static_cast<HostSide *>(context);
    std::lock_guard<std::mutex> lock(host->mutex);
    host->installsBegun.emplace_back(file);
}

void onInstallEnd(void *context, const char *text, int result)
{
    auto *host = static_cast<HostSide *>(context);
    std::lock_guard<std::mutex> lock(host->mutex);
    host->installsEnded.emplace_back(text, result);
}

void onClipboard(QString text, void *context)
{
    auto *host = static_cast<HostSide *>(context);
    std::lock_guard<std::mutex> lock(host->mutex);
    host->clipboards.push_back(text);
}

void onRotation(void *context, float rotation)
{
    auto *host = static_cast<HostSide *>(context);
    std::lock_guard<std::mutex> lock(host->mutex);
    host->rotations.push_back(rotation);
}

QString writeDefinition(const QString &folder)
{
    const QString text =
        QStringLiteral(
            "<?xml version=\"1.0\"?>\n"
            "<VirtualBox xmlns=\"http://www.virtualbox.org/\" version=\"1.16-linux\">\n"
            "  <Machine uuid=\"%1\" name=\"%2\" OSType=\"Linux26\">\n"
            "    <Hardware>\n      <CPU count=\"2\"/>\n      <Memory RAMSize=\"2048\"/>\n"
            "    </Hardware>\n  </Machine>\n</VirtualBox>\n")
            .arg(QUuid::createUuid().toString(QUuid::WithBraces), kMachine);
    const QString path = QDir(folder).filePath(kMachine + QStringLiteral(".vbox"));
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return {};
    file.write(text.toUtf8());
    return path;
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

class ServiceEndToEnd : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        qputenv("TAVENOR_GUEST_PROGRAM", QFile::encodeName(GuestRunner::program()));
        qputenv("TAVENOR_GUEST_BOOT_DELAY_MS", "300");
        qputenv("TAVENOR_GUEST_FPS", "10");
        VMService::selectEngine(VMService::Engine::Simulator);
        s_vm = VMService::getVMService();
        s_rendererAddress = QString::fromStdString(rendererAddress());
        if (RendererLibrary::get().loaded())
            RendererLibrary::get().setRotationCallback(&onRotation, &g_host);

        misc_set_callback(&onReady, &g_host);
        misc_set_engine_callbacks(&onMouseLock, &g_host);
        misc_set_engine_enabled_callback(&onEngineEnabled, &g_host);
        pm_set_callback(&onInstallBegin, &onInstallEnd, &g_host);
        pm_set_vm(s_vm);
        server_manager_init();
        vinput_start(guest::kVirtualInputPort);
        clipboard_start(guest::kClipboardPort, &onClipboard, &g_host);
        misc_start(guest::kMiscPort);
        input_method_start(kImePort);
    }

    static void TearDownTestSuite()
    {
        misc_stop();
        server_manager_cleanup();
        if (RendererLibrary::get().loaded())
            RendererLibrary::get().setRotationCallback(nullptr, nullptr);
        VMService::releaseVMService();
    }

    void SetUp() override
    {
        ASSERT_NE(s_vm, nullptr);
        ASSERT_FALSE(s_rendererAddress.isEmpty()) << RendererLibrary::get().error;
        ASSERT_TRUE(m_dir.isValid());
        const int readyBefore = g_host.read(&HostSide::readyCount);
        const QString definition = writeDefinition(m_dir.path());
        ASSERT_TRUE(s_vm->openMachine(definition));
        ASSERT_EQ(s_vm->start(), 0);
        m_stateFolder = m_dir.filePath(kMachine + QStringLiteral(".sim"));
        s_vm->setGuestProperty(QStringLiteral("tavenor.gles"), QStringLiteral("1"));
        s_vm->setGuestProperty(QStringLiteral("tavenor.dpi"), QStringLiteral("240"));
        s_vm->setGuestProperty(QStringLiteral("tavenor.gles.addr"), s_rendererAddress);
        s_vm->setGuestProperty(QStringLiteral("tavenor.ime.port"), QString::number(kImePort));
        s_vm->setGuestProperty(QStringLiteral("tavenor.imei"), QStringLiteral("356938035643809"));
        s_vm->setGuestProperty(QStringLiteral("tavenor.phonenumber"),
                               QStringLiteral("18000000001"));
        s_vm->setGuestProperty(QStringLiteral("tavenor.brand"), QStringLiteral("Samsung"));
        s_vm->setGuestProperty(QStringLiteral("tavenor.model"), QStringLiteral("SM-G9250"));
        const EventLogReader log = events();
        for (const char *link : {"vinput", "misc", "clipboard", "ime", "gl"})
            ASSERT_TRUE(log.waitFor({{"type", "connected"}, {"link", link}}))
                << link << "\n"
                << guestLog().constData();
        ASSERT_TRUE(log.waitFor({{"agent", "misc"}, {"dir", "out"}, {"type", "ready"}}));
        ASSERT_TRUE(eventually([&] { return g_host.read(&HostSide::readyCount) > readyBefore; }));
        m_control = std::make_unique<ControlClient>(
            QDir(m_stateFolder).filePath(QStringLiteral("control.sock")));
    }

    void TearDown() override
    {
        m_control.reset();
        s_vm->stop();
        s_vm->removeMachine(kMachine);
        // The engine ended the guest with SIGTERM: it must have stopped by
        // itself, with nothing from a sanitizer on its way out.
        // The services replace a connection when another arrives: a second
        // guest on these ports (one not started here) shows as this guest's
        // connections being closed by the host, again and again.
        EXPECT_EQ(events().countOf({{"type", "disconnected"}, {"reason", "closed by the host"}}), 0)
            << "another guest is connected to the service ports 33691/44681/55681 on 127.0.0.1; "
               "is a tavenor-guest running outside this test?";
        const QByteArray log = guestLog();
        if (HasFailure())
            std::cerr << "guest.log:\n"
                      << log.constData() << "events.jsonl:\n"
                      << eventText().constData();
        EXPECT_TRUE(log.contains("tavenor-guest stopped")) << log.constData();
        EXPECT_FALSE(log.contains("Sanitizer") || log.contains("runtime error")) << log.constData();
    }

    EventLogReader events() const
    {
        return EventLogReader(QDir(m_stateFolder).filePath(QStringLiteral("events.jsonl")));
    }

    QByteArray guestLog() const
    {
        QFile file(QDir(m_stateFolder).filePath(QStringLiteral("guest.log")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QByteArray eventText() const
    {
        QFile file(QDir(m_stateFolder).filePath(QStringLiteral("events.jsonl")));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    QString control(const QByteArray &line) { return m_control->send(line); }

    static VMService *s_vm;
    static QString s_rendererAddress;
    QTemporaryDir m_dir;
    QString m_stateFolder;
    std::unique_ptr<ControlClient> m_control;
};

VMService *ServiceEndToEnd::s_vm = nullptr;
QString ServiceEndToEnd::s_rendererAddress;

TEST_F(ServiceEndToEnd, BootsReportsReadyAndGetsItsEngineSwitchedOn)
{
    const EventLogReader log = events();
    EXPECT_TRUE(log.waitFor(
        {{"agent", "vinput"}, {"dir", "in"}, {"type", "config"}, {"w", 1280}, {"h", 720}}));
    EXPECT_TRUE(
        log.waitFor({{"type", "property"}, {"name", "tavenor.brand"}, {"value", "Samsung"}}));
    const auto enable =
        log.waitFor({{"agent", "misc"}, {"dir", "in"}, {"type", "engine_enable"}, {"enabled", 1}});
    ASSERT_TRUE(enable);
    EXPECT_TRUE(log.waitFor(
        {{"agent", "misc"}, {"dir", "out"}, {"type", "engine_state"}, {"enabled", 1}}, *enable));
    EXPECT_TRUE(eventually([] {
        const auto states = g_host.read(&HostSide::engineStates);
        return !states.empty() && states.back() == 1;
    }));
}

TEST_F(ServiceEndToEnd, InputArrivesInTheOrderItWasSent)
{
    const EventLogReader log = events();
    vinput_set_window_size(1280, 720);
    vinput_set_orientation(0);
    vinput_inject_key(30, 0, 0);
    vinput_inject_key(30, 1, 0);
    vinput_inject_motion(100, 200, 1, 0);
    vinput_inject_motion(110, 210, 1, 2);
    vinput_inject_motion(110, 210, 1, 1);
    vinput_inject_wheel(0, -120, 300, 400);
    vinput_zoom(640, 360, 20);
    vinput_zoom(640, 360, 0);
    vinput_mouse_offset(5, -5);
    vinput_mouse_left_button(0);
    vinput_mouse_right_button(1, 1);
    const QJsonObject expected[] = {
        {{"type", "key"}, {"scan", 30}, {"action", 0}, {"extra", 0}},
        {{"type", "key"}, {"scan", 30}, {"action", 1}},
        {{"type", "touch"}, {"x", 100}, {"y", 200}, {"contact", 1}, {"action", 0}},
        {{"type", "touch"}, {"x", 110}, {"y", 210}, {"action", 2}},
        {{"type", "touch"}, {"x", 110}, {"y", 210}, {"action", 1}},
        {{"type", "wheel"}, {"dx", 0}, {"dy", -120}, {"x", 300}, {"y", 400}},
        {{"type", "zoom"}, {"x", 640}, {"y", 360}, {"step", 20}},
        {{"type", "zoom"}, {"step", 0}},
        {{"type", "mouse_offset"}, {"dx", 5}, {"dy", -5}},
        {{"type", "mouse_left"}, {"action", 0}},
        {{"type", "mouse_right"}, {"a", 1}, {"b", 1}},
    };
    int at = 0;
    for (QJsonObject pattern : expected) {
        pattern.insert("agent", "vinput");
        pattern.insert("dir", "in");
        const auto found = log.waitFor(pattern, at);
        ASSERT_TRUE(found) << QJsonDocument(pattern).toJson().constData();
        at = *found + 1;
    }

    QByteArray text = QString::fromUtf8("\xe4\xbd\xa0\xe5\xa5\xbd").toUtf8();
    input_method_send_text(text.data(), text.size());
    const auto typed = log.waitFor(
        {{"agent", "ime"}, {"dir", "in"}, {"type", "text"}, {"text", QString::fromUtf8(text)}}, at);
    ASSERT_TRUE(typed);

    gps_set_enable(1);
    gps_set_data(108.9375f, 34.25f, 1.0f, 1.0f, 1.0f);
    const auto on = log.waitFor({{"agent", "misc"}, {"type", "gps_enable"}, {"on", true}}, *typed);
    ASSERT_TRUE(on);
    const auto fix = log.waitFor({{"agent", "misc"},
                                  {"type", "gps_fix"},
                                  {"text", "108.937500,34.250000,1.000000,1.000000,1.000000"}},
                                 *on);
    ASSERT_TRUE(fix);
    gps_set_enable(0);
    EXPECT_TRUE(log.waitFor({{"agent", "misc"}, {"type", "gps_enable"}, {"on", false}}, *fix));

    EXPECT_EQ(misc_shake(), 0);
    EXPECT_EQ(misc_show_engine(), 0);
    const auto shake = log.waitFor({{"agent", "misc"}, {"dir", "in"}, {"type", "shake"}}, *fix);
    ASSERT_TRUE(shake);
    EXPECT_TRUE(log.waitFor({{"agent", "misc"}, {"dir", "in"}, {"type", "engine_editor"}}, *shake));
}

TEST_F(ServiceEndToEnd, ClipboardTravelsBothWays)
{
    const QString toGuest = QString::fromUtf8("h\xc3\xa9llo \xe4\xbd\xa0\xe5\xa5\xbd");
    clipboard_host_clip_data(toGuest);
    EXPECT_TRUE(events().waitFor(
        {{"agent", "clipboard"}, {"dir", "in"}, {"type", "clipboard"}, {"text", toGuest}}));
    clipboard_host_clip_data(QString(""));
    EXPECT_TRUE(events().waitFor({{"agent", "clipboard"}, {"dir", "in"}, {"text", ""}}));

    EXPECT_EQ(control("clipboard from the guest \xe2\x9c\x93"), QStringLiteral("ok"));
    const QString fromGuest = QString::fromUtf8("from the guest \xe2\x9c\x93");
    EXPECT_TRUE(eventually([&] {
        const auto texts = g_host.read(&HostSide::clipboards);
        return !texts.empty() && texts.back() == fromGuest;
    }));
}

TEST_F(ServiceEndToEnd, MouseLockPermissionReachesThePlayer)
{
    EXPECT_EQ(control("mouselock 1"), QStringLiteral("ok"));
    EXPECT_TRUE(eventually([] {
        const auto locks = g_host.read(&HostSide::mouseLocks);
        return !locks.empty() && locks.back() == 1;
    }));
    EXPECT_EQ(control("mouselock 0"), QStringLiteral("ok"));
    EXPECT_TRUE(eventually([] {
        const auto locks = g_host.read(&HostSide::mouseLocks);
        return !locks.empty() && locks.back() == 0;
    }));
}

TEST_F(ServiceEndToEnd, ApksInstallThroughTheSharedFolderOneAtATime)
{
    QTemporaryDir apks;
    ASSERT_TRUE(apks.isValid());
    writeFile(apks.filePath(QStringLiteral("game.apk")),
              testzip::make(
                  {{"AndroidManifest.xml", testzip::manifest(QStringLiteral("com.example.game"))},
                   {"classes.dex", "dex\n035"}}));
    writeFile(apks.filePath(QStringLiteral("racer.apk")),
              testzip::make({{"AndroidManifest.xml", QByteArray("\x03\x00\x08\x00", 4)}}));
    writeFile(apks.filePath(QStringLiteral("broken.apk")), QByteArray(4096, 'x'));
    const QByteArray folder = QFile::encodeName(apks.path());
    const std::size_t endedBefore = g_host.read(&HostSide::installsEnded).size();

    pm_install(folder.constData(), "game.apk");
    ASSERT_TRUE(eventually(
        [&] { return g_host.read(&HostSide::installsEnded).size() == endedBefore + 1; }));
    EXPECT_EQ(g_host.read(&HostSide::installsEnded).back(),
              std::make_pair(std::string("com.example.game"), 1));
    EXPECT_EQ(g_host.read(&HostSide::installsBegun).back(), "game.apk");

    // Two at once: the second is asked for only after the first's result.
    pm_install(folder.constData(), "racer.apk");
    pm_install(folder.constData(), "broken.apk");
    ASSERT_TRUE(eventually(
        [&] { return g_host.read(&HostSide::installsEnded).size() == endedBefore + 3; }));
    const auto ended = g_host.read(&HostSide::installsEnded);
    EXPECT_EQ(ended.at(endedBefore + 1), std::make_pair(std::string("racer"), 1));
    EXPECT_EQ(ended.at(endedBefore + 2).second, -2);
    EXPECT_EQ(ended.at(endedBefore + 2).first.rfind("broken.apk is not an APK", 0), 0u)
        << ended.at(endedBefore + 2).first;

    const EventLogReader log = events();
    int at = 0;
    for (const char *file : {"game.apk", "racer.apk", "broken.apk"}) {
        const auto request = log.waitFor(
            {{"agent", "misc"}, {"dir", "in"}, {"type", "install"}, {"file", file}}, at);
        ASSERT_TRUE(request) << file;
        const auto result =
            log.waitFor({{"agent", "misc"}, {"dir", "out"}, {"type", "install_result"}}, *request);
        ASSERT_TRUE(result) << file;
        EXPECT_NE(log.all().at(*result).value("result").toInt(), -3)
            << file << ": the share was there";
        at = *result + 1;
    }
    EXPECT_TRUE(eventually([&] { return !s_vm->hasSharedFolder(QStringLiteral("apk")); }));
}

TEST_F(ServiceEndToEnd, ADroppedMiscConnectionComesBackReady)
{
    const int readyBefore = g_host.read(&HostSide::readyCount);
    EXPECT_EQ(control("drop misc"), QStringLiteral("ok"));
    EXPECT_TRUE(eventually([&] { return g_host.read(&HostSide::readyCount) == readyBefore + 1; }));
    const EventLogReader log = events();
    const auto dropped =
        log.waitFor({{"type", "disconnected"}, {"link", "misc"}, {"reason", "dropped on request"}});
    ASSERT_TRUE(dropped);
    EXPECT_TRUE(eventually([] { return misc_shake() == 0; }));
    EXPECT_TRUE(log.waitFor({{"agent", "misc"}, {"dir", "in"}, {"type", "shake"}}, *dropped));
}

TEST_F(ServiceEndToEnd, TheScreenReachesTheRendererAndTurnsReachItsCallback)
{
    EXPECT_TRUE(eventually([] {
        const std::vector<std::uint8_t> pixels = captureFrame(1280, 720);
        const std::size_t marker = (16 * 1280 + 20) * 4;
        const QColor colour = ScreenLayout::markerColour();
        return !pixels.empty() && pixels[marker] == colour.red() &&
               pixels[marker + 1] == colour.green() && pixels[marker + 2] == colour.blue();
    }));
    const std::size_t before = g_host.read(&HostSide::rotations).size();
    EXPECT_EQ(control("rotate 90"), QStringLiteral("ok"));
    EXPECT_TRUE(eventually([&] {
        const auto rotations = g_host.read(&HostSide::rotations);
        return rotations.size() > before && rotations.back() == 90.0f;
    }));
    EXPECT_EQ(control("rotate 0"), QStringLiteral("ok"));
    EXPECT_TRUE(eventually([&] { return g_host.read(&HostSide::rotations).back() == 0.0f; }));
}

} // namespace
