#include "import/readout_archive.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>

namespace rv::importing {

QString driveRoot(const QString& path)
{
    QFileInfo info(path);
    // A path that is gone still lies under its folder's file system.
    QString probe = info.exists() ? info.absoluteFilePath() : info.absolutePath();
    while (!probe.isEmpty() && !QFileInfo::exists(probe) && QFileInfo(probe).absolutePath() != probe)
        probe = QFileInfo(probe).absolutePath();
    const QStorageInfo storage(probe);
    if (storage.isValid() && !storage.rootPath().isEmpty())
        return storage.rootPath();
    return QDir::rootPath();
}

QString archiveSourceName(const QString& sensorId)
{
    return QStringLiteral("RV") + sensorId + QStringLiteral(".txt");
}

QString archiveTargetName(const QString& sensorId, const QDate& day)
{
    return QStringLiteral("RV") + sensorId + u'_' + day.toString(QStringLiteral("yyyy-MM-dd"))
        + QStringLiteral(".txt");
}

namespace {

bool sameContents(const QString& a, const QString& b)
{
    QFile fa(a);
    QFile fb(b);
    if (!fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly))
        return false;
    if (fa.size() != fb.size())
        return false;
    while (!fa.atEnd()) {
        if (fa.read(1 << 16) != fb.read(1 << 16))
            return false;
    }
    return true;
}

} // namespace

ArchiveOutcome archiveReadout(const QString& root, const QString& sensorId, const QDate& day)
{
    ArchiveOutcome out;
    const QDir rootDir(root);
    const QString folder = rootDir.filePath(kArchiveFolder);
    const QString source = rootDir.filePath(archiveSourceName(sensorId));
    if (!QFileInfo(source).isFile()) {
        // Nothing to archive: the folder is still made where the root allows
        // it, but a root the user cannot write (the usual case on a desktop
        // whose root is the system's) is no news to report after every import.
        if (!QFileInfo(folder).isDir())
            rootDir.mkpath(kArchiveFolder);
        return out;
    }
    if (!QFileInfo(folder).isDir() && !rootDir.mkpath(kArchiveFolder)) {
        out.status = ArchiveOutcome::Status::Failed;
        out.error = QStringLiteral("The folder ") + QDir::toNativeSeparators(folder)
            + QStringLiteral(" could not be created.");
        return out;
    }

    QString target = QDir(folder).filePath(archiveTargetName(sensorId, day));
    for (int k = 2; QFileInfo::exists(target); ++k) {
        QString name = archiveTargetName(sensorId, day);
        name.insert(name.size() - 4, QStringLiteral("_%1").arg(k));
        target = QDir(folder).filePath(name);
    }
    if (!QFile::copy(source, target) || !sameContents(source, target)) {
        QFile::remove(target);
        out.status = ArchiveOutcome::Status::Failed;
        out.error = QStringLiteral("The file ") + QDir::toNativeSeparators(source)
            + QStringLiteral(" could not be copied to ") + QDir::toNativeSeparators(target)
            + QStringLiteral("; it was left where it is.");
        return out;
    }
    if (!QFile::remove(source)) {
        out.status = ArchiveOutcome::Status::Failed;
        out.target = target;
        out.error = QStringLiteral("The file ") + QDir::toNativeSeparators(source)
            + QStringLiteral(" was copied to ") + QDir::toNativeSeparators(target)
            + QStringLiteral(" but could not be deleted.");
        return out;
    }
    out.status = ArchiveOutcome::Status::Archived;
    out.target = target;
    return out;
}

} // namespace rv::importing
