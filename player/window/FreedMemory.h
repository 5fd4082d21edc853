#pragma once

// Gives memory the process has freed back to the system. A recording frees
// frame-sized blocks that the C library's allocator would otherwise keep
// resident: without this, each recording left some 3.5 MB in the player.
void returnFreedMemory();
