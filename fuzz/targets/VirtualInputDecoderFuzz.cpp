#include "DecoderFuzzing.h"

#include <guestproto/VirtualInputDecoder.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    // The longest message (touch, wheel) is 24 bytes.
    const auto outcome = fuzzing::fuzzDecoder<guest::VirtualInputDecoder>(data, size, 23);
    for (const guest::VirtualInputMessage &message : outcome.messages)
        fuzzing::check(guest::eventType(message) != nullptr);
    return 0;
}
