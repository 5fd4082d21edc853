// tavenor-guest streaming to the real renderer library, loaded by name as
// the player loads it: frames arrive, screenCapture returns the guest's
// pixels in the natural orientation, and a turn of the guest reaches the
// rotation callback. The renderer listens on a free port, so no fixed
// service port is involved.

#include "Eventually.h"
#include "GuestRunner.h"
#include "RendererLibrary.h"
#include "ScreenLayout.h"

#include <SimStateFormat.h>

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <mutex>
#include <vector>

namespace {

using namespace std::chrono_literals;

constexpr int kWidth = 1280;
constexpr int kHeight = 720;

struct RotationLog
{
    std::mutex mutex;
    std::vector<float> rotations;

    static void record(void *context, float rotation)
    {
        auto *log = static_cast<RotationLog *>(context);
        std::lock_guard<std::mutex> lock(log->mutex);
        log->rotations.push_back(rotation);
    }

    bool contains(float rotation)
    {
        std::lock_guard<std::mutex> lock(mutex);
        return std::find(rotations.begin(), rotations.end(), rotation) != rotations.end();
    }
};

QColor capturedAt(const std::vector<std::uint8_t> &pixels, QPoint point)
{
    const std::size_t offset = (std::size_t(point.y()) * kWidth + std::size_t(point.x())) * 4;
    return QColor(pixels[offset], pixels[offset + 1], pixels[offset + 2], pixels[offset + 3]);
}

// The whole block (and only it) in the marker colour, at frame rect block.
bool showsMarkerAt(QRect block)
{
    return eventually([&] {
        const std::vector<std::uint8_t> pixels = captureFrame(kWidth, kHeight);
        if (pixels.empty())
            return false;
        for (const QPoint point : {block.topLeft(), block.center(), block.bottomRight()}) {
            if (capturedAt(pixels, point) != ScreenLayout::markerColour())
                return false;
        }
        return capturedAt(pixels, block.topLeft() - QPoint(1, 1)) != ScreenLayout::markerColour();
    });
}

TEST(GuestDisplay, FramesReachTheRendererAndTurnsReachTheCallback)
{
    const RendererLibrary &library = RendererLibrary::get();
    ASSERT_TRUE(library.loaded()) << library.error;
    const std::string address = rendererAddress();
    ASSERT_FALSE(address.empty());
    RotationLog rotations;
    library.setRotationCallback(&RotationLog::record, &rotations);

    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile properties(dir.filePath(QStringLiteral("properties")));
        ASSERT_TRUE(properties.open(QIODevice::WriteOnly));
        properties.write(
            QByteArray::fromStdString(simstate::formatEntries({{"tavenor.gles.addr", address}})));
    }
    GuestRunner guest(dir.path(), GuestRunner::Options{});
    ASSERT_TRUE(guest.start()) << guest.log().constData();
    const EventLogReader events = guest.events();
    ASSERT_TRUE(events.waitFor({{"type", "connected"}, {"link", "gl"}}));
    EXPECT_TRUE(events.waitFor({{"agent", "gl"}, {"type", "hello"}, {"version", 1}}));
    EXPECT_TRUE(events.waitFor(
        {{"agent", "gl"}, {"type", "frame"}, {"w", 1280}, {"h", 720}, {"rotation", 0}}));

    // The marker block at the status bar's corner, and the status bar around it.
    EXPECT_TRUE(showsMarkerAt(QRect(8, 4, 24, 24)));
    const std::vector<std::uint8_t> home = captureFrame(kWidth, kHeight);
    ASSERT_FALSE(home.empty());
    EXPECT_EQ(capturedAt(home, QPoint(600, 16)), QColor(0x10, 0x14, 0x18));
    EXPECT_EQ(capturedAt(home, QPoint(600, 16)).alpha(), 255);

    // Turned: the callback hears of it, and the capture stays in the
    // natural orientation with the turned screen drawn into it.
    EXPECT_EQ(guest.control("rotate 90"), QStringLiteral("ok"));
    EXPECT_TRUE(eventually([&] { return rotations.contains(90.0f); }));
    EXPECT_TRUE(showsMarkerAt(QRect(4, 688, 24, 24)));
    EXPECT_TRUE(events.waitFor({{"agent", "gl"}, {"type", "frame"}, {"rotation", 90}}));
    EXPECT_EQ(guest.control("rotate 0"), QStringLiteral("ok"));
    EXPECT_TRUE(eventually([&] { return rotations.contains(0.0f); }));
    EXPECT_TRUE(showsMarkerAt(QRect(8, 4, 24, 24)));

    // A dropped stream comes back and frames flow again.
    EXPECT_EQ(guest.control("drop gl"), QStringLiteral("ok"));
    const auto dropped = events.waitFor(
        {{"type", "disconnected"}, {"link", "gl"}, {"reason", "dropped on request"}});
    ASSERT_TRUE(dropped);
    EXPECT_TRUE(events.waitFor({{"type", "connected"}, {"link", "gl"}}, *dropped));
    EXPECT_EQ(guest.control("rotate 270"), QStringLiteral("ok"));
    EXPECT_TRUE(eventually([&] { return rotations.contains(270.0f); }));
    EXPECT_TRUE(showsMarkerAt(QRect(1252, 8, 24, 24)));
    library.setRotationCallback(nullptr, nullptr);
}

} // namespace
