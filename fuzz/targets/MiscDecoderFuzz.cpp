#include "DecoderFuzzing.h"

#include <guestproto/MiscDecoder.h>
#include <guestproto/WireCodes.h>

#include <algorithm>
#include <variant>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    constexpr std::size_t kLargestIncomplete = 12 + std::max(guest::kGpsTextMax, guest::kFileNameMax) - 1;
    const auto outcome = fuzzing::fuzzDecoder<guest::MiscDecoder>(data, size, kLargestIncomplete);
    for (const guest::MiscMessage &message : outcome.messages) {
        if (const auto *fix = std::get_if<guest::GpsFix>(&message))
            fuzzing::check(fix->text.size() <= guest::kGpsTextMax);
        if (const auto *install = std::get_if<guest::InstallRequest>(&message))
            fuzzing::check(install->file.size() <= guest::kFileNameMax);
    }
    return 0;
}
