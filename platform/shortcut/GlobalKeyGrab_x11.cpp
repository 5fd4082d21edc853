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

struct NativeKey
{
    xcb_keycode_t code = 0;
    // Shift when the key symbol is the key's shifted one ('@' on the 2 key).
    unsigned modifiers = 0;
};

// The key that types keysym: unshifted if some key has it so, else shifted;
// failing both, any key that has it in another group, as it is.
NativeKey nativeKeyFor(xcb_connection_t *connection, int qtKey)
{
    const xcb_keysym_t keysym = keysymFor(qtKey);
    if (keysym == 0)
        return {};
    std::unique_ptr<xcb_key_symbols_t, decltype(&xcb_key_symbols_free)> symbols(
        xcb_key_symbols_alloc(connection), &xcb_key_symbols_free);
    if (!symbols)
        return {};
    const xcb_setup_t *setup = xcb_get_setup(connection);
    for (const int column : {0, 1}) {
        for (unsigned code = setup->min_keycode; code <= setup->max_keycode; ++code) {
            if (xcb_key_symbols_get_keysym(symbols.get(), xcb_keycode_t(code), column) == keysym)
                return {xcb_keycode_t(code), column == 0 ? 0u : unsigned(XCB_MOD_MASK_SHIFT)};
        }
    }
    std::unique_ptr<xcb_keycode_t, decltype(&std::free)> codes(
        xcb_key_symbols_get_keycode(symbols.get(), keysym), &std::free);
    return {codes ? codes.get()[0] : xcb_keycode_t(0), 0};
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
    const NativeKey key = nativeKeyFor(QX11Info::connection(), qtKey);
    m_nativeKey = key.code;
    m_nativeModifiers |= key.modifiers;
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

// One activation per physical press. A held key comes back from the server
// as release and press pairs with one time stamp (or as presses alone when
// the client asked for detectable auto-repeat); the grab sees the releases,
// as the key is grabbed from its press to its release.
bool GlobalKeyGrab::nativeEventFilter(const QByteArray &eventType, void *message, long *)
{
    if (eventType != "xcb_generic_event_t")
        return false;
    const auto *event = static_cast<const xcb_generic_event_t *>(message);
    const std::uint8_t type = event->response_type & 0x7f;
    if (type != XCB_KEY_PRESS && type != XCB_KEY_RELEASE)
        return false;
    // A release has the layout of a press.
    const auto *key = static_cast<const xcb_key_press_event_t *>(message);
    if (key->detail != m_nativeKey)
        return false;
    if (type == XCB_KEY_RELEASE) {
        m_keyDown = false;
        m_releaseTime = key->time;
        return false;
    }
    if ((key->state & ~kIgnoredMasks & 0xff) != m_nativeModifiers)
        return false;
    const bool repeated = m_keyDown || key->time == m_releaseTime;
    m_keyDown = true;
    if (!repeated)
        m_pressed();
    return true;
}
