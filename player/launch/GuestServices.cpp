#include "launch/GuestServices.h"

#include "launch/LaunchBridges.h"

#include <service/service.h>

void startGuestServices(void *clipboardTarget)
{
    server_manager_init();
    vinput_start(GuestPorts::kVirtualInput);
    clipboard_start(GuestPorts::kClipboard, &LaunchBridges::androidClipData, clipboardTarget);
    misc_start(GuestPorts::kMisc);
    input_method_start(GuestPorts::kInputMethod);
}
