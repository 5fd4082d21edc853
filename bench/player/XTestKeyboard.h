#pragma once

#include <QString>

#include <vector>

struct _XDisplay;

// Key presses through the XTEST extension: many events from one connection,
// with no process started per event.
class XTestKeyboard
{
public:
    explicit XTestKeyboard(const QString &display);
    ~XTestKeyboard();
    XTestKeyboard(const XTestKeyboard &) = delete;
    XTestKeyboard &operator=(const XTestKeyboard &) = delete;

    bool ok() const { return m_display != nullptr && !m_letters.empty(); }
    // Gives window (an X window id in decimal) the input focus.
    void focus(const QString &window);
    // Types taps letters a..z in turn, each a press and a release; waits
    // until the server has taken them.
    void type(int taps);

private:
    _XDisplay *m_display = nullptr;
    std::vector<unsigned> m_letters;
    int m_next = 0;
};
