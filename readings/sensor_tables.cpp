#include "readings/sensor_tables.h"
#include "common/log.h"
#include "store/sqltext.h"

namespace rv {

bool TableExists(const QString& path, const QString& name, const QString& dataFolder)
{
    try {
        // A private connection, so the shared one and its record sets are not disturbed.
        store::Connection cat;
        cat.open(path);
        bool found = false;
        for (const QString& t : cat.tableNames()) {
            if (t.startsWith(QLatin1String("MSys")))
                continue;
            if (t == name) {
                found = true;
                break;
            }
        }
        cat.close();
        return found;
    } catch (...) {
        logCurrentException(dataFolder, "Module1_TableExists");
        return false;
    }
}

void announceMissingTable(Prompter& pr, const QString& id)
{
    pr.message("The data table for Sensor " + id + " could not be found\nA new table will be created",
               MsgIcon::None, MsgButtons::Ok, kAppTitle);
}

void createReadingTable(store::Connection& conn, const QString& id)
{
    conn.execute("SELECT * INTO " + store::tableName(id) + " FROM sensordata WHERE DateTimeKey is null");
}

QString readingsSql(const QString& id)
{
    return "SELECT * FROM " + store::tableName(id) + " ORDER BY FullDate";
}

bool AddDataTable(AppState& st, Prompter& pr)
{
    try {
        const QString id = st.rsSensors.text("InstrumentId");
        store::Connection::Transaction tx(*st.conn);
        if (TableExists(st.DatabasePath, id, st.DataFolder)) {
            pr.message("Table " + id + " Already Exists", MsgIcon::None, MsgButtons::Ok, kAppTitle);
            if (!pr.ask("Table " + id + " already exists\nDo you want to overwrite this table?",
                        "Quillon's ROCKVANE"))
                return false;
            // The readings record set may hold rows of the table about to go.
            if (st.rsReadings.state() && st.rsReadings.tableName() == id)
                st.rsReadings.close();
            st.conn->execute("DROP TABLE " + store::tableName(id));
        }
        createReadingTable(*st.conn, id);
        tx.commit();
        return true;
    } catch (...) {
        logCurrentException(st.DataFolder, "Module1_AddDataTable");
        return false;
    }
}

void OpenSensorData(AppState& st, Prompter& pr)
{
    try {
        const QString id = st.rsSensors.text("InstrumentID");
        if (!TableExists(st.DatabasePath, id, st.DataFolder)) {
            announceMissingTable(pr, id);
            // Whatever happens next, the set must not stay on another sensor's table.
            st.rsReadings.close();
            if (!AddDataTable(st, pr))
                return;
        }
        st.rsReadings.close();
        st.rsReadings.open(readingsSql(id), *st.conn);
        if (!st.rsReadings.bof() && !st.rsReadings.eof())
            st.rsReadings.moveFirst();
    } catch (...) {
        logCurrentException(st.DataFolder, "Module1_OpenSensorData");
    }
}

} // namespace rv
