// The display sub-window on a real X server, through the library's entry
// points only: the test plays the player, whose display window hosts the
// renderer's native child window, and reads back what reached the screen.

#include "FrameSender.h"
#include "RendererLibrary.h"
#include "TestImages.h"

#include <QGuiApplication>
#include <QOffscreenSurface>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QProcess>
#include <QRasterWindow>
#include <QScreen>
#include <QTest>

#include <cstdio>
#include <thread>

namespace {

const QColor kHostGrey(90, 90, 90);

QColor toColor(Rgba c)
{
    return QColor(c.r, c.g, c.b);
}

bool near(const QColor &a, const QColor &b, int tolerance = 6)
{
    return std::abs(a.red() - b.red()) <= tolerance &&
           std::abs(a.green() - b.green()) <= tolerance &&
           std::abs(a.blue() - b.blue()) <= tolerance;
}

// The player's display window: grey, and it notes the mouse presses that
// reach it.
class HostWindow : public QRasterWindow
{
public:
    QList<QPoint> presses;

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).fillRect(QRect(QPoint(), size()), kHostGrey);
    }
    void mousePressEvent(QMouseEvent *event) override { presses.append(event->pos()); }
};

} // namespace

class RendererWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void blackBeforeTheFirstFrame();
    void drawsTheFrameScaledToTheSubwindow_data();
    void drawsTheFrameScaledToTheSubwindow();
    void aNewFrameIsDrawnUnasked();
    void rotation_data();
    void rotation();
    void viewportMovesTheSubwindow();
    void callsFromAnotherThreadReachTheGuiThread();
    void inputPassesThroughToTheDisplayWindow();
    void graphicsCardIsTheOpenGLRenderer();

private:
    QImage grab() const;
    QColor at(int x, int y) const { return grab().pixelColor(x, y); }
    // The colours at the centres of the four quarters of rect.
    bool quartersAre(const QRect &rect, Rgba topLeft, Rgba topRight, Rgba bottomLeft,
                     Rgba bottomRight) const;
    bool sendFrame(const std::vector<std::uint8_t> &pixels, int width, int height);

    const RendererLibrary &m_library = RendererLibrary::get();
    HostWindow m_host;
    FrameSender m_guest;
    std::string m_address;
};

// Where the test puts the sub-window first, in the host's coordinates.
static const QRect kSubwindow(40, 30, 240, 160);

QImage RendererWindowTest::grab() const
{
    return m_host.screen()->grabWindow(m_host.winId()).toImage();
}

bool RendererWindowTest::quartersAre(const QRect &rect, Rgba topLeft, Rgba topRight,
                                     Rgba bottomLeft, Rgba bottomRight) const
{
    const QImage image = grab();
    const int left = rect.x() + rect.width() / 4, right = rect.x() + rect.width() * 3 / 4;
    const int top = rect.y() + rect.height() / 4, bottom = rect.y() + rect.height() * 3 / 4;
    return near(image.pixelColor(left, top), toColor(topLeft)) &&
           near(image.pixelColor(right, top), toColor(topRight)) &&
           near(image.pixelColor(left, bottom), toColor(bottomLeft)) &&
           near(image.pixelColor(right, bottom), toColor(bottomRight));
}

bool RendererWindowTest::sendFrame(const std::vector<std::uint8_t> &pixels, int width, int height)
{
    return m_guest.sendFrame(FrameHeader::forImage(std::uint32_t(width), std::uint32_t(height)),
                             pixels);
}

void RendererWindowTest::initTestCase()
{
    QVERIFY2(m_library.loaded(), m_library.error.c_str());
    m_address = rendererAddress();
    QVERIFY(!m_address.empty());
    m_host.setGeometry(0, 0, 400, 300);
    m_host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&m_host));
    QTRY_VERIFY(near(at(5, 5), kHostGrey));
    m_library.createOpenGLSubwindow(0, m_host.winId(), kSubwindow.x(), kSubwindow.y(),
                                    kSubwindow.width(), kSubwindow.height(), 0.0f);
    QVERIFY(m_guest.connectTo(m_address) && m_guest.sendHello());
}

