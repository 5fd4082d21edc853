// The display sub-window's drawing, counted: each new frame is drawn once,
// and nothing else draws but a change of size or rotation.

#include "Display.h"
#include "FrameStore.h"

#include <QGuiApplication>
#include <QRasterWindow>
#include <QTest>

#include <cstdio>

namespace {

std::shared_ptr<renderer::Frame> frameOf(QColor colour)
{
    auto frame = std::make_shared<renderer::Frame>();
    frame->image = QImage(64, 36, QImage::Format_RGB32);
    frame->image.fill(colour);
    return frame;
}

} // namespace

class DisplayTest : public QObject
{
    Q_OBJECT

private slots:
    void drawsEachNewFrameOnceAndAStaticScreenNever();
};

void DisplayTest::drawsEachNewFrameOnceAndAStaticScreenNever()
{
    QRasterWindow host;
    host.setGeometry(0, 0, 320, 180);
    host.show();
    QVERIFY(QTest::qWaitForWindowExposed(&host));
    renderer::FrameStore frames;
    renderer::Display display(frames);
    display.create(host.winId(), QRect(0, 0, 320, 180), 0.0f);
    // Black, before any frame.
    QTRY_COMPARE(display.draws(), std::uint64_t(1));

    for (int i = 1; i <= 5; ++i) {
        frames.publish(frameOf(QColor::fromHsv(i * 60, 255, 255)));
        display.frameArrived();
        QTRY_COMPARE(display.framesDrawn(), std::uint64_t(i));
        QCOMPARE(display.draws(), std::uint64_t(1 + i));
    }

    // Nothing new: asking to repaint or telling of a frame again draws nothing.
    for (int i = 0; i < 10; ++i) {
        display.repaint();
        display.frameArrived();
    }
    QCOMPARE(display.draws(), std::uint64_t(6));
    // The queued calls above have run once the next frame is drawn, after them.
    frames.publish(frameOf(Qt::white));
    display.frameArrived();
    QTRY_COMPARE(display.framesDrawn(), std::uint64_t(6));
    QCOMPARE(display.draws(), std::uint64_t(7));

    // A new size or rotation draws the same frame once more.
    display.setViewport(QRect(0, 0, 160, 90));
    QTRY_COMPARE(display.draws(), std::uint64_t(8));
    display.setRotation(90.0f);
    QCOMPARE(display.draws(), std::uint64_t(9));
    display.setRotation(90.0f);
    display.repaint();
    QCOMPARE(display.draws(), std::uint64_t(9));
    QCOMPARE(display.framesDrawn(), std::uint64_t(6));
    display.releaseWindows();
}

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        std::fprintf(stderr, "the display tests need an X server: DISPLAY is not set (run them under xvfb-run)\n");
        return 1;
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    QGuiApplication app(argc, argv);
    DisplayTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DisplayTest.moc"
