#pragma once

#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <Qt>

#include <functional>
#include <vector>

// One key with its modifiers, taken from the whole desktop for as long as
// the object lives; pressed runs on the GUI thread for each press. Each
// platform implements it in its own file (GlobalKeyGrab_<platform>.cpp).
// held() is false when the system refused the combination (another program
// holds it, or the key has no native code); the reason is logged.
class GlobalKeyGrab : public QAbstractNativeEventFilter
{
public:
    GlobalKeyGrab(int qtKey, Qt::KeyboardModifiers modifiers, std::function<void()> pressed);
    ~GlobalKeyGrab() override;
    GlobalKeyGrab(const GlobalKeyGrab &) = delete;
    GlobalKeyGrab &operator=(const GlobalKeyGrab &) = delete;

    bool held() const { return m_held; }

    bool nativeEventFilter(const QByteArray &eventType, void *message, long *result) override;

private:
    bool grab();
    void release();

    // X11: the key code and the modifier masks grabbed (the combination with
    // and without Caps Lock and Num Lock), whether the key is down and when
    // it last went up (to tell auto-repeat from a new press). Windows: the
    // virtual key, the modifier flags and the hot key's id.
    unsigned m_nativeKey = 0;
    unsigned m_nativeModifiers = 0;
    std::vector<unsigned> m_grabbedModifiers;
    bool m_keyDown = false;
    unsigned m_releaseTime = 0;
    int m_hotKeyId = 0;
    std::function<void()> m_pressed;
    bool m_held = false;
};
