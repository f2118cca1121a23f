#pragma once
// After an import the logger's own copy of a sensor's readout, "RV" + the
// sensor number + ".txt", is moved from the root of the file system that
// holds the imported file into the folder "TENDONbackup" there, dated.
#include <QDate>
#include <QString>

namespace rv::importing {

inline const QString kArchiveFolder = QStringLiteral("TENDONbackup");

// The root (mount point) of the file system that holds path.
QString driveRoot(const QString& path);

// "RV" + id + ".txt".
QString archiveSourceName(const QString& sensorId);
// "RV" + id + "_" + the day as "yyyy-mm-dd" + ".txt".
QString archiveTargetName(const QString& sensorId, const QDate& day);

struct ArchiveOutcome {
    enum class Status { NothingToMove, Archived, Failed };
    Status status = Status::NothingToMove;
    QString target;  // the archived copy, when Archived
    QString error;   // what went wrong, when Failed
};

// Creates root/TENDONbackup when missing; when root holds the sensor's "RV"
// file, copies it there under its dated name and deletes it only once the
// copy reads back the same. An archived copy of the same day is never
// overwritten: the new one gets "_2", "_3" ... before ".txt". The source
// is never lost: on any failure it stays where it is.
ArchiveOutcome archiveReadout(const QString& root, const QString& sensorId, const QDate& day);

} // namespace rv::importing
