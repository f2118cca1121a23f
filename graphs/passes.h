#pragma once
// The graph data passes: each opens its selection of the current sensor's
// readings, takes the first row as the zero reading and rewrites the derived
// fields of every row, in one transaction.
#include "common/prompter.h"
#include "state/appstate.h"
#include <QString>
#include <array>

namespace rv::graphs {

// What the displacement passes need of the Installation page: the head
// position and the node positions relative to the roof, as the page shows
// them (texts of txtRelSGanchor 1..6; element 0 unused).
struct NodeGeometry {
    bool headAtCollar = true;              // Option1 selected
    // The type's NumChannels: sections 1..n and nodes 1..n + 1 get their
    // stretch and displacement, the fields of the others are left null.
    int numChannels = 5;
    std::array<QString, 7> relAnchor;
};

// Each pass ends with the graph data record set closed. A page runs its pass
// only when the selection holds at least two readings (GraphDataCount).
void GetTemporalData(AppState& st, Prompter& pr);
void GetDispData(AppState& st, Prompter& pr, const NodeGeometry& g);
void GetSpatialData(AppState& st, Prompter& pr);
void GetSDispData(AppState& st, Prompter& pr, const NodeGeometry& g);
void GetRateData(AppState& st, Prompter& pr);

} // namespace rv::graphs
