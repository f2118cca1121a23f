#pragma once
// The main window's procedures for the four graph pages.
#include "app/ui_context.h"

class QObject;

namespace rv::graphs {

// Connects the controls of the four graph pages to their procedures; owner is the
// main window, which the connections live with.
void wireGraphPages(MainContext& c, QObject* owner);

} // namespace rv::graphs
