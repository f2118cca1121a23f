#pragma once
// Names of the files the reports and exports leave in the data folder.
#include <QDateTime>
#include <QString>

namespace rv::reports {

// folder + "/" + prefix + sensorId + " " + the date and time ("yyyy-MM-dd HHmmss")
// + ext, so that every export of a sensor gets its own file; when that file
// exists already (two exports in one second) " (2)", " (3)", ... goes before
// ext. Characters that a file name cannot hold become "_".
QString datedExportPath(const QString& folder, const QString& prefix, const QString& sensorId,
                        const QDateTime& when, const QString& ext);

} // namespace rv::reports
