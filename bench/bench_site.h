#pragma once
// Data folders for the benchmarks: a new default database as a first start
// makes it, and a mine-sized site written straight through SQLite.
#include "readings/sensor_tables.h"
#include "state/appstate.h"
#include "store/connection.h"
#include "store/schema.h"

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <sqlite3.h>

namespace rv::bench {

// A type-45 logger file of `lines` readings: one every 15 minutes from 2020.
inline QByteArray type45Readout(int lines)
{
    QByteArray out;
    out.reserve(qsizetype(lines) * 64);
    QDateTime t(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    for (int k = 0; k < lines; ++k, t = t.addSecs(900)) {
        out += t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).toLatin1();
        out += ",SLUG01,45,001,";
        out += QByteArray::number(15.0 + (k % 96) * 0.05, 'f', 1) + ',';
        for (int c = 1; c <= 4; ++c)
            out += QByteArray::number(2.0 * c + k * 1e-5, 'f', 3) + (c < 4 ? "," : "\n");
    }
    return out;
}

struct BenchSite {
    QString folder;
    QString db;
};

inline BenchSite newBenchSite(const QTemporaryDir& dir)
{
    BenchSite s;
    s.folder = dir.path() + "/Quillon/Rockvane";
    QDir().mkpath(s.folder);
    s.db = s.folder + "/" + kDefaultDatabaseName;
    store::createDefaultDatabase(s.db);
    return s;
}

namespace detail {

inline void exec(sqlite3* db, const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(sql.left(80)), err ? err : "failed");
        sqlite3_free(err);
        std::abort();
    }
}

// "yyyy/MM/dd HH:mm:ss" of hour `hour` after midnight of `start`.
inline void stamp(char* out, const QDate& start, int hour)
{
    int y = 0, m = 0, d = 0;
    start.addDays(hour / 24).getDate(&y, &m, &d);
    std::snprintf(out, 20, "%04d/%02d/%02d %02d:00:00", y, m, d, hour % 24);
}

} // namespace detail

// The InstrumentID of sensor i (0-based) of the large site: types 25, 45, 55
// and 65 in turn.
inline QString largeSiteSensor(int i)
{
    static const char* types[] = {"25", "45", "55", "65"};
    return QStringLiteral("%1%2%3")
        .arg(2000 + i / 999, 4, 10, QLatin1Char('0'))
        .arg(QLatin1String(types[i % 4]))
        .arg(i % 999 + 1, 3, 10, QLatin1Char('0'));
}

// The first reading of every sensor of the large site.
inline QDate largeSiteStart() { return QDate(2021, 1, 1); }

