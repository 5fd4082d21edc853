#pragma once

#include "ShortcutExport.h"

#include <QKeySequence>
#include <QObject>

#include <memory>

class GlobalKeyGrab;

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
class SHORTCUT_EXPORT QxtGlobalShortcut : public QObject
{
    Q_OBJECT

public:
    explicit QxtGlobalShortcut(const QKeySequence &shortcut, QObject *parent = nullptr);
    ~QxtGlobalShortcut() override;

    QKeySequence shortcut() const;
    bool isRegistered() const;

signals:
    void activated();

private:
    QKeySequence m_shortcut;
    std::unique_ptr<GlobalKeyGrab> m_grab;
};
