#include "app/instance_lock.h"
#include <QDir>

namespace rv {

InstanceLock::InstanceLock(const QString& dataFolder)
    : m_path(dataFolder + "/Rockvane.lock")
{
}

bool InstanceLock::acquire()
{
    return acquire(0);
}

bool InstanceLock::acquire(int waitMs)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    m_lock = std::make_unique<QLockFile>(m_path);
    // No age limit: only a lock whose process is gone counts as stale, so a
    // long session is never mistaken for a crashed one.
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(waitMs))
        return true;
    if (m_lock->error() == QLockFile::LockFailedError) {
        m_lock.reset();
        return false;
    }
    // The folder cannot hold a lock file (read-only, say): running twice is
    // then not detectable, and refusing to start would be worse.
    m_lock.reset();
    return true;
}

void InstanceLock::release()
{
    if (m_lock)
        m_lock->unlock();
    m_lock.reset();
}

} // namespace rv
