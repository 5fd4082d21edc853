#include "TestBytes.h"

#include <guestproto/MiscDecoder.h>
#include <guestproto/WireCodes.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace guest;

namespace {

const char kGpsText[] = "108.937500,34.250000,1.000000,1.000000,1.000000";

struct GoldenMisc {
    Bytes bytes;
    MiscMessage message;
    const char *type;
};

const std::vector<GoldenMisc> &goldenMisc()
{
    static const std::vector<GoldenMisc> messages = {
        {{
             0x00, 0x03, 0x24, 0x34, // code 205876, shake
             0x00, 0x00, 0x00, 0x01, // 1
         },
         Shake{},
         "shake"},
        {{
             0x00, 0x03, 0x24, 0x35, // code 205877, engine
             0x00, 0x00, 0x00, 0x01, // sub-command 1, enable
             0x00, 0x00, 0x00, 0x01, // enabled
         },
         EngineEnable{1},
         "engine_enable"},
        {{
             0x00, 0x03, 0x24, 0x35, // code 205877, engine
             0x00, 0x00, 0x00, 0x01, // sub-command 1, enable
             0x00, 0x00, 0x00, 0x00, // disabled
         },
         EngineEnable{0},
         "engine_enable"},
        {{
             0x00, 0x03, 0x24, 0x35, // code 205877, engine
             0x00, 0x00, 0x00, 0x02, // sub-command 2, show the editor
         },
         ShowEngineEditor{},
         "engine_editor"},
        {{
             0x00, 0x03, 0x24, 0x32, // code 205874, GPS
             0x00, 0x00, 0x00, 0x01, // 1, on
         },
         GpsEnable{true},
         "gps_enable"},
        {{
             0x00, 0x03, 0x24, 0x32, // code 205874, GPS
             0x00, 0x00, 0x00, 0x02, // 2, off
         },
         GpsEnable{false},
         "gps_enable"},
        {concat({{
                     0x00, 0x03, 0x24, 0x32, // code 205874, GPS
                     0x00, 0x00, 0x00, 0x03, // 3, a fix follows
                     0x00, 0x00, 0x00, 0x2F, // text length 47
                 },
                 textBytes(kGpsText)}),
         GpsFix{kGpsText},
         "gps_fix"},
        {concat({{
                     0x00, 0x03, 0x24, 0x33, // code 205875, install
                     0x00, 0x00, 0x00, 0x01, // 1, request
                     0x00, 0x00, 0x00, 0x08, // file name length 8
                 },
                 textBytes("game.apk")}),
         InstallRequest{"game.apk"},
         "install"},
        {{
             0x00, 0x03, 0x24, 0x33, // code 205875, install
             0x00, 0x00, 0x00, 0x01, // 1, request
             0x00, 0x00, 0x00, 0x00, // empty file name
         },
         InstallRequest{""},
         "install"},
    };
    return messages;
}

Bytes allGolden()
{
    Bytes stream;
    for (const GoldenMisc &m : goldenMisc())
        stream.insert(stream.end(), m.bytes.begin(), m.bytes.end());
    return stream;
}

std::vector<MiscMessage> allExpected()
{
    std::vector<MiscMessage> out;
    for (const GoldenMisc &m : goldenMisc())
        out.push_back(m.message);
    return out;
}

Bytes gpsFixHeader(std::uint32_t length)
{
    return {0x00,
            0x03,
            0x24,
            0x32,
            0x00,
            0x00,
            0x00,
            0x03,
            std::uint8_t(length >> 24),
            std::uint8_t(length >> 16),
            std::uint8_t(length >> 8),
            std::uint8_t(length)};
}

Bytes installHeader(std::uint32_t length)
{
    Bytes header = gpsFixHeader(length);
    header[3] = 0x33; // code 205875
    header[7] = 0x01; // request
    return header;
}

} // namespace

TEST(MiscDecoder, DecodesEveryHostMessage)
{
    for (const GoldenMisc &m : goldenMisc()) {
        MiscDecoder decoder;
        ASSERT_TRUE(decoder.feed(m.bytes)) << m.type << ": " << decoder.errorReason();
        const auto message = decoder.next();
        ASSERT_TRUE(message.has_value()) << m.type;
        EXPECT_EQ(*message, m.message) << m.type;
        EXPECT_STREQ(eventType(*message), m.type);
        EXPECT_EQ(decoder.available(), 0u);
        EXPECT_EQ(decoder.bufferedBytes(), 0u);
    }
}

TEST(MiscDecoder, EverySplitDecodesEachMessageOnce)
{
    const Bytes stream = allGolden();
    const std::vector<MiscMessage> expected = allExpected();
    for (std::size_t first = 0; first <= stream.size(); ++first) {
        for (std::size_t second = first; second <= stream.size(); second += 5) {
            MiscDecoder decoder;
            std::vector<MiscMessage> got;
            ASSERT_TRUE(feedInPieces(decoder, stream, {first, second}, got));
            ASSERT_EQ(got, expected) << "cut at " << first << " and " << second;
        }
    }
}

