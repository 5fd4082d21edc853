#include "display/HostShiftTap.h"

#include <windows.h>

void tapHostShiftKey()
{
    keybd_event(VK_SHIFT, 0, 0, 0);
    keybd_event(VK_SHIFT, 0, KEYEVENTF_KEYUP, 0);
}
