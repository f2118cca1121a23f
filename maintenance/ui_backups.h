#pragma once
#include "app/ui_context.h"

namespace rv {

// Refills lstFiles with the heading and the backup files, heading selected.
void GListBackups(MainContext& c);

} // namespace rv
