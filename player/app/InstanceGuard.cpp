#include "app/InstanceGuard.h"

#include <QCryptographicHash>

namespace {
constexpr int kSegmentSize = 8;
} // namespace

InstanceGuard::InstanceGuard(const QString &key)
    : m_memLockKey(deriveKey(key, QStringLiteral("_memLockKey")))
    , m_sharedMemKey(deriveKey(key, QStringLiteral("_sharedMemKey")))
    , m_sharedMem(m_sharedMemKey)
    , m_memLock(m_memLockKey, 1, QSystemSemaphore::Open)
{
    removeStaleSegment();
}

// Where segments outlive their processes, attaching and detaching the
// segment of a dead player removes it; a live player's stays attached.
void InstanceGuard::removeStaleSegment()
{
    QSharedMemory stale(m_sharedMemKey);
    stale.attach(QSharedMemory::ReadWrite);
}

InstanceGuard::~InstanceGuard()
{
    release();
}

QString InstanceGuard::deriveKey(const QString &key, const QString &suffix)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    hash.addData(key.toUtf8());
    hash.addData(suffix.toUtf8());
    return QString::fromLatin1(hash.result().toHex());
}

bool InstanceGuard::isAnotherRunning()
{
    if (m_sharedMem.isAttached())
        return false;
    m_memLock.acquire();
    const bool attached = m_sharedMem.attach(QSharedMemory::ReadWrite);
    if (attached)
        m_sharedMem.detach();
    m_memLock.release();
    return attached;
}

bool InstanceGuard::tryToRun()
{
    if (isAnotherRunning())
        return false;
    m_memLock.acquire();
    bool created = m_sharedMem.create(kSegmentSize, QSharedMemory::ReadWrite);
    // The segment is found through a key file in the temporary folder. When
    // that file was gone (a fresh temporary folder, a cleaned one), the
    // first clean-up could not find a dead player's segment, while the new
    // file can name it again: once the file exists, clear it and ask again.
    if (!created && m_sharedMem.error() == QSharedMemory::AlreadyExists) {
        removeStaleSegment();
        created = m_sharedMem.create(kSegmentSize, QSharedMemory::ReadWrite);
    }
    m_memLock.release();
    if (!created) {
        release();
        return false;
    }
    return true;
}

void InstanceGuard::release()
{
    m_memLock.acquire();
    if (m_sharedMem.isAttached())
        m_sharedMem.detach();
    m_memLock.release();
}
