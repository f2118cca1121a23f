#include "common/workfile.h"

#include <QFile>

namespace rv {

QString workFileName(const QString& path)
{
    return path + QStringLiteral(".part");
}

bool putWorkFileInPlace(const QString& work, const QString& path, QString* error)
{
    QFile f(work);
    if (f.rename(path))
        return true;
    if (error)
        *error = QStringLiteral("The file could not be put in place as %1: %2").arg(path, f.errorString());
    QFile::remove(work);
    return false;
}

} // namespace rv