void RendererWindowTest::blackBeforeTheFirstFrame()
{
    QTRY_VERIFY(
        quartersAre(kSubwindow, {0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}, {0, 0, 0, 255}));
    QVERIFY(near(at(kSubwindow.x() - 5, kSubwindow.y() - 5), kHostGrey));
    QVERIFY(near(at(kSubwindow.right() + 5, kSubwindow.bottom() + 5), kHostGrey));
}

void RendererWindowTest::drawsTheFrameScaledToTheSubwindow_data()
{
    QTest::addColumn<QSize>("frame");
    QTest::newRow("scaled smoothly") << QSize(64, 48);
    QTest::newRow("within a hundredth: rows and columns left out") << QSize(242, 161);
    QTest::newRow("within a hundredth: rows and columns repeated") << QSize(238, 159);
    QTest::newRow("the sub-window's size") << kSubwindow.size();
}

// The whole sub-window shows the frame, up to its edges, and nothing beyond.
void RendererWindowTest::drawsTheFrameScaledToTheSubwindow()
{
    QFETCH(QSize, frame);
    const Rgba plain{128, 0, 128, 255};
    QVERIFY(sendFrame(solidPixels(8, 8, plain), 8, 8));
    QTRY_VERIFY(quartersAre(kSubwindow, plain, plain, plain, plain));
    QVERIFY(sendFrame(quadrantPixels(frame.width(), frame.height(), kRed, kGreen, kBlue, kYellow), frame.width(),
                      frame.height()));
    QTRY_VERIFY(quartersAre(kSubwindow, kRed, kGreen, kBlue, kYellow));
    QVERIFY(near(at(kSubwindow.left(), kSubwindow.top()), toColor(kRed)));
    QVERIFY(near(at(kSubwindow.right(), kSubwindow.bottom()), toColor(kYellow)));
    QVERIFY(near(at(kSubwindow.x() - 5, kSubwindow.y() + 5), kHostGrey));
    QVERIFY(near(at(kSubwindow.right() + 5, kSubwindow.bottom() - 5), kHostGrey));
}

void RendererWindowTest::aNewFrameIsDrawnUnasked()
{
    QVERIFY(sendFrame(quadrantPixels(32, 32, kYellow, kBlue, kGreen, kRed), 32, 32));
    QTRY_VERIFY(quartersAre(kSubwindow, kYellow, kBlue, kGreen, kRed));
    QVERIFY(sendFrame(quadrantPixels(64, 48, kRed, kGreen, kBlue, kYellow), 64, 48));
    QTRY_VERIFY(quartersAre(kSubwindow, kRed, kGreen, kBlue, kYellow));
}

void RendererWindowTest::rotation_data()
{
    QTest::addColumn<float>("zRot");
    QTest::addColumn<QVector<int>>("quarters"); // indexes into the sent colours

    // Sent: red top left, green top right, blue bottom left, yellow bottom right.
    QTest::newRow("quarter turn clockwise") << 90.0f << QVector<int>{2, 0, 3, 1};
    QTest::newRow("half turn") << 180.0f << QVector<int>{3, 2, 1, 0};
    QTest::newRow("three quarters") << 270.0f << QVector<int>{1, 3, 0, 2};
    QTest::newRow("counter-clockwise quarter") << -90.0f << QVector<int>{1, 3, 0, 2};
    QTest::newRow("beyond a full turn") << 450.0f << QVector<int>{2, 0, 3, 1};
    QTest::newRow("rounded to a quarter") << 100.0f << QVector<int>{2, 0, 3, 1};
    QTest::newRow("full turn") << 360.0f << QVector<int>{0, 1, 2, 3};
    QTest::newRow("upright") << 0.0f << QVector<int>{0, 1, 2, 3};
}

