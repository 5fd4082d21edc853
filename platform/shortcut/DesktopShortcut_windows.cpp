#include "DesktopShortcut.h"

#include "KeyGrabShortcut.h"

// Windows hands every desktop program its hot keys.
std::unique_ptr<DesktopShortcut> createDesktopShortcut(int qtKey, Qt::KeyboardModifiers modifiers,
                                                       std::function<void()> pressed)
{
    return std::make_unique<KeyGrabShortcut>(qtKey, modifiers, std::move(pressed));
}
