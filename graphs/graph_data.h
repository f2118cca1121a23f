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

} // namespace rv::graphs
