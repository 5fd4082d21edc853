#include "DecoderFuzzing.h"

#include <guestproto/ClipboardDecoder.h>
#include <guestproto/GuestMessages.h>
#include <guestproto/WireCodes.h>

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto outcome = fuzzing::fuzzDecoder<guest::ClipboardDecoder>(
        data, size, 8 + guest::kClipboardTextMax - 1);
    // The clipboard message is the same in both directions: re-encoding the
    // decoded texts gives back the bytes they came from.
    std::size_t offset = 0;
    for (const std::string &text : outcome.messages) {
        fuzzing::check(text.size() <= guest::kClipboardTextMax);
        const guest::Bytes encoded = guest::encodeClipboard(text);
        fuzzing::check(offset + encoded.size() <= size);
        fuzzing::check(std::equal(encoded.begin(), encoded.end(), data + offset));
        offset += encoded.size();
    }
    return 0;
}
