#pragma once

// Every integer on the guest connections is 32 bits, signed, big-endian.

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <vector>

namespace service::wire {

inline void putInt32(char *out, std::int32_t value)
{
    const auto bits = static_cast<std::uint32_t>(value);
    out[0] = static_cast<char>(bits >> 24);
    out[1] = static_cast<char>(bits >> 16);
    out[2] = static_cast<char>(bits >> 8);
    out[3] = static_cast<char>(bits);
}

inline std::int32_t getInt32(const char *in)
{
    const auto byte = [in](int i) {
        return static_cast<std::uint32_t>(static_cast<unsigned char>(in[i]));
    };
    return static_cast<std::int32_t>(byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3));
}

// A message made of integers only, e.g. ints(1, 12, scan, action, third).
template <typename... Ints> std::array<char, 4 * sizeof...(Ints)> ints(Ints... values)
{
    std::array<char, 4 * sizeof...(Ints)> bytes{};
    std::size_t offset = 0;
    for (const std::int32_t value : {static_cast<std::int32_t>(values)...}) {
        putInt32(bytes.data() + offset, value);
        offset += 4;
    }
    return bytes;
}

// Integers followed by raw bytes, e.g. a header and a text.
inline std::vector<char> intsThenBytes(std::initializer_list<std::int32_t> head, const char *bytes,
                                       std::size_t count)
{
    std::vector<char> message(head.size() * 4 + count);
    std::size_t offset = 0;
    for (const std::int32_t value : head) {
        putInt32(message.data() + offset, value);
        offset += 4;
    }
    if (count > 0)
        std::copy(bytes, bytes + count, message.begin() + static_cast<std::ptrdiff_t>(offset));
    return message;
}

} // namespace service::wire
