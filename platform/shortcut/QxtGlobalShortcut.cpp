#include "QxtGlobalShortcut.h"

#include "DesktopShortcut.h"

#include <QDebug>

namespace {

constexpr int kModifierMask =
    int(Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);

bool isModifierKey(int key)
{
    return key == Qt::Key_Shift || key == Qt::Key_Control || key == Qt::Key_Alt ||
           key == Qt::Key_Meta || key == Qt::Key_AltGr || key == Qt::Key_CapsLock ||
           key == Qt::Key_NumLock;
}

} // namespace

QxtGlobalShortcut::QxtGlobalShortcut(const QKeySequence &shortcut, QObject *parent)
    : QObject(parent), m_shortcut(shortcut)
{
    const int combination = shortcut.isEmpty() ? 0 : shortcut[0];
    const int key = combination & ~kModifierMask;
    if (key == 0 || key == Qt::Key_unknown || isModifierKey(key)) {
        qDebug() << "global shortcut without a key" << shortcut;
        return;
    }
    const auto modifiers = Qt::KeyboardModifiers(combination & kModifierMask);
    m_grab = createDesktopShortcut(key, modifiers, [this] { emit activated(); });
    if (!m_grab->held()) {
        qDebug() << "global shortcut not registered" << shortcut;
        m_grab.reset();
    }
}

QxtGlobalShortcut::~QxtGlobalShortcut() = default;

QKeySequence QxtGlobalShortcut::shortcut() const
{
    return m_shortcut;
}

bool QxtGlobalShortcut::isRegistered() const
{
    return m_grab != nullptr && m_grab->held();
}

bool QxtGlobalShortcut::desktopOffersShortcuts()
{
    return ::desktopOffersShortcuts();
}
