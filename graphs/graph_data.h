#pragma once
// Opening the selection of readings a graph is drawn from.
#include "state/appstate.h"
#include "common/prompter.h"

namespace rv::graphs {

enum class GraphSelection { Temporal, Spatial, AllReadings };

// "SELECT * FROM `id`" + the selection's condition + " ORDER BY FullDate".
QString graphDataSql(const QString& id, GraphSelection sel);

// Replaces the graph data record set by the current sensor's selection and
// moves to its first row. A missing reading table is announced and created,
// and the set is then left closed.
void OpenGraphData(AppState& st, Prompter& pr, GraphSelection sel);

// The two halves of OpenGraphData's handling of a missing table, for code
// that reads the same selection another way. Before the open: false when the
// all-readings selection's table is missing, which has then been announced
// and created (the other selections find out by failing to open). From a
// catch block after a failed open: announces and creates a missing table,
// then logs the error.
bool graphTableReady(AppState& st, Prompter& pr, GraphSelection sel, const QString& id);
void graphOpenFailed(AppState& st, Prompter& pr, GraphSelection sel, const QString& id) noexcept;

} // namespace rv::graphs
