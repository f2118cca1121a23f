#pragma once
// Opening the selection of readings a graph is drawn from.
#include "state/appstate.h"
#include "common/prompter.h"
#include "store/bulk.h"
#include "store/criteria.h"


namespace rv::graphs {

enum class GraphSelection { Temporal, Spatial, AllReadings };

// "SELECT * FROM `id`" + the selection's condition + " ORDER BY FullDate".
QString graphDataSql(const QString& id, GraphSelection sel);

// Replaces the graph data record set by the current sensor's selection and
// moves to its first row. A missing reading table is announced and created,
// and the set is then left closed.
void OpenGraphData(AppState& st, Prompter& pr, GraphSelection sel);

// The selection's statement resolved against the file the way the record
// set's open resolves it: the table as stored, its columns, the bound
// condition and the sort column (ties go by rowid). Throws as that open does
// (a missing table is err::InputTableMissing).
struct ResolvedSelection {
    QString table;
    store::TableShape shape;
    std::vector<store::detail::ColumnInfo> cols;
    store::detail::BoundCriteria where;
    int orderCol = -1;
    bool descending = false;
    int indexOf(const QString& field) const;  // case-insensitive; -1 when missing
};
ResolvedSelection resolveSelection(store::Connection& conn, const QString& id, GraphSelection sel);

// The number of readings OpenGraphData followed by RecordCount would give,
// counted without reading the rows, with OpenGraphData's handling of a
// missing table; 0 when the selection cannot be opened. The graph data
// record set is left closed. With atMost, counting stops there (a page only
// asks whether there are two).
int GraphDataCount(AppState& st, Prompter& pr, GraphSelection sel, int atMost = -1);

// The two halves of OpenGraphData's handling of a missing table, for code
// that reads the same selection another way. Before the open: false when the
// all-readings selection's table is missing, which has then been announced
// and created (the other selections find out by failing to open). From a
// catch block after a failed open: announces and creates a missing table,
// then logs the error.
bool graphTableReady(AppState& st, Prompter& pr, GraphSelection sel, const QString& id);
void graphOpenFailed(AppState& st, Prompter& pr, GraphSelection sel, const QString& id) noexcept;

} // namespace rv::graphs
