#include "DecoderFuzzing.h"

#include <guestproto/InputMethodDecoder.h>
#include <guestproto/WireCodes.h>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const auto outcome = fuzzing::fuzzDecoder<guest::InputMethodDecoder>(
        data, size, 4 + guest::kInputMethodTextMax - 1);
    std::size_t consumed = 0;
    for (const std::string &text : outcome.messages) {
        fuzzing::check(text.size() <= guest::kInputMethodTextMax);
        consumed += 4 + text.size();
    }
    fuzzing::check(consumed <= size);
    return 0;
}
