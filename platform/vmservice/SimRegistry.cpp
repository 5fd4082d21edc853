#include "SimRegistry.h"

#include <QDebug>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>
#include <QThread>
#include <QElapsedTimer>

#include <cmath>
#include <limits>

namespace {

constexpr int kLockPollMs = 5;

QJsonObject toJson(const SimRegistry::Record &record)
{
    return {{QStringLiteral("name"), record.name},
            {QStringLiteral("uuid"), record.uuid},
            {QStringLiteral("definition"), record.definition},
            {QStringLiteral("stateFolder"), record.stateFolder},
            {QStringLiteral("pid"), record.pid},
            {QStringLiteral("pidStartTime"), QString::number(record.pidStartTime)},
            {QStringLiteral("keptCpuCount"), record.keptCpuCount},
            {QStringLiteral("keptMemoryMB"), record.keptMemoryMB}};
}

// The guest's process id as the file gives it. Anything but a whole
// number in the range of process ids (32 bits on every system this runs on,
// whatever width pid_t has there) counts as none (off): a negative one would
// name a process group to signal, a huge one would wrap round to another
// process, and its conversion would be undefined.
qint64 pidOf(const QJsonValue &value)
{
    const double pid = value.toDouble();
    if (!(pid >= 1 && pid <= double(std::numeric_limits<qint32>::max())) || pid != std::floor(pid))
        return 0;
    return qint64(pid);
}

std::optional<SimRegistry::Record> fromJson(const QJsonObject &object)
{
    SimRegistry::Record record;
    record.name = object.value(QStringLiteral("name")).toString();
    record.uuid = object.value(QStringLiteral("uuid")).toString();
    record.definition = object.value(QStringLiteral("definition")).toString();
    record.stateFolder = object.value(QStringLiteral("stateFolder")).toString();
    record.pid = pidOf(object.value(QStringLiteral("pid")));
    record.pidStartTime = object.value(QStringLiteral("pidStartTime")).toString().toULongLong();
    record.keptCpuCount = object.value(QStringLiteral("keptCpuCount")).toInt();
    record.keptMemoryMB = object.value(QStringLiteral("keptMemoryMB")).toInt();
    if (record.name.isEmpty() || record.uuid.isEmpty() || record.stateFolder.isEmpty())
        return std::nullopt;
    return record;
}

} // namespace

QList<SimRegistry::Record> SimRegistry::parse(const QByteArray &text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject()) {
        qDebug() << "simulated machine registry unreadable, starting empty" << error.errorString();
        return {};
    }
    QList<Record> records;
    const QJsonArray machines = document.object().value(QStringLiteral("machines")).toArray();
    for (const QJsonValue &value : machines) {
        if (const auto record = fromJson(value.toObject()))
            records.append(*record);
    }
    return records;
}

QByteArray SimRegistry::format(const QList<Record> &records)
{
    QJsonArray machines;
    for (const Record &record : records)
        machines.append(toJson(record));
    return QJsonDocument(QJsonObject{{QStringLiteral("machines"), machines}}).toJson();
}

SimRegistry::Transaction::Transaction(const QString &folder, int lockTimeoutMs)
    : m_file(QDir(folder).filePath(QStringLiteral("registry.json"))),
      m_lock(QDir(folder).filePath(QStringLiteral("registry.json.lock")))
{
    if (folder.isEmpty() || !QDir().mkpath(folder)) {
        qDebug() << "cannot create simulated machine registry folder" << folder;
        return;
    }
    // The lock of a holder that has ended is taken over at once. Qt also
    // locks the file natively while it is held, so a live holder keeps it
    // past the stale time, however long its guest takes to stop; the stale
    // time frees only a lock file that a dying holder never finished.
    QElapsedTimer waited;
    waited.start();
    while (!m_lock.tryLock(0)) {
        if (m_lock.error() != QLockFile::LockFailedError) {
            qDebug() << "cannot lock simulated machine registry" << m_file << m_lock.error();
            return;
        }
        if (waited.elapsed() > lockTimeoutMs) {
            qDebug() << "simulated machine registry still locked after" << lockTimeoutMs << "ms" << m_file;
            m_failure = Failure::Busy;
            return;
        }
        QThread::msleep(kLockPollMs);
    }
    load();
    m_failure = Failure::None;
}

void SimRegistry::Transaction::load()
{
    QFile in(m_file);
    if (!in.exists())
        return;
    if (!in.open(QIODevice::ReadOnly)) {
        qDebug() << "cannot read simulated machine registry" << m_file << in.errorString();
        return;
    }
    m_records = parse(in.readAll());
}

std::optional<SimRegistry::Record> SimRegistry::Transaction::byName(const QString &name) const
{
    for (const Record &record : m_records) {
        if (record.name == name)
            return record;
    }
    return std::nullopt;
}

std::optional<SimRegistry::Record> SimRegistry::Transaction::byUuid(const QString &uuid) const
{
    for (const Record &record : m_records) {
        if (record.uuid == uuid)
            return record;
    }
    return std::nullopt;
}

void SimRegistry::Transaction::put(const Record &record)
{
    m_changed = true;
    for (Record &existing : m_records) {
        if (existing.uuid == record.uuid) {
            existing = record;
            return;
        }
    }
    m_records.append(record);
}

void SimRegistry::Transaction::remove(const QString &uuid)
{
    for (int i = 0; i < m_records.size(); ++i) {
        if (m_records.at(i).uuid == uuid) {
            m_records.removeAt(i);
            m_changed = true;
            return;
        }
    }
}

bool SimRegistry::Transaction::commit()
{
    if (!ok())
        return false;
    if (!m_changed)
        return true;
    const QByteArray text = format(m_records);
    QSaveFile out(m_file);
    if (!out.open(QIODevice::WriteOnly) || out.write(text) != text.size() || !out.commit()) {
        qDebug() << "cannot write simulated machine registry" << m_file << out.errorString();
        return false;
    }
    m_changed = false;
    return true;
}
