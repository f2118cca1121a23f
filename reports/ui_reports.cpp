#include "reports/ui_reports.h"

#include "ui/ui_clickable_label.h"
#include "common/log.h"
#include "graphs/frmDisp.h"
#include "graphs/ui_graphs.h"
#include "reports/export_names.h"
#include "reports/frmReport.h"
#include "reports/grid_export.h"
#include "reports/report_document.h"
#include "store/recordset.h"

#include <QDateTime>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace rv::reports {

namespace {

constexpr int kReadingsPage = 2;

struct GraphPage {
    int page;
    const char* caption;
    bool ReportOptions::*flag;
};

// The graphs of a report, in the order they appear in it.
constexpr GraphPage kGraphPages[] = {
    {3, "Load v Time", &ReportOptions::ReportLoadTime},
    {4, "Disp v Time", &ReportOptions::ReportDispTime},
    {5, "Load v Length", &ReportOptions::ReportLoadLength},
    {6, "Disp v Length", &ReportOptions::ReportDispLength},
};

SensorInfo currentSensor(const store::Recordset& rs)
{
    SensorInfo s;
    s.InstrumentID = rs.text(QStringLiteral("InstrumentID"));
    s.Family = rs.text(QStringLiteral("Family"));
    s.Model = rs.text(QStringLiteral("Model"));
    s.InstallDate = rs.text(QStringLiteral("InstallDate"));
    s.InstallBy = rs.text(QStringLiteral("InstallBy"));
    s.Level = rs.text(QStringLiteral("Level"));
    s.Location = rs.text(QStringLiteral("Location"));
    s.Purpose = rs.text(QStringLiteral("Purpose"));
    s.Notes = rs.text(QStringLiteral("Notes"));
    return s;
}

void reportFailure(MainContext& c, const QString& what)
{
    writeLog(c.st.DataFolder, errorText(75, what, QStringLiteral("imgReport_Click")));
    c.pr.message(QStringLiteral("The report could not be made.\n\n") + what, MsgIcon::Warning, MsgButtons::Ok,
                 kQuillonTitle);
}

} // namespace

QString drawAndSaveGraph(MainContext& c, int page)
{
    QString path;
    if (graphs::exportChartJpeg(c, page, &path))
        return path;
    // A page that would not open has nothing to show; a page that opened
    // but whose picture could not be written is a failure of the report.
    if (c.ui.SSTab1->currentIndex() == page)
        throw std::runtime_error("The graph could not be saved as " + path.toStdString());
    return QString();
}

ReportOutcome makeReport(MainContext& c, const ReportOptions& o, const QString& target)
{
    ReportOutcome out;
    try {
        const SensorInfo sensor = currentSensor(c.st.rsSensors);
        const QDateTime now = QDateTime::currentDateTime();
        ReportContent content;
        // 2. The information page.
        if (o.ReportCover) {
            content.heading = reportHeading(sensor);
            content.infoLines = reportInfoLines(sensor, now);
        }
        // 3. Each chosen graph, drawn anew for this sensor. A graph whose page
        // would not open is left out rather than showing the last sensor's
        // drawing.
        for (const auto& g : kGraphPages) {
            if (!(o.*g.flag))
                continue;
            const QString picture = drawAndSaveGraph(c, g.page);
            if (!picture.isEmpty()) {
                content.pictures.push_back({QLatin1String(g.caption), picture});
                out.graphs << QLatin1String(g.caption);
            } else {
                out.graphsLeftOut << QLatin1String(g.caption);
            }
        }
        if (content.heading.isEmpty() && content.pictures.empty()) {
            out.nothingToReport = true;
        } else {
            out.path = target.isEmpty() ? datedExportPath(c.st.DataFolder, QStringLiteral("Report "),
                                                          sensor.InstrumentID, now, QStringLiteral(".odt"))
                                        : target;
            QString error;
            out.written = writeReportDocument(content, out.path, &error, &out.unreadable);
            if (!out.written)
                throw std::runtime_error(QStringLiteral("%1\n%2").arg(out.path, error).toStdString());
        }
    } catch (...) {
        int number = 0;
        describeCurrentException(number, out.error);
        out.written = false;
    }

    // 4. Back to the Readings page.
    attempt([&] {
        if (c.ui.SSTab1->currentIndex() != kReadingsPage)
            c.ui.SSTab1->setCurrentIndex(kReadingsPage);
    });
    return out;
}

void imgReport_Click(MainContext& c, frmReport& dlg)
{
    // 1. The choices.
    dlg.exec();
    const ReportOptions o = dlg.options();
    if (!o.ReportRequested)
        return;

    const ReportOutcome out = makeReport(c, o);
    if (out.nothingToReport)
        c.pr.message(QStringLiteral("There is nothing to put in the report.\n\n"
                                    "Choose the cover page, or a graph that has at least 2 readings "
                                    "marked for plotting."),
                     MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
    if (!out.error.isEmpty())
        reportFailure(c, out.error);
    if (!out.written)
        return;
    const QString& path = out.path;
    const QStringList& unreadable = out.unreadable;
    if (!unreadable.isEmpty()) {
        writeLog(c.st.DataFolder, errorText(53, QStringLiteral("File not found ") + unreadable.join(u' '),
                                            QStringLiteral("imgReport_Click")));
        c.pr.message(QStringLiteral("These graph pictures could not be read and are missing from the report:\n") +
                         unreadable.join(u'\n'),
                     MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
    }
    if (!c.pr.openWithDesktop(path))
        c.pr.message(QStringLiteral("No word processor could be found to open the report.\n"
                                    "The report was saved as:\n") + path,
                     MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
}

void cmdDisp_Click(MainContext& c)
{
    attempt([&] { c.st.CurrentSensorID = c.st.rsSensors.text(QStringLiteral("InstrumentID")); });
    graphs::frmDisp f(c, c.ui.SSTab1->window());
    QObject::connect(f.Image1, &QToolButton::clicked, &f, [&c, &f] {
        FlexGridToExcel(
            c.st, c.pr, [&f](qint64 r, qint64 col) { return f.TextMatrix(r, col); }, f.Rows(), f.Cols(), 1,
            c.st.CurrentSensorID);
    });
    f.Form_Load();
    f.exec();
}

void wireReports(MainContext& c, QObject* owner)
{
    auto* window = qobject_cast<QWidget*>(owner);
    // Loaded once for the run and only hidden between reports.
    auto* dlg = new frmReport(window);
    auto report = [&c, dlg] { imgReport_Click(c, *dlg); };
    QObject::connect(c.ui.imgReport, &QToolButton::clicked, owner, report);
    QObject::connect(c.ui.Label46, &ClickableLabel::clicked, owner, report);

    c.ui.cmdDisp->setText(QStringLiteral("Disp Values"));
    QObject::connect(c.ui.cmdDisp, &QPushButton::clicked, owner, [&c] { cmdDisp_Click(c); });
}

} // namespace rv::reports
