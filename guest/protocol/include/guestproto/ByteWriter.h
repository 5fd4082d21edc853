#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace guest {

// Appends big-endian integers and raw bytes to a growing buffer.
class ByteWriter
{
public:
    ByteWriter() = default;
    explicit ByteWriter(std::size_t expectedSize) { m_bytes.reserve(expectedSize); }

    ByteWriter &u32(std::uint32_t value);
    ByteWriter &i32(std::int32_t value) { return u32(static_cast<std::uint32_t>(value)); }
    ByteWriter &u64(std::uint64_t value);
    ByteWriter &bytes(const void *data, std::size_t size);
    ByteWriter &bytes(std::string_view text) { return bytes(text.data(), text.size()); }

    std::size_t size() const { return m_bytes.size(); }
    const std::vector<std::uint8_t> &view() const { return m_bytes; }
    std::vector<std::uint8_t> take() { return std::move(m_bytes); }

private:
    std::vector<std::uint8_t> m_bytes;
};

} // namespace guest
