#include "cli/cli_context.h"

#include "reports/readings_export.h"
#include "store/recordset.h"
#include "store/sqltext.h"

#include <QDir>
#include <QFileInfo>

namespace rv::cli {

// The catalogue row of id, exactly (case included); false when there is none.
bool sensorInCatalogue(store::Connection& conn, const QString& id)
{
    store::Recordset rs;
    rs.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    if (rs.recordCount() < 1)
        return false;
    rs.moveFirst();
    rs.find(QStringLiteral("InstrumentID = ") + store::quoted(id));
    return !rs.eof() && rs.text(QStringLiteral("InstrumentID")) == id;
}

int unknownSensor(CliContext& c, const QString& id)
{
    const QString why = QStringLiteral("There is no sensor %1 in the catalogue.").arg(id);
    c.warn(why + u'\n' + u'\n' + usageText(c.inv.command));
    c.json.insert(QStringLiteral("error"), why);
    return kExitUsage;
}

int cmdExport(CliContext& c)
{
    const QString id = c.inv.operands.value(0);
    const bool xlsx = c.inv.options.contains(QStringLiteral("xlsx"));
    const QString path =
        QFileInfo(c.inv.options.value(xlsx ? QStringLiteral("xlsx") : QStringLiteral("csv"))).absoluteFilePath();
    c.json.insert(QStringLiteral("sensor"), id);
    c.json.insert(QStringLiteral("format"), xlsx ? QStringLiteral("xlsx") : QStringLiteral("csv"));
    c.json.insert(QStringLiteral("file"), path);
    bool known = false;
    try {
        known = sensorInCatalogue(c.conn, id);
    } catch (const std::exception& e) {
        c.warn(QString::fromUtf8(e.what()));
    }
    if (!known) {
        return unknownSensor(c, id);
    }
    const reports::ReadingsExportResult r = xlsx ? reports::exportReadingsXlsx(c.conn, id, path)
                                                 : reports::exportReadingsCsv(c.conn, id, path);
    if (!r.ok) {
        c.warn(QStringLiteral("%1 could not be written: %2").arg(QDir::toNativeSeparators(path), r.error));
        c.json.insert(QStringLiteral("error"), r.error);
        return kExitIncomplete;
    }
    c.json.insert(QStringLiteral("readings"), r.readings);
    c.json.insert(QStringLiteral("columns"), r.columns);
    c.say(QStringLiteral("%1 of sensor %2 written to %3")
              .arg(counted(r.readings, QStringLiteral("reading"), QStringLiteral("readings")), id,
                   QDir::toNativeSeparators(path)));
    return kExitDone;
}

} // namespace rv::cli
