#pragma once

#include "ProcessFigures.h"

#include <QElapsedTimer>
#include <QHash>
#include <QSet>
#include <QString>

class PlayerSession;
class XTestKeyboard;

// A long run of the player with everything a user does interleaved over it:
// typing, clipboard both ways, recordings, captures, and the guest's
// connections dropping and coming back. Prints the player's memory, CPU
// time, threads and descriptors at the start and the end, and whether its
// log holds an error.
class SoakBench
{
public:
    struct Plan
    {
        int seconds = 600;
        int inputs = 100000; // key events, a press and a release each
        int clipboards = 1000; // round trips each way
        int recordings = 20;
        int captures = 200;
        int reconnects = 50;
    };

    explicit SoakBench(PlayerSession &session) : m_session(session) {}
    int run(const Plan &plan);

private:
    struct Task
    {
        const char *name;
        int count = 0;
        int done = 0;
        int failed = 0;
    };

    bool warmUp();
    void soak(const Plan &plan);
    // The task furthest behind its share of the run so far, or nullptr.
    Task *mostBehind(double fraction);
    bool step(Task &task);
    bool typeBatch(Task &task);
    bool clipboardRoundTrip(int index);
    bool capture();
    bool startRecording();
    bool stopRecording();
    bool reconnect(int index);
    void settle(int ms);
    // Reads the guest's new events into the counts below.
    void tally();
    int recordsFinished() const;
    static void printFigures(const char *label, const ProcessFigures &figures);
    int report(const Plan &plan, const ProcessFigures &start, const ProcessFigures &end);

    PlayerSession &m_session;
    XTestKeyboard *m_keyboard = nullptr;
    Task m_tasks[5] = {{"input events"}, {"clipboard round trips"}, {"recordings"}, {"captures"}, {"reconnects"}};
    bool m_recording = false;
    QElapsedTimer m_recordingFor;
    int m_recordMs = 2000;
    qint64 m_keysSent = 0;
    qint64 m_keysReceived = 0;
    qint64 m_keysBefore = 0;
    QSet<QString> m_clipboardIn;
    QHash<QString, int> m_connected;
};
