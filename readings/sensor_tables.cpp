#include "readings/sensor_tables.h"
#include "common/log.h"
#include "store/audit.h"
#include "store/query.h"
#include "store/sqltext.h"

#include <functional>

namespace rv {

bool TableExists(const QString& path, const QString& name, const QString& dataFolder)
{
    return lookupTable(path, name, dataFolder) == TableLookup::Present;
}

namespace {

// Whether conn holds a user table of exactly that name ("MSys" names never
// count); Unknown after any error, logged and told in why.
TableLookup lookupOn(const std::function<store::Connection&()>& conn, const QString& name,
                     const QString& dataFolder, QString* why)
{
    try {
        const QStringList tables = conn().tableNames();
        const bool found = !name.startsWith(QLatin1String("MSys")) && tables.contains(name);
        return found ? TableLookup::Present : TableLookup::Absent;
    } catch (...) {
        logCurrentException(dataFolder, "Module1_TableExists");
        if (why) {
            int number = 0;
            QString description;
            describeCurrentException(number, description);
            *why = unreadableDatabaseText(number, description);
        }
        return TableLookup::Unknown;
    }
}

} // namespace

TableLookup lookupTable(const QString& path, const QString& name, const QString& dataFolder, QString* why)
{
    // A private connection, so the shared one and its record sets are not disturbed.
    store::Connection cat;
    return lookupOn(
        [&]() -> store::Connection& {
            cat.open(path);
            return cat;
        },
        name, dataFolder, why);
}

TableLookup lookupTable(AppState& st, const QString& name, QString* why)
{
    if (!st.conn->state() || !st.conn->isServer() || !store::isServerLocation(st.DatabasePath))
        return lookupTable(st.DatabasePath, name, st.DataFolder, why);
    return lookupOn([&]() -> store::Connection& { return *st.conn; }, name, st.DataFolder, why);
}

QString unreadableDatabaseText(int number, const QString& description)
{
    if (number == store::err::Locked)
        return QStringLiteral("The database is in use by another program. Try again in a moment.");
    return QStringLiteral("The database could not be read: ") + description;
}

void announceUnreadableTable(Prompter& pr, const QString& id, const QString& why)
{
    pr.message("The readings of Sensor " + id + " could not be opened.\n" + why + "\nNothing has been changed.",
               MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
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
        QString why;
        const TableLookup found = lookupTable(st, id, &why);
        if (found == TableLookup::Unknown) {
            announceUnreadableTable(pr, id, why);
            return false;
        }
        store::Connection::Transaction tx(*st.conn);
        if (found == TableLookup::Present) {
            pr.message("Table " + id + " Already Exists", MsgIcon::None, MsgButtons::Ok, kAppTitle);
            // Emptying a table of readings is never what a stray Enter means.
            if (!pr.ask("Table " + id + " already exists\nDo you want to overwrite this table?",
                        "Quillon's ROCKVANE", MsgIcon::None, MsgResult::No))
                return false;
            // The readings record set may hold rows of the table about to go.
            if (st.rsReadings.state() && st.rsReadings.tableName() == id)
                st.rsReadings.close();
            const qint64 gone = store::countRows(*st.conn, "SELECT * FROM " + store::tableName(id));
            if (gone > 0)
                store::writeAudit(*st.conn, {id, QString(), store::audit::Delete,
                                             store::AuditPairs().add(QStringLiteral("Readings"), gone).text(),
                                             QString()});
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
        QString why;
        const TableLookup found = lookupTable(st, id, &why);
        if (found == TableLookup::Unknown) {
            // The set must not stay on another sensor's table.
            st.rsReadings.close();
            announceUnreadableTable(pr, id, why);
            return;
        }
        if (found == TableLookup::Absent) {
            announceMissingTable(pr, id);
            // Whatever happens next, the set must not stay on another sensor's table.
            st.rsReadings.close();
            if (!AddDataTable(st, pr))
                return;
        }
        st.rsReadings.close();
        st.rsReadings.open(readingsSql(id), *st.conn);
        // The page moves about a sensor's whole history: its places kept ready.
        st.rsReadings.mapPositions();
        if (!st.rsReadings.bof() && !st.rsReadings.eof())
            st.rsReadings.moveFirst();
    } catch (...) {
        logCurrentException(st.DataFolder, "Module1_OpenSensorData");
    }
}

} // namespace rv
