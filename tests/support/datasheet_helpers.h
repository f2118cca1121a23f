#pragma once
// Readings with every field the datasheet shows, written straight to a
// sensor's table, and a look at what the file holds.
#include "store/connection.h"
#include "store/recordset.h"
#include "store/sqltext.h"

#include <QString>
#include <QVariant>
#include <QVariantList>
#include <sqlite3.h>

namespace rv::test {

// One reading of table id at when ("yyyy/MM/dd HH:mm:ss"): key, date, time
// and FullDate from when; values go to ChannelT, Channel1, Channel2, ... in
// turn (an invalid QVariant leaves the field null). A flag given as an
// invalid QVariant stays null.
inline void addDatasheetReading(store::Connection& conn, const QString& id, const QString& when,
                                const QVariantList& values, const QVariant& temporal = true,
                                const QVariant& spatial = false)
{
    store::Recordset rs;
    rs.open("SELECT * FROM " + store::tableName(id) + " ORDER BY FullDate", conn);
    rs.addNew();
    rs.setValue("DateTimeKey", id + " " + when);
    rs.setValue("ReadingDate", when.left(10));
    rs.setValue("ReadingTime", when.mid(11));
    rs.setValue("FullDate", when);
    for (int k = 0; k < values.size(); ++k)
        rs.setValue(k == 0 ? QStringLiteral("ChannelT") : QStringLiteral("Channel%1").arg(k), values[k]);
    if (temporal.isValid())
        rs.setValue("Plottemporal", temporal);
    if (spatial.isValid())
        rs.setValue("PlotSpatial", spatial);
    rs.update();
    // The template's Yes/No defaults fill a flag never set; null is asked for.
    for (const auto& [field, v] : {std::pair{QStringLiteral("Plottemporal"), temporal},
                                   std::pair{QStringLiteral("PlotSpatial"), spatial}}) {
        if (!v.isValid())
            sqlite3_exec(conn.handle(),
                         QStringLiteral("UPDATE \"%1\" SET %2 = NULL WHERE DateTimeKey = '%1 %3'")
                             .arg(id, field, when)
                             .toUtf8()
                             .constData(),
                         nullptr, nullptr, nullptr);
    }
}

// One field of the reading at when, read from the file.
inline QVariant storedField(store::Connection& conn, const QString& id, const QString& when,
                            const QString& field)
{
    store::Recordset rs;
    rs.open("SELECT * FROM " + store::tableName(id) + " ORDER BY FullDate", conn);
    if (rs.recordCount() == 0)
        return QVariant();
    rs.moveFirst();
    rs.find("DateTimeKey = '" + id + " " + when + "'");
    return rs.eof() ? QVariant(QStringLiteral("<no reading>")) : rs.value(field);
}

// Every row of the table as the database holds it, one text per row.
inline QStringList rawRows(store::Connection& conn, const QString& id)
{
    QStringList out;
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QStringLiteral("SELECT * FROM \"%1\" ORDER BY rowid").arg(id).toUtf8();
    if (sqlite3_prepare_v2(conn.handle(), sql.constData(), -1, &st, nullptr) != SQLITE_OK)
        return out;
    while (sqlite3_step(st) == SQLITE_ROW) {
        QStringList cells;
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            const unsigned char* t = sqlite3_column_text(st, c);
            cells << (t ? QString::fromUtf8(reinterpret_cast<const char*>(t)) : QStringLiteral("<null>"));
        }
        out << cells.join(u'|');
    }
    sqlite3_finalize(st);
    return out;
}

} // namespace rv::test
