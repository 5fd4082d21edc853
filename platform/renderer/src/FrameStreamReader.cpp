#include "FrameStreamReader.h"

#include "FrameStream.h"
#include "PixelOrder.h"

#include <QtEndian>

#include <algorithm>
#include <utility>

namespace renderer {
namespace {

bool sideInRange(std::uint32_t side)
{
    return side >= 1 && side <= framestream::kFrameMaxSide;
}

bool knownRotation(std::uint32_t rotation)
{
    return rotation == 0 || rotation == 90 || rotation == 180 || rotation == 270;
}

// Pixels are received this many bytes at a time, so that they are still in
// the processor's cache when they are converted.
constexpr std::size_t kPayloadChunk = 128 * 1024;

static_assert(framestream::kHelloSize <= framestream::kFrameHeaderSize);
static_assert(framestream::kFrameHeaderSize == 32);

} // namespace

std::uint8_t *FrameStreamReader::writePointer()
{
    if (m_stage == Stage::Payload)
        return m_frame->image.bits() + m_filled;
    return m_head.data() + m_filled;
}

std::size_t FrameStreamReader::writeRoom() const
{
    const std::size_t left = m_expected - m_filled;
    return m_stage == Stage::Payload ? std::min(left, kPayloadChunk) : left;
}

FrameStreamReader::Step FrameStreamReader::commit(std::size_t count)
{
    m_filled += count;
    if (m_stage == Stage::Payload)
        convertArrivedPixels();
    if (m_filled < m_expected)
        return {};
    m_filled = 0;
    switch (m_stage) {
    case Stage::Hello:
        return finishHello();
    case Stage::Header:
        return finishHeader();
    case Stage::Payload:
        return finishPayload();
    }
    return {};
}

FrameStreamReader::Step FrameStreamReader::finishHello()
{
    if (qFromBigEndian<quint32>(m_head.data()) != framestream::kFrameStreamMagic)
        return {nullptr, "bad magic"};
    if (qFromBigEndian<quint32>(m_head.data() + 4) != framestream::kFrameStreamVersion)
        return {nullptr, "unsupported version"};
    m_stage = Stage::Header;
    m_expected = framestream::kFrameHeaderSize;
    return {};
}

FrameStreamReader::Step FrameStreamReader::finishHeader()
{
    const std::uint8_t *h = m_head.data();
    const std::uint32_t type = qFromBigEndian<quint32>(h);
    const std::uint32_t width = qFromBigEndian<quint32>(h + 4);
    const std::uint32_t height = qFromBigEndian<quint32>(h + 8);
    const std::uint32_t rotation = qFromBigEndian<quint32>(h + 12);
    const std::uint64_t sentAtUs = qFromBigEndian<quint64>(h + 16);
    const std::uint32_t length = qFromBigEndian<quint32>(h + 24);

    if (type != framestream::kFrameTypeImage)
        return {nullptr, "unknown frame type"};
    if (!sideInRange(width) || !sideInRange(height))
        return {nullptr, "frame size out of range"};
    if (!knownRotation(rotation))
        return {nullptr, "bad rotation"};
    if (std::uint64_t(length) != std::uint64_t(width) * height * 4)
        return {nullptr, "length does not match frame size"};

    auto frame = std::make_shared<Frame>();
    frame->image = QImage(int(width), int(height), QImage::Format_RGBA8888);
    if (frame->image.isNull() || std::size_t(frame->image.sizeInBytes()) != length)
        return {nullptr, "no memory for frame"};
    frame->rotation = rotation;
    frame->sentAtUs = sentAtUs;
    m_frame = std::move(frame);
    m_stage = Stage::Payload;
    m_expected = length;
    return {};
}

void FrameStreamReader::convertArrivedPixels()
{
    const std::size_t whole = m_filled / 4 * 4;
    std::uint8_t *pixels = m_frame->image.bits() + m_converted;
    swapRedBlueOpaque(pixels, pixels, (whole - m_converted) / 4);
    m_converted = whole;
}

FrameStreamReader::Step FrameStreamReader::finishPayload()
{
    m_frame->image.reinterpretAsFormat(QImage::Format_RGB32);
    m_converted = 0;
    m_stage = Stage::Header;
    m_expected = framestream::kFrameHeaderSize;
    return {std::exchange(m_frame, nullptr), nullptr};
}

} // namespace renderer
