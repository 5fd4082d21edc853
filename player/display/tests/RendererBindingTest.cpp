// The binding against the real renderer library, loaded by its bare name
// (this program's RPATH reaches the install folder). The start sequence
// needs an X server; its effect on the guest input is read by a guest peer.

#include "DisplayHost.h"
#include "GuestInputPeer.h"
#include "LogCapture.h"
#include "X11Host.h"

#include "display/RendererBinding.h"

#include <service/server_manager.h>
#include <service/vinput.h>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

#include <atomic>
#include <link.h>
#include <thread>
#include <vector>

namespace {

// Ports 25200-25299 belong to this binary.
constexpr quint16 kInputPort = 25200;

QString installedLibrary()
{
    const QString binDir = qEnvironmentVariableIsEmpty("TAVENOR_BIN_DIR")
                               ? QCoreApplication::applicationDirPath() + "/../bin"
                               : qEnvironmentVariable("TAVENOR_BIN_DIR");
    return QDir(binDir).filePath(OPENGLRENDER_LIBRARY_NAME);
}

// The files of the loaded objects named like the renderer library.
QStringList loadedRendererFiles()
{
    QStringList files;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            const QString name = QString::fromLocal8Bit(info->dlpi_name);
            if (QFileInfo(name).fileName() == OPENGLRENDER_LIBRARY_NAME)
                static_cast<QStringList *>(data)->append(QFileInfo(name).canonicalFilePath());
            return 0;
        },
        &files);
    return files;
}

// The display's native child windows, as "x,y wxh".
QStringList childWindows(const QWidget *display)
{
    QStringList texts;
    for (const QRect &r : x11ChildGeometries(display->winId()))
        texts << QString("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    return texts;
}

} // namespace

class RendererBindingTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void screenCaptureMayRunWhileTheGuiThreadLoads();
    void loadsTheInstalledLibraryByNameOnce();
    void startRendererCreatesTheSubwindowAndSizesTheGuestInput();
    void wrappersForwardToTheLibrary();

private:
    QWidget *m_display = nullptr;
    std::unique_ptr<QWidget> m_window;
};

void RendererBindingTest::initTestCase()
{
    if (!QFileInfo::exists(installedLibrary()))
        QSKIP(qPrintable(installedLibrary() +
                         " is not built yet: build the OpenglRender target first"));
}

void RendererBindingTest::screenCaptureMayRunWhileTheGuiThreadLoads()
{
    std::atomic<bool> stop{false};
    std::atomic<int> lastResult{0};
    std::atomic<int> calls{0};
    std::thread recorder([&] {
        std::vector<unsigned char> pixels(16 * 16 * 4);
        while (!stop.load()) {
            lastResult.store(glrender::screenCapture(pixels.data(), 16, 16));
            ++calls;
        }
    });
    QTRY_VERIFY(calls.load() > 0);
    QCOMPARE(lastResult.load(), -1); // not loaded yet

    QVERIFY(glrender::loadRenderer());
    // The library's own answer for a capture before any frame: not the
    // binding's "not loaded", and no crash on the way.
    QTRY_VERIFY(lastResult.load() != -1);
    stop.store(true);
    recorder.join();
    QVERIFY(lastResult.load() != 0);
}

void RendererBindingTest::loadsTheInstalledLibraryByNameOnce()
{
    LogCapture log;
    QVERIFY(glrender::loadRenderer());
    QVERIFY(glrender::loadRenderer());
    QCOMPARE(log.startingWith("fail to load"), QStringList());
    QCOMPARE(loadedRendererFiles(), QStringList({QFileInfo(installedLibrary()).canonicalFilePath()}));

    const QString card = glrender::graphicsCardName();
    QVERIFY(!card.isEmpty());
    char buffer[256] = {};
    QVERIFY(glrender::getGraphicsCard(buffer, sizeof buffer) > 0);
    QCOMPARE(card, QString::fromLatin1(buffer));
}

void RendererBindingTest::startRendererCreatesTheSubwindowAndSizesTheGuestInput()
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        QSKIP("needs an X server: run under xvfb-run -a -s '-screen 0 1920x1080x24 -noreset'");
    server_manager_init();
    vinput_start(kInputPort);
    GuestInputPeer guest;
    QVERIFY(guest.connect(kInputPort));
    vinput_set_window_size(1280, 720);

    m_window = std::make_unique<QWidget>();
    m_display = new QWidget(m_window.get());
    m_display->setGeometry(0, 0, 640, 360);
    m_window->resize(640, 400);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));

    DisplayHost host(m_display);
    char address[1024] = {};
    QVERIFY(glrender::startRenderer(1280, 720, address, sizeof address, &host));

    const QRegularExpressionMatch match =
        QRegularExpression("^127\\.0\\.0\\.1:(\\d+)$").match(QString::fromLatin1(address));
    QVERIFY2(match.hasMatch(), address);
    const int port = match.captured(1).toInt();
    QVERIFY(port > 0 && port < 65536);

    QTRY_COMPARE(childWindows(m_display), QStringList({"0,0 640x360"}));

    // The guest input now maps the 640 x 360 display onto its frame.
    vinput_inject_motion(320, 180, 1, 0);
    vinput_inject_motion(320, 180, 1, 1);
    QCOMPARE(guest.messages(),
             std::optional<QStringList>(QStringList({"touch down 640 360", "touch up 640 360"})));
    vinput_stop();
}

void RendererBindingTest::wrappersForwardToTheLibrary()
{
    if (!m_display)
        QSKIP("needs the renderer started on an X server");

    glrender::setOpenGLViewport(10, 20, 300, 200);
    QTRY_COMPARE(childWindows(m_display), QStringList({"10,20 300x200"}));

    glrender::setStreamMode(3);
    glrender::setOpenGLDisplayRotation(90.0f);
    glrender::repaintOpenGLDisplay();
    glrender::setRotationCallback(nullptr, nullptr);

    char again[64] = {};
    QCOMPARE(glrender::initLibrary(), 1);
    QVERIFY(glrender::initOpenGLRenderer(1280, 720, again, sizeof again) != 0);
    QVERIFY(QString::fromLatin1(again).startsWith("127.0.0.1:"));

    std::vector<unsigned char> pixels(8 * 8 * 4);
    QVERIFY(glrender::screenCapture(pixels.data(), 8, 8) != 0); // no frame has arrived
}

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", qEnvironmentVariableIsEmpty("DISPLAY") ? "offscreen" : "xcb");
    QApplication app(argc, argv);
    RendererBindingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "RendererBindingTest.moc"
