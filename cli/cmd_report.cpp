#include "cli/cli_context.h"
#include "cli/cli_prompter.h"

#include "app/frmMain.h"
#include "reports/ui_reports.h"
#include "sensors/ui_sensors.h"
#include "store/sqltext.h"

#include <QDir>
#include <QFileInfo>

namespace rv::cli {

int cmdReport(CliContext& c)
{
    const QString id = c.inv.operands.value(0);
    const QString path = QFileInfo(c.inv.options.value(QStringLiteral("o"))).absoluteFilePath();
    c.json.insert(QStringLiteral("sensor"), id);
    c.json.insert(QStringLiteral("file"), path);
    if (!sensorInCatalogue(c.conn, id))
        return unknownSensor(c, id);

    reports::ReportOptions o;
    o.ReportRequested = true;
    o.ReportCover = !c.inv.options.contains(QStringLiteral("no-cover"));
    const bool all = !c.inv.options.contains(QStringLiteral("graphs"));
    const QStringList graphs = c.inv.options.value(QStringLiteral("graphs")).split(u',', Qt::SkipEmptyParts);
    auto wanted = [&](const char* name) { return all || graphs.contains(QLatin1String(name)); };
    o.ReportLoadTime = wanted("load-time");
    o.ReportDispTime = wanted("disp-time");
    o.ReportLoadLength = wanted("load-length");
    o.ReportDispLength = wanted("disp-length");

    // The report is the window's own: its pages draw the graphs from the
    // sensor shown. The window is made on the offscreen platform, works on
    // its own connection under this run's lock, and is let go without
    // saving or compacting anything.
    AppState st(c.dataFolder);
    st.DatabasePath = c.database;
    BatchPrompter prompter;
    reports::ReportOutcome out;
    {
        FrmMain window(st, prompter);
        st.Firstload = true;
        const bool loaded = window.connectAndLoad();
        st.Firstload = false;
        if (loaded) {
            window.show();
            MainContext& ctx = window.context();
            st.rsSensors.moveFirst();
            st.rsSensors.find(QStringLiteral("InstrumentID = ") + store::quoted(id));
            sensors::fillfields(ctx);
            prompter.messages.clear();
            out = reports::makeReport(ctx, o, path);
        } else {
            out.error = QStringLiteral("The database could not be opened for the report.");
        }
        st.RefusedCopy = true;
    }

    QJsonArray inReport = QJsonArray::fromStringList(out.graphs);
    c.json.insert(QStringLiteral("graphs"), inReport);
    c.json.insert(QStringLiteral("graphsLeftOut"), QJsonArray::fromStringList(out.graphsLeftOut));
    c.json.insert(QStringLiteral("cover"), o.ReportCover);
    c.json.insert(QStringLiteral("messages"), QJsonArray::fromStringList(prompter.messages));
    if (!out.graphsLeftOut.isEmpty())
        c.warn(QStringLiteral("left out, fewer than 2 readings marked for plotting: ") + out.graphsLeftOut.join(QStringLiteral(", ")));
    if (out.nothingToReport) {
        const QString why = QStringLiteral("There is nothing to put in the report: no cover page and no graph with at least 2 readings marked for plotting.");
        c.warn(why);
        c.json.insert(QStringLiteral("error"), why);
        return kExitIncomplete;
    }
    if (!out.written) {
        c.warn(QStringLiteral("The report could not be made: ") + out.error);
        c.json.insert(QStringLiteral("error"), out.error);
        return kExitIncomplete;
    }
    if (!out.unreadable.isEmpty())
        c.warn(QStringLiteral("these graph pictures could not be read and are missing from the report: ")
               + out.unreadable.join(QStringLiteral(", ")));
    c.say(QStringLiteral("Report of sensor %1 written to %2 (%3%4)")
              .arg(id, QDir::toNativeSeparators(path), o.ReportCover ? QStringLiteral("information page") : QString(),
                   out.graphs.isEmpty() ? QString()
                                        : (o.ReportCover ? QStringLiteral(", ") : QString()) + out.graphs.join(QStringLiteral(", "))));
    return out.graphsLeftOut.isEmpty() && out.unreadable.isEmpty() ? kExitDone : kExitIncomplete;
}

} // namespace rv::cli
