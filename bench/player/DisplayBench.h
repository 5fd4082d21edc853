#pragma once

#include <QList>
#include <QSize>

class PlayerSession;

// The player showing the simulated guest's display stream: for each frame
// size and rate, the player's CPU share and the frames it actually painted
// (counted by the X server), beside the guest's own CPU share for sending
// them, over the same seconds.
class DisplayBench
{
public:
    explicit DisplayBench(PlayerSession &session) : m_session(session) {}
    int run(int seconds, int runs);

private:
    struct Case
    {
        QSize frame;
        int fps;
        int graphicsPreset; // the player's "graphics" setting of that size
    };
    struct Figures
    {
        double playerCpu = 0; // share of one core
        double guestCpu = 0;
        double paintedFps = 0;
        QSize painted; // the display window's size
    };

    bool measure(const Case &which, int seconds, Figures &figures);

    PlayerSession &m_session;
};
