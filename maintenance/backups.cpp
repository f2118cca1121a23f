#include "maintenance/backups.h"
#include <QDir>

namespace rv {

QString backupFolder(const QString& dataFolder)
{
    return dataFolder + "/" + kBackupFolderName;
}

QStringList backupFileNames(const QString& dataFolder)
{
    const QDir dir(backupFolder(dataFolder));
    if (!dir.exists())
        return {};
    return dir.entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

} // namespace rv
