#include "graphs/passes.h"

namespace rv::graphs {

// Not yet written: the passes leave the stored values as they are.
void GetTemporalData(AppState&, Prompter&) {}
void GetDispData(AppState&, Prompter&, const NodeGeometry&) {}
void GetSpatialData(AppState&, Prompter&) {}
void GetSDispData(AppState&, Prompter&, const NodeGeometry&) {}
void GetRateData(AppState&, Prompter&) {}

} // namespace rv::graphs
