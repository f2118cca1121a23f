#pragma once
// A fresh default database in a temporary folder for each test, with helpers
// for reading the file directly, behind the store's back.
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>
#include <ostream>
#include <sqlite3.h>

// Readable failure messages for Qt texts.
inline void PrintTo(const QString& s, std::ostream* os)
{
    *os << '"' << s.toStdString() << '"';
}
inline void PrintTo(const QStringList& l, std::ostream* os)
{
    *os << '[' << l.join(QStringLiteral(", ")).toStdString() << ']';
}

namespace rv::store::testing {

template <class F>
int errorOf(F&& f)
{
    try {
        f();
    } catch (const DbError& e) {
        return e.number();
    }
    return 0;
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath(QStringLiteral("RockvaneTENDON.mdb"));
        createDefaultDatabase(path);
        conn.open(path);
    }

    // A reading table with one row per key; dates and times from the key.
    void makeReadings(const QString& id, const QStringList& stamps)
    {
        conn.execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null").arg(id));
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `%1`").arg(id), conn);
        for (const QString& s : stamps) {
            rs.addNew();
            rs.setValue(QStringLiteral("DateTimeKey"), id + u' ' + s);
            rs.setValue(QStringLiteral("ReadingDate"), s.left(10));
            rs.setValue(QStringLiteral("ReadingTime"), s.mid(11));
            rs.setValue(QStringLiteral("FullDate"), s);
            rs.setValue(QStringLiteral("Plottemporal"), true);
            rs.update();
        }
    }

    void addSensor(const QString& id, const QString& level = QString(), const QString& installed = QString())
    {
        Recordset rs;
        rs.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
        rs.addNew();
        rs.setValue(QStringLiteral("InstrumentID"), id);
        rs.setValue(QStringLiteral("SensorType"), id.mid(4, 2));
        rs.setValue(QStringLiteral("Destroyed"), QStringLiteral("No"));
        if (!level.isEmpty())
            rs.setValue(QStringLiteral("Level"), level);
        if (!installed.isEmpty())
            rs.setValue(QStringLiteral("InstallDate"), installed);
        rs.update();
    }

    // One value straight from the file, with SQLite's own storage class.
    QVariant raw(const QString& sql, int* storage = nullptr)
    {
        sqlite3_stmt* st = nullptr;
        const QByteArray q = sql.toUtf8();
        EXPECT_EQ(sqlite3_prepare_v2(conn.handle(), q.constData(), -1, &st, nullptr), SQLITE_OK) << sql.toStdString();
        QVariant out;
        if (sqlite3_step(st) == SQLITE_ROW) {
            const int kind = sqlite3_column_type(st, 0);
            if (storage)
                *storage = kind;
            if (kind == SQLITE_INTEGER)
                out = qint64(sqlite3_column_int64(st, 0));
            else if (kind == SQLITE_FLOAT)
                out = sqlite3_column_double(st, 0);
            else if (kind == SQLITE_TEXT)
                out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        }
        sqlite3_finalize(st);
        return out;
    }

    QTemporaryDir dir;
    QString path;
    Connection conn;
};

} // namespace rv::store::testing
