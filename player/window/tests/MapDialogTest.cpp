#include "window/MapDialog.h"
#include "app/InstanceName.h"
#include "settings/SettingsKeys.h"
#include "settings/SettingsStore.h"
#include "window/MainWindow.h"
#include "window/MapPage.h"

#include <guestproto/GuestSocket.h>
#include <service/misc.h>
#include <service/server_manager.h>

#include <QApplication>
#include <QDesktopServices>
#include <QFile>
#include <QPointer>
#include <QSignalSpy>
#include <QTcpServer>
#include <QTcpSocket>
#include <QWebEngineView>
#include <QtEndian>
#include <QtTest>

#include <unistd.h>

#include <atomic>
#include <chrono>

using namespace std::chrono_literals;

namespace {

// Ports 26480-26489 belong to this binary.
constexpr int kMiscPort = 26480;
// Nothing listens here: the tile server is out of reach.
const QString kUnreachableTiles = QStringLiteral("http://127.0.0.1:26481/{z}/{x}/{y}.png");

std::atomic<int> g_guestReady{0};

void onGuestReady(void *)
{
    ++g_guestReady;
}

QByteArray bigEndian(std::initializer_list<int> values)
{
    QByteArray bytes;
    for (const int value : values) {
        for (int shift = 24; shift >= 0; shift -= 8)
            bytes.append(char((unsigned(value) >> shift) & 0xff));
    }
    return bytes;
}

// A one-page web server on loopback: the other origin. Its page would tell
// in its title whether it sees the bridge.
class ForeignSite : public QTcpServer
{
public:
    int requests = 0;

    ForeignSite()
    {
        connect(this, &QTcpServer::newConnection, this, [this] {
            ++requests;
            QTcpSocket *socket = nextPendingConnection();
            connect(socket, &QTcpSocket::readyRead, socket, [socket] {
                socket->readAll();
                const QByteArray body =
                    "<html><head><title>loading</title></head><body><script>"
                    "document.title = (typeof qt === 'undefined' || !qt.webChannelTransport)"
                    " && typeof tavenor === 'undefined' ? 'no bridge' : 'bridge';"
                    "</script></body></html>";
                socket->write("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nConnection: "
                              "close\r\nContent-Length: " +
                              QByteArray::number(body.size()) + "\r\n\r\n" + body);
                socket->disconnectFromHost();
            });
            connect(socket, &QTcpSocket::disconnected, socket, &QObject::deleteLater);
        });
        listen(QHostAddress::LocalHost);
    }
};

// Stands in for the desktop's browser.
class BrowserStandIn : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl &url) { opened.append(url); }
};

} // namespace

// The location picker in Qt WebEngine, its page talking to the player over
// the web channel, with a guest peer on the misc connection reading the GPS
// messages as the guest's agent would.
class MapDialogTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void pageClickSendsTheFixAndSavesThePlace();
    void withoutTilesThePageSaysSoAndAClickStillPicks();
    void anotherOriginNeverLoadsAndClickedLinksOpenOutside();
    void closingDeletesTheDialog();
    void locButtonLoadsTheModuleAndOpensPickersOverTheWindow();

private:
    QVariant evaluate(const QString &script);
    bool waitForBridge();
    QByteArray readFromGuest(int size);
    // The next GPS fix's text, after its switch-on message.
    QByteArray nextFix();

    guest::GuestSocket m_guest;
    QPointer<MapDialog> m_dialog;
};

void MapDialogTest::initTestCase()
{
    setInstanceName(QStringLiteral("map"));
    // No host report leaves this machine.
    SettingsStore(QString::fromLatin1(SettingsStore::kSharedApplication))
        .setValue(SettingsKeys::kServiceUrl, QStringLiteral("not a url"));
    SettingsStore(QString::fromLatin1(SettingsStore::kSharedApplication))
        .setValue(QString::fromLatin1(SettingsKeys::kMapTileUrl), kUnreachableTiles);
    server_manager_init();
    misc_set_callback(&onGuestReady, nullptr);
    misc_start(kMiscPort);
    m_guest = guest::GuestSocket::connectTo("127.0.0.1", kMiscPort, 5s);
    QVERIFY(m_guest.isOpen());
    // The guest-ready message proves that the service took the connection.
    const QByteArray ready = bigEndian({0x32437, 1});
    QVERIFY(m_guest.sendAll(ready.constData(), size_t(ready.size())));
    QTRY_COMPARE(g_guestReady.load(), 1);
}

