#include "TestBytes.h"

#include <guestproto/VirtualInputDecoder.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace guest;

namespace {

struct GoldenInput {
    Bytes bytes;
    VirtualInputMessage message;
    const char *type;
};

// One golden message of every code the host sends.
const std::vector<GoldenInput> &goldenInputs()
{
    static const std::vector<GoldenInput> inputs = {
        {{
             0x00, 0x00, 0x00, 0x01, // code 1, key
             0x00, 0x00, 0x00, 0x0C, // length 12
             0x00, 0x00, 0x00, 0x1E, // scan code 30 (A)
             0x00, 0x00, 0x00, 0x00, // action 0, down
             0x00, 0x00, 0x00, 0x00, // third field 0
         },
         KeyInput{30, 0, 0},
         "key"},
        {{
             0x00, 0x00, 0x00, 0x02, // code 2, touch
             0x00, 0x00, 0x00, 0x10, // length 16
             0x00, 0x00, 0x02, 0x80, // x 640
             0x00, 0x00, 0x01, 0x68, // y 360
             0x00, 0x00, 0x00, 0x01, // contact 1
             0x00, 0x00, 0x00, 0x02, // action 2, move
         },
         TouchInput{640, 360, 1, 2},
         "touch"},
        {{
             0x00, 0x00, 0x00, 0x03, // code 3, wheel
             0x00, 0x00, 0x00, 0x10, // length 16
             0x00, 0x00, 0x00, 0x00, // dx 0
             0xFF, 0xFF, 0xFF, 0x88, // dy -120
             0x00, 0x00, 0x04, 0xFF, // x 1279
             0x00, 0x00, 0x02, 0xCF, // y 719
         },
         WheelInput{0, -120, 1279, 719},
         "wheel"},
        {{
             0x00, 0x00, 0x00, 0x04, // code 4, touch configuration
             0x00, 0x00, 0x00, 0x08, // length 8
             0x00, 0x00, 0x05, 0x00, // width 1280
             0x00, 0x00, 0x02, 0xD0, // height 720
         },
         TouchConfig{1280, 720},
         "config"},
        {{
             0x00, 0x00, 0x00, 0x06, // code 6, mouse offset
             0x00, 0x00, 0x00, 0x08, // length 8
             0xFF, 0xFF, 0xFF, 0xFB, // dx -5
             0x00, 0x00, 0x00, 0x07, // dy 7
         },
         MouseOffset{-5, 7},
         "mouse_offset"},
        {{
             0x00, 0x00, 0x00, 0x07, // code 7, left button
             0x00, 0x00, 0x00, 0x04, // length 4
             0x00, 0x00, 0x00, 0x01, // action 1, up
         },
         MouseLeftButton{1},
         "mouse_left"},
        {{
             0x00, 0x00, 0x00, 0x08, // code 8, right button
             0x00, 0x00, 0x00, 0x08, // length 8
             0x00, 0x00, 0x00, 0x01, // first field 1
             0x00, 0x00, 0x00, 0x01, // mouse-lock state 1
         },
         MouseRightButton{1, 1},
         "mouse_right"},
        {{
             0x00, 0x00, 0x00, 0x09, // code 9, zoom
             0x00, 0x00, 0x00, 0x0C, // length 12
             0x00, 0x00, 0x02, 0x80, // x 640
             0x00, 0x00, 0x01, 0x68, // y 360
             0xFF, 0xFF, 0xFF, 0xEC, // step -20
         },
         ZoomInput{640, 360, -20},
         "zoom"},
    };
    return inputs;
}

Bytes allGolden()
{
    Bytes stream;
    for (const GoldenInput &input : goldenInputs())
        stream.insert(stream.end(), input.bytes.begin(), input.bytes.end());
    return stream;
}

std::vector<VirtualInputMessage> allExpected()
{
    std::vector<VirtualInputMessage> out;
    for (const GoldenInput &input : goldenInputs())
        out.push_back(input.message);
    return out;
}

} // namespace

TEST(VirtualInputDecoder, DecodesEveryCode)
{
    for (const GoldenInput &input : goldenInputs()) {
        VirtualInputDecoder decoder;
        ASSERT_TRUE(decoder.feed(input.bytes)) << input.type << ": " << decoder.errorReason();
        const auto message = decoder.next();
        ASSERT_TRUE(message.has_value()) << input.type;
        EXPECT_EQ(*message, input.message) << input.type;
        EXPECT_STREQ(eventType(*message), input.type);
        EXPECT_FALSE(decoder.next().has_value());
        EXPECT_EQ(decoder.bufferedBytes(), 0u);
    }
}

TEST(VirtualInputDecoder, ManyMessagesInOneChunkComeOutInOrder)
{
    VirtualInputDecoder decoder;
    ASSERT_TRUE(decoder.feed(allGolden()));
    EXPECT_EQ(decoder.available(), goldenInputs().size());
    std::vector<VirtualInputMessage> got;
    while (auto message = decoder.next())
        got.push_back(*message);
    EXPECT_EQ(got, allExpected());
}

