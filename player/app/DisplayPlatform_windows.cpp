#include "app/DisplayPlatform.h"

// Windows has one window system, and it embeds the guest's screen.
void DisplayPlatform::choose() {}

void DisplayPlatform::warnWhenUnsuitable() {}
