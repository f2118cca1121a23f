#pragma once
// The main window's procedures for the report and the spreadsheet export.
#include "app/ui_context.h"

class QObject;

namespace rv::reports {

// Connects the controls of the report and the spreadsheet export to their procedures; owner is the
// main window, which the connections live with.
void wireReports(MainContext& c, QObject* owner);

} // namespace rv::reports
