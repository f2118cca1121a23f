#pragma once
// The graph data passes: each opens its selection of the current sensor's
// readings, takes the first row as the zero reading and rewrites the derived
// fields of every row, in one transaction.
#include "common/prompter.h"
#include "state/appstate.h"
#include <QString>
#include <QVariant>
#include <array>
#include <vector>

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

// What a time graph draws, handed over by the pass that computed it, so
// that the drawing need not read the selection again: per row of the
// selection, in its order, the X of the point (FullDate as the chart's
// date-time key) and the values of the drawn fields as they stand after the
// pass. NaN is "no point". Filled only when the pass ran to the end and
// every value is a plain number or null; otherwise `ready` stays false and
// the drawing reads the selection itself.
struct GraphLines {
    bool ready = false;
    // 0 NumTemp, 1..10 zero1..zero10 (the zero passes) or 1..6 Disp1..Disp6
    // (the displacement passes).
    static constexpr int kFields = 11;
    bool displacement = false;
    // The drawn fields 1..wanted are filled; the others may be left empty.
    // Set by the caller before the pass (the drawing's node count).
    int wanted = kFields - 1;
    std::vector<double> x;
    std::array<std::vector<double>, kFields> y;
    // ReadingDate of the first and the last row (null, a date or a text).
    QVariant firstDate;
    QVariant lastDate;
    void clear()
    {
        const int w = wanted;
        *this = GraphLines();
        wanted = w;
    }
};

// Each pass ends with the graph data record set closed. A page runs its pass
// only when the selection holds at least two readings (GraphDataCount).
// With `lines`, the time passes also give what the drawing needs.
//
// A pass that ran to the end without a failure leaves a note in the
// sensor's settings ("GraphValues") that its stored values are current,
// with triggers on the reading table that drop the note at any change of a
// reading the values depend on. While the note holds, the pass only takes
// the zero reading's offsets and reads what the drawing needs.
void GetTemporalData(AppState& st, Prompter& pr, GraphLines* lines = nullptr);
void GetDispData(AppState& st, Prompter& pr, const NodeGeometry& g, GraphLines* lines = nullptr);
void GetSpatialData(AppState& st, Prompter& pr);
void GetSDispData(AppState& st, Prompter& pr, const NodeGeometry& g);
void GetRateData(AppState& st, Prompter& pr);

} // namespace rv::graphs
