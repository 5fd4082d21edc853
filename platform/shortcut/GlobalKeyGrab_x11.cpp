#include "GlobalKeyGrab.h"

#include <QCoreApplication>
#include <QDebug>
#include <QX11Info>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>

#include <cstdlib>
#include <memory>

namespace {

constexpr std::uint8_t kBadAccess = 10;
// The modifiers that change what a key types but not which combination it
// is: the combination is grabbed with and without each of them.
constexpr unsigned kLockMasks[] = {0, XCB_MOD_MASK_LOCK, XCB_MOD_MASK_2,
                                   XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2};
constexpr unsigned kIgnoredMasks = XCB_MOD_MASK_LOCK | XCB_MOD_MASK_2;

struct KeyName
{
    int qtKey;
    xcb_keysym_t keysym;
};

// Keys outside Latin-1, by their X key symbols (X11/keysymdef.h).
constexpr KeyName kSpecialKeys[] = {
    {Qt::Key_Escape, 0xff1b}, {Qt::Key_Tab, 0xff09},      {Qt::Key_Backspace, 0xff08},
    {Qt::Key_Return, 0xff0d}, {Qt::Key_Enter, 0xff8d},    {Qt::Key_Insert, 0xff63},
    {Qt::Key_Delete, 0xffff}, {Qt::Key_Pause, 0xff13},    {Qt::Key_Print, 0xff61},
    {Qt::Key_Home, 0xff50},   {Qt::Key_End, 0xff57},      {Qt::Key_Left, 0xff51},
    {Qt::Key_Up, 0xff52},     {Qt::Key_Right, 0xff53},    {Qt::Key_Down, 0xff54},
    {Qt::Key_PageUp, 0xff55}, {Qt::Key_PageDown, 0xff56}, {Qt::Key_ScrollLock, 0xff14},
    {Qt::Key_Menu, 0xff67},
};

xcb_keysym_t keysymFor(int qtKey)
{
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
        return xcb_keysym_t(qtKey - Qt::Key_A + 'a');
    if (qtKey >= Qt::Key_Space && qtKey <= Qt::Key_ydiaeresis)
        return xcb_keysym_t(qtKey);
    if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F35)
        return xcb_keysym_t(0xffbe + (qtKey - Qt::Key_F1));
    for (const KeyName &name : kSpecialKeys) {
        if (name.qtKey == qtKey)
            return name.keysym;
    }
    return 0;
}

xcb_keycode_t keycodeFor(xcb_connection_t *connection, int qtKey)
{
    const xcb_keysym_t keysym = keysymFor(qtKey);
    if (keysym == 0)
        return 0;
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
        xcb_key_symbols_alloc(connection), &xcb_key_symbols_free);
    if (!symbols)
        return 0;
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(
        xcb_key_symbols_get_keycode(symbols.get(), keysym), &std::free);
    return codes ? codes.get()[0] : 0;
}

unsigned maskFor(Qt::KeyboardModifiers modifiers)
{
    unsigned mask = 0;
    if (modifiers & Qt::ShiftModifier)
        mask |= XCB_MOD_MASK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        mask |= XCB_MOD_MASK_CONTROL;
    if (modifiers & Qt::AltModifier)
        mask |= XCB_MOD_MASK_1;
    if (modifiers & Qt::MetaModifier)
        mask |= XCB_MOD_MASK_4;
    return mask;
}

} // namespace

GlobalKeyGrab::GlobalKeyGrab(int qtKey, Qt::KeyboardModifiers modifiers,
                             std::function<void()> pressed)
    : m_nativeModifiers(maskFor(modifiers)), m_pressed(std::move(pressed))
{
    if (!QX11Info::isPlatformX11()) {
        qDebug() << "global shortcut needs an X server";
        return;
    }
    m_nativeKey = keycodeFor(QX11Info::connection(), qtKey);
    if (m_nativeKey == 0) {
        qDebug() << "global shortcut key has no key code" << Qt::hex << qtKey;
        return;
    }
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

// Passive grabs on the root window: the server hands this program the key
// whichever window has the focus. Each variant is checked, so that a grab
// held by another client (BadAccess) is seen instead of lost.
bool GlobalKeyGrab::grab()
{
    xcb_connection_t *connection = QX11Info::connection();
    const xcb_window_t root = QX11Info::appRootWindow();
    bool allGranted = true;
    for (const unsigned lockMask : kLockMasks) {
        const unsigned mask = m_nativeModifiers | lockMask;
        const xcb_void_cookie_t cookie = xcb_grab_key_checked(
            connection, 1, root, std::uint16_t(mask), xcb_keycode_t(m_nativeKey),
            XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        std::unique_ptr<xcb_generic_error_t, decltype(&std::free)> error(
            xcb_request_check(connection, cookie), &std::free);
        if (!error) {
            m_grabbedModifiers.push_back(mask);
            continue;
        }
        allGranted = false;
        if (error->error_code == kBadAccess)
            qDebug() << "global shortcut already grabbed by another program, key code"
                     << m_nativeKey << "modifiers" << mask;
        else
            qDebug() << "global shortcut grab failed, X error" << error->error_code;
    }
    if (!allGranted)
        release();
    return allGranted;
}

void GlobalKeyGrab::release()
{
    xcb_connection_t *connection = QX11Info::connection();
    const xcb_window_t root = QX11Info::appRootWindow();
    for (const unsigned mask : m_grabbedModifiers)
        xcb_ungrab_key(connection, xcb_keycode_t(m_nativeKey), root, std::uint16_t(mask));
    m_grabbedModifiers.clear();
    xcb_flush(connection);
}

// Presses only: a release is no new activation.
bool GlobalKeyGrab::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    if ((event->response_type & 0x7f) != XCB_KEY_PRESS)
        return false;
    const auto *press = static_cast<const xcb_key_press_event_t *>(message);
    if (press->detail != m_nativeKey || (press->state & ~kIgnoredMasks & 0xff) != m_nativeModifiers)
        return false;
    m_pressed();
    return true;
}
