#pragma once

#include <Qt>

#include <functional>
#include <memory>

// One key with its modifiers, taken from the whole desktop in the way this
// desktop offers it, for as long as the object lives; pressed runs on the
// GUI thread for each press. Each operating system chooses the way in its
// own file (DesktopShortcut_<os>.cpp).
class DesktopShortcut
{
public:
    virtual ~DesktopShortcut() = default;

    // False once the system has refused the combination (the reason is
    // logged). A desktop that answers later counts as holding it until then.
    virtual bool held() const = 0;
};

std::unique_ptr<DesktopShortcut> createDesktopShortcut(int qtKey, Qt::KeyboardModifiers modifiers,
                                                       std::function<void()> pressed);

// Whether the desktop offers global shortcuts to this program, as the
// shortcuts made so far found out: false once one found no way at all (no X
// server and no desktop portal, or a portal that refused it). A combination
// that another program holds does not count against the desktop.
bool desktopOffersShortcuts();
void setDesktopOffersShortcuts(bool offered);
