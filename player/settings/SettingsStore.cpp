#include "settings/SettingsStore.h"

#include <mutex>

namespace {

std::mutex &storeLock()
{
    static std::mutex lock;
    return lock;
}

} // namespace

SettingsStore::SettingsStore(const QString &application)
{
    std::lock_guard<std::mutex> locker(storeLock());
    m_settings = std::make_unique<QSettings>(QString::fromLatin1(kOrganisation), application);
}

SettingsStore::~SettingsStore()
{
    // Destroying a QSettings writes pending changes back.
    std::lock_guard<std::mutex> locker(storeLock());
    m_settings.reset();
}

QString SettingsStore::foldKey(const QString &key)
{
    return key.toLower();
}

QVariant SettingsStore::value(const QString &key, const QVariant &defaultValue) const
{
    std::lock_guard<std::mutex> locker(storeLock());
    return m_settings->value(foldKey(key), defaultValue);
}

int SettingsStore::intValue(const QString &key, int defaultValue) const
{
    std::lock_guard<std::mutex> locker(storeLock());
    const QString folded = foldKey(key);
    if (!m_settings->contains(folded))
        return defaultValue;
    return m_settings->value(folded).toInt();
}

std::optional<int> SettingsStore::validInt(const QString &key) const
{
    std::lock_guard<std::mutex> locker(storeLock());
    const QVariant stored = m_settings->value(foldKey(key));
    bool ok = false;
    const int number = stored.toInt(&ok);
    if (!stored.isValid() || !ok)
        return std::nullopt;
    return number;
}

QString SettingsStore::stringValue(const QString &key, const QString &defaultValue) const
{
    return value(key, defaultValue).toString();
}

void SettingsStore::setValue(const QString &key, const QVariant &value)
{
    std::lock_guard<std::mutex> locker(storeLock());
    m_settings->setValue(foldKey(key), value);
}

void SettingsStore::remove(const QString &key)
{
    std::lock_guard<std::mutex> locker(storeLock());
    m_settings->remove(foldKey(key));
}

bool SettingsStore::contains(const QString &key) const
{
    std::lock_guard<std::mutex> locker(storeLock());
    return m_settings->contains(foldKey(key));
}

QStringList SettingsStore::allKeys() const
{
    std::lock_guard<std::mutex> locker(storeLock());
    QStringList keys = m_settings->allKeys();
    for (QString &key : keys)
        key = foldKey(key);
    return keys;
}

void SettingsStore::sync()
{
    std::lock_guard<std::mutex> locker(storeLock());
    m_settings->sync();
}

QString SettingsStore::application() const
{
    std::lock_guard<std::mutex> locker(storeLock());
    return m_settings->applicationName();
}
