#pragma once
// The sensor catalogue's procedures of the main window: showing and saving
// the current sensor, the type's form configuration, selection and
// navigation, adding, deleting and filtering.
#include "ui/ui_context.h"
#include <QString>

namespace rv::sensors {

// Form configuration for the current sensor's type.
void ConfigureForm(MainContext& c);
// Shows the current sensor in the boxes of pages 0 to 2.
void fillfields(MainContext& c);
// Writes the edited boxes back into the current sensor's row. False when
// someone else changed or deleted the sensor since it was shown: nothing
// was written, the user has been told, and the page must stay where it is.
bool savefields(MainContext& c);
// Recomputes the positions relative to the roof from the boxes.
// Throws when a box cannot be read (after writing what it could).
void CalcReltoRoof(MainContext& c);
// Moves the sensor types record set onto the current sensor's type;
// false (after its message) when no type matches.
bool positionType(MainContext& c);

// Refills cboSensors from the catalogue (in its order), moves to the first
// row, shows it and sets the list text and the count.
void refillSensorList(MainContext& c);

// Selection and navigation.
void cboSensorsClick(MainContext& c);
// Key going down in cboSensors (before it changes the text).
void cboSensorsKeyDown(MainContext& c, int key);
// Whether a typed character is kept (the typing limit).
bool cboSensorsKeyPress(MainContext& c, QChar ch);
void imgNextClick(MainContext& c);
void imgPreviousClick(MainContext& c);
void cboDestroyedClick(MainContext& c);
void cboDestroyedKeyPress(MainContext& c, QChar ch);

// Adding and deleting.
void imgAddSensorClick(MainContext& c);
void G_AddTypedSensor(MainContext& c);
void imgDeleteClick(MainContext& c);

// The filter.
void imgFilterClick(MainContext& c);
void G_AddFilter(MainContext& c, const QString& criteria);
void G_RemoveFilter(MainContext& c);
// Lost focus of the date boxes; false when the focus was sent back.
bool txtStartDateLostFocus(MainContext& c);
bool txtEndDateLostFocus(MainContext& c);

} // namespace rv::sensors
