#pragma once

// The receiving side's checks of the display stream, as the renderer applies
// them: used to verify what the writer produces, and fuzzed.

#include <guestproto/FrameStreamWriter.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace guest {

// True when the first bytes are a hello of the expected magic and version.
bool checkFrameStreamHello(const std::uint8_t *data, std::size_t size);

// Decodes and checks a 32-byte frame header; on failure returns nothing and
// says why in *reason (when given). The reserved field is not checked.
std::optional<FrameInfo> decodeFrameHeader(const std::uint8_t *data, std::size_t size,
                                           std::string *reason = nullptr);

} // namespace guest
