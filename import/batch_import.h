#pragma once
// Importing readout files without a window, for the nightly collection job:
// each file goes to the sensor its name gives, the rows are chosen as the
// review window would preselect them, duplicates and unreadable dates are
// skipped and counted instead of asked about, and each file is one
// transaction.
#include "common/progress.h"
#include "import/exceedance_check.h"
#include "import/readout_append.h"
#include "import/readout_archive.h"
#include "store/connection.h"

#include <QDate>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace rv::importing {

struct BatchImportOptions {
    // The spacing in hours, as the main window's box; nullopt takes every
    // row whose date can be read.
    std::optional<int> spacingHours = 24;
    // How the files write their dates; nullopt takes the layout last used
    // for the sensor (the window's choice too), else year first.
    std::optional<DateLayout> layout;
    // Move the logger's copy into the archive folder after an append, as the
    // window does.
    bool archive = true;
    // Where the archive step looks for the logger's copy (the root of the
    // file system that holds the file unless replaced).
    std::function<QString(const QString& importedPath)> archiveRoot;
    QDate today = QDate::currentDate();
    // The present as the logger writes it; a row more than a day after it
    // is never taken (an invalid value: the clock).
    QDateTime now;
};

struct BatchImportResult {
    enum class Status {
        Imported,  // the file was read and its chosen rows appended (maybe none)
        NoSensor,  // the file's name gives no sensor of the catalogue
        NotFound,  // the file could not be read
        Failed,    // the append failed; nothing of the file was kept
    };
    Status status = Status::Imported;
    QString path;
    QString sensor;        // the InstrumentID the name gives ("" when none)
    int rows = 0;          // lines in the file
    int chosen = 0;        // rows the spacing chose
    int appended = 0;
    int duplicates = 0;    // chosen rows already stored, or written twice in the file
    int unreadableDates = 0;  // rows whose date and time could not be read
    int futureDates = 0;      // rows dated more than a day after now: never taken
    DateLayout layout = DateLayout::YearFirst;  // the layout the file was read in
    bool tableCreated = false;  // the sensor had no reading table: an empty one was made
    QString error;
    ArchiveOutcome archive;
    // The readings appended, in file order.
    AppendedReadings appendedRows;
    // The appended readings that cross a trigger level of the sensor, as the
    // window's check after an append finds them.
    std::vector<ExceedanceRow> exceedances;
    QString levelsError;  // the check could not be made

    // Rows refused or skipped, or the whole file.
    bool incomplete() const
    {
        return status != Status::Imported || duplicates > 0 || unreadableDates > 0 || futureDates > 0;
    }
};

// The sensor a readout file's name gives: the file name without ".txt",
// when the name ends exactly (case included) in ".txt". "" otherwise.
QString sensorOfReadoutName(const QString& path);

// Imports one readout file into the database on conn (the catalogue decides
// the sensor) and checks the readings appended against the sensor's trigger
// levels. The file's working copy goes to dataFolder as the window's load
// makes it. Never throws: every failure is in the result.
BatchImportResult importReadoutFile(store::Connection& conn, const QString& dataFolder, const QString& path,
                                    const BatchImportOptions& options, Progress& progress);

// The files a list of arguments names: a file as it is, a folder as every
// "*.txt" in it, sorted by name. Arguments that name nothing go to *missing.
QStringList readoutFilesOf(const QStringList& arguments, QStringList* missing);

} // namespace rv::importing
