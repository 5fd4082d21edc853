#include <guestproto/ByteReader.h>

namespace guest {

bool ByteReader::u32(std::uint32_t &value)
{
    if (remaining() < 4)
        return false;
    const std::uint8_t *p = m_data + m_position;
    value = (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) |
            (std::uint32_t(p[2]) << 8) | std::uint32_t(p[3]);
    m_position += 4;
    return true;
}

bool ByteReader::i32(std::int32_t &value)
{
    std::uint32_t raw = 0;
    if (!u32(raw))
        return false;
    value = static_cast<std::int32_t>(raw);
    return true;
}

bool ByteReader::u64(std::uint64_t &value)
{
    if (remaining() < 8)
        return false;
    std::uint32_t high = 0;
    std::uint32_t low = 0;
    u32(high);
    u32(low);
    value = (std::uint64_t(high) << 32) | low;
    return true;
}

bool ByteReader::bytes(std::size_t count, std::string &out)
{
    if (remaining() < count)
        return false;
    out.assign(reinterpret_cast<const char *>(m_data) + m_position, count);
    m_position += count;
    return true;
}

} // namespace guest
