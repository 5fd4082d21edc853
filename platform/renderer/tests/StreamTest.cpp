// The display stream through the library's entry points only: frames sent
// over loopback, checked with screenCapture and the rotation callback.

#include "Eventually.h"
#include "FrameSender.h"
#include "OtherUserClient.h"
#include "RendererLibrary.h"
#include "TestImages.h"

#include <guestproto/FrameStreamWriter.h>
#include <guestproto/GuestSocket.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <mutex>
#include <thread>

namespace {

using namespace std::chrono_literals;

constexpr int kWidth = 64;
constexpr int kHeight = 48;

const RendererLibrary &library()
{
    return RendererLibrary::get();
}

// True once screenCapture at width x height shows colour at (x, y).
bool showsColourAt(Rgba colour, int width, int height, int x, int y, int tolerance = 0)
{
    return eventually([&] {
        const auto pixels = captureFrame(width, height);
        return !pixels.empty() && sameColour(pixelAt(pixels, width, x, y), colour, tolerance);
    });
}

bool showsSolid(Rgba colour)
{
    return showsColourAt(colour, kWidth, kHeight, kWidth / 2, kHeight / 2);
}

// A colour no other case uses, from a case number.
Rgba caseColour(int index, std::uint8_t salt)
{
    return {std::uint8_t(10 + index * 9), salt, std::uint8_t(250 - index * 7), 255};
}

bool sendSolid(FrameSender &sender, Rgba colour, std::uint32_t rotation = 0)
{
    return sender.sendFrame(FrameHeader::forImage(kWidth, kHeight, rotation),
                            solidPixels(kWidth, kHeight, colour));
}

// A fresh connection that has sent its hello and one solid frame.
bool connectAndShow(FrameSender &sender, const std::string &address, Rgba colour)
{
    return sender.connectTo(address) && sender.sendHello() && sendSolid(sender, colour) &&
           showsSolid(colour);
}

class RendererStream : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { s_address = rendererAddress(); }

    void SetUp() override
    {
        ASSERT_TRUE(library().loaded()) << library().error;
        ASSERT_FALSE(s_address.empty()) << "initOpenGLRenderer failed";
    }

    static std::string s_address;
};

std::string RendererStream::s_address;

TEST_F(RendererStream, AddressIsLoopbackWithTheServersPort)
{
    const std::string prefix = "127.0.0.1:";
    ASSERT_EQ(s_address.compare(0, prefix.size(), prefix), 0) << s_address;
    const std::string port = s_address.substr(prefix.size());
    ASSERT_FALSE(port.empty());
    ASSERT_EQ(port.find_first_not_of("0123456789"), std::string::npos) << s_address;
    const unsigned long number = std::stoul(port);
    EXPECT_GT(number, 0u);
    EXPECT_LT(number, 65536u);

    FrameSender sender;
    EXPECT_TRUE(sender.connectTo(s_address));
    EXPECT_EQ(rendererAddress(), s_address) << "a second start must report the same server";
}

TEST_F(RendererStream, InitRefusesBadArgumentsAndShortBuffers)
{
    const int needed = int(s_address.size()) + 1;
    struct Case
    {
        const char *name;
        int width, height;
        bool withBuffer;
        int size;
        int expected;
    };
    const Case cases[] = {
        {"zero width", 0, 720, true, 1024, 0},
        {"negative height", 1280, -720, true, 1024, 0},
        {"no buffer", 1280, 720, false, 1024, 0},
        {"zero size", 1280, 720, true, 0, 0},
        {"one byte short", 1280, 720, true, needed - 1, 0},
        {"just fits", 1280, 720, true, needed, 1},
    };
    for (const Case &c : cases) {
        char buffer[64];
        std::memset(buffer, 'x', sizeof buffer);
        EXPECT_EQ(library().initOpenGLRenderer(c.width, c.height, c.withBuffer ? buffer : nullptr,
                                               c.size),
                  c.expected)
            << c.name;
        if (c.expected)
            EXPECT_EQ(std::string(buffer), s_address) << c.name;
        else
            EXPECT_EQ(buffer[0], 'x') << c.name << ": a refused call must leave the buffer alone";
        EXPECT_EQ(buffer[needed], 'x') << c.name << ": wrote past the buffer";
    }
}

