#include <guestproto/FrameHeaderCheck.h>

#include <guestproto/ByteReader.h>

#include <FrameStream.h>

namespace guest {

namespace {

std::optional<FrameInfo> reject(std::string *reason, std::string text)
{
    if (reason)
        *reason = std::move(text);
    return std::nullopt;
}

} // namespace

bool checkFrameStreamHello(const std::uint8_t *data, std::size_t size)
{
    ByteReader reader(data, size);
    std::uint32_t magic = 0;
    std::uint32_t version = 0;
    return reader.u32(magic) && reader.u32(version) &&
           magic == framestream::kFrameStreamMagic && version == framestream::kFrameStreamVersion;
}

std::optional<FrameInfo> decodeFrameHeader(const std::uint8_t *data, std::size_t size,
                                           std::string *reason)
{
    if (size < framestream::kFrameHeaderSize)
        return reject(reason, "short frame header");
    ByteReader reader(data, size);
    std::uint32_t type = 0;
    std::uint32_t length = 0;
    std::uint32_t reserved = 0;
    FrameInfo info;
    reader.u32(type);
    reader.u32(info.width);
    reader.u32(info.height);
    reader.u32(info.rotation);
    reader.u64(info.sentAtUs);
    reader.u32(length);
    reader.u32(reserved);
    if (type != framestream::kFrameTypeImage)
        return reject(reason, "unknown frame type " + std::to_string(type));
    if (!frameInfoValid(info))
        return reject(reason, "bad frame size or rotation " + std::to_string(info.width) + "x" +
                                  std::to_string(info.height) + " @" +
                                  std::to_string(info.rotation));
    if (length != framePayloadSize(info))
        return reject(reason, "frame length " + std::to_string(length) + " does not match " +
                                  std::to_string(info.width) + "x" + std::to_string(info.height));
    return info;
}

} // namespace guest
