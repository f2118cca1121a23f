#include "ui/ui_main_layout.h"
#include "common/dates.h"
#include "common/log.h"
#include "readings/sensor_tables.h"
#include "sensors/sensor_number.h"
#include "sensors/trigger_levels.h"
#include "sensors/ui_sensors.h"
#include "store/audit.h"
#include "store/conflict.h"
#include "store/query.h"
#include "store/settings.h"
#include "store/sqltext.h"

#include <QComboBox>
#include <QLineEdit>

namespace rv::sensors {

namespace {

QString currentId(MainContext& c)
{
    QString id;
    attempt([&] {
        if (!c.st.rsSensors.bof() && !c.st.rsSensors.eof())
            id = c.st.rsSensors.text("InstrumentID");
    });
    return id;
}

// The types record set follows the current sensor again after a refused add.
void restoreType(MainContext& c)
{
    attempt([&] {
        if (!c.st.rsSensors.bof() && !c.st.rsSensors.eof()) {
            c.st.rsConfig.moveFirst();
            c.st.rsConfig.find("SensorType = " + store::quoted(c.st.rsSensors.text("SensorType")));
        }
    });
}

// Whether the catalogue has a row for id, whatever filter the shown set has.
bool inCatalogue(MainContext& c, const QString& id)
{
    store::Recordset all;
    all.open("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;", *c.st.conn);
    if (all.recordCount() == 0)
        return false;
    all.moveFirst();
    all.find("InstrumentID = " + store::quoted(id));
    return !all.eof();
}

// Inserts id into cboSensors where the catalogue's order puts it.
void insertSorted(QComboBox* box, const QString& id)
{
    int i = 0;
    while (i < box->count() && box->itemText(i) < id)
        ++i;
    box->insertItem(i, id);
}

} // namespace

void imgAddSensorClick(MainContext& c)
{
    c.pendingSensorNumber.clear();
    const auto answer = c.pr.input("Enter new Sensor No:", "Add New Sensor");
    c.pendingSensorNumber = answer.value_or(QString());
    if (!c.pendingSensorNumber.isEmpty())
        G_AddTypedSensor(c);
    else
        c.pr.message("No sensor entered", MsgIcon::None, MsgButtons::Ok, kAppTitle);
}

void G_AddTypedSensor(MainContext& c)
{
    const QString s = c.pendingSensorNumber;
    auto& st = c.st;
    const QString previous = currentId(c);
    try {
        c.ui.cboSensors->setEditText(s);
        savefields(c);

        const NumberCheck check = checkSensorNumber(s);
        if (check != NumberCheck::Ok) {
            c.pr.message(refusalText(check), MsgIcon::None, MsgButtons::Ok, "Invalid Sensor Number");
            return;
        }
        const QString type = typeCode(s);
        st.rsConfig.moveFirst();
        st.rsConfig.find("SensorType = " + store::quoted(type));
        if (st.rsConfig.eof()) {
            c.pr.message("Sensors database error!!!", MsgIcon::None, MsgButtons::Ok, kAppTitle);
            restoreType(c);
            return;
        }
        QString why;
        const TableLookup found = lookupTable(st.DatabasePath, s, st.DataFolder, &why);
        if (found == TableLookup::Unknown) {
            restoreType(c);
            attempt([&] { c.ui.cboSensors->setEditText(previous); });
            c.pr.message("Sensor " + s + " could not be added; nothing was written.\n" + why, MsgIcon::Warning,
                         MsgButtons::Ok, kQuillonTitle);
            return;
        }
        if (found == TableLookup::Present) {
            if (inCatalogue(c, s)) {
                c.pr.message("Sensor " + s + " already exists\n"
                             "Type a new sensor number in the 'Add or Select Sensor' combo box\n"
                             "Then click 'Add New' or hit the Enter key",
                             MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
            } else {
                c.pr.message("A data table for Sensor " + s + " already exists, but the sensor is not in the catalogue.\n"
                             "The number cannot be used until that table is removed.",
                             MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
            }
            restoreType(c);
            return;
        }
        if (!c.pr.ask("Do you want to add new Sensor " + s + " to the database?", kQuillonTitle)) {
            restoreType(c);
            return;
        }
        const QString family = st.rsConfig.text("Family");
        const QString model = st.rsConfig.text("Model");

        // The catalogue row, the reading table and the network row exist
        // together or not at all. The record set is put back as it was when
        // they are not written, so no half-made row is left in it for a later
        // move to write.
        const store::Recordset::Saved before = st.rsSensors.save();
        try {
            store::Connection::Transaction tx(*st.conn);
            auto& rs = st.rsSensors;
            rs.addNew();
            rs.setValue("InstrumentID", s);
            rs.setValue("Family", family);
            rs.setValue("Model", model);
            rs.setValue("SensorType", type);
            rs.setValue("DateID", dateCode(s));
            rs.setValue("TypeID", type);
            rs.setValue("SensorNo", serialCode(s));
            rs.setValue("InstallDate", todayText());
            rs.setValue("Destroyed", "No");
            rs.setValue("HeadLocation", true);
            rs.setValue("LengthofCable", 0.0);
            rs.setValue("Recess", 0.0);
            store::writeAudit(*st.conn, {s, QString(), store::audit::Add, QString(),
                                         store::rowText(rs, {QStringLiteral("InstrumentID")})});
            rs.update();
            createReadingTable(*st.conn, s);
            store::Recordset net;
            net.open("SELECT * FROM NetworkConfig ORDER BY SensorID;", *st.conn);
            net.addNew();
            net.setValue("SensorID", s);
            net.setValue("MasterID", "NA");
            net.setValue("SlaveID", "NA");
            net.setValue("SlotID", "NA");
            net.setValue("TimeConfig", 24);
            net.update();
            net.close();
            tx.commit();
        } catch (...) {
            int number = 0;
            QString why;
            describeCurrentException(number, why);
            logCurrentException(st.DataFolder, "G_AddTypedSensor");
            st.rsSensors.restore(before);
            attempt([&] { fillfields(c); });
            attempt([&] { c.ui.cboSensors->setEditText(previous); });
            c.pr.message("Sensor " + s + " could not be added; nothing was written.\n" + why,
                         MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
            return;
        }

        fillfields(c);
        insertSorted(c.ui.cboSensors, s);
        c.ui.cboSensors->setEditText(s);
        c.ui.txtSCount->setText(QString::number(st.rsSensors.recordCount()));
        auto& rs = st.rsSensors;
        rs.requery();
        rs.moveFirst();
        rs.find("InstrumentID = " + store::quoted(s));
        fillfields(c);
        savefields(c);
    } catch (...) {
        c.logError("G_AddTypedSensor");
    }
}

void imgDeleteClick(MainContext& c)
{
    auto& st = c.st;
    try {
        const QString id = st.rsSensors.text("InstrumentID");
        if (!c.pr.ask("Permanently delete Sensor " + id + " from database?", "Quillon's ROCKVANE"))
            return;

        // The readings on screen must not outlive their table.
        attempt([&] { st.rsReadings.close(); });
        attempt([&] { st.rsGraph.close(); });
        st.SavedReadingBookmark = 0;
        // The table, the network row, the sensor's levels and settings and
        // the catalogue row go together or not at all: a table left behind
        // would block the number for ever.
        const store::Recordset::Saved before = st.rsSensors.save();
        try {
            QString why;
            const TableLookup found = lookupTable(st.DatabasePath, id, st.DataFolder, &why);
            // Deleting the catalogue row without its table would block the
            // number for ever: a file that cannot be read stops the delete.
            if (found == TableLookup::Unknown)
                throw store::DbError(store::err::Locked, why);
            const bool hasTable = found == TableLookup::Present;
            store::Connection::Transaction tx(*st.conn);
            // What went: the catalogue row and how many readings with it.
            QString old = store::rowText(st.rsSensors, {QStringLiteral("InstrumentID")});
            if (hasTable) {
                const qint64 readings = store::countRows(*st.conn, "SELECT * FROM " + store::tableName(id));
                old += (old.isEmpty() ? QString() : QStringLiteral("; ")) + QStringLiteral("Readings=%1").arg(readings);
            }
            store::writeAudit(*st.conn, {id, QString(), store::audit::Delete, old, QString()});
            if (hasTable)
                st.conn->execute("DROP TABLE " + store::tableName(id));
            store::Recordset net;
            net.open("SELECT * FROM NetworkConfig ORDER BY SensorID;", *st.conn);
            if (net.recordCount() > 0) {
                net.moveFirst();
                net.find("SensorID = " + store::quoted(id));
                if (!net.eof())
                    net.deleteCurrent();
            }
            net.close();
            // Its trigger levels and kept values would otherwise pass to a
            // new sensor given the same number.
            deleteScopeLevels(*st.conn, id);
            store::deleteScopeSettings(*st.conn, id);
            st.rsSensors.deleteCurrent();
            tx.commit();
        } catch (...) {
            int number = 0;
            QString why;
            describeCurrentException(number, why);
            logCurrentException(st.DataFolder, "imgDelete_Click");
            const bool conflict = store::currentIsConflict();
            st.rsSensors.restore(before);
            if (conflict) {
                // Someone else changed or deleted the sensor meanwhile: the
                // page shows what is stored now, so that a second delete is
                // a choice made on what the user has seen.
                bool stored = true;
                attempt([&] { stored = st.rsSensors.reloadCurrent(); });
                if (!stored) {
                    c.pr.message("Sensor " + id + " had already been deleted by another user.", MsgIcon::Warning,
                                 MsgButtons::Ok, kQuillonTitle);
                    refillSensorList(c);
                    return;
                }
            }
            attempt([&] { fillfields(c); });
            c.pr.message("Sensor " + id + " could not be deleted; nothing was removed.\n" + why,
                         MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
            return;
        }

        refillSensorList(c);
    } catch (...) {
        c.logError("imgDelete_Click");
    }
}

} // namespace rv::sensors
