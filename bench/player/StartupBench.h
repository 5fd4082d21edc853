#pragma once

class PlayerSession;

// Start-up of the player: from the process's start to its first top-level
// window mapped, to its main window ("Pellow") mapped, and to the guest
// shown (the log line), the guest booting at once; against a minimal Qt
// Widgets program's first window, measured the same way in the same run.
// The player leaves out Qt's GLX integration (and the OpenGL driver it
// loads), which a default Qt program loads: the minimal window is also
// measured without it, for reference.
class StartupBench
{
public:
    explicit StartupBench(PlayerSession &session) : m_session(session) {}
    // Returns the process exit code: 0 when every run completed.
    int run(int runs);

private:
    bool baselineRun(double &mappedMs, bool withoutGlx);
    bool playerRun(int index, double &firstMs, double &mainMs, double &guestMs);

    PlayerSession &m_session;
};
