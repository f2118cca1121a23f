#include "cli/cli_context.h"
#include "cli/exceedance_json.h"

#include "common/log.h"
#include "import/batch_import.h"

#include <QDir>
#include <QFileInfo>

namespace rv::cli {

namespace {

using importing::BatchImportResult;

QString statusName(BatchImportResult::Status s)
{
    switch (s) {
    case BatchImportResult::Status::Imported:
        return QStringLiteral("imported");
    case BatchImportResult::Status::NoSensor:
        return QStringLiteral("no-sensor");
    case BatchImportResult::Status::NotFound:
        return QStringLiteral("not-found");
    case BatchImportResult::Status::Failed:
        return QStringLiteral("failed");
    }
    return QString();
}

importing::DateLayout layoutOf(const QString& s)
{
    if (s == QLatin1String("dmy"))
        return importing::DateLayout::DayFirst;
    if (s == QLatin1String("mdy"))
        return importing::DateLayout::MonthFirst;
    return importing::DateLayout::YearFirst;
}

QString layoutCode(importing::DateLayout l)
{
    switch (l) {
    case importing::DateLayout::DayFirst:
        return QStringLiteral("dmy");
    case importing::DateLayout::MonthFirst:
        return QStringLiteral("mdy");
    case importing::DateLayout::YearFirst:
        break;
    }
    return QStringLiteral("ymd");
}

} // namespace

int cmdImport(CliContext& c)
{
    importing::BatchImportOptions options;
    const QString spacing = c.inv.options.value(QStringLiteral("spacing"), QStringLiteral("24"));
    if (spacing == QLatin1String("all"))
        options.spacingHours.reset();
    else
        options.spacingHours = spacing.toInt();
    if (c.inv.options.contains(QStringLiteral("date-layout")))
        options.layout = layoutOf(c.inv.options.value(QStringLiteral("date-layout")));
    options.archive = !c.inv.options.contains(QStringLiteral("no-archive"));

    QStringList missing;
    QStringList files = importing::readoutFilesOf(c.inv.operands, &missing);

    QJsonArray jsonFiles;
    qint64 appended = 0, duplicates = 0, unreadable = 0, future = 0, refused = 0, exceeding = 0;
    QStringList imported;  // sensors given readings
    bool incomplete = false;
    NoProgress progress;
    const bool canLog = QFileInfo(c.dataFolder).isDir();

    auto report = [&](const BatchImportResult& r, const QJsonArray& exceedances, const QStringList& exceedanceLines) {
        QJsonObject f;
        f.insert(QStringLiteral("file"), QFileInfo(r.path).absoluteFilePath());
        f.insert(QStringLiteral("sensor"), r.sensor);
        f.insert(QStringLiteral("status"), statusName(r.status));
        f.insert(QStringLiteral("rows"), r.rows);
        f.insert(QStringLiteral("chosen"), r.chosen);
        f.insert(QStringLiteral("appended"), r.appended);
        f.insert(QStringLiteral("duplicates"), r.duplicates);
        f.insert(QStringLiteral("unreadableDates"), r.unreadableDates);
        f.insert(QStringLiteral("futureDates"), r.futureDates);
        f.insert(QStringLiteral("dateLayout"), layoutCode(r.layout));
        f.insert(QStringLiteral("tableCreated"), r.tableCreated);
        f.insert(QStringLiteral("archived"), r.archive.status == importing::ArchiveOutcome::Status::Archived
                                                 ? QJsonValue(r.archive.target)
                                                 : QJsonValue());
        f.insert(QStringLiteral("archiveError"), r.archive.status == importing::ArchiveOutcome::Status::Failed
                                                     ? QJsonValue(r.archive.error)
                                                     : QJsonValue());
        f.insert(QStringLiteral("error"), r.error.isEmpty() ? QJsonValue() : QJsonValue(r.error));
        f.insert(QStringLiteral("exceedances"), exceedances);
        jsonFiles.append(f);

        const QString name = QDir::toNativeSeparators(r.path);
        if (r.status != BatchImportResult::Status::Imported) {
            c.warn(QStringLiteral("%1: refused: %2").arg(name, r.error));
            c.say(QStringLiteral("%1: refused (%2)").arg(name, r.error));
            return;
        }
        QString line = QStringLiteral("%1 -> sensor %2: %3 read, %4 chosen, %5 appended, %6, %7, %8")
                           .arg(name, r.sensor, counted(r.rows, QStringLiteral("row"), QStringLiteral("rows")))
                           .arg(r.chosen)
                           .arg(r.appended)
                           .arg(counted(r.duplicates, QStringLiteral("duplicate"), QStringLiteral("duplicates")),
                                counted(r.unreadableDates, QStringLiteral("unreadable date"),
                                        QStringLiteral("unreadable dates")),
                                counted(exceedanceLines.size(), QStringLiteral("exceedance"),
                                        QStringLiteral("exceedances")));
        c.say(line);
        if (r.futureDates > 0)
            c.say(QStringLiteral("  %1 more than a day in the future, not taken")
                      .arg(counted(r.futureDates, QStringLiteral("row dated"), QStringLiteral("rows dated"))));
        if (r.tableCreated)
            c.say(QStringLiteral("  the sensor had no reading table: a new one was made"));
        for (const QString& e : exceedanceLines)
            c.say(QStringLiteral("  EXCEEDANCE ") + e);
        if (r.archive.status == importing::ArchiveOutcome::Status::Archived)
            c.say(QStringLiteral("  the logger's copy was archived as %1").arg(QDir::toNativeSeparators(r.archive.target)));
        else if (r.archive.status == importing::ArchiveOutcome::Status::Failed)
            c.warn(QStringLiteral("%1: the logger's readout file could not be archived: %2").arg(name, r.archive.error));
    };

    for (const QString& m : missing) {
        BatchImportResult r;
        r.path = m;
        r.sensor = importing::sensorOfReadoutName(m);
        r.status = BatchImportResult::Status::NotFound;
        r.error = QStringLiteral("No such file or folder.");
        ++refused;
        incomplete = true;
        report(r, QJsonArray(), QStringList());
    }
    for (const QString& path : files) {
        const BatchImportResult r = importing::importReadoutFile(c.conn, c.dataFolder, path, options, progress);
        if (r.status == BatchImportResult::Status::Failed && canLog)
            writeLog(c.dataFolder, errorText(75, path + QStringLiteral(": ") + r.error,
                                             QStringLiteral("rockvane-cli import")));
        QJsonArray jsonExceedances;
        QStringList lines;
        for (const importing::ExceedanceRow& e : r.exceedances) {
            jsonExceedances.append(exceedanceJson(e));
            lines << importing::exceedanceCells(e, QString()).join(QStringLiteral("  "));
        }
        if (!r.levelsError.isEmpty())
            c.warn(QStringLiteral("%1: the levels could not be checked: %2").arg(path, r.levelsError));
        appended += r.appended;
        if (r.appended > 0 && !imported.contains(r.sensor))
            imported << r.sensor;
        duplicates += r.duplicates;
        unreadable += r.unreadableDates;
        future += r.futureDates;
        exceeding += jsonExceedances.size();
        if (r.status != BatchImportResult::Status::Imported)
            ++refused;
        incomplete = incomplete || r.incomplete();
        report(r, jsonExceedances, lines);
    }

    // The sensors' counts kept in the file, so that the first look at them
    // in the program after the night's import need not count them.
    c.conn.noteRowCounts(imported);

    const qint64 total = missing.size() + files.size();
    c.say(QStringLiteral("Total: %1, %2 appended, %3, %4, %5 refused, %6")
              .arg(counted(total, QStringLiteral("file"), QStringLiteral("files")),
                   counted(appended, QStringLiteral("reading"), QStringLiteral("readings")),
                   counted(duplicates, QStringLiteral("duplicate"), QStringLiteral("duplicates")),
                   counted(unreadable, QStringLiteral("unreadable date"), QStringLiteral("unreadable dates")),
                   counted(refused, QStringLiteral("file"), QStringLiteral("files")),
                   counted(exceeding, QStringLiteral("exceedance"), QStringLiteral("exceedances"))));

    QJsonObject totals;
    totals.insert(QStringLiteral("files"), total);
    totals.insert(QStringLiteral("refusedFiles"), refused);
    totals.insert(QStringLiteral("appended"), appended);
    totals.insert(QStringLiteral("duplicates"), duplicates);
    totals.insert(QStringLiteral("unreadableDates"), unreadable);
    totals.insert(QStringLiteral("futureDates"), future);
    totals.insert(QStringLiteral("exceedances"), exceeding);
    c.json.insert(QStringLiteral("files"), jsonFiles);
    c.json.insert(QStringLiteral("totals"), totals);
    if (exceeding > 0)
        return kExitLevels;
    return incomplete ? kExitIncomplete : kExitDone;
}

} // namespace rv::cli
