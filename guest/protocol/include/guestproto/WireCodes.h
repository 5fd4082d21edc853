#pragma once

// Ports, message codes and bounds of the guest service connections. Every
// integer on these connections is 32 bits, big-endian.

#include <cstddef>
#include <cstdint>

namespace guest {

// Where the host services listen (127.0.0.1). The input-method port is
// published to the guest as a property; this is the value the player uses.
constexpr std::uint16_t kVirtualInputPort = 33691;
constexpr std::uint16_t kClipboardPort = 44681;
constexpr std::uint16_t kMiscPort = 55681;
constexpr std::uint16_t kInputMethodPort = 22576;

// Virtual input (host to guest): code, payload length, payload fields.
namespace vinput {
constexpr std::int32_t kKey = 1;
constexpr std::int32_t kTouch = 2;
constexpr std::int32_t kWheel = 3;
constexpr std::int32_t kTouchConfig = 4;
constexpr std::int32_t kMouseOffset = 6;
constexpr std::int32_t kMouseLeft = 7;
constexpr std::int32_t kMouseRight = 8;
constexpr std::int32_t kZoom = 9;
} // namespace vinput

// Misc channel, both directions: a code, then fields that depend on it.
namespace misc {
constexpr std::int32_t kGps = 205874;
constexpr std::int32_t kInstall = 205875;
constexpr std::int32_t kShake = 205876;
constexpr std::int32_t kEngine = 205877;
constexpr std::int32_t kMouseLock = 205878; // guest to host only
constexpr std::int32_t kGuestReady = 205879; // guest to host only

// Second field of the host-to-guest messages.
constexpr std::int32_t kShakeGesture = 1;
constexpr std::int32_t kEngineEnable = 1; // also the guest's engine-state report
constexpr std::int32_t kEngineShowEditor = 2;
constexpr std::int32_t kGpsOn = 1;
constexpr std::int32_t kGpsOff = 2;
constexpr std::int32_t kGpsFix = 3;
constexpr std::int32_t kInstallRequest = 1;

// Mouse-lock sub-command that carries the lock value.
constexpr std::int32_t kMouseLockValue = 1;
} // namespace misc

constexpr std::int32_t kClipboardCode = 35;

// Largest texts the decoders accept; a longer announced length is an error.
constexpr std::size_t kClipboardTextMax = 1u << 20;
constexpr std::size_t kInputMethodTextMax = 1u << 20;
constexpr std::size_t kFileNameMax = 4096;
constexpr std::size_t kGpsTextMax = 4096;

// The host keeps an install result text in a 1023-byte field.
constexpr std::size_t kInstallResultTextMax = 1023;

} // namespace guest
