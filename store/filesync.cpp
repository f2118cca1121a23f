#include "store/filesync.h"

#include <QFile>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace rv::store {

void syncToDisk(const QString& path)
{
#ifdef Q_OS_WIN
    QFile f(path);
    if (f.open(QIODevice::ReadWrite))
        _commit(f.handle());
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

} // namespace rv::store
