#include "GlobalKeyGrab.h"

#include <QCoreApplication>
#include <QDebug>

#include <windows.h>

#include <atomic>

namespace {

struct KeyName
{
    int qtKey;
    UINT virtualKey;
};

constexpr KeyName kSpecialKeys[] = {
    {Qt::Key_Escape, VK_ESCAPE}, {Qt::Key_Tab, VK_TAB},       {Qt::Key_Backspace, VK_BACK},
    {Qt::Key_Return, VK_RETURN}, {Qt::Key_Enter, VK_RETURN},  {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE}, {Qt::Key_Pause, VK_PAUSE},   {Qt::Key_Print, VK_SNAPSHOT},
    {Qt::Key_Home, VK_HOME},     {Qt::Key_End, VK_END},       {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},         {Qt::Key_Right, VK_RIGHT},   {Qt::Key_Down, VK_DOWN},
    {Qt::Key_PageUp, VK_PRIOR},  {Qt::Key_PageDown, VK_NEXT}, {Qt::Key_ScrollLock, VK_SCROLL},
    {Qt::Key_Menu, VK_APPS},     {Qt::Key_Space, VK_SPACE},
};

// Hot key ids are per thread and must stay below 0xC000 for an application.
std::atomic<int> g_nextHotKeyId{1};

struct NativeKey
{
    UINT virtualKey = 0;
    // MOD_SHIFT when the character is the key's shifted one ('@' on the 2 key).
    UINT modifiers = 0;
};

NativeKey nativeKeyFor(int qtKey)
{
    if ((qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z) || (qtKey >= Qt::Key_0 && qtKey <= Qt::Key_9))
        return {UINT(qtKey), 0};
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F24)
        return {UINT(VK_F1 + (qtKey - Qt::Key_F1)), 0};
    for (const KeyName &name : kSpecialKeys) {
        if (name.qtKey == qtKey)
            return {name.virtualKey, 0};
    }
    // Punctuation of the current keyboard layout; the high byte tells the
    // shift state that types it.
    const SHORT scan = VkKeyScanW(WCHAR(qtKey));
    if (scan == -1)
        return {};
    return {UINT(LOBYTE(scan)), (HIBYTE(scan) & 1) != 0 ? UINT(MOD_SHIFT) : 0u};
}

UINT modifierFlagsFor(Qt::KeyboardModifiers modifiers)
{
    UINT flags = MOD_NOREPEAT;
    if (modifiers & Qt::ShiftModifier)
        flags |= MOD_SHIFT;
    if (modifiers & Qt::ControlModifier)
        flags |= MOD_CONTROL;
    if (modifiers & Qt::AltModifier)
        flags |= MOD_ALT;
    if (modifiers & Qt::MetaModifier)
        flags |= MOD_WIN;
    return flags;
}

} // namespace

// Caps Lock and Num Lock do not take part in a Windows hot key: one
// registration covers the combination in every lock state.
GlobalKeyGrab::GlobalKeyGrab(int qtKey, Qt::KeyboardModifiers modifiers,
                             std::function<void()> pressed)
    : m_nativeModifiers(modifierFlagsFor(modifiers)), m_pressed(std::move(pressed))
{
    const NativeKey key = nativeKeyFor(qtKey);
    m_nativeKey = key.virtualKey;
    m_nativeModifiers |= key.modifiers;
    if (m_nativeKey == 0) {
        qDebug() << "global shortcut key has no virtual key" << Qt::hex << qtKey;
        return;
    }
    m_hotKeyId = g_nextHotKeyId++;
    m_held = grab();
    if (m_held)
        QCoreApplication::instance()->installNativeEventFilter(this);
}

GlobalKeyGrab::~GlobalKeyGrab()
{
    if (!m_held)
        return;
    QCoreApplication::instance()->removeNativeEventFilter(this);
    release();
}

bool GlobalKeyGrab::grab()
{
    if (RegisterHotKey(nullptr, m_hotKeyId, m_nativeModifiers, m_nativeKey))
        return true;
    const DWORD error = GetLastError();
    if (error == ERROR_HOTKEY_ALREADY_REGISTERED)
        qDebug() << "global shortcut already grabbed by another program, virtual key"
                 << m_nativeKey;
    else
        qDebug() << "global shortcut registration failed, error" << error;
    return false;
}

void GlobalKeyGrab::release()
{
    UnregisterHotKey(nullptr, m_hotKeyId);
}

bool GlobalKeyGrab::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    if (eventType != "windows_generic_MSG")
        return false;
    const auto *msg = static_cast<const MSG *>(message);
    if (msg->message != WM_HOTKEY || int(msg->wParam) != m_hotKeyId)
        return false;
    m_pressed();
    return true;
}