TEST(VirtualInputDecoder, EverySplitDecodesEachMessageOnce)
{
    const Bytes stream = allGolden();
    const std::vector<VirtualInputMessage> expected = allExpected();
    for (std::size_t first = 0; first <= stream.size(); ++first) {
        for (std::size_t second = first; second <= stream.size(); second += 3) {
            VirtualInputDecoder decoder;
            std::vector<VirtualInputMessage> got;
            ASSERT_TRUE(feedInPieces(decoder, stream, {first, second}, got));
            ASSERT_EQ(got, expected) << "cut at " << first << " and " << second;
            ASSERT_EQ(decoder.bufferedBytes(), 0u);
        }
    }
}

TEST(VirtualInputDecoder, ByteByByteHoldsOnlyTheIncompleteMessage)
{
    const Bytes stream = allGolden();
    VirtualInputDecoder decoder;
    std::size_t decoded = 0;
    std::size_t messageStart = 0;
    for (std::size_t i = 0; i < stream.size(); ++i) {
        ASSERT_TRUE(decoder.feed(&stream[i], 1));
        while (decoder.next()) {
            ++decoded;
            messageStart = i + 1;
        }
        EXPECT_EQ(decoder.bufferedBytes(), i + 1 - messageStart);
    }
    EXPECT_EQ(decoded, goldenInputs().size());
}

struct BadInput {
    const char *name;
    Bytes bytes;
    DecodeError error;
};

TEST(VirtualInputDecoder, RejectsUnknownCodesAndWrongLengths)
{
    const BadInput cases[] = {
        {"code 0", {0x00, 0x00, 0x00, 0x00}, DecodeError::UnknownCode},
        {"unused code 5", {0x00, 0x00, 0x00, 0x05}, DecodeError::UnknownCode},
        {"code 10", {0x00, 0x00, 0x00, 0x0A}, DecodeError::UnknownCode},
        {"code -1", {0xFF, 0xFF, 0xFF, 0xFF}, DecodeError::UnknownCode},
        {"misc code on input", {0x00, 0x03, 0x24, 0x34}, DecodeError::UnknownCode},
        {"key with 16", {0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x00, 0x10}, DecodeError::BadLength},
        {"touch with 12", {0x00, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x0C}, DecodeError::BadLength},
        {"left with 0", {0x00, 0x00, 0x00, 0x07, 0x00, 0x00, 0x00, 0x00}, DecodeError::BadLength},
        {"config negative", {0x00, 0x00, 0x00, 0x04, 0xFF, 0xFF, 0xFF, 0xF8}, DecodeError::BadLength},
        {"zoom huge", {0x00, 0x00, 0x00, 0x09, 0x7F, 0xFF, 0xFF, 0xFF}, DecodeError::BadLength},
    };
    for (const BadInput &c : cases) {
        VirtualInputDecoder decoder;
        // The header alone is enough to tell: no payload is waited for.
        EXPECT_FALSE(decoder.feed(c.bytes)) << c.name;
        EXPECT_TRUE(decoder.failed()) << c.name;
        EXPECT_EQ(decoder.error(), c.error) << c.name;
        EXPECT_FALSE(decoder.errorReason().empty()) << c.name;
        EXPECT_EQ(decoder.bufferedBytes(), 0u) << c.name;
        EXPECT_FALSE(decoder.next().has_value()) << c.name;
    }
}

TEST(VirtualInputDecoder, ErrorIsStickyButKeepsWhatCameBefore)
{
    const Bytes key = goldenInputs().front().bytes;
    const Bytes stream = concat({key, {0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00, 0x00}, key});
    VirtualInputDecoder decoder;
    EXPECT_FALSE(decoder.feed(stream));
    EXPECT_EQ(decoder.error(), DecodeError::UnknownCode);
    EXPECT_NE(decoder.errorReason().find("5"), std::string::npos);

    EXPECT_FALSE(decoder.feed(key));
    ASSERT_EQ(decoder.available(), 1u);
    EXPECT_EQ(*decoder.next(), VirtualInputMessage(KeyInput{30, 0, 0}));
    EXPECT_FALSE(decoder.next().has_value());

    decoder.reset();
    EXPECT_FALSE(decoder.failed());
    EXPECT_TRUE(decoder.feed(key));
    EXPECT_TRUE(decoder.next().has_value());
}

TEST(VirtualInputDecoder, ErrorInALaterChunkDropsThePartialBuffer)
{
    const Bytes key = goldenInputs().front().bytes;
    VirtualInputDecoder decoder;
    ASSERT_TRUE(decoder.feed(key.data(), 6));
    EXPECT_EQ(decoder.bufferedBytes(), 6u);
    const Bytes badLength{0x00, 0x10}; // completes the length as 0x00000010 for a key
    EXPECT_FALSE(decoder.feed(badLength));
    EXPECT_EQ(decoder.error(), DecodeError::BadLength);
    EXPECT_EQ(decoder.bufferedBytes(), 0u);
}

TEST(VirtualInputDecoder, EmptyFeedIsHarmless)
{
    VirtualInputDecoder decoder;
    EXPECT_TRUE(decoder.feed(nullptr, 0));
    EXPECT_FALSE(decoder.next().has_value());
    EXPECT_EQ(decoder.error(), DecodeError::None);
}
