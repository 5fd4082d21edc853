#include <guestproto/VirtualInputDecoder.h>

#include <guestproto/WireCodes.h>

#include <array>

namespace guest {

namespace {

// Payload bytes of each code, -1 for codes the connection does not carry.
std::int32_t payloadLength(std::int32_t code)
{
    switch (code) {
    case vinput::kKey:
        return 12;
    case vinput::kTouch:
    case vinput::kWheel:
        return 16;
    case vinput::kTouchConfig:
    case vinput::kMouseOffset:
    case vinput::kMouseRight:
        return 8;
    case vinput::kMouseLeft:
        return 4;
    case vinput::kZoom:
        return 12;
    default:
        return -1;
    }
}

VirtualInputMessage build(std::int32_t code, const std::array<std::int32_t, 4> &f)
{
    switch (code) {
    case vinput::kKey:
        return KeyInput{f[0], f[1], f[2]};
    case vinput::kTouch:
        return TouchInput{f[0], f[1], f[2], f[3]};
    case vinput::kWheel:
        return WheelInput{f[0], f[1], f[2], f[3]};
    case vinput::kTouchConfig:
        return TouchConfig{f[0], f[1]};
    case vinput::kMouseOffset:
        return MouseOffset{f[0], f[1]};
    case vinput::kMouseLeft:
        return MouseLeftButton{f[0]};
    case vinput::kMouseRight:
        return MouseRightButton{f[0], f[1]};
    default:
        return ZoomInput{f[0], f[1], f[2]};
    }
}

} // namespace

VirtualInputDecoder::Step VirtualInputDecoder::decodeOne(ByteReader &reader,
                                                         VirtualInputMessage &out)
{
    std::int32_t code = 0;
    if (!reader.i32(code))
        return Step::NeedMore;
    const std::int32_t expected = payloadLength(code);
    if (expected < 0)
        return fail(DecodeError::UnknownCode, "unknown virtual input code " + std::to_string(code));
    std::int32_t length = 0;
    if (!reader.i32(length))
        return Step::NeedMore;
    if (length != expected)
        return fail(DecodeError::BadLength, "virtual input code " + std::to_string(code) +
                                                " announces " + std::to_string(length) +
                                                " payload bytes, expected " +
                                                std::to_string(expected));
    if (reader.remaining() < static_cast<std::size_t>(length))
        return Step::NeedMore;
    std::array<std::int32_t, 4> fields{};
    for (std::int32_t i = 0; i < length / 4; ++i)
        reader.i32(fields[static_cast<std::size_t>(i)]);
    out = build(code, fields);
    return Step::Decoded;
}

} // namespace guest
