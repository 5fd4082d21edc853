#pragma once

// Shared body of the decoder fuzz targets. The input is decoded twice: fed
// whole, and fed in pieces whose sizes come from a generator seeded by the
// input. Both must give the same messages and the same error, and the
// decoder may never hold more than one incomplete message.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace fuzzing {

inline void check(bool condition)
{
    if (!condition)
        std::abort();
}

template <typename Decoder>
struct Outcome {
    std::vector<typename Decoder::MessageType> messages;
    bool failed = false;
    int error = 0;
};

template <typename Decoder>
void drain(Decoder &decoder, Outcome<Decoder> &outcome)
{
    while (auto message = decoder.next())
        outcome.messages.push_back(std::move(*message));
}

// largestIncomplete: the most bytes a message can have while still incomplete.
template <typename Decoder>
Outcome<Decoder> decodeWhole(const std::uint8_t *data, std::size_t size,
                             std::size_t largestIncomplete)
{
    Decoder decoder;
    Outcome<Decoder> outcome;
    decoder.feed(data, size);
    check(decoder.bufferedBytes() <= largestIncomplete);
    drain(decoder, outcome);
    outcome.failed = decoder.failed();
    outcome.error = static_cast<int>(decoder.error());
    check(decoder.failed() == !decoder.errorReason().empty());
    return outcome;
}

template <typename Decoder>
Outcome<Decoder> decodeInPieces(const std::uint8_t *data, std::size_t size,
                                std::size_t largestIncomplete)
{
    Decoder decoder;
    Outcome<Decoder> outcome;
    std::uint32_t state = static_cast<std::uint32_t>(size) * 2654435761u + 1;
    std::size_t fed = 0;
    while (fed < size) {
        state = state * 1103515245u + 12345u;
        const std::size_t piece = std::min<std::size_t>(1 + (state >> 16) % 13, size - fed);
        const bool accepted = decoder.feed(data + fed, piece);
        check(accepted == !decoder.failed());
        check(decoder.bufferedBytes() <= largestIncomplete);
        fed += piece;
        // Taking messages out between feeds must not change what follows.
        if (state & 0x100)
            drain(decoder, outcome);
    }
    drain(decoder, outcome);
    outcome.failed = decoder.failed();
    outcome.error = static_cast<int>(decoder.error());
    return outcome;
}

template <typename Decoder>
Outcome<Decoder> fuzzDecoder(const std::uint8_t *data, std::size_t size,
                             std::size_t largestIncomplete)
{
    Outcome<Decoder> whole = decodeWhole<Decoder>(data, size, largestIncomplete);
    const Outcome<Decoder> pieces = decodeInPieces<Decoder>(data, size, largestIncomplete);
    check(whole.failed == pieces.failed);
    check(whole.error == pieces.error);
    check(whole.messages == pieces.messages);
    return whole;
}

} // namespace fuzzing
