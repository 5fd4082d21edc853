#include "TestBytes.h"

#include <guestproto/ByteReader.h>
#include <guestproto/ByteWriter.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

using guest::ByteReader;
using guest::ByteWriter;

TEST(ByteWriter, WritesBigEndian)
{
    const Bytes written = ByteWriter()
                              .u32(0x01020304)                  // u32
                              .i32(-2)                          // i32, two's complement
                              .u64(0x1122334455667788ull)       // u64, high word first
                              .bytes("hi")                      // raw bytes
                              .bytes(nullptr, 0)                // nothing
                              .take();
    const Bytes expected{0x01, 0x02, 0x03, 0x04, 0xFF, 0xFF, 0xFF, 0xFE, 0x11, 0x22,
                         0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 'h',  'i'};
    EXPECT_EQ(written, expected);
}

TEST(ByteReader, ReadsWhatTheWriterWrote)
{
    const Bytes bytes = ByteWriter()
                            .i32(std::numeric_limits<std::int32_t>::min())
                            .u32(std::numeric_limits<std::uint32_t>::max())
                            .u64(std::numeric_limits<std::uint64_t>::max())
                            .bytes("xyz")
                            .take();
    ByteReader reader(bytes.data(), bytes.size());
    std::int32_t i = 0;
    std::uint32_t u = 0;
    std::uint64_t w = 0;
    std::string text;
    ASSERT_TRUE(reader.i32(i));
    ASSERT_TRUE(reader.u32(u));
    ASSERT_TRUE(reader.u64(w));
    ASSERT_TRUE(reader.bytes(3, text));
    EXPECT_EQ(i, std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(u, std::numeric_limits<std::uint32_t>::max());
    EXPECT_EQ(w, std::numeric_limits<std::uint64_t>::max());
    EXPECT_EQ(text, "xyz");
    EXPECT_EQ(reader.remaining(), 0u);
}

TEST(ByteReader, ReadPastTheEndFailsAndChangesNothing)
{
    const Bytes bytes{0x00, 0x00, 0x00, 0x07, 0xAA, 0xBB, 0xCC};
    ByteReader reader(bytes.data(), bytes.size());
    std::uint32_t value = 0;
    ASSERT_TRUE(reader.u32(value));

    std::uint32_t u = 42;
    std::uint64_t w = 42;
    std::string text = "unchanged";
    EXPECT_FALSE(reader.u32(u));
    EXPECT_FALSE(reader.u64(w));
    EXPECT_FALSE(reader.bytes(4, text));
    EXPECT_EQ(u, 42u);
    EXPECT_EQ(w, 42u);
    EXPECT_EQ(text, "unchanged");
    EXPECT_EQ(reader.position(), 4u);

    EXPECT_TRUE(reader.bytes(3, text));
    EXPECT_EQ(text, "\xAA\xBB\xCC");
    EXPECT_TRUE(reader.bytes(0, text));
    EXPECT_EQ(text, "");
}

TEST(ByteReader, EmptyInputReadsNothing)
{
    ByteReader reader(nullptr, 0);
    std::int32_t value = 0;
    std::string text;
    EXPECT_FALSE(reader.i32(value));
    EXPECT_TRUE(reader.bytes(0, text));
    EXPECT_EQ(reader.remaining(), 0u);
}
