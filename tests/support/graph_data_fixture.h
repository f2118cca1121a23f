#pragma once
// A default database with one sensor and its reading table, an application
// state opened on it and a scripted prompter: for tests of the graph data
// passes without the main window. Readings are written straight to the
// file; values are read back through a connection of their own, so what a
// test sees is what was committed.
#include "common/scripted_prompter.h"
#include "state/appstate.h"
#include "store/schema.h"

#include <QFile>
#include <QTemporaryDir>
#include <QVariant>
#include <gtest/gtest.h>
#include <initializer_list>
#include <sqlite3.h>

namespace rv::test {

class GraphDataTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        st = std::make_unique<AppState>(dir.path());
        st->DatabasePath = st->defaultDatabasePath();
        store::createDefaultDatabase(st->DatabasePath);
        st->conn->open(st->DatabasePath);
    }

    // Adds sensor id to the catalogue, with its empty reading table, and
    // makes it the current sensor.
    void useSensor(const QString& id)
    {
        sensor = id;
        exec(QStringLiteral("INSERT INTO Sensors (InstrumentID, SensorType, Destroyed) VALUES ('%1', '%2', 'No')")
                 .arg(id, id.mid(4, 2)));
        st->conn->execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null").arg(id));
        st->rsSensors.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), *st->conn);
    }

    // One reading at stamp ("yyyy/MM/dd HH:mm:ss") with Channel1, Channel2, ...
    void add(const QString& stamp, const std::vector<QVariant>& channels, bool temporal = true,
             bool spatial = false, const QVariant& channelT = QVariant())
    {
        QStringList names = {"DateTimeKey", "ReadingDate", "ReadingTime", "FullDate", "Plottemporal", "PlotSpatial",
                             "ChannelT"};
        std::vector<QVariant> values = {sensor + u' ' + stamp, stamp.left(10).replace(u'/', u'-'),
                                        stamp.mid(11), stamp.left(10).replace(u'/', u'-') + u' ' + stamp.mid(11),
                                        temporal ? 1 : 0, spatial ? 1 : 0, channelT};
        for (size_t k = 0; k < channels.size(); ++k) {
            names << QStringLiteral("Channel%1").arg(k + 1);
            values.push_back(channels[k]);
        }
        QStringList params;
        for (qsizetype k = 0; k < names.size(); ++k)
            params << QStringLiteral("?%1").arg(k + 1);
        const QByteArray sql = QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                                   .arg(sensor, names.join(u','), params.join(u','))
                                   .toUtf8();
        sqlite3_stmt* s = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(st->conn->handle(), sql.constData(), -1, &s, nullptr), SQLITE_OK);
        for (size_t k = 0; k < values.size(); ++k)
            bind(s, int(k) + 1, values[k]);
        EXPECT_EQ(sqlite3_step(s), SQLITE_DONE) << sqlite3_errmsg(st->conn->handle());
        sqlite3_finalize(s);
    }

    void exec(const QString& sql)
    {
        char* msg = nullptr;
        EXPECT_EQ(sqlite3_exec(st->conn->handle(), sql.toUtf8().constData(), nullptr, nullptr, &msg), SQLITE_OK)
            << (msg ? msg : "");
        sqlite3_free(msg);
    }

    // Sets fields of one reading (by its stamp) straight in the file.
    void preset(const QString& stamp, const QString& assignments)
    {
        exec(QStringLiteral("UPDATE \"%1\" SET %2 WHERE DateTimeKey = '%1 %3'").arg(sensor, assignments, stamp));
    }

    // One field of one reading, as committed to the file.
    QVariant field(const QString& stamp, const QString& name) const
    {
        sqlite3* db = nullptr;
        sqlite3_open_v2(st->DatabasePath.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
        sqlite3_stmt* s = nullptr;
        const QByteArray sql =
            QStringLiteral("SELECT \"%1\" FROM \"%2\" WHERE DateTimeKey = '%2 %3'").arg(name, sensor, stamp).toUtf8();
        QVariant out;
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW) {
            switch (sqlite3_column_type(s, 0)) {
            case SQLITE_INTEGER: out = double(sqlite3_column_int64(s, 0)); break;
            case SQLITE_FLOAT: out = sqlite3_column_double(s, 0); break;
            case SQLITE_TEXT: out = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(s, 0))); break;
            default: break;
            }
        }
        sqlite3_finalize(s);
        sqlite3_close(db);
        return out;
    }

    QString readLog() const
    {
        QFile f(dir.filePath(QStringLiteral("TENDON_logfile.txt")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir dir;
    std::unique_ptr<AppState> st;
    ScriptedPrompter pr;
    QString sensor;

private:
    static void bind(sqlite3_stmt* s, int i, const QVariant& v)
    {
        if (!v.isValid() || v.isNull())
            sqlite3_bind_null(s, i);
        else if (v.metaType().id() == QMetaType::QString)
            sqlite3_bind_text(s, i, v.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
        else if (v.metaType().id() == QMetaType::Int)
            sqlite3_bind_int(s, i, v.toInt());
        else
            sqlite3_bind_double(s, i, v.toDouble());
    }
};

} // namespace rv::test
