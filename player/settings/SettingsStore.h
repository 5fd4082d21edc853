#pragma once

#include <QSettings>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>
#include <optional>

// One of the player's two persistent settings stores, opened at the point of
// use: the instance store (application = the instance name) or the shared
// store (application "tavenor"), both under organisation "corvane".
//
// Keys are matched without regard to case: every read and write goes through
// foldKey, so "bossKey" and "bosskey" address one entry even though the
// backing QSettings is case-sensitive on Linux.
//
// Store objects may be used from several threads at once, one object from
// two threads included: every access to the backing QSettings, its creation
// and destruction included, holds one process-wide lock. QSettings objects
// share a cache behind Qt's own lock; holding ours as well costs little at
// this rate of use and makes the hand-off visible to ThreadSanitizer.
class SettingsStore
{
public:
    static constexpr char kOrganisation[] = "corvane";
    static constexpr char kSharedApplication[] = "tavenor";

    // The store of `application`: pass instanceName() for the instance
    // store, kSharedApplication for the shared store.
    explicit SettingsStore(const QString &application);
    ~SettingsStore();
    SettingsStore(const SettingsStore &) = delete;
    SettingsStore &operator=(const SettingsStore &) = delete;

    // The one place where keys are folded to one case.
    static QString foldKey(const QString &key);

    QVariant value(const QString &key, const QVariant &defaultValue = QVariant()) const;
    // Absent: defaultValue; stored but not a number: 0.
    int intValue(const QString &key, int defaultValue) const;
    // Absent or not a number: nullopt.
    std::optional<int> validInt(const QString &key) const;
    QString stringValue(const QString &key, const QString &defaultValue = QString()) const;

    void setValue(const QString &key, const QVariant &value);
    void remove(const QString &key);
    bool contains(const QString &key) const;
    // Folded keys.
    QStringList allKeys() const;
    void sync();

    QString application() const;

private:
    std::unique_ptr<QSettings> m_settings;
};