void RendererWindowTest::rotation()
{
    QFETCH(float, zRot);
    QFETCH(QVector<int>, quarters);
    const Rgba sent[] = {kRed, kGreen, kBlue, kYellow};
    // A plain frame first, so that only a frame drawn after the turn can pass.
    const Rgba plain{128, 0, 128, 255};
    QVERIFY(sendFrame(solidPixels(8, 8, plain), 8, 8));
    QTRY_VERIFY(quartersAre(kSubwindow, plain, plain, plain, plain));
    m_library.setOpenGLDisplayRotation(zRot);
    QVERIFY(sendFrame(quadrantPixels(64, 48, kRed, kGreen, kBlue, kYellow), 64, 48));
    QTRY_VERIFY(quartersAre(kSubwindow, sent[quarters[0]], sent[quarters[1]], sent[quarters[2]],
                            sent[quarters[3]]));
    // The turned frame still fills the sub-window.
    QVERIFY(near(at(kSubwindow.x() + 2, kSubwindow.y() + 2), toColor(sent[quarters[0]])));
    QVERIFY(near(at(kSubwindow.right() - 2, kSubwindow.bottom() - 2), toColor(sent[quarters[3]])));
}

void RendererWindowTest::viewportMovesTheSubwindow()
{
    const QRect moved(200, 150, 120, 100);
    m_library.setOpenGLViewport(moved.x(), moved.y(), moved.width(), moved.height());
    m_library.repaintOpenGLDisplay();
    QTRY_VERIFY(quartersAre(moved, kRed, kGreen, kBlue, kYellow));
    QTRY_VERIFY(near(at(kSubwindow.x() + 20, kSubwindow.y() + 20), kHostGrey));

    m_library.setOpenGLViewport(0, 0, 0, 0);
    m_library.repaintOpenGLDisplay();
    QTRY_VERIFY(near(at(moved.center().x(), moved.center().y()), kHostGrey));

    m_library.setOpenGLViewport(kSubwindow.x(), kSubwindow.y(), kSubwindow.width(),
                                kSubwindow.height());
    QTRY_VERIFY(quartersAre(kSubwindow, kRed, kGreen, kBlue, kYellow));
}

// Also shows that a turn alone redraws: the half turn looks unlike the upright frame.
void RendererWindowTest::callsFromAnotherThreadReachTheGuiThread()
{
    QTRY_VERIFY(quartersAre(kSubwindow, kRed, kGreen, kBlue, kYellow));
    std::thread other([this] { m_library.setOpenGLDisplayRotation(180.0f); });
    other.join();
    QTRY_VERIFY(quartersAre(kSubwindow, kYellow, kBlue, kGreen, kRed));
    m_library.setOpenGLDisplayRotation(0.0f);
    QTRY_VERIFY(quartersAre(kSubwindow, kRed, kGreen, kBlue, kYellow));
}

void RendererWindowTest::inputPassesThroughToTheDisplayWindow()
{
    const QPoint inside = kSubwindow.center();
    const QPoint onScreen = m_host.mapToGlobal(inside);
    m_host.presses.clear();
    const int exitCode =
        QProcess::execute("xdotool", {"mousemove", "--sync", QString::number(onScreen.x()),
                                      QString::number(onScreen.y()), "click", "1"});
    QCOMPARE(exitCode, 0);
    QTRY_COMPARE(m_host.presses.size(), 1);
    QCOMPARE(m_host.presses.first(), inside);
}

void RendererWindowTest::graphicsCardIsTheOpenGLRenderer()
{
    char name[256] = {};
    const int length = m_library.getGraphicsCard(name, sizeof name);
    QVERIFY(length > 0);
    QCOMPARE(int(qstrlen(name)), length);

    QOpenGLContext context;
    QOffscreenSurface surface;
    surface.create();
    if (!context.create() || !context.makeCurrent(&surface))
        QSKIP("no OpenGL here to compare with");
    const auto *expected =
        reinterpret_cast<const char *>(context.functions()->glGetString(GL_RENDERER));
    QCOMPARE(QByteArray(name), QByteArray(expected));
    context.doneCurrent();
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "renderer window tests need an X server: DISPLAY is not set "
                             "(run them under xvfb-run)\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    RendererWindowTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "WindowTest.moc"
