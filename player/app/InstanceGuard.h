#pragma once

#include <QSharedMemory>
#include <QString>
#include <QSystemSemaphore>

// Keeps a second player with the same instance name from running: the first
// one holds a small shared memory segment named after the instance for its
// whole life, and a later one finds it. A system semaphore serialises the
// find-and-create steps of players starting at the same moment.
//
// A segment left behind by a player that died is cleared when the next
// guard is built, so a start after a crash is not refused.
class InstanceGuard
{
public:
    explicit InstanceGuard(const QString &key);
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard &) = delete;
    InstanceGuard &operator=(const InstanceGuard &) = delete;

    // Another process (or guard) holds the segment of this key.
    bool isAnotherRunning();
    // Claims the key for this guard; false when another holds it.
    bool tryToRun();
    // Gives the key up (done by the destructor too).
    void release();

    // The SHA-1 of the UTF-8 key followed by the UTF-8 suffix, as 40
    // lowercase hexadecimal digits.
    static QString deriveKey(const QString &key, const QString &suffix);

private:
    void removeStaleSegment();

    const QString m_memLockKey;
    const QString m_sharedMemKey;
    QSharedMemory m_sharedMem;
    QSystemSemaphore m_memLock;
};
