#pragma once

#include "GuestEvent.h"
#include "Polling.h"

#include <QByteArray>
#include <QList>
#include <QString>

// The simulated guest of an instance, seen from outside: its events.jsonl,
// its control socket and its process.
class SimGuestProbe
{
public:
    explicit SimGuestProbe(const QString &instance);

    QString stateFolder() const { return m_stateFolder; }
    QList<GuestEvent> events() const;
    // The events written since the last call (all of them at the first):
    // a long run reads its growing file once.
    QList<GuestEvent> newEvents();
    // Waits for events matching each predicate in turn, after index from.
    bool waitForEvents(int from, const QList<GuestEventMatch> &expected, int timeoutMs = kReactionMs) const;
    // The pid of the instance's guest, 0 when none runs.
    qint64 pid() const;
    bool running() const { return pid() != 0; }
    // One line to the guest's control socket; its answer line.
    QByteArray command(const QByteArray &line) const;

private:
    QString m_stateFolder;
    qint64 m_readUpTo = 0;
};
