#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace guest {

// Reads big-endian integers and raw bytes from a buffer it does not own.
// A read that would pass the end fails, leaves the output and the position
// untouched, and may be retried once more bytes are available.
class ByteReader
{
public:
    ByteReader(const std::uint8_t *data, std::size_t size) : m_data(data), m_size(size) {}

    bool u32(std::uint32_t &value);
    bool i32(std::int32_t &value);
    bool u64(std::uint64_t &value);
    bool bytes(std::size_t count, std::string &out);

    std::size_t position() const { return m_position; }
    std::size_t remaining() const { return m_size - m_position; }

private:
    const std::uint8_t *m_data;
    std::size_t m_size;
    std::size_t m_position = 0;
};

} // namespace guest
