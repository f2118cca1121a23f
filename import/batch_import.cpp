#include "import/batch_import.h"
#include "import/preselect.h"
#include "import/readout_file.h"
#include "common/log.h"
#include "readings/sensor_tables.h"
#include "store/recordset.h"
#include "store/settings.h"
#include "store/sqltext.h"

#include <QDir>
#include <QFileInfo>

namespace rv::importing {

QString sensorOfReadoutName(const QString& path)
{
    const QString name = QFileInfo(path).fileName();
    if (!name.endsWith(QStringLiteral(".txt")) || name.size() <= 4)
        return QString();
    return name.chopped(4);
}

namespace {

struct SensorFacts {
    QString sensorType;
    bool tempChannel = false;
};

// The catalogue row of id and its type's temperature flag; nullopt when the
// catalogue has no such sensor. Throws when the type is not in the table of
// sensor types (the window cannot show such a sensor either).
std::optional<SensorFacts> sensorFacts(store::Connection& conn, const QString& id)
{
    store::Recordset sensors;
    sensors.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    if (sensors.recordCount() < 1)
        return std::nullopt;
    sensors.moveFirst();
    sensors.find(QStringLiteral("InstrumentID = ") + store::quoted(id));
    // The catalogue's comparison ignores case; the window's file test does not.
    if (sensors.eof() || sensors.text(QStringLiteral("InstrumentID")) != id)
        return std::nullopt;
    SensorFacts f;
    f.sensorType = sensors.text(QStringLiteral("SensorType"));
    store::Recordset types;
    types.open(QStringLiteral("SELECT * FROM Configuration ORDER BY SensorType"), conn);
    if (types.recordCount() > 0) {
        types.moveFirst();
        types.find(QStringLiteral("SensorType = ") + store::quoted(f.sensorType));
    }
    if (types.recordCount() < 1 || types.eof())
        throw std::runtime_error(QStringLiteral("The sensor type %1 of sensor %2 is not in the Configuration table.")
                                     .arg(f.sensorType, id)
                                     .toStdString());
    f.tempChannel = types.value(QStringLiteral("TempChannel")).toBool();
    return f;
}

QString currentError()
{
    int number = 0;
    QString description;
    describeCurrentException(number, description);
    return description;
}

} // namespace

BatchImportResult importReadoutFile(store::Connection& conn, const QString& dataFolder, const QString& path,
                                    const BatchImportOptions& options, Progress& progress)
{
    BatchImportResult res;
    res.path = path;
    res.sensor = sensorOfReadoutName(path);
    try {
        std::optional<SensorFacts> facts;
        if (!res.sensor.isEmpty())
            facts = sensorFacts(conn, res.sensor);
        if (!facts) {
            res.status = BatchImportResult::Status::NoSensor;
            res.error = res.sensor.isEmpty()
                ? QStringLiteral("The file name is not a sensor number followed by \".txt\".")
                : QStringLiteral("There is no sensor %1 in the catalogue.").arg(res.sensor);
            return res;
        }

        ReadoutRecords records;
        if (LoadReadoutFile(dataFolder, path, records, progress) != LoadResult::Loaded) {
            res.status = BatchImportResult::Status::NotFound;
            res.error = QStringLiteral("The file could not be found.");
            return res;
        }
        res.rows = records.recordCount();

        // The layout the window would open the review with for this sensor.
        if (options.layout) {
            res.layout = *options.layout;
        } else {
            const auto kept = store::readSetting(conn, res.sensor, kLayoutSetting);
            res.layout = (kept ? layoutFromName(*kept) : std::nullopt).value_or(DateLayout::YearFirst);
        }

        // Every row read in the layout, as the append reads it: the
        // unreadable ones are counted, and with no spacing every readable row
        // is taken, except those the window would never offer (dated far in
        // the future).
        std::vector<char> readable(static_cast<size_t>(res.rows), 0);
        for (int r = 0; r < res.rows; ++r) {
            if (readingStamp(res.sensor, records.fieldView(r, 0), res.layout))
                readable[static_cast<size_t>(r)] = 1;
            else
                ++res.unreadableDates;
        }
        const QDateTime now = options.now.isValid() ? options.now : clockAsWritten();
        const Preselection pre = preselectRows(records, options.spacingHours.value_or(0), res.layout, now);
        std::vector<char> ticked = pre.ticked;
        for (int r = 0; r < res.rows; ++r) {
            const auto i = static_cast<size_t>(r);
            if (pre.future[i] && readable[i])
                ++res.futureDates;
            if (!options.spacingHours)
                ticked[i] = readable[i] && !pre.future[i];
        }

        store::Connection::Transaction file(conn);
        if (!conn.hasTable(res.sensor)) {
            createReadingTable(conn, res.sensor);
            res.tableCreated = true;
        }
        AppendTarget target;
        target.instrumentId = res.sensor;
        target.sensorType = facts->sensorType;
        target.tempChannel = facts->tempChannel;
        target.sourceFile = QFileInfo(path).absoluteFilePath();
        const AppendOutcome out = appendReadings(conn, records, ticked, target, res.layout, {}, progress);
        if (out.cancelled) {
            res.status = BatchImportResult::Status::Failed;
            res.error = QStringLiteral("The import was stopped; nothing of the file was kept.");
            return res;
        }
        // Remembered for the sensor as the window remembers it.
        store::writeSetting(conn, res.sensor, kLayoutSetting, layoutName(res.layout));
        file.commit();
        res.appended = out.appended;
        res.duplicates = out.duplicates;
        res.appendedRows = std::move(out.rows);
        for (char t : ticked)
            res.chosen += t ? 1 : 0;
    } catch (...) {
        res.status = BatchImportResult::Status::Failed;
        res.error = currentError();
        res.appended = 0;
        res.duplicates = 0;
        res.appendedRows.clear();
        return res;
    }

    if (!res.appendedRows.empty()) {
        try {
            res.exceedances = checkAppendedReadings(conn, res.sensor, res.appendedRows);
        } catch (...) {
            res.levelsError = currentError();
        }
    }

    if (options.archive && res.appended >= 1) {
        const QString root = options.archiveRoot ? options.archiveRoot(path) : driveRoot(path);
        res.archive = archiveReadout(root, res.sensor, options.today);
    }
    return res;
}

QStringList readoutFilesOf(const QStringList& arguments, QStringList* missing)
{
    QStringList files;
    for (const QString& a : arguments) {
        const QFileInfo info(a);
        if (info.isDir()) {
            QDir dir(a);
            const QStringList names =
                dir.entryList({QStringLiteral("*.txt")}, QDir::Files | QDir::CaseSensitive, QDir::Name);
            for (const QString& n : names)
                files << dir.filePath(n);
        } else if (info.exists()) {
            files << a;
        } else if (missing) {
            *missing << a;
        }
    }
    return files;
}

} // namespace rv::importing