void MapDialogTest::cleanupTestCase()
{
    m_guest.close();
    misc_stop();
    server_manager_cleanup();
}

void MapDialogTest::init()
{
    m_dialog = new MapDialog(nullptr, instanceName());
    m_dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_dialog));
}

void MapDialogTest::cleanup()
{
    if (m_dialog)
        m_dialog->close();
    QTRY_VERIFY(m_dialog.isNull());
}

QVariant MapDialogTest::evaluate(const QString &script)
{
    auto *view = m_dialog->findChild<QWebEngineView *>(QStringLiteral("mapView"));
    QVariant result;
    bool done = false;
    view->page()->runJavaScript(script, [&result, &done](const QVariant &value) {
        result = value;
        done = true;
    });
    if (!QTest::qWaitFor([&done] { return done; }, 10000))
        return QStringLiteral("no answer");
    return result;
}

bool MapDialogTest::waitForBridge()
{
    return QTest::qWaitFor(
        [this] {
            return evaluate(QStringLiteral("typeof tavenor === 'object' && tavenor !== null"))
                .toBool();
        },
        20000);
}

// The player writes each message whole once its slot runs, which needs the
// event loop: wait for the first byte with events running, then read.
QByteArray MapDialogTest::readFromGuest(int size)
{
    const bool readable = QTest::qWaitFor(
        [this] { return m_guest.waitReadable(0ms) == guest::ReadStatus::Ok; }, 10000);
    QByteArray bytes(size, '\0');
    if (!readable || m_guest.readExact(bytes.data(), size_t(size), 5s) != guest::ReadStatus::Ok)
        return QByteArray();
    return bytes;
}

QByteArray MapDialogTest::nextFix()
{
    if (readFromGuest(8) != bigEndian({0x32432, 1}))
        return "no GPS switch-on";
    const QByteArray header = readFromGuest(12);
    if (header.left(8) != bigEndian({0x32432, 3}))
        return "no GPS fix";
    const int length = int(qFromBigEndian<quint32>(header.constData() + 8));
    return readFromGuest(length);
}

void MapDialogTest::pageClickSendsTheFixAndSavesThePlace()
{
    QCOMPARE(m_dialog->size(), QSize(500, 320));
    QCOMPARE(m_dialog->windowModality(), Qt::WindowModal);
    QCOMPARE(m_dialog->findChild<QWebEngineView *>(QStringLiteral("mapView"))->geometry(),
             QRect(4, 36, 492, 280));

    QVERIFY(waitForBridge());
    evaluate(QStringLiteral("tavenor.onClickedOnMap(108.95312, 34.27)"));
    QCOMPARE(nextFix(), QByteArray("108.953117,34.270000,1.000000,1.000000,1.000000"));
    SettingsStore store(instanceName());
    QCOMPARE(store.stringValue(QString::fromLatin1(SettingsKeys::kGpsLongitude)),
             QStringLiteral("108.953"));
    QCOMPARE(store.stringValue(QString::fromLatin1(SettingsKeys::kGpsLatitude)),
             QStringLiteral("34.27"));

    // The dialog stays for further clicks.
    evaluate(QStringLiteral("tavenor.onClickedOnMap(-0.1276, 51.5072)"));
    QCOMPARE(nextFix(), QByteArray("-0.127600,51.507198,1.000000,1.000000,1.000000"));
    QVERIFY(m_dialog->isVisible());
    evaluate(QStringLiteral("tavenor.onClickedOnMap(108.95312, 34.27)"));
    QVERIFY(!nextFix().isEmpty());
}

// The tile server cannot be reached: the page still opens at the saved
// place (the previous test's), says that the tiles are missing, and a real
// click in the middle of the map picks that place.
void MapDialogTest::withoutTilesThePageSaysSoAndAClickStillPicks()
{
    QVERIFY(waitForBridge());
    QTRY_COMPARE_WITH_TIMEOUT(
        evaluate(QStringLiteral("document.getElementById('notice').hidden")).toBool(), false,
        10000);
    QCOMPARE(evaluate(QStringLiteral("document.getElementById('notice').textContent")).toString(),
             m_dialog->tilesUnreachableText());
    QCOMPARE(evaluate(QStringLiteral("document.querySelectorAll('.leaflet-marker-icon').length"))
                 .toInt(),
             1);

    auto *view = m_dialog->findChild<QWebEngineView *>(QStringLiteral("mapView"));
    QWidget *surface = view->focusProxy();
    QVERIFY(surface);
    QTest::mouseClick(surface, Qt::LeftButton, Qt::NoModifier, surface->rect().center());
    const QList<QByteArray> fields = nextFix().split(',');
    QCOMPARE(fields.size(), 5);
    QVERIFY2(qAbs(fields[0].toDouble() - 108.953) < 0.01, fields[0].constData());
    QVERIFY2(qAbs(fields[1].toDouble() - 34.27) < 0.01, fields[1].constData());
}

