#include "graphs/graph_data.h"
#include "common/log.h"
#include "readings/sensor_tables.h"
#include "store/criteria.h"
#include "store/dialect.h"
#include "store/sqlerror.h"
#include "store/sqltext.h"
#include "store/tableinfo.h"


namespace rv::graphs {

QString graphDataSql(const QString& id, GraphSelection sel)
{
    QString tail;
    switch (sel) {
    case GraphSelection::Temporal: tail = " WHERE Plottemporal = True ORDER BY FullDate"; break;
    case GraphSelection::Spatial: tail = " WHERE PlotSpatial = True ORDER BY FullDate"; break;
    case GraphSelection::AllReadings: tail = " WHERE DoNotPlot = False ORDER BY FullDate"; break;
    }
    return "SELECT * FROM " + store::tableName(id) + tail;
}

namespace {

void announceAndCreate(AppState& st, Prompter& pr, const QString& id)
{
    announceMissingTable(pr, id);
    AddDataTable(st, pr);
}

} // namespace

bool graphTableReady(AppState& st, Prompter& pr, GraphSelection sel, const QString& id)
{
    if (sel != GraphSelection::AllReadings)
        return true;
    QString why;
    switch (lookupTable(st, id, &why)) {
    case TableLookup::Present:
        return true;
    case TableLookup::Absent:
        announceAndCreate(st, pr, id);
        return false;
    case TableLookup::Unknown:
        announceUnreadableTable(pr, id, why);
        return false;
    }
    return false;
}

void graphOpenFailed(AppState& st, Prompter& pr, GraphSelection sel, const QString& id) noexcept
{
    try {
        throw;
    } catch (const store::DbError& e) {
        // Only a table that is really missing is created: offering to
        // "overwrite" a table that exists after some other failure could
        // cost the user every reading.
        if (sel != GraphSelection::AllReadings && e.number() == store::err::InputTableMissing && !id.isEmpty())
            attempt([&] { announceAndCreate(st, pr, id); });
        logCurrentException(st.DataFolder, "Module1_OpenGraphData");
    } catch (...) {
        logCurrentException(st.DataFolder, "Module1_OpenGraphData");
    }
}

void OpenGraphData(AppState& st, Prompter& pr, GraphSelection sel)
{
    QString id;
    try {
        id = st.rsSensors.text("InstrumentID");
        st.rsGraph.close();
        if (!graphTableReady(st, pr, sel, id))
            return;
        st.rsGraph.open(graphDataSql(id, sel), *st.conn);
        if (!st.rsGraph.bof() && !st.rsGraph.eof())
            st.rsGraph.moveFirst();
    } catch (...) {
        graphOpenFailed(st, pr, sel, id);
    }
}

int ResolvedSelection::indexOf(const QString& field) const
{
    for (size_t i = 0; i < cols.size(); ++i)
        if (cols[i].name.compare(field, Qt::CaseInsensitive) == 0)
            return int(i);
    return -1;
}

ResolvedSelection resolveSelection(store::Connection& conn, const QString& id, GraphSelection sel)
{
    using namespace store::detail;
    const Statement stmt = parseStatement(graphDataSql(id, sel));
    ResolvedSelection r;
    r.shape = store::tableShape(conn, stmt.table);
    r.table = r.shape.table;
    r.cols = r.shape.cols;
    r.where = bindCriteria(stmt.where, r.cols, [&r](const QString& f) { return r.indexOf(f); });
    r.orderCol = r.indexOf(stmt.orderBy);
    if (r.orderCol < 0)
        throw noSuchField(stmt.orderBy);
    r.descending = stmt.descending;
    return r;
}

int GraphDataCount(AppState& st, Prompter& pr, GraphSelection sel, int atMost)
{
    QString id;
    try {
        id = st.rsSensors.text("InstrumentID");
        st.rsGraph.close();
        if (!graphTableReady(st, pr, sel, id))
            return 0;
        if (!st.conn->state())
            throw store::detail::objectClosed();
        const ResolvedSelection r = resolveSelection(*st.conn, id, sel);
        using namespace store::detail;
        const QString rows = "SELECT 1 FROM " + quoteIdent(r.table) + sqlWhere(r.where, r.cols, 1, st.conn->backend().engine());
        const QByteArray sql = (atMost < 0 ? "SELECT count(*) FROM " + quoteIdent(r.table) + sqlWhere(r.where, r.cols, 1, st.conn->backend().engine())
                                           : "SELECT count(*) FROM (" + rows + " LIMIT " + QString::number(atMost) + ")")
                                   .toUtf8();
        store::BulkQuery q(*st.conn, sql);
        q.bindWhere(r.where);
        return q.next() ? int(q.integer(0)) : 0;
    } catch (...) {
        graphOpenFailed(st, pr, sel, id);
        return 0;
    }
}

} // namespace rv::graphs
