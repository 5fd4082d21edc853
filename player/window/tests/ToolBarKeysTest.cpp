#include "WindowTestMain.h"

#include "window/ToolBarWidget.h"

#include <guestproto/GuestSocket.h>
#include <guestproto/VirtualInputDecoder.h>

#include <service/server_manager.h>
#include <service/vinput.h>

#include <chrono>
#include <memory>
#include <optional>

using namespace std::chrono_literals;

namespace {

// Ports 26300-26399 belong to this binary.
constexpr int kInputPort = 26300;

const char *describe(const guest::VirtualInputMessage &message)
{
    return guest::eventType(message);
}

} // namespace

// The navigation keys against the real virtual input service, read back by a
// guest peer on loopback exactly as the guest's input agent would see them.
class ToolBarKeysTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void pressAndReleaseGoOutSeparately_data();
    void pressAndReleaseGoOutSeparately();
    void hidingTheBarReleasesAHeldKey_data();
    void hidingTheBarReleasesAHeldKey();
    void closingTheBarReleasesAHeldKey_data();
    void closingTheBarReleasesAHeldKey();

private:
    void addKeyRows();
    std::optional<guest::VirtualInputMessage> nextMessage();
    void expectKey(int scan, int action);
    void expectMarker();

    guest::GuestSocket m_guest;
    guest::VirtualInputDecoder m_decoder;
    std::unique_ptr<ToolBarWidget> m_bar;
};

void ToolBarKeysTest::initTestCase()
{
    server_manager_init();
    vinput_start(kInputPort);
    m_guest = guest::GuestSocket::connectTo("127.0.0.1", kInputPort, 5s);
    QVERIFY2(m_guest.isOpen(), "the guest could not connect to the input service");
    const auto config = nextMessage();
    QVERIFY(config);
    QVERIFY2(std::holds_alternative<guest::TouchConfig>(*config), describe(*config));
    QTRY_VERIFY(vinput_ready() == 1);
}

void ToolBarKeysTest::cleanupTestCase()
{
    vinput_stop();
    server_manager_cleanup();
}

void ToolBarKeysTest::init()
{
    m_bar = std::make_unique<ToolBarWidget>();
    m_bar->resize(900, 48);
    m_bar->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_bar.get()));
}

void ToolBarKeysTest::cleanup()
{
    m_bar.reset();
    QCOMPARE(m_decoder.available(), size_t(0));
}

std::optional<guest::VirtualInputMessage> ToolBarKeysTest::nextMessage()
{
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (m_decoder.available() == 0 && std::chrono::steady_clock::now() < deadline) {
        char buffer[256];
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        const guest::ReadSomeResult read = m_guest.readSome(buffer, sizeof buffer, std::max(left, 1ms));
        if (read.status != guest::ReadStatus::Ok)
            break;
        if (!m_decoder.feed(buffer, read.bytes))
            qWarning("undecodable input: %s", m_decoder.errorReason().c_str());
    }
    return m_decoder.next();
}

void ToolBarKeysTest::expectKey(int scan, int action)
{
    const auto message = nextMessage();
    QVERIFY2(message, "no message reached the guest");
    QVERIFY2(std::holds_alternative<guest::KeyInput>(*message), describe(*message));
    const auto key = std::get<guest::KeyInput>(*message);
    QCOMPARE(key.scan, scan);
    QCOMPARE(key.action, action);
    QCOMPARE(key.extra, 0);
}

// Messages of the input connection reach the guest in call order, so a
// marker sent between two events proves the second was not sent earlier.
void ToolBarKeysTest::expectMarker()
{
    const auto message = nextMessage();
    QVERIFY2(message, "the marker did not reach the guest");
    QVERIFY2(std::holds_alternative<guest::MouseOffset>(*message), describe(*message));
}

void ToolBarKeysTest::addKeyRows()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("scan");

    QTest::newRow("Back") << "backButton" << 158;
    QTest::newRow("Home") << "homeButton" << 172;
    QTest::newRow("Recents") << "recentsButton" << 254;
}

void ToolBarKeysTest::pressAndReleaseGoOutSeparately_data()
{
    addKeyRows();
}

void ToolBarKeysTest::pressAndReleaseGoOutSeparately()
{
    QFETCH(QString, button);
    QFETCH(int, scan);
    auto *key = m_bar->findChild<QWidget *>(button);
    QVERIFY(key);

    QTest::mousePress(key, Qt::LeftButton);
    expectKey(scan, 0);
    vinput_mouse_offset(1, 1);
    expectMarker();
    QTest::mouseRelease(key, Qt::LeftButton);
    expectKey(scan, 1);
}

void ToolBarKeysTest::hidingTheBarReleasesAHeldKey_data()
{
    addKeyRows();
}

void ToolBarKeysTest::hidingTheBarReleasesAHeldKey()
{
    QFETCH(QString, button);
    QFETCH(int, scan);
    auto *key = m_bar->findChild<QWidget *>(button);
    QVERIFY(key);

    QTest::mousePress(key, Qt::LeftButton);
    expectKey(scan, 0);
    m_bar->hide();
    expectKey(scan, 1);
}

void ToolBarKeysTest::closingTheBarReleasesAHeldKey_data()
{
    addKeyRows();
}

// The bar floats as a window of its own in full screen; the player may close
// while a navigation key is held down.
void ToolBarKeysTest::closingTheBarReleasesAHeldKey()
{
    QFETCH(QString, button);
    QFETCH(int, scan);
    auto *key = m_bar->findChild<QWidget *>(button);
    QVERIFY(key);

    QTest::mousePress(key, Qt::LeftButton);
    expectKey(scan, 0);
    m_bar.reset();
    expectKey(scan, 1);
}

WINDOW_OFFSCREEN_TEST_MAIN(ToolBarKeysTest)
#include "ToolBarKeysTest.moc"
