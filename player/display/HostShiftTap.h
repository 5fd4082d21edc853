#pragma once

// One synthetic press and release of the host's Shift key, delivered by the
// window system to the focused window as if typed. Does nothing where the
// window system offers no way to synthesise keys (for example the offscreen
// platform, or X without the XTEST extension).
void tapHostShiftKey();
