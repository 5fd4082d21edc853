#pragma once

#include "FrameStream.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The 32-byte frame header with every field settable, so that tests can send
// wrong ones.
struct FrameHeader
{
    std::uint32_t type = framestream::kFrameTypeImage;
    std::uint32_t width = 0;
    std::uint32_t height = 0;
    std::uint32_t rotation = 0;
    std::uint64_t sentAtUs = 0;
    std::uint32_t length = 0;
    std::uint32_t reserved = 0;

    static FrameHeader forImage(std::uint32_t width, std::uint32_t height,
                                std::uint32_t rotation = 0);
    std::array<std::uint8_t, framestream::kFrameHeaderSize> encode() const;
};

// A guest's end of the display stream over a blocking loopback socket.
class FrameSender
{
public:
    FrameSender() = default;
    ~FrameSender();
    FrameSender(const FrameSender &) = delete;
    FrameSender &operator=(const FrameSender &) = delete;

    // address is "127.0.0.1:PORT".
    bool connectTo(const std::string &address);
    bool sendHello(std::uint32_t magic = framestream::kFrameStreamMagic,
                   std::uint32_t version = framestream::kFrameStreamVersion);
    bool sendFrame(const FrameHeader &header, const std::vector<std::uint8_t> &pixels);
    bool sendBytes(const void *data, std::size_t size);
    // Sends in pieces of at most chunk bytes, each its own segment.
    bool sendInPieces(const void *data, std::size_t size, std::size_t chunk);

    // Half-closes: the renderer sees the end of the stream.
    void finishSending();
    // True once the renderer has closed its end (end of stream or reset).
    bool closedByPeer(std::chrono::milliseconds timeout);
    void close();

private:
    int m_fd = -1;
};

// The guest's monotonic clock in microseconds, as the header's sentAtUs.
std::uint64_t monotonicMicroseconds();