TEST(MiscDecoder, TextsUpToTheLimitPass)
{
    const std::string gps(kGpsTextMax, '1');
    const std::string file(kFileNameMax, 'f');
    MiscDecoder decoder;
    ASSERT_TRUE(decoder.feed(concat({gpsFixHeader(kGpsTextMax), textBytes(gps),
                                     installHeader(kFileNameMax), textBytes(file)})));
    EXPECT_EQ(*decoder.next(), MiscMessage(GpsFix{gps}));
    EXPECT_EQ(*decoder.next(), MiscMessage(InstallRequest{file}));
}

struct BadMisc {
    const char *name;
    Bytes bytes;
    DecodeError error;
};

TEST(MiscDecoder, RejectsWhatItCannotFrame)
{
    const BadMisc cases[] = {
        {"code 0", {0x00, 0x00, 0x00, 0x00}, DecodeError::UnknownCode},
        {"code 205873", {0x00, 0x03, 0x24, 0x31}, DecodeError::UnknownCode},
        {"mouse lock is guest to host", {0x00, 0x03, 0x24, 0x36}, DecodeError::UnknownCode},
        {"guest ready is guest to host", {0x00, 0x03, 0x24, 0x37}, DecodeError::UnknownCode},
        {"clipboard code", {0x00, 0x00, 0x00, 0x23}, DecodeError::UnknownCode},
        {"shake 2", {0x00, 0x03, 0x24, 0x34, 0x00, 0x00, 0x00, 0x02},
         DecodeError::UnknownSubCommand},
        {"engine 3", {0x00, 0x03, 0x24, 0x35, 0x00, 0x00, 0x00, 0x03},
         DecodeError::UnknownSubCommand},
        {"engine 0", {0x00, 0x03, 0x24, 0x35, 0x00, 0x00, 0x00, 0x00},
         DecodeError::UnknownSubCommand},
        {"gps 0", {0x00, 0x03, 0x24, 0x32, 0x00, 0x00, 0x00, 0x00}, DecodeError::UnknownSubCommand},
        {"gps 4", {0x00, 0x03, 0x24, 0x32, 0x00, 0x00, 0x00, 0x04}, DecodeError::UnknownSubCommand},
        {"install 2", {0x00, 0x03, 0x24, 0x33, 0x00, 0x00, 0x00, 0x02},
         DecodeError::UnknownSubCommand},
        {"gps text over the limit", gpsFixHeader(kGpsTextMax + 1), DecodeError::TooLong},
        {"gps text of 2 GiB", gpsFixHeader(0x7FFFFFFF), DecodeError::TooLong},
        {"gps text negative", gpsFixHeader(0xFFFFFFFF), DecodeError::BadLength},
        {"file name over the limit", installHeader(kFileNameMax + 1), DecodeError::TooLong},
        {"file name negative", installHeader(0x80000000), DecodeError::BadLength},
    };
    for (const BadMisc &c : cases) {
        MiscDecoder decoder;
        EXPECT_FALSE(decoder.feed(c.bytes)) << c.name;
        EXPECT_EQ(decoder.error(), c.error) << c.name << ": " << decoder.errorReason();
        EXPECT_FALSE(decoder.errorReason().empty()) << c.name;
        EXPECT_EQ(decoder.bufferedBytes(), 0u) << c.name;
        EXPECT_FALSE(decoder.next().has_value()) << c.name;
        EXPECT_FALSE(decoder.feed(goldenMisc().front().bytes)) << c.name;
        EXPECT_FALSE(decoder.next().has_value()) << c.name;
    }
}

TEST(MiscDecoder, UnknownCodeFailsBeforeItsSecondFieldArrives)
{
    MiscDecoder decoder;
    EXPECT_TRUE(decoder.feed(Bytes{0x00, 0x03, 0x24}));
    EXPECT_FALSE(decoder.feed(Bytes{0x37}));
    EXPECT_EQ(decoder.error(), DecodeError::UnknownCode);
}

TEST(MiscDecoder, PartialTextWaitsWithoutError)
{
    MiscDecoder decoder;
    const Bytes message = goldenMisc()[6].bytes; // GPS fix
    ASSERT_TRUE(decoder.feed(message.data(), message.size() - 1));
    EXPECT_FALSE(decoder.next().has_value());
    EXPECT_EQ(decoder.bufferedBytes(), message.size() - 1);
    ASSERT_TRUE(decoder.feed(&message.back(), 1));
    EXPECT_EQ(*decoder.next(), MiscMessage(GpsFix{kGpsText}));
}
