#include <guestproto/ByteWriter.h>

namespace guest {

ByteWriter &ByteWriter::u32(std::uint32_t value)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        m_bytes.push_back(static_cast<std::uint8_t>(value >> shift));
    return *this;
}

ByteWriter &ByteWriter::u64(std::uint64_t value)
{
    u32(static_cast<std::uint32_t>(value >> 32));
    return u32(static_cast<std::uint32_t>(value));
}

ByteWriter &ByteWriter::bytes(const void *data, std::size_t size)
{
    if (size == 0)
        return *this;
    const auto *first = static_cast<const std::uint8_t *>(data);
    m_bytes.insert(m_bytes.end(), first, first + size);
    return *this;
}

} // namespace guest
