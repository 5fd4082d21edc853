#pragma once

// The window system the player draws on. The renderer embeds the guest's
// screen through a native window id, which X11 and Windows give and Wayland
// does not: a Wayland session runs the player through Xwayland unless the
// user chose a platform (QT_QPA_PLATFORM).
namespace DisplayPlatform {

// Before the application object exists; the choice is logged.
void choose();
// Once the application object exists: says, once, when the platform in use
// cannot show the guest's screen.
void warnWhenUnsuitable();

} // namespace DisplayPlatform
