#pragma once

#include <QSize>
#include <QString>

struct xcb_connection_t;

// Counts what a program draws into one window, as the X server sees it:
// each drawing request on the window is one paint (DAMAGE reports every
// request's rectangles, the last one of a request without the "more" flag).
// A frame the program drops never reaches the server, so it is not counted.
class PaintCounter
{
public:
    explicit PaintCounter(const QString &display);
    ~PaintCounter();
    PaintCounter(const PaintCounter &) = delete;
    PaintCounter &operator=(const PaintCounter &) = delete;

    bool ok() const { return m_connection != nullptr && m_damageEvent != 0; }
    // Watches the largest shown window without children below top (the
    // guest display's own window inside the player's main window); false
    // when there is none.
    bool watchDisplayBelow(unsigned top);
    QSize watchedSize() const { return m_watchedSize; }
    // The paints reported up to now.
    qint64 paints();

private:
    void collect();
    bool viewable(unsigned window) const;
    void largestLeaf(unsigned window, unsigned &best, int &bestArea);

    xcb_connection_t *m_connection = nullptr;
    unsigned m_damageEvent = 0; // the extension's first event code
    unsigned m_damage = 0;
    QSize m_watchedSize;
    qint64 m_paints = 0;
};