// A mine-sized site: `sensors` sensors with `readings` hourly readings each
// from 2021/01/01, channels 1..5 and their zero fields filled as the passes
// write them, each reading table with its date index as the program makes
// it (300 x 20,000 is about 1.6 GB). Written straight
// through SQLite: the first table row by row, the others copied from it.
// Made in the temporary folder, or kept in the folder ROCKVANE_BENCH_SITE
// names and reused from there on the next run (the file name says its size).
inline BenchSite largeBenchSite(const QTemporaryDir& dir, int sensors, int readings)
{
    BenchSite s;
    const QByteArray kept = qgetenv("ROCKVANE_BENCH_SITE");
    s.folder = kept.isEmpty() ? dir.path() + QStringLiteral("/Quillon/Rockvane")
                              : QString::fromLocal8Bit(kept) + QStringLiteral("/%1x%2").arg(sensors).arg(readings);
    QDir().mkpath(s.folder);
    s.db = s.folder + "/" + kDefaultDatabaseName;
    if (QFile::exists(s.db))
        return s;
    QElapsedTimer timer;
    timer.start();
    const QString work = s.db + QStringLiteral(".making");
    QFile::remove(work);
    store::createDefaultDatabase(work);
    {
        store::Connection c;
        c.open(work);
        sqlite3* db = c.handle();
        using detail::exec;
        exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN");
        for (int i = 0; i < sensors; ++i) {
            const QString id = largeSiteSensor(i);
            exec(db, QStringLiteral("INSERT INTO Sensors (InstrumentID, DateID, SensorType, TypeID, SensorNo, Family, "
                                    "Model, Level, Location, LengthofCable, Recess, HeadLocation, Destroyed, "
                                    "NodeLocation1, NodeLocation2, NodeLocation3, NodeLocation4, NodeLocation5, "
                                    "NodeLocation6) VALUES ('%1', '%2', '%3', '%3', '%4', 'TENDON', 'x3TENDON', "
                                    "'L%5', 'Drive %6', 8, 0.5, 1, 'No', 1, 2, 3, 4, 5, 6)")
                         .arg(id, id.left(4), id.mid(4, 2), id.right(3))
                         .arg(i % 7 + 1)
                         .arg(i % 13 + 1));
            createReadingTable(c, id);
        }
        // The first sensor's readings row by row.
        const QString first = largeSiteSensor(0);
        QString cols = QStringLiteral("DateTimeKey, ReadingDate, ReadingTime, ChannelT, FullDate, Plottemporal, "
                                      "PlotSpatial, DoNotPlot, IsDirty, NumTemp");
        QString params = QStringLiteral("?1, ?2, ?3, ?4, ?5, 1, ?6, 0, 0, ?7");
        for (int k = 1; k <= 5; ++k) {
            cols += QStringLiteral(", Channel%1, zero%1").arg(k);
            params += QStringLiteral(", ?%1, ?%2").arg(7 + 2 * k - 1).arg(7 + 2 * k);
        }
        sqlite3_stmt* st = nullptr;
        const QByteArray sql =
            QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(first, cols, params).toUtf8();
        if (sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr) != SQLITE_OK)
            std::abort();
        const QByteArray idBytes = first.toUtf8() + ' ';
        for (int r = 0; r < readings; ++r) {
            char when[20];
            detail::stamp(when, largeSiteStart(), r);
            const QByteArray key = idBytes + QByteArray(when, 19);
            char full[20];
            std::memcpy(full, when, 20);
            full[4] = full[7] = '-';
            sqlite3_bind_text(st, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, when, 10, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, when + 11, 8, SQLITE_TRANSIENT);
            sqlite3_bind_double(st, 4, 20.0 + (r % 50) * 0.1);
            sqlite3_bind_text(st, 5, full, 19, SQLITE_TRANSIENT);
            sqlite3_bind_int(st, 6, r % 720 == 0 ? 1 : 0);
            sqlite3_bind_double(st, 7, 20.0 + (r % 50) * 0.1);
            // A slow creep on every channel, with a daily ripple.
            const double creep = r * 0.0002 + (r % 24) * 0.01;
            for (int k = 1; k <= 5; ++k) {
                sqlite3_bind_double(st, 7 + 2 * k - 1, 1000.0 + k * 10 + creep);
                sqlite3_bind_double(st, 7 + 2 * k, creep);
            }
            if (sqlite3_step(st) != SQLITE_DONE)
                std::abort();
            sqlite3_reset(st);
        }
        sqlite3_finalize(st);
        for (int i = 1; i < sensors; ++i) {
            const QString id = largeSiteSensor(i);
            exec(db, QStringLiteral("INSERT INTO \"%1\" SELECT * FROM \"%2\"").arg(id, first));
            exec(db, QStringLiteral("UPDATE \"%1\" SET DateTimeKey = '%1' || substr(DateTimeKey, 10)").arg(id));
        }
        exec(db, "COMMIT; PRAGMA journal_mode = DELETE");
    }
    QFile::rename(work, s.db);
    std::fprintf(stderr, "site of %d sensors x %d readings: %.0f MB, made in %.1f s\n", sensors, readings,
                 double(QFileInfo(s.db).size()) / 1048576.0, double(timer.elapsed()) / 1000.0);
    return s;
}

} // namespace rv::bench
