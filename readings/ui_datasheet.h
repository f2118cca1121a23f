#pragma once
// The Readings page's datasheet button: saves the shown reading, opens the
// datasheet window over the main window and shows the same reading again
// when it closes.
#include "ui/ui_context.h"

class QObject;
class QWidget;

namespace rv::readings {

// Connects `imgDatasheet` and its caption `Label45`; owner is the main window.
void wireDatasheet(MainContext& c, QObject* owner);

// The click of `imgDatasheet`; the window opens over parent.
void imgDatasheetClick(MainContext& c, QWidget* parent = nullptr);

} // namespace rv::readings
