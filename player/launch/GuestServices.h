#pragma once

// The fixed ports of the guest services; the guest's agents connect to them.
// The input-method port reaches the guest as the property
// "tavenor.ime.port", the others are known to it.
namespace GuestPorts {
inline constexpr int kVirtualInput = 33691;
inline constexpr int kClipboard = 44681;
inline constexpr int kMisc = 55681;
inline constexpr int kInputMethod = 22576;
} // namespace GuestPorts

// Starts the server manager and the guest services in their order: virtual
// input, clipboard (its bridge gets clipboardTarget as user data), misc,
// input method. A port that cannot be bound is logged by the service
// library; the others start all the same.
void startGuestServices(void *clipboardTarget);
