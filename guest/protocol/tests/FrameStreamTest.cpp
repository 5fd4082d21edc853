#include "LoopbackListener.h"
#include "TestBytes.h"

#include <guestproto/FrameHeaderCheck.h>
#include <guestproto/FrameStreamWriter.h>
#include <guestproto/GuestSocket.h>

#include <gtest/gtest.h>

#include <string>

using namespace guest;
using namespace std::chrono_literals;

namespace {

// Ports 23100-23199 belong to this file.
constexpr std::uint16_t kPortBase = 23100;

} // namespace

TEST(FrameStream, HelloBytes)
{
    const Bytes expected{
        0x54, 0x56, 0x46, 0x53, // magic "TVFS"
        0x00, 0x00, 0x00, 0x01, // version 1
    };
    EXPECT_EQ(encodeFrameStreamHello(), expected);
    EXPECT_TRUE(checkFrameStreamHello(expected.data(), expected.size()));
}

TEST(FrameStream, HeaderBytes)
{
    const FrameInfo info{2, 1, 90, 0x0102030405060708ull};
    const Bytes expected{
        0x00, 0x00, 0x00, 0x01,                         // type 1, image
        0x00, 0x00, 0x00, 0x02,                         // width 2
        0x00, 0x00, 0x00, 0x01,                         // height 1
        0x00, 0x00, 0x00, 0x5A,                         // rotation 90
        0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, // sent at, microseconds
        0x00, 0x00, 0x00, 0x08,                         // payload 2 * 1 * 4
        0x00, 0x00, 0x00, 0x00,                         // reserved
    };
    EXPECT_EQ(encodeFrameHeader(info), expected);

    const auto decoded = decodeFrameHeader(expected.data(), expected.size());
    ASSERT_TRUE(decoded.has_value());
    EXPECT_EQ(decoded->width, 2u);
    EXPECT_EQ(decoded->height, 1u);
    EXPECT_EQ(decoded->rotation, 90u);
    EXPECT_EQ(decoded->sentAtUs, 0x0102030405060708ull);
}

TEST(FrameStream, HelloCheckRejectsOthers)
{
    const Bytes cases[] = {
        {},
        {0x54, 0x56, 0x46, 0x53, 0x00, 0x00, 0x00},       // short
        {0x54, 0x56, 0x46, 0x54, 0x00, 0x00, 0x00, 0x01}, // magic
        {0x54, 0x56, 0x46, 0x53, 0x00, 0x00, 0x00, 0x02}, // version
    };
    for (const Bytes &hello : cases)
        EXPECT_FALSE(checkFrameStreamHello(hello.data(), hello.size())) << hello.size();
}

struct HeaderCase {
    const char *name;
    FrameInfo info;
    bool valid;
};

TEST(FrameStream, HeaderRoundTripsOnlyForValidFrames)
{
    const HeaderCase cases[] = {
        {"smallest", {1, 1, 0, 1}, true},
        {"guest frame", {1280, 720, 0, 5}, true},
        {"portrait", {720, 1280, 270, 5}, true},
        {"largest", {4096, 4096, 180, 5}, true},
        {"zero width", {0, 720, 0, 5}, false},
        {"zero height", {1280, 0, 0, 5}, false},
        {"too wide", {4097, 720, 0, 5}, false},
        {"too high", {1280, 4097, 0, 5}, false},
        {"odd rotation", {1280, 720, 45, 5}, false},
        {"rotation 360", {1280, 720, 360, 5}, false},
    };
    for (const HeaderCase &c : cases) {
        EXPECT_EQ(frameInfoValid(c.info), c.valid) << c.name;
        const Bytes header = encodeFrameHeader(c.info);
        ASSERT_EQ(header.size(), 32u) << c.name;
        std::string reason;
        const auto decoded = decodeFrameHeader(header.data(), header.size(), &reason);
        EXPECT_EQ(decoded.has_value(), c.valid) << c.name;
        EXPECT_EQ(reason.empty(), c.valid) << c.name;
    }
}

TEST(FrameStream, HeaderCheckRejectsTamperedFields)
{
    const Bytes good = encodeFrameHeader({640, 480, 0, 7});
    struct Tamper {
        const char *name;
        std::size_t offset;
        std::uint8_t value;
    };
    const Tamper tampers[] = {
        {"type 0", 3, 0x00},
        {"type 2", 3, 0x02},
        {"length off by one", 27, 0x01},
        {"length high byte", 24, 0x80},
    };
    for (const Tamper &t : tampers) {
        Bytes header = good;
        header[t.offset] = t.value;
        std::string reason;
        EXPECT_FALSE(decodeFrameHeader(header.data(), header.size(), &reason)) << t.name;
        EXPECT_FALSE(reason.empty()) << t.name;
    }
    EXPECT_FALSE(decodeFrameHeader(good.data(), 31));
    Bytes reserved = good;
    reserved[31] = 1;
    EXPECT_TRUE(decodeFrameHeader(reserved.data(), reserved.size()));
}

TEST(FrameStream, SendFrameWritesHeaderAndPixels)
{
    LoopbackListener listener(kPortBase + 1);
    ASSERT_TRUE(listener.ok());
    GuestSocket guestSide = GuestSocket::connectTo("127.0.0.1", kPortBase + 1, 2s);
    GuestSocket hostSide = listener.accept();
    ASSERT_TRUE(hostSide.isOpen());

    Bytes pixels(2 * 2 * 4);
    for (std::size_t i = 0; i < pixels.size(); ++i)
        pixels[i] = static_cast<std::uint8_t>(i);
    const std::uint64_t before = monotonicMicros();
    ASSERT_TRUE(guestSide.sendAll(encodeFrameStreamHello()));
    // Refused without a byte on the wire: wrong size, bad rotation, no pixels.
    EXPECT_FALSE(sendFrame(guestSide, {2, 2, 0, 0}, pixels.data(), pixels.size() - 1));
    EXPECT_FALSE(sendFrame(guestSide, {2, 2, 45, 0}, pixels.data(), pixels.size()));
    EXPECT_FALSE(sendFrame(guestSide, {2, 2, 0, 0}, nullptr, pixels.size()));
    ASSERT_TRUE(sendFrame(guestSide, {2, 2, 180, 0}, pixels.data(), pixels.size()));

    Bytes hello(8);
    ASSERT_EQ(hostSide.readExact(hello.data(), hello.size(), 2s), ReadStatus::Ok);
    EXPECT_TRUE(checkFrameStreamHello(hello.data(), hello.size()));
    Bytes header(32);
    ASSERT_EQ(hostSide.readExact(header.data(), header.size(), 2s), ReadStatus::Ok);
    const auto info = decodeFrameHeader(header.data(), header.size());
    ASSERT_TRUE(info.has_value());
    EXPECT_EQ(info->rotation, 180u);
    EXPECT_GE(info->sentAtUs, before);
    EXPECT_LE(info->sentAtUs, monotonicMicros());
    Bytes received(pixels.size());
    ASSERT_EQ(hostSide.readExact(received.data(), received.size(), 2s), ReadStatus::Ok);
    EXPECT_EQ(received, pixels);
}