// The bridge is for the player's page only: nothing from another origin is
// ever loaded beside it, neither in place of the page nor in a frame; a link
// the user clicks goes to the desktop's browser.
void MapDialogTest::anotherOriginNeverLoadsAndClickedLinksOpenOutside()
{
    QVERIFY(waitForBridge());
    ForeignSite site;
    QVERIFY(site.isListening());
    BrowserStandIn browser;
    QDesktopServices::setUrlHandler(QStringLiteral("http"), &browser, "open");
    const QString foreign = QStringLiteral("http://127.0.0.1:%1/").arg(site.serverPort());
    auto *view = m_dialog->findChild<QWebEngineView *>(QStringLiteral("mapView"));
    QSignalSpy loads(view->page(), &QWebEnginePage::loadFinished);

    view->setUrl(QUrl(foreign));
    QTRY_VERIFY(!loads.isEmpty());
    QCOMPARE(loads.first().first().toBool(), false);
    evaluate(QStringLiteral("var f = document.createElement('iframe'); f.src = '%1frame';"
                            "document.body.appendChild(f);"
                            "var a = document.createElement('a'); a.href = '%1link';"
                            "document.body.appendChild(a); a.click();")
                 .arg(foreign));
    QTRY_COMPARE(browser.opened, QList<QUrl>{QUrl(foreign + QStringLiteral("link"))});
    QDesktopServices::unsetUrlHandler(QStringLiteral("http"));

    QVERIFY(MapPage::isOwnPage(view->url()));
    QVERIFY(waitForBridge());
    QCOMPARE(site.requests, 0);
}

void MapDialogTest::closingDeletesTheDialog()
{
    QPointer<QWebEngineView> view =
        m_dialog->findChild<QWebEngineView *>(QStringLiteral("mapView"));
    QVERIFY(m_dialog->close());
    QTRY_VERIFY(m_dialog.isNull());
    QVERIFY(view.isNull());
}

// Through the player's own path: the first click loads the picker's module
// (the build's, named as a test may), each click opens a picker of the
// module's own, centred over the player window where no window manager
// places it (here, off the screen's centre).
void MapDialogTest::locButtonLoadsTheModuleAndOpensPickersOverTheWindow()
{
    qputenv("TAVENOR_LOCATION_PICKER_MODULE",
            QFile::encodeName(qEnvironmentVariable("TAVENOR_BIN_DIR") + QStringLiteral("/libtavenor_map.so")));
    MainWindow window;
    window.applyGuestResolution(640, 360);
    window.move(100, 150);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    auto *toolBar = window.findChild<QWidget *>(QStringLiteral("toolBar"));
    auto *loc = window.findChild<QWidget *>(QStringLiteral("locButton"));
    QTest::mouseClick(loc, Qt::LeftButton);
    QTest::mouseClick(loc, Qt::LeftButton);
    const auto pickers = [toolBar] {
        return toolBar->findChildren<QWidget *>(QStringLiteral("locationPicker"), Qt::FindDirectChildrenOnly);
    };
    QCOMPARE(pickers().size(), 2);
    for (QWidget *picker : pickers()) {
        QVERIFY(QTest::qWaitForWindowExposed(picker));
        QCOMPARE(picker->windowTitle(), QStringLiteral("Choose Location"));
        QTRY_COMPARE(picker->frameGeometry().center(), window.frameGeometry().center());
        picker->close();
    }
    QTRY_VERIFY(pickers().isEmpty());
}

// WebEngine's browser processes run without Chromium's sandbox when this
// runs as root, and without GPU under a virtual X server; without an X
// server the page renders offscreen.
int main(int argc, char **argv)
{
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", "--disable-gpu");
    // Software rendering throughout: Mesa's GL driver, once unloaded at
    // exit, leaves blocks behind that the leak checker cannot place.
    qputenv("QT_XCB_GL_INTEGRATION", "none");
    qputenv("QT_QUICK_BACKEND", "software");
    if (qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    MapDialogTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "MapDialogTest.moc"
