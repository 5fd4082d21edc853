#pragma once

// What the launch reads from the instance store (the store of
// instanceName()) to size the guest and its machine.

// The height of the desktop's default screen area (the area spanning all
// screens on a virtual desktop). Without a screen (no GUI application) 900,
// which gives the guest 1280 x 720.
int desktopHeight();

// The guest's width, height and DPI by the resolution rule, with the
// screen-derived size taken from desktopHeight() (or the given height).
void readGuestResolution(int &width, int &height, int &dpi);
void readGuestResolution(int &width, int &height, int &dpi, int desktopHeight);

// The machine's CPU count and memory by the performance rule, for a host with
// hostCpuCount processors and hostMemoryMB of memory.
void readCpuAndMemory(int &cpuCount, int &memoryMB, int hostCpuCount, int hostMemoryMB);
