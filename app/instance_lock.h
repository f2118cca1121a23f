#pragma once
// Refuses a second copy of Rockvane on the same data folder. A lock left by
// a run that crashed is recognised by its dead process and taken over.
#include <QLockFile>
#include <QString>
#include <memory>

namespace rv {

class InstanceLock {
public:
    explicit InstanceLock(const QString& dataFolder);
    // True when this copy is the only one; false when another runs.
    bool acquire();
    // The same, waiting up to waitMs for the other copy to end.
    bool acquire(int waitMs);
    void release();

private:
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace rv
