#pragma once

// Everything the guest sends to the host services, each message serialised
// here and nowhere else. Texts go out as their bytes (UTF-8), without NUL.

#include <cstdint>
#include <string_view>
#include <vector>

namespace guest {

using Bytes = std::vector<std::uint8_t>;

// Misc: the guest's agent is up (the host acts on value 1 only).
Bytes encodeGuestReady(std::int32_t value = 1);

// Misc: the key-mapping engine's state (engine sub-command 1, then the state).
Bytes encodeEngineState(bool enabled);

// Misc: any other engine sub-command, which carries no further field.
Bytes encodeEngineCommand(std::int32_t subCommand);

// Misc: whether the running game allows the mouse to be locked
// (sub-command 1, payload length 4, the value).
Bytes encodeMouseLock(std::int32_t value);

// Misc: a mouse-lock sub-command other than the lock value (that one is
// encodeMouseLock). The host reads no payload for these, so the length field
// is 0 and nothing follows.
Bytes encodeMouseLockCommand(std::int32_t subCommand);

// Misc: the outcome of an install request (1 = installed) and a text, the
// app's name or the reason it failed. The host keeps at most
// kInstallResultTextMax bytes of it.
Bytes encodeInstallResult(std::int32_t result, std::string_view text);

// Clipboard: the guest's clipboard text.
Bytes encodeClipboard(std::string_view text);

} // namespace guest
