#include <guestproto/FrameStreamWriter.h>

#include <guestproto/ByteWriter.h>
#include <guestproto/GuestSocket.h>

#include <FrameStream.h>

#include <chrono>

namespace guest {

bool frameInfoValid(const FrameInfo &info)
{
    const bool sidesOk = info.width >= 1 && info.width <= framestream::kFrameMaxSide &&
                         info.height >= 1 && info.height <= framestream::kFrameMaxSide;
    const bool rotationOk = info.rotation == 0 || info.rotation == 90 || info.rotation == 180 ||
                            info.rotation == 270;
    return sidesOk && rotationOk;
}

std::uint64_t framePayloadSize(const FrameInfo &info)
{
    return std::uint64_t(info.width) * info.height * 4;
}

Bytes encodeFrameStreamHello()
{
    return ByteWriter(framestream::kHelloSize)
        .u32(framestream::kFrameStreamMagic)
        .u32(framestream::kFrameStreamVersion)
        .take();
}

Bytes encodeFrameHeader(const FrameInfo &info)
{
    return ByteWriter(framestream::kFrameHeaderSize)
        .u32(framestream::kFrameTypeImage)
        .u32(info.width)
        .u32(info.height)
        .u32(info.rotation)
        .u64(info.sentAtUs)
        .u32(static_cast<std::uint32_t>(framePayloadSize(info)))
        .u32(0)
        .take();
}

std::uint64_t monotonicMicros()
{
    const auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(
        std::chrono::duration_cast<std::chrono::microseconds>(now).count());
}

bool sendFrame(GuestSocket &socket, FrameInfo info, const std::uint8_t *rgba, std::size_t size)
{
    if (!frameInfoValid(info) || framePayloadSize(info) != size || !rgba)
        return false;
    if (info.sentAtUs == 0)
        info.sentAtUs = monotonicMicros();
    return socket.sendAll(encodeFrameHeader(info)) && socket.sendAll(rgba, size);
}

} // namespace guest
