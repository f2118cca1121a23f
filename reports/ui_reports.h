#pragma once
// The main window's procedures for the report, the spreadsheet export and
// the displacement values window.
#include "reports/frmReport.h"
#include "ui/ui_context.h"
#include <QStringList>

class QObject;

namespace rv::reports {

class frmReport;

// Connects the controls of the report and the spreadsheet export to their procedures; owner is the
// main window, which the connections live with.
void wireReports(MainContext& c, QObject* owner);

// What making a report came to.
struct ReportOutcome {
    bool written = false;
    bool nothingToReport = false;  // no cover page and no graph that could be drawn
    QString path;                  // the document, when written
    QString error;                 // why it was not written
    QStringList graphs;            // the graphs in the document, by caption
    QStringList graphsLeftOut;     // chosen graphs with fewer than two readings to plot
    QStringList unreadable;        // pictures that could not be read back
};

// Writes the report of the current sensor with the choices o: draws each
// chosen graph through its page, writes the document to target (a dated
// name in the data folder when empty) and ends on the Readings page. Tells
// the user nothing and opens nothing: the caller does.
ReportOutcome makeReport(MainContext& c, const ReportOptions& o, const QString& target = QString());

// The report of the current sensor: asks what to include (dlg), draws each
// chosen graph through its page, writes the document in the data folder and
// hands it to the desktop's word processor. Ends on the Readings page.
void imgReport_Click(MainContext& c, frmReport& dlg);

// Makes the graph page `page` (3 to 6) current, which recomputes and redraws
// its graph, and saves the chart as its JPEG file in the data folder (the
// file of the page's own export button). Returns the file, or an empty text
// when the page would not open (fewer than two readings marked for it);
// throws when the picture could not be written.
QString drawAndSaveGraph(MainContext& c, int page);

// Opens the displacement values window for the current sensor.
void cmdDisp_Click(MainContext& c);

} // namespace rv::reports
