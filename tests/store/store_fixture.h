#pragma once
// A fresh default database in a temporary folder for each test, with helpers
// for reading the file directly, behind the store's back. StoreBoth runs the
// same cases once on a database file and once on a database of its own on
// the test server.
#include "pg_site.h"
#include "store/backend.h"
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

    // One value straight from the database, with its storage class as
    // SQLite numbers them (on a server: the class the store reads it as).
    QVariant raw(const QString& sql, int* storage = nullptr)
    {
        QVariant out;
        try {
            const auto st = conn.backend().prepare(sql.toUtf8(), false);
            if (st->step()) {
                const int kind = st->type(0);
                if (storage)
                    *storage = kind;
                if (kind == SQLITE_INTEGER)
                    out = qint64(st->int64(0));
                else if (kind == SQLITE_FLOAT)
                    out = st->real(0);
                else if (kind == SQLITE_TEXT)
                    out = st->qtext(0);
            }
        } catch (const DbError& e) {
            ADD_FAILURE() << sql.toStdString() << ": " << e.description().toStdString();
        }
        return out;
    }

    QTemporaryDir dir;
    QString path;
    Connection conn;
};

// The same cases on each back end. On the server each test has a database of
// its own; a server that cannot be reached fails the test with the reason.
class StoreBoth : public StoreTest, public ::testing::WithParamInterface<Engine> {
protected:
    void SetUp() override
    {
        if (GetParam() == Engine::Sqlite) {
            StoreTest::SetUp();
            return;
        }
        static const QString why = rv::testing::serverUnavailable();
        ASSERT_TRUE(why.isEmpty()) << "The test server cannot be used: " << why.toStdString();
        serverDb = rv::testing::createServerSite();
        path = rv::testing::serverUri(serverDb);
        conn.open(path);
    }
    void TearDown() override
    {
        conn.close();
        if (!serverDb.isEmpty())
            rv::testing::dropServerDatabase(serverDb);
    }
    bool onServer() const { return GetParam() == Engine::Postgres; }

    QString serverDb;
};

inline std::string engineName(const ::testing::TestParamInfo<Engine>& info)
{
    return info.param == Engine::Sqlite ? "File" : "Server";
}

} // namespace rv::store::testing

#define RV_ON_BOTH_ENGINES(Suite)                                                                              \
    INSTANTIATE_TEST_SUITE_P(Engines, Suite,                                                                   \
                             ::testing::Values(::rv::store::Engine::Sqlite, ::rv::store::Engine::Postgres),    \
                             ::rv::store::testing::engineName)
