#pragma once

#include <QString>

class PlayerSession;

// The player's memory once its guest is shown and has settled (the
// baseline), then with the location picker open: the player process alone
// (VmRSS, Pss) and with its child processes (Pss summed over the tree), the
// simulated guest, which belongs to the machine, listed on its own. The
// player's private memory is what no other process shares, so it does not
// move with what else runs.
class MemoryBench
{
public:
    explicit MemoryBench(PlayerSession &session) : m_session(session) {}
    int run();

private:
    struct Sample
    {
        qint64 playerRssKb = 0;
        qint64 playerPssKb = 0;
        qint64 playerPrivateKb = 0;
        qint64 treePssKb = 0; // player and its children, without the guest
        qint64 guestPssKb = 0;
        int children = 0;
        QString childNames;
    };
    Sample sample();
    // Samples every second until the tree's Pss moves less than 1 MB over
    // three seconds (at most maxMs); the last sample.
    Sample settle(int minMs, int maxMs);
    bool pickerOpen() const;
    static void print(const char *label, const Sample &sample);

    PlayerSession &m_session;
};