// Colours as sent; the guest's alpha is not shown, so a capture is opaque
// like the display.
TEST_F(RendererStream, CaptureReturnsTheGuestsColoursOpaque)
{
    std::vector<std::uint8_t> pixels(kWidth * kHeight * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = std::uint8_t(i * 7 + i / 251);
    std::vector<std::uint8_t> opaque = pixels;
    for (std::size_t i = 3; i < opaque.size(); i += 4)
        opaque[i] = 255;
    FrameSender sender;
    ASSERT_TRUE(sender.connectTo(s_address) && sender.sendHello());
    ASSERT_TRUE(sender.sendFrame(FrameHeader::forImage(kWidth, kHeight), pixels));
    EXPECT_TRUE(eventually([&] { return captureFrame(kWidth, kHeight) == opaque; }));
}

TEST_F(RendererStream, CaptureScalesToTheRequestedSize)
{
    constexpr int w = 80, h = 60;
    FrameSender sender;
    ASSERT_TRUE(sender.connectTo(s_address) && sender.sendHello());
    ASSERT_TRUE(sender.sendFrame(FrameHeader::forImage(w, h),
                                 quadrantPixels(w, h, kRed, kGreen, kBlue, kYellow)));
    ASSERT_TRUE(showsColourAt(kYellow, w, h, w * 3 / 4, h * 3 / 4));

    const struct
    {
        int width, height;
    } sizes[] = {{40, 30}, {160, 120}, {200, 20}, {17, 13}, {w, h * 2}};
    for (const auto &size : sizes) {
        const auto pixels = captureFrame(size.width, size.height);
        ASSERT_FALSE(pixels.empty()) << size.width << "x" << size.height;
        const int left = size.width / 4, right = size.width * 3 / 4;
        const int top = size.height / 4, bottom = size.height * 3 / 4;
        EXPECT_TRUE(sameColour(pixelAt(pixels, size.width, left, top), kRed, 2));
        EXPECT_TRUE(sameColour(pixelAt(pixels, size.width, right, top), kGreen, 2));
        EXPECT_TRUE(sameColour(pixelAt(pixels, size.width, left, bottom), kBlue, 2));
        EXPECT_TRUE(sameColour(pixelAt(pixels, size.width, right, bottom), kYellow, 2))
            << size.width << "x" << size.height;
    }
}

TEST_F(RendererStream, CaptureRefusesBadArguments)
{
    std::vector<std::uint8_t> buffer(16);
    EXPECT_NE(library().screenCapture(nullptr, 2, 2), 0);
    EXPECT_NE(library().screenCapture(buffer.data(), 0, 2), 0);
    EXPECT_NE(library().screenCapture(buffer.data(), 2, -1), 0);
}

struct RotationLog
{
    std::mutex mutex;
    std::vector<float> seen;

    static void record(void *context, float zRot)
    {
        auto *log = static_cast<RotationLog *>(context);
        std::lock_guard<std::mutex> lock(log->mutex);
        log->seen.push_back(zRot);
    }

    std::vector<float> take()
    {
        std::lock_guard<std::mutex> lock(mutex);
        return std::exchange(seen, {});
    }
};

TEST_F(RendererStream, RotationChangesReachTheCallback)
{
    RotationLog log;
    library().setRotationCallback(&RotationLog::record, &log);
    FrameSender sender;
    ASSERT_TRUE(sender.connectTo(s_address) && sender.sendHello());
    ASSERT_TRUE(sendSolid(sender, kRed, 0) && showsSolid(kRed));
    log.take();

    const std::uint32_t rotations[] = {90, 90, 180, 180, 270, 0, 0, 90, 0};
    int index = 0;
    for (std::uint32_t rotation : rotations) {
        // The callback runs before its frame becomes the newest one, so once
        // the frame shows, its report is in.
        const Rgba colour = caseColour(index++, 77);
        ASSERT_TRUE(sendSolid(sender, colour, rotation) && showsSolid(colour)) << rotation;
    }
    EXPECT_EQ(log.take(), (std::vector<float>{90, 180, 270, 0, 90, 0}));

    library().setRotationCallback(nullptr, nullptr);
    ASSERT_TRUE(sendSolid(sender, kGreen, 180) && showsSolid(kGreen));
    ASSERT_TRUE(sendSolid(sender, kBlue, 0) && showsSolid(kBlue));
    EXPECT_TRUE(log.take().empty()) << "a cleared callback must not be called";
}

TEST_F(RendererStream, TurnedFramesAreCapturedAsSent)
{
    FrameSender sender;
    ASSERT_TRUE(sender.connectTo(s_address) && sender.sendHello());
    ASSERT_TRUE(sender.sendFrame(FrameHeader::forImage(kWidth, kHeight, 90),
                                 quadrantPixels(kWidth, kHeight, kRed, kGreen, kBlue, kYellow)));
    ASSERT_TRUE(showsColourAt(kGreen, kWidth, kHeight, kWidth * 3 / 4, kHeight / 4));
    const auto pixels = captureFrame(kWidth, kHeight);
    EXPECT_TRUE(sameColour(pixelAt(pixels, kWidth, 0, 0), kRed));
    EXPECT_TRUE(sameColour(pixelAt(pixels, kWidth, kWidth - 1, kHeight - 1), kYellow));
    ASSERT_TRUE(sendSolid(sender, kBlue, 0) && showsSolid(kBlue));
}

// Each case sends something the renderer must refuse, on a connection that
// has replaced one whose frame is showing. It returns the colour that must
// stay on show: that frame's, or a good frame the case sent first.
struct HostileCase
{
    const char *name;
    std::function<Rgba(FrameSender &, Rgba shown)> send;
};

FrameHeader sized(std::uint32_t width, std::uint32_t height, std::uint32_t length)
{
    FrameHeader header = FrameHeader::forImage(width, height);
    header.length = length;
    return header;
}

Rgba sendHeader(FrameSender &sender, const FrameHeader &header, Rgba shown)
{
    const auto bytes = header.encode();
    sender.sendHello();
    sender.sendBytes(bytes.data(), bytes.size());
    // Pixels to go with it, as a guest that gets the header wrong might send.
    const std::vector<std::uint8_t> tail(4096, 0xAB);
    sender.sendBytes(tail.data(), tail.size());
    return shown;
}

const HostileCase kHostileCases[] = {
    {"bad magic",
     [](FrameSender &s, Rgba shown) {
         s.sendHello(0x47494946, framestream::kFrameStreamVersion);
         return shown;
     }},
    {"unsupported version",
     [](FrameSender &s, Rgba shown) {
         s.sendHello(framestream::kFrameStreamMagic, 2);
         return shown;
     }},
    {"unknown frame type",
     [](FrameSender &s, Rgba shown) {
         FrameHeader header = FrameHeader::forImage(8, 8);
         header.type = 2;
         return sendHeader(s, header, shown);
     }},
    {"zero width", [](FrameSender &s, Rgba shown) { return sendHeader(s, sized(0, 8, 0), shown); }},
    {"zero height",
     [](FrameSender &s, Rgba shown) { return sendHeader(s, sized(8, 0, 0), shown); }},
    {"width over the limit",
     [](FrameSender &s, Rgba shown) { return sendHeader(s, sized(4097, 1, 4097 * 4), shown); }},
    {"height over the limit",
     [](FrameSender &s, Rgba shown) { return sendHeader(s, sized(1, 100000, 400000), shown); }},
    {"rotation not a quarter turn",
     [](FrameSender &s, Rgba shown) {
         return sendHeader(s, FrameHeader::forImage(8, 8, 45), shown);
     }},
    {"length longer than the pixels",
     [](FrameSender &s, Rgba shown) { return sendHeader(s, sized(8, 8, 8 * 8 * 4 + 4), shown); }},
    {"oversized length",
     [](FrameSender &s, Rgba shown) { return sendHeader(s, sized(8, 8, 0xFFFFFFFF), shown); }},
    {"length shorter than the pixels",
     [](FrameSender &s, Rgba shown) { return sendHeader(s, sized(8, 8, 16), shown); }},
    {"truncated hello",
     [](FrameSender &s, Rgba shown) {
         const std::uint8_t partial[] = {0x54, 0x56, 0x46};
         s.sendBytes(partial, sizeof partial);
         s.finishSending();
         return shown;
     }},
    {"truncated header",
     [](FrameSender &s, Rgba shown) {
         const auto header = FrameHeader::forImage(kWidth, kHeight).encode();
         s.sendHello();
         s.sendBytes(header.data(), 20);
         s.finishSending();
         return shown;
     }},
    {"truncated frame",
     [](FrameSender &s, Rgba shown) {
         const auto header = FrameHeader::forImage(kWidth, kHeight).encode();
         const auto pixels = solidPixels(kWidth, kHeight, kYellow);
         s.sendHello();
         s.sendBytes(header.data(), header.size());
         s.sendBytes(pixels.data(), pixels.size() / 2);
         s.finishSending();
         return shown;
     }},
    {"good frame, then a bad one",
     [](FrameSender &s, Rgba) {
         s.sendHello();
         sendSolid(s, kYellow);
         const auto header = sized(8, 8, 12).encode();
         s.sendBytes(header.data(), header.size());
         return kYellow;
     }},
};

TEST_F(RendererStream, BadStreamsEndTheConnectionAndKeepTheLastFrame)
{
    int index = 0;
    for (const HostileCase &c : kHostileCases) {
        SCOPED_TRACE(c.name);
        const Rgba shown = caseColour(index, 11);
        const Rgba next = caseColour(index, 99);
        ++index;
        FrameSender first;
        ASSERT_TRUE(connectAndShow(first, s_address, shown));

        FrameSender hostile;
        ASSERT_TRUE(hostile.connectTo(s_address));
        const Rgba kept = c.send(hostile, shown);
        EXPECT_TRUE(hostile.closedByPeer(10s)) << "the renderer kept a bad connection open";
        EXPECT_TRUE(showsSolid(kept));
        const auto pixels = captureFrame(kWidth, kHeight);
        ASSERT_FALSE(pixels.empty());
        EXPECT_EQ(pixels, solidPixels(kWidth, kHeight, kept));

        FrameSender after;
        EXPECT_TRUE(connectAndShow(after, s_address, next)) << "the server stopped serving";
    }
}

TEST_F(RendererStream, ANewConnectionReplacesTheCurrentOne)
{
    FrameSender first;
    ASSERT_TRUE(connectAndShow(first, s_address, kRed));
    FrameSender second;
    ASSERT_TRUE(connectAndShow(second, s_address, kGreen));
    EXPECT_TRUE(first.closedByPeer(10s));

    // Replaced in the middle of a frame: the half frame is dropped whole.
    FrameSender third;
    ASSERT_TRUE(third.connectTo(s_address) && third.sendHello());
    const auto header = FrameHeader::forImage(kWidth, kHeight).encode();
    const auto blue = solidPixels(kWidth, kHeight, kBlue);
    ASSERT_TRUE(third.sendBytes(header.data(), header.size()));
    ASSERT_TRUE(third.sendBytes(blue.data(), blue.size() / 3));
    FrameSender fourth;
    ASSERT_TRUE(connectAndShow(fourth, s_address, kYellow));
    EXPECT_TRUE(third.closedByPeer(10s));
    third.sendBytes(blue.data() + blue.size() / 3, blue.size() - blue.size() / 3);
    ASSERT_TRUE(sendSolid(fourth, kRed) && showsSolid(kRed));
    EXPECT_EQ(captureFrame(kWidth, kHeight), solidPixels(kWidth, kHeight, kRed));
}

// Loopback is open to every local user: another user's stream is closed at
// accept, its frame never shows and the current guest keeps streaming.
TEST_F(RendererStream, AnotherUsersStreamIsRefused)
{
    if (!other_user::canRun())
        GTEST_SKIP() << "only root can run a client as another user";
    FrameSender own;
    ASSERT_TRUE(connectAndShow(own, s_address, kRed));
    std::vector<std::uint8_t> stream = guest::encodeFrameStreamHello();
    const auto header = FrameHeader::forImage(16, 12).encode();
    const auto green = solidPixels(16, 12, kGreen);
    stream.insert(stream.end(), header.begin(), header.end());
    stream.insert(stream.end(), green.begin(), green.end());
    const auto port = std::uint16_t(std::stoul(s_address.substr(s_address.rfind(':') + 1)));

    const std::optional<other_user::Outcome> outcome =
        other_user::connectAndRead("127.0.0.1", port, stream);
    ASSERT_TRUE(outcome) << "the other user's client could not connect";
    EXPECT_TRUE(outcome->closedByServer);
    EXPECT_EQ(captureFrame(kWidth, kHeight), solidPixels(kWidth, kHeight, kRed));
    EXPECT_TRUE(sendSolid(own, kBlue) && showsSolid(kBlue)) << "the own guest was dropped";
}

TEST_F(RendererStream, AFrameSentInSmallPiecesArrivesWhole)
{
    FrameSender sender;
    ASSERT_TRUE(sender.connectTo(s_address));
    const auto pixels = quadrantPixels(16, 8, kGreen, kRed, kYellow, kBlue);
    std::vector<std::uint8_t> stream = {0x54, 0x56, 0x46, 0x53, 0, 0, 0, 1};
    const auto header = FrameHeader::forImage(16, 8).encode();
    stream.insert(stream.end(), header.begin(), header.end());
    stream.insert(stream.end(), pixels.begin(), pixels.end());
    ASSERT_TRUE(sender.sendInPieces(stream.data(), stream.size(), 7));
    EXPECT_TRUE(eventually([&] { return captureFrame(16, 8) == pixels; }));
}

TEST_F(RendererStream, TheGuestsOwnWriterIsUnderstood)
{
    const auto colon = s_address.rfind(':');
    guest::GuestSocket socket = guest::GuestSocket::connectTo(
        s_address.substr(0, colon), std::uint16_t(std::stoul(s_address.substr(colon + 1))), 5s);
    ASSERT_TRUE(socket.isOpen());
    ASSERT_TRUE(socket.sendAll(guest::encodeFrameStreamHello()));
    const auto pixels = quadrantPixels(kWidth, kHeight, kBlue, kYellow, kRed, kGreen);
    ASSERT_TRUE(guest::sendFrame(socket, guest::FrameInfo{kWidth, kHeight, 0, 0}, pixels.data(),
                                 pixels.size()));
    EXPECT_TRUE(eventually([&] { return captureFrame(kWidth, kHeight) == pixels; }));
}

TEST_F(RendererStream, CapturesFromTwoThreadsSeeWholeFrames)
{
    constexpr int w = 160, h = 120;
    const Rgba colours[] = {kRed, kGreen, kBlue, kYellow};
    FrameSender before;
    ASSERT_TRUE(connectAndShow(before, s_address, kRed));
    std::atomic<bool> sending{true};
    std::atomic<int> framesSent{0};
    std::thread guest([&] {
        FrameSender sender;
        if (!sender.connectTo(s_address) || !sender.sendHello()) {
            sending = false;
            return;
        }
        for (int i = 0; i < 120; ++i) {
            if (!sender.sendFrame(FrameHeader::forImage(w, h), solidPixels(w, h, colours[i % 4])))
                break;
            ++framesSent;
        }
        sending = false;
    });

    auto captureWhileSending = [&](int width, int height, std::atomic<int> &torn) {
        std::vector<std::uint8_t> buffer(std::size_t(width) * height * 4);
        while (sending) {
            if (library().screenCapture(buffer.data(), width, height) != 0)
                continue;
            const Rgba first = pixelAt(buffer, width, 0, 0);
            bool known = false;
            for (const Rgba &c : colours)
                known = known || sameColour(first, c);
            if (!known)
                ++torn;
            for (std::size_t i = 0; i < buffer.size(); i += 4)
                if (std::memcmp(&buffer[i], &buffer[0], 4) != 0) {
                    ++torn;
                    break;
                }
        }
    };
    std::atomic<int> tornSameSize{0}, tornScaled{0};
    std::thread recorder([&] { captureWhileSending(w, h, tornSameSize); });
    captureWhileSending(w / 2 + 1, h / 2 + 1, tornScaled);
    recorder.join();
    guest.join();
    EXPECT_EQ(framesSent, 120);
    EXPECT_EQ(tornSameSize, 0);
    EXPECT_EQ(tornScaled, 0);
}

} // namespace
