#include "graphs/graph_data.h"
#include "common/log.h"
#include "readings/sensor_tables.h"
#include "store/sqltext.h"

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
    if (sel == GraphSelection::AllReadings && !TableExists(st.DatabasePath, id, st.DataFolder)) {
        announceAndCreate(st, pr, id);
        return false;
    }
    return true;
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

} // namespace rv::graphs
