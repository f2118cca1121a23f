#pragma once
// The main window's procedures for the readout file import.
#include "app/ui_context.h"

class QObject;

namespace rv::importing {

// Connects the controls of the readout file import to their procedures; owner is the
// main window, which the connections live with.
void wireImport(MainContext& c, QObject* owner);

} // namespace rv::importing
