#pragma once

#include <QByteArray>
#include <QList>
#include <QLockFile>
#include <QString>

#include <optional>

// The simulated engine's machine registry, kept in a folder shared by every
// process of the user (registry.json), so a machine registered by one player
// is found by the next. A Transaction holds the registry's lock file
// (registry.json.lock) for its lifetime: the operations of all threads and
// processes on it happen one at a time. A lock left by a process that has
// ended is taken over.
class SimRegistry
{
public:
    struct Record
    {
        QString name;
        QString uuid;        // lowercase, in braces
        QString definition;  // absolute path of the definition file
        QString stateFolder; // absolute path
        qint64 pid = 0;      // the running guest, 0 when off
        quint64 pidStartTime = 0; // tells that pid is still the same process
        int keptCpuCount = 0; // a change asked for while running, 0 when none
        int keptMemoryMB = 0;
    };

    // registry.json's content. Unreadable text gives no records; records
    // without a name, UUID or state folder are left out.
    static QList<Record> parse(const QByteArray &text);
    static QByteArray format(const QList<Record> &records);

    class Transaction
    {
    public:
        // Waits up to lockTimeoutMs for the lock; ok() tells whether it
        // holds the lock and has read the registry.
        Transaction(const QString &folder, int lockTimeoutMs);
        Transaction(const Transaction &) = delete;
        Transaction &operator=(const Transaction &) = delete;

        enum class Failure {
            None,
            Unavailable, // the registry's folder or lock file cannot be made
            Busy,        // another process held the lock past the time-out
        };

        bool ok() const { return m_failure == Failure::None; }
        Failure failure() const { return m_failure; }
        std::optional<Record> byName(const QString &name) const;
        std::optional<Record> byUuid(const QString &uuid) const;
        // Adds the record or replaces the one with its UUID.
        void put(const Record &record);
        void remove(const QString &uuid);
        // Writes the registry when it changed; false when it could not.
        bool commit();

    private:
        void load();

        QString m_file;
        QLockFile m_lock;
        Failure m_failure = Failure::Unavailable;
        bool m_changed = false;
        QList<Record> m_records;
    };
};
