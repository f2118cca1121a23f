#pragma once
// The main window's procedures for the four graph pages.
#include "ui/ui_context.h"
#include "graphs/passes.h"

class QObject;

namespace rv::graphs {

// Connects the controls of the four graph pages to their procedures; owner is the
// main window, which the connections live with.
void wireGraphPages(MainContext& c, QObject* owner);

// The drawings, each from the values its data pass stored. The time graphs
// skip a failing statement and go on; the length graphs stop at the first
// failure and log it (" G_DrawSgraph", " G_DrawDvLgraph").
// With the lines of the pass just run (ready), the time graphs draw them
// instead of reading the selection again.
void DrawTgraph(MainContext& c, const GraphLines* lines = nullptr);    // ChartT, Load v Time
void DrawRgraph(MainContext& c, const GraphLines* lines = nullptr);    // ChartT2, Disp v Time
void DrawSgraph(MainContext& c);    // ChartS, Load v Length
void DrawDvLgraph(MainContext& c);  // ChartDvL, Disp v Length

// What the displacement passes need, read from the Installation page.
NodeGeometry nodeGeometry(const MainContext& c);

// A graph page (3 to 6) once the page has found two readings to plot: runs
// the page's data pass, shows the chart and draws it.
void drawGraphPage(MainContext& c, int page);

// The picture file of a graph page (3 "Temporal.jpg", 4 "Rate.jpg",
// 5 "Spatial.jpg", 6 "DvL.jpg") in the data folder.
QString chartPicturePath(const AppState& st, int page);

// Makes graph page `page` (3 to 6) current, which recomputes and redraws it
// (or redraws it when it is current already), and saves its chart as JPEG
// over chartPicturePath(). *path gets that path. False, with nothing
// written, when the page could not be entered (fewer than two readings
// marked for it) or the file could not be written (logged).
bool exportChartJpeg(MainContext& c, int page, QString* path = nullptr);

} // namespace rv::graphs
