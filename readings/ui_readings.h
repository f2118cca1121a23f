#pragma once
// The main window's procedures for the Readings page.
#include "ui/ui_context.h"

class QObject;

namespace rv::readings {

// Connects the controls of the Readings page to their procedures; owner is the
// main window, which the connections live with.
void wireReadingsPage(MainContext& c, QObject* owner);

// Shows the current reading of the readings record set in the page's boxes.
void fillreadings(MainContext& c);
// Writes the page's boxes back into the current reading.
void SaveReadings(MainContext& c);

// The same save, telling the caller whether the shown reading is now stored
// (true also when there was nothing to save). A move that follows a failed
// save would throw away what the user typed.
bool saveShownReading(MainContext& c);

// The navigation buttons.
void imgFirstClick(MainContext& c);
void imgPrevDataClick(MainContext& c);
void imgNextDataClick(MainContext& c);
void imgLastClick(MainContext& c);
// Adding and deleting.
void imgAddReadingClick(MainContext& c);
void imgDeleteReadingClick(MainContext& c);

// Validation of the pickers.
void futureDateCheck(MainContext& c);
void CheckDateTime(MainContext& c);
// True when a reading other than the one at position `excluded` (0: none)
// already has this key. Moves the readings record set.
bool G_DupID(MainContext& c, const QString& key, qint64 excluded);

// Sets the counter box from the readings record set.
void showPosition(MainContext& c);

} // namespace rv::readings
