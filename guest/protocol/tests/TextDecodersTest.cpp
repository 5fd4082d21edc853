#include "TestBytes.h"

#include <guestproto/ClipboardDecoder.h>
#include <guestproto/GuestMessages.h>
#include <guestproto/InputMethodDecoder.h>
#include <guestproto/WireCodes.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace guest;

namespace {

Bytes be32(std::uint32_t value)
{
    return {std::uint8_t(value >> 24), std::uint8_t(value >> 16), std::uint8_t(value >> 8),
            std::uint8_t(value)};
}

Bytes clipboardHeader(std::uint32_t length)
{
    return concat({be32(35), be32(length)});
}

struct GoldenText {
    Bytes bytes;
    std::string text;
};

const std::vector<GoldenText> &goldenClipboard()
{
    static const std::vector<GoldenText> texts = {
        {{
             0x00, 0x00, 0x00, 0x23, // code 35
             0x00, 0x00, 0x00, 0x03, // length 3
             0x61, 0x62, 0x63,       // "abc"
         },
         "abc"},
        {{
             0x00, 0x00, 0x00, 0x23, // code 35
             0x00, 0x00, 0x00, 0x00, // empty text
         },
         ""},
        {{
             0x00, 0x00, 0x00, 0x23, // code 35
             0x00, 0x00, 0x00, 0x02, // length 2
             0xC3, 0xA9,             // "é"
         },
         "\xC3\xA9"},
        {{
             0x00, 0x00, 0x00, 0x23, // code 35
             0x00, 0x00, 0x00, 0x03, // length 3
             0x61, 0x00, 0x62,       // a NUL inside stays part of the text
         },
         std::string("a\0b", 3)},
    };
    return texts;
}

const std::vector<GoldenText> &goldenInputMethod()
{
    static const std::vector<GoldenText> texts = {
        {{
             0x00, 0x00, 0x00, 0x06,             // length 6, no code
             0xE4, 0xBD, 0xA0, 0xE5, 0xA5, 0xBD, // "你好"
         },
         "\xE4\xBD\xA0\xE5\xA5\xBD"},
        {{
             0x00, 0x00, 0x00, 0x00, // empty text
         },
         ""},
        {{
             0x00, 0x00, 0x00, 0x02, // length 2
             0x6F, 0x6B,             // "ok"
         },
         "ok"},
    };
    return texts;
}

template <typename Decoder>
void expectGoldenAndSplits(const std::vector<GoldenText> &golden)
{
    Bytes stream;
    std::vector<std::string> expected;
    for (const GoldenText &g : golden) {
        Decoder decoder;
        ASSERT_TRUE(decoder.feed(g.bytes)) << decoder.errorReason();
        EXPECT_EQ(decoder.next(), g.text);
        EXPECT_FALSE(decoder.next().has_value());
        stream.insert(stream.end(), g.bytes.begin(), g.bytes.end());
        expected.push_back(g.text);
    }
    for (std::size_t first = 0; first <= stream.size(); ++first) {
        for (std::size_t second = first; second <= stream.size(); ++second) {
            Decoder decoder;
            std::vector<std::string> got;
            ASSERT_TRUE(feedInPieces(decoder, stream, {first, second}, got));
            ASSERT_EQ(got, expected) << "cut at " << first << " and " << second;
        }
    }
}

} // namespace

TEST(ClipboardDecoder, DecodesGoldenTextsAtEverySplit)
{
    expectGoldenAndSplits<ClipboardDecoder>(goldenClipboard());
}

TEST(InputMethodDecoder, DecodesGoldenTextsAtEverySplit)
{
    expectGoldenAndSplits<InputMethodDecoder>(goldenInputMethod());
}

TEST(ClipboardDecoder, ReadsWhatTheGuestEncoderWrites)
{
    const std::string text = "copy \xE2\x9C\x93 this";
    ClipboardDecoder decoder;
    ASSERT_TRUE(decoder.feed(encodeClipboard(text)));
    EXPECT_EQ(decoder.next(), text);
}

TEST(ClipboardDecoder, LimitIsInclusive)
{
    const std::string largest(kClipboardTextMax, 'c');
    ClipboardDecoder decoder;
    ASSERT_TRUE(decoder.feed(concat({clipboardHeader(kClipboardTextMax), textBytes(largest)})));
    EXPECT_EQ(decoder.next(), largest);

    ClipboardDecoder over;
    EXPECT_FALSE(over.feed(clipboardHeader(kClipboardTextMax + 1)));
    EXPECT_EQ(over.error(), DecodeError::TooLong);
}

TEST(InputMethodDecoder, LimitIsInclusive)
{
    const std::string largest(kInputMethodTextMax, 'i');
    InputMethodDecoder decoder;
    ASSERT_TRUE(decoder.feed(concat({be32(kInputMethodTextMax), textBytes(largest)})));
    EXPECT_EQ(decoder.next(), largest);

    InputMethodDecoder over;
    EXPECT_FALSE(over.feed(be32(kInputMethodTextMax + 1)));
    EXPECT_EQ(over.error(), DecodeError::TooLong);
}

struct BadText {
    const char *name;
    Bytes bytes;
    DecodeError error;
};

TEST(ClipboardDecoder, RejectsBadHeaders)
{
    const BadText cases[] = {
        {"code 0", be32(0), DecodeError::UnknownCode},
        {"code 34", be32(34), DecodeError::UnknownCode},
        {"misc code", be32(205876), DecodeError::UnknownCode},
        {"2 GiB text", clipboardHeader(0x7FFFFFFF), DecodeError::TooLong},
        {"negative length", clipboardHeader(0xFFFFFFFE), DecodeError::BadLength},
    };
    for (const BadText &c : cases) {
        ClipboardDecoder decoder;
        EXPECT_FALSE(decoder.feed(c.bytes)) << c.name;
        EXPECT_EQ(decoder.error(), c.error) << c.name;
        EXPECT_FALSE(decoder.feed(goldenClipboard().front().bytes)) << c.name;
        EXPECT_FALSE(decoder.next().has_value()) << c.name;
    }
}

TEST(InputMethodDecoder, RejectsBadLengths)
{
    const BadText cases[] = {
        {"2 GiB text", be32(0x7FFFFFFF), DecodeError::TooLong},
        {"just over", be32(kInputMethodTextMax + 1), DecodeError::TooLong},
        {"negative length", be32(0x80000000), DecodeError::BadLength},
    };
    for (const BadText &c : cases) {
        InputMethodDecoder decoder;
        EXPECT_FALSE(decoder.feed(c.bytes)) << c.name;
        EXPECT_EQ(decoder.error(), c.error) << c.name;
        EXPECT_FALSE(decoder.errorReason().empty()) << c.name;
    }
}

TEST(ClipboardDecoder, LargeTextInSmallChunksHoldsOnlyWhatArrived)
{
    const std::string text(300000, 'z');
    const Bytes stream = concat({clipboardHeader(300000), textBytes(text)});
    ClipboardDecoder decoder;
    std::size_t fed = 0;
    while (fed < stream.size()) {
        const std::size_t chunk = std::min<std::size_t>(4093, stream.size() - fed);
        ASSERT_TRUE(decoder.feed(stream.data() + fed, chunk));
        fed += chunk;
        if (fed < stream.size()) {
            ASSERT_EQ(decoder.bufferedBytes(), fed);
        }
    }
    EXPECT_EQ(decoder.next(), text);
    EXPECT_EQ(decoder.bufferedBytes(), 0u);
}
