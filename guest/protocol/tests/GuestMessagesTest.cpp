#include "TestBytes.h"

#include <guestproto/GuestMessages.h>

#include <gtest/gtest.h>

#include <string>

using namespace guest;

struct EncoderCase {
    const char *name;
    Bytes encoded;
    Bytes expected;
};

TEST(GuestMessages, EveryEncoderWritesItsGoldenBytes)
{
    const EncoderCase cases[] = {
        {"guest ready", encodeGuestReady(),
         {
             0x00, 0x03, 0x24, 0x37, // code 205879, guest ready
             0x00, 0x00, 0x00, 0x01, // value 1: the agent is up
         }},
        {"guest ready, other value", encodeGuestReady(2),
         {
             0x00, 0x03, 0x24, 0x37, // code 205879
             0x00, 0x00, 0x00, 0x02, // value 2
         }},
        {"engine on", encodeEngineState(true),
         {
             0x00, 0x03, 0x24, 0x35, // code 205877, engine
             0x00, 0x00, 0x00, 0x01, // sub-command 1: state follows
             0x00, 0x00, 0x00, 0x01, // on
         }},
        {"engine off", encodeEngineState(false),
         {
             0x00, 0x03, 0x24, 0x35, // code 205877
             0x00, 0x00, 0x00, 0x01, // sub-command 1
             0x00, 0x00, 0x00, 0x00, // off
         }},
        {"engine sub-command", encodeEngineCommand(2),
         {
             0x00, 0x03, 0x24, 0x35, // code 205877
             0x00, 0x00, 0x00, 0x02, // sub-command 2, nothing follows
         }},
        {"mouse lock allowed", encodeMouseLock(1),
         {
             0x00, 0x03, 0x24, 0x36, // code 205878, mouse lock
             0x00, 0x00, 0x00, 0x01, // sub-command 1: lock value
             0x00, 0x00, 0x00, 0x04, // payload length 4
             0x00, 0x00, 0x00, 0x01, // value 1
         }},
        {"mouse lock refused", encodeMouseLock(0),
         {
             0x00, 0x03, 0x24, 0x36, // code 205878
             0x00, 0x00, 0x00, 0x01, // sub-command 1
             0x00, 0x00, 0x00, 0x04, // payload length 4
             0x00, 0x00, 0x00, 0x00, // value 0
         }},
        {"mouse lock sub-command", encodeMouseLockCommand(2),
         {
             0x00, 0x03, 0x24, 0x36, // code 205878
             0x00, 0x00, 0x00, 0x02, // sub-command 2
             0x00, 0x00, 0x00, 0x00, // length 0: the host reads no payload
         }},
        {"install result ok", encodeInstallResult(0, "ok"),
         {
             0x00, 0x03, 0x24, 0x33, // code 205875, install
             0x00, 0x00, 0x00, 0x00, // result 0
             0x00, 0x00, 0x00, 0x02, // text length 2
             0x6F, 0x6B,             // "ok"
         }},
        {"install result failure", encodeInstallResult(-1, "bad zip"),
         {
             0x00, 0x03, 0x24, 0x33,                  // code 205875
             0xFF, 0xFF, 0xFF, 0xFF,                  // result -1
             0x00, 0x00, 0x00, 0x07,                  // text length 7
             0x62, 0x61, 0x64, 0x20, 0x7A, 0x69, 0x70, // "bad zip"
         }},
        {"install result without text", encodeInstallResult(1, ""),
         {
             0x00, 0x03, 0x24, 0x33, // code 205875
             0x00, 0x00, 0x00, 0x01, // result 1
             0x00, 0x00, 0x00, 0x00, // no text
         }},
        {"clipboard abc", encodeClipboard("abc"),
         {
             0x00, 0x00, 0x00, 0x23, // code 35
             0x00, 0x00, 0x00, 0x03, // length 3
             0x61, 0x62, 0x63,       // "abc"
         }},
        {"clipboard empty", encodeClipboard(""),
         {
             0x00, 0x00, 0x00, 0x23, // code 35
             0x00, 0x00, 0x00, 0x00, // length 0, nothing follows
         }},
        {"clipboard multi-byte", encodeClipboard("\xC3\xA9"),
         {
             0x00, 0x00, 0x00, 0x23, // code 35
             0x00, 0x00, 0x00, 0x02, // length in bytes, not characters
             0xC3, 0xA9,             // "é" in UTF-8
         }},
    };
    for (const EncoderCase &c : cases)
        EXPECT_EQ(c.encoded, c.expected) << c.name;
}

TEST(GuestMessages, TextsKeepEmbeddedNulAndFullLength)
{
    const std::string text("a\0b", 3);
    const Bytes encoded = encodeClipboard(text);
    ASSERT_EQ(encoded.size(), 8u + 3u);
    EXPECT_EQ(encoded[7], 3);
    EXPECT_EQ(encoded[9], 0);

    const std::string longText(5000, 'x');
    const Bytes result = encodeInstallResult(1, longText);
    ASSERT_EQ(result.size(), 12u + 5000u);
    EXPECT_EQ(result[10], 0x13); // 5000 = 0x1388
    EXPECT_EQ(result[11], 0x88);
}
