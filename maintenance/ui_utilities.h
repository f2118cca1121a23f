#pragma once
// The main window's procedures for the Utilities page.
#include "app/ui_context.h"

class QObject;

namespace rv::maintenance {

// Connects the controls of the Utilities page to their procedures; owner is the
// main window, which the connections live with.
void wireUtilities(MainContext& c, QObject* owner);

} // namespace rv::maintenance
