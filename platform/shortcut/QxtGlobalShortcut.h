#pragma once

#include "ShortcutExport.h"

#include <QKeySequence>
#include <QObject>

#include <memory>

class DesktopShortcut;

// A key combination that works anywhere on the user's desktop, whichever
// program has the focus and whether or not a window of this one is shown.
// activated() fires on each press of the combination (not on its release or
// auto-repeat pairs beyond the presses the system reports).
//
// Only the first combination of the sequence counts, and it needs a key
// besides its modifiers. A sequence without one, a key the system cannot
// name, or a combination that another program already holds is logged
// ("global shortcut ...") and never fires; isRegistered() tells.
// Destroying the object gives the combination back to the system.
//
// On an X server of its own and on Windows the key is grabbed at once. A
// Wayland session (through Xwayland or natively) asks the desktop portal,
// which answers later: isRegistered() turns false if it refuses and no X
// key grab can stand in, and desktopOffersShortcuts() tells whether this
// desktop offers global shortcuts to this program at all.
class SHORTCUT_EXPORT QxtGlobalShortcut : public QObject
{
    Q_OBJECT

public:
    explicit QxtGlobalShortcut(const QKeySequence &shortcut, QObject *parent = nullptr);
    ~QxtGlobalShortcut() override;

    QKeySequence shortcut() const;
    bool isRegistered() const;

    // False once a shortcut of this program found that the desktop offers
    // none (no X server and no desktop portal with global shortcuts, or a
    // portal that refused them); the reason is logged.
    static bool desktopOffersShortcuts();

signals:
    void activated();

private:
    QKeySequence m_shortcut;
    std::unique_ptr<DesktopShortcut> m_grab;
};
