#pragma once
// The backup folder of the data folder and the files it holds.
#include <QString>
#include <QStringList>

namespace rv {

inline const QString kBackupFolderName = QStringLiteral("TENDONbackup");

QString backupFolder(const QString& dataFolder);
// The names of the files in the backup folder, in name order (the dated
// names then read oldest first); empty when the folder is missing.
QStringList backupFileNames(const QString& dataFolder);

} // namespace rv
