#pragma once
// The main window's procedures for the report, the spreadsheet export and
// the displacement values window.
#include "ui/ui_context.h"

class QObject;

namespace rv::reports {

class frmReport;

// Connects the controls of the report and the spreadsheet export to their procedures; owner is the
// main window, which the connections live with.
void wireReports(MainContext& c, QObject* owner);

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
