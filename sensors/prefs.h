#pragma once
#include "state/appstate.h"

namespace rv {

// Reads the site preferences from the first row of Prefs. Errors are logged
// as " Module1_GetPrefs".
void GetPrefs(AppState& st);

} // namespace rv
