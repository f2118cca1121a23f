#pragma once
// The main window's procedures for the Readings page.
#include "app/ui_context.h"

class QObject;

namespace rv::readings {

// Connects the controls of the Readings page to their procedures; owner is the
// main window, which the connections live with.
void wireReadingsPage(MainContext& c, QObject* owner);

// Shows the current reading of the readings record set in the page's boxes.
void fillreadings(MainContext& c);
// Writes the page's boxes back into the current reading.
void SaveReadings(MainContext& c);

} // namespace rv::readings
