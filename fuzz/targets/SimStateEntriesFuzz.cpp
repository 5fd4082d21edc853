// The simulated engine's state files (properties, shares, hardware), read
// by the engine and by the simulated guest: what a file gives must be
// written back and read again unchanged, and each text must survive its
// escaping.

#include "DecoderFuzzing.h"

#include <SimStateFormat.h>

#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(data), size);
    const simstate::Entries entries = simstate::parseEntries(text);
    const std::string written = simstate::formatEntries(entries);
    fuzzing::check(simstate::parseEntries(written) == entries);
    // One line per entry, whatever the names and values hold.
    std::size_t lines = 0;
    for (const char c : written)
        lines += c == '\n';
    fuzzing::check(lines == entries.size());
    fuzzing::check(simstate::unescape(simstate::escape(text)) == text);
    return 0;
}
