#pragma once

#include <cstdint>
#include <initializer_list>
#include <string_view>
#include <vector>

using Bytes = std::vector<std::uint8_t>;

// Joins golden pieces into one stream.
inline Bytes concat(std::initializer_list<Bytes> parts)
{
    Bytes out;
    for (const Bytes &part : parts)
        out.insert(out.end(), part.begin(), part.end());
    return out;
}

inline Bytes textBytes(std::string_view text)
{
    return Bytes(text.begin(), text.end());
}

// Feeds a stream to a decoder in the given piece sizes (the last piece takes
// the rest) and collects every message.
template <typename Decoder, typename Message>
bool feedInPieces(Decoder &decoder, const Bytes &stream, std::initializer_list<std::size_t> cuts,
                  std::vector<Message> &out)
{
    std::size_t start = 0;
    bool ok = true;
    for (std::size_t cut : cuts) {
        ok = decoder.feed(stream.data() + start, cut - start) && ok;
        start = cut;
    }
    ok = decoder.feed(stream.data() + start, stream.size() - start) && ok;
    while (auto message = decoder.next())
        out.push_back(*message);
    return ok;
}
