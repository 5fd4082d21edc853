#pragma once

#include "ToolkitExport.h"

class QObject;

// One process-wide pending shot, for delayed actions that must never pile
// up (hiding something a few seconds after it was shown): arming a new shot
// replaces the pending one, and stop() cancels it. GUI thread only.
class TOOLKIT_EXPORT TTimer
{
public:
    TTimer() = delete;

    // Calls the slot (as given by SLOT()) of the receiver after ms
    // milliseconds, unless the receiver is destroyed, another shot is armed
    // or stop() is called first.
    static void singleShot(int ms, QObject *receiver, const char *slot);
    static void stop();
    static bool isActive();
};
