#include "common/workfile.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdio>
#include <cstring>

namespace rv {

QString workFileName(const QString& path)
{
    return path + QStringLiteral(".part");
}

bool putWorkFileInPlace(const QString& work, const QString& path, QString* error)
{
    // The system's rename, not QFile::rename: where the file system cannot
    // rename without replacing, Qt falls back to copying the bytes, and a kill
    // during that copy would leave a broken file under the final name. The
    // final names are never in use, so nothing is replaced.
    QString reason;
    if (QFileInfo::exists(path)) {
        reason = QStringLiteral("the file exists already");
    } else if (std::rename(QFile::encodeName(work).constData(), QFile::encodeName(path).constData()) == 0) {
        return true;
    } else {
        reason = QString::fromLocal8Bit(std::strerror(errno));
    }
    if (error)
        *error = QStringLiteral("The file could not be put in place as %1: %2").arg(path, reason);
    QFile::remove(work);
    return false;
}

} // namespace rv
