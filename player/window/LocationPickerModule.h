#pragma once

class LocationPickerFactory;

// The location picker's module (tavenor_map, with Qt WebEngine), loaded on
// the first click of the Loc button and kept for the rest of the run. Found
// as the renderer is (RuntimeLibrary): beside the program, else by the
// system's library search.
class LocationPickerModule
{
public:
    // The picker factory, loading the module the first time; nullptr when
    // it is missing or cannot be loaded (logged; tried again at the next
    // call). GUI thread.
    static LocationPickerFactory *factory();
};
