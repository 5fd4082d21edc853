#pragma once

#include "DesktopShortcut.h"

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <memory>

class GlobalKeyGrab;
class QDBusMessage;

// The shortcut through the XDG desktop portal's GlobalShortcuts interface,
// the way a Wayland desktop hands global shortcuts to programs: a session is
// created, the one shortcut bound with the combination as its preferred
// trigger, and each of the portal's Activated signals for it is a press.
// The desktop decides the trigger in the end (it may ask the user) and may
// change it later; the bound trigger, a change and a refusal are logged.
//
// Where the session bus has no portal offering the interface, or the portal
// refuses the session or the shortcut, the desktop does not offer global
// shortcuts to this program: that is logged and noted
// (desktopOffersShortcuts()), and on an X server (Xwayland) a key grab
// stands in, which fires only while a window of that server has the focus.
//
// Lives on the GUI thread; the portal answers through its event loop.
class PortalShortcut : public QObject, public DesktopShortcut
{
    Q_OBJECT

public:
    PortalShortcut(int qtKey, Qt::KeyboardModifiers modifiers, std::function<void()> pressed);
    ~PortalShortcut() override;

    bool held() const override;

private slots:
    void sessionCreated(uint response, const QVariantMap &results);
    void shortcutBound(uint response, const QVariantMap &results);
    void portalSignal(const QDBusMessage &message);

private:
    // Calls method with arguments; the portal's Response to the request it
    // opens reaches responseSlot.
    void request(const QString &method, const QList<QVariant> &arguments, const QString &token,
                 const char *responseSlot);
    void followResponse(const QString &requestPath, const char *responseSlot, bool follow);
    void bindShortcut();
    void notOffered(const QString &reason);

    int m_qtKey;
    Qt::KeyboardModifiers m_modifiers;
    std::function<void()> m_pressed;
    QString m_requestPath;
    QString m_sessionHandle;
    bool m_notOffered = false;
    std::unique_ptr<GlobalKeyGrab> m_standIn;
};
