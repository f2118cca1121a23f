#pragma once
// Database files for the maintenance tests: Rockvane databases with given
// sensors, SQLite files without the Rockvane tables, and plain text files.
#include "store/schema.h"

#include <QFile>
#include <QStringList>
#include <sqlite3.h>

namespace rv::test {

inline void runSql(const QString& path, const QString& sql)
{
    sqlite3* db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    char* err = nullptr;
    sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err);
    sqlite3_free(err);
    sqlite3_close(db);
}

// A new Rockvane database at path holding the sensors ids (type 45 numbers).
inline void makeDatabase(const QString& path, const QStringList& ids = {})
{
    store::createDefaultDatabase(path);
    for (const QString& id : ids) {
        runSql(path, QStringLiteral("INSERT INTO Sensors (InstrumentID, DateID, SensorType, TypeID, SensorNo, "
                                    "Family, Model, LengthofCable, Recess, HeadLocation, Destroyed) VALUES "
                                    "('%1', '%2', '%3', '%3', '%4', 'TENDON', 'x3TENDON', 0, 0, 1, 'No')")
                         .arg(id, id.left(4), id.mid(4, 2), id.mid(6, 3)));
        runSql(path, QStringLiteral("CREATE TABLE `%1` AS SELECT * FROM sensordata WHERE 0").arg(id));
    }
}

// A SQLite database that is not a Rockvane database.
inline void makeForeignDatabase(const QString& path)
{
    runSql(path, QStringLiteral("CREATE TABLE Sensors (InstrumentID TEXT); CREATE TABLE Other (x INTEGER);"));
}

inline void makeTextFile(const QString& path, const QByteArray& text = "not a database\n")
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text);
}

// The InstrumentIDs of the Sensors table of the file, in number order.
inline QStringList sensorIds(const QString& path)
{
    QStringList out;
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(db, "SELECT InstrumentID FROM Sensors ORDER BY InstrumentID", -1, &st, nullptr)
            == SQLITE_OK) {
            while (sqlite3_step(st) == SQLITE_ROW)
                out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        }
        sqlite3_finalize(st);
    }
    sqlite3_close(db);
    return out;
}

inline QByteArray fileBytes(const QString& path)
{
    QFile f(path);
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace rv::test
