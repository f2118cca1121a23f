// The datasheet on a sensor with 100,000 and with 1,000,000 readings:
// opening the window on the Readings page's open set (the first screen
// read and drawn), and writing back edits in a screenful of rows and in
// every row, against raw SQLite updates of the same rows in one
// transaction. The first argument of every benchmark is the number of
// readings.
#include "common/scripted_prompter.h"
#include "readings/datasheet_data.h"
#include "readings/frmDatasheet.h"
#include "state/appstate.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QApplication>
#include <QTableView>
#include <QTemporaryDir>
#include "bench_readings_table.h"
#include <map>
#include <memory>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <vector>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>

using namespace rv;
using namespace rv::store;

namespace {

const QString kId = QStringLiteral("200565001");

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw DbError(err::EngineError, QString::fromUtf8(sqlite3_errmsg(db)));
}

// One database per size for the whole run: the sensor in the catalogue and
// its readings, one an hour, written newest first.
struct Fixture {
    QTemporaryDir dir;
    AppState st{dir.path()};
    ScriptedPrompter pr;

    explicit Fixture(int rows)
    {
        st.DatabasePath = dir.filePath(QStringLiteral("RockvaneTENDON.mdb"));
        createDefaultDatabase(st.DatabasePath);
        st.conn->open(st.DatabasePath);
        sqlite3* db = st.conn->handle();
        check(sqlite3_exec(db,
                           "INSERT INTO Sensors (InstrumentID, DateID, SensorType, TypeID, SensorNo) "
                           "VALUES ('200565001', '2005', '65', '65', '001')",
                           nullptr, nullptr, nullptr),
              db);
        st.conn->execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null").arg(kId));
        bench::fillReadings(*st.conn, kId, rows);
        st.rsSensors.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), *st.conn);
        st.CurrentSensorID = kId;
    }
};

Fixture& fixture(int rows)
{
    static std::map<int, std::unique_ptr<Fixture>> all;
    auto& f = all[rows];
    if (!f)
        f = std::make_unique<Fixture>(rows);
    return *f;
}

QString selectAll()
{
    return QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kId);
}

// From the window's making to a drawn grid, on the page's open set (as the
// Readings page leaves it: on the latest reading).
void BM_OpenDatasheet(benchmark::State& state)
{
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    auto& rs = f.st.rsReadings;
    rs.open(selectAll(), *f.st.conn);
    int rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        rs.moveLast();
        state.ResumeTiming();
        FrmDatasheet dlg(f.st, f.pr);
        dlg.show();
        QApplication::processEvents();
        rows = dlg.grid()->model()->rowCount();
        state.PauseTiming();
        dlg.close();
        state.ResumeTiming();
    }
    rs.close();
    state.counters["rows"] = rows;
}

// Floor of the first screen: the rows counted, and the first 40 read.
void BM_FirstScreenFloor(benchmark::State& state)
{
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    sqlite3* db = f.st.conn->handle();
    for (auto _ : state) {
        sqlite3_stmt* s = nullptr;
        check(sqlite3_prepare_v2(db, "SELECT count(*) FROM \"200565001\"", -1, &s, nullptr), db);
        sqlite3_step(s);
        benchmark::DoNotOptimize(sqlite3_column_int64(s, 0));
        sqlite3_finalize(s);
        check(sqlite3_prepare_v2(db, "SELECT * FROM \"200565001\" ORDER BY FullDate LIMIT 40", -1, &s, nullptr), db);
        while (sqlite3_step(s) == SQLITE_ROW)
            for (int k = 0; k < sqlite3_column_count(s); ++k)
                benchmark::DoNotOptimize(sqlite3_column_text(s, k));
        sqlite3_finalize(s);
    }
}

// The set alone.
void BM_OpenRecordset(benchmark::State& state)
{
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Recordset rs;
        rs.open(selectAll(), *f.st.conn);
        benchmark::DoNotOptimize(rs.recordCount());
    }
}

// The rows edited by a write-back benchmark: every step-th row.
int editedRows(int rows, int step) { return (rows + step - 1) / step; }

// An edit in three fields (a channel, the temperature and a flag) of every
// step-th reading, written back through the record set in one transaction.
void BM_WriteBack(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    Fixture& f = fixture(rows);
    Recordset rs;
    rs.open(selectAll(), *f.st.conn);
    const datasheet::Layout l = datasheet::layoutFor(kId);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        // Made and dropped untimed: the sheet's edits are the user's typing,
        // not the write-back.
        auto m = std::make_unique<datasheet::Model>();
        m->load(rs, l);
        ++round;
        for (int r = 0; r < m->readingCount(); r += step) {
            m->setText(r, 3, QString::number(round * 10 + r % 7));
            m->setText(r, 4, QString::number(round + r * 0.01, 'f', 2));
            m->toggleFlag(r, l.n + 1);
        }
        state.ResumeTiming();
        const auto unsaved = m->writeBack(rs, *f.st.conn);
        benchmark::DoNotOptimize(unsaved.size());
        state.PauseTiming();
        m.reset();
        state.ResumeTiming();
    }
    state.counters["edited"] = editedRows(rows, step);
}

// The rows a write-back floor edits (every step-th in date order), with
// what they hold, read untimed: the floor knows its rows as plain C would.
struct FloorRows {
    std::vector<sqlite3_int64> rowids;
    std::vector<std::string> keys;
    std::vector<double> temp;
    std::vector<double> ch1;
    std::vector<int> spatial;
};

FloorRows floorRows(sqlite3* db, int step)
{
    FloorRows f;
    sqlite3_stmt* q = nullptr;
    check(sqlite3_prepare_v2(db,
                             "SELECT rowid, PlotSpatial, DateTimeKey, ChannelT, Channel1 FROM \"200565001\" "
                             "ORDER BY FullDate",
                             -1, &q, nullptr),
          db);
    for (int r = 0; sqlite3_step(q) == SQLITE_ROW; ++r) {
        if (r % step)
            continue;
        f.rowids.push_back(sqlite3_column_int64(q, 0));
        f.spatial.push_back(sqlite3_column_int(q, 1));
        f.keys.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(q, 2)));
        f.temp.push_back(sqlite3_column_double(q, 3));
        f.ch1.push_back(sqlite3_column_double(q, 4));
    }
    sqlite3_finalize(q);
    return f;
}

void bindAt(sqlite3_stmt* up, int round, size_t r, int spatial, sqlite3_int64 rowid)
{
    sqlite3_bind_double(up, 1, round * 10 + static_cast<int>(r % 7));
    sqlite3_bind_double(up, 2, round + static_cast<double>(r) * 0.01);
    sqlite3_bind_int(up, 3, spatial);
    sqlite3_bind_int64(up, 4, rowid);
}

const char* const kFloorUpdate =
    "UPDATE \"200565001\" SET ChannelT = ?1, Channel1 = ?2, PlotSpatial = ?3 WHERE rowid = ?4";

// The floor: the same three fields of the same rows, straight SQLite updates
// by rowid, and for each row its change log row (who, when, the reading, the
// fields before and after, the texts made by snprintf), one prepared INSERT,
// all in one transaction.
void BM_WriteBackRawSqlite(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    Fixture& f = fixture(rows);
    sqlite3* db = f.st.conn->handle();
    FloorRows fr = floorRows(db, step);
    sqlite3_stmt* up = nullptr;
    check(sqlite3_prepare_v2(db, kFloorUpdate, -1, &up, nullptr), db);
    sqlite3_stmt* log = nullptr;
    check(sqlite3_prepare_v2(db,
                             "INSERT INTO \"AuditLog\" (\"ChangedAt\", \"ChangedBy\", \"Machine\", \"InstrumentID\", "
                             "\"ReadingKey\", \"Action\", \"OldValues\", \"NewValues\") "
                             "VALUES (?1, ?2, ?3, ?4, ?5, 'edit', ?6, ?7)",
                             -1, &log, nullptr),
          db);
    char user[64] = "user";
    if (const char* u = std::getenv("USER"))
        std::snprintf(user, sizeof user, "%s", u);
    char host[256] = "";
    gethostname(host, sizeof host - 1);
    int round = 1000;
    char was[160];
    char now[160];
    for (auto _ : state) {
        ++round;
        char at[32];
        const std::time_t t = std::time(nullptr);
        std::strftime(at, sizeof at, "%Y-%m-%d %H:%M:%S", std::localtime(&t));
        Connection::Transaction tx(*f.st.conn);
        sqlite3_bind_text(log, 1, at, -1, SQLITE_STATIC);
        sqlite3_bind_text(log, 2, user, -1, SQLITE_STATIC);
        sqlite3_bind_text(log, 3, host, -1, SQLITE_STATIC);
        sqlite3_bind_text(log, 4, "200565001", -1, SQLITE_STATIC);
        for (size_t r = 0; r < fr.rowids.size(); ++r) {
            const double temp = round * 10 + static_cast<int>(r % 7);
            const double ch1 = round + static_cast<double>(r) * 0.01;
            const int spatial = !fr.spatial[r];
            bindAt(up, round, r, spatial, fr.rowids[r]);
            check(sqlite3_step(up), db);
            sqlite3_reset(up);
            const int nw = std::snprintf(was, sizeof was, "ChannelT=%.15g; Channel1=%.15g; PlotSpatial=%s",
                                         fr.temp[r], fr.ch1[r], fr.spatial[r] ? "Yes" : "No");
            const int nn = std::snprintf(now, sizeof now, "ChannelT=%.15g; Channel1=%.15g; PlotSpatial=%s", temp,
                                         ch1, spatial ? "Yes" : "No");
            sqlite3_bind_text(log, 5, fr.keys[r].data(), static_cast<int>(fr.keys[r].size()), SQLITE_STATIC);
            sqlite3_bind_text(log, 6, was, nw, SQLITE_STATIC);
            sqlite3_bind_text(log, 7, now, nn, SQLITE_STATIC);
            check(sqlite3_step(log), db);
            sqlite3_reset(log);
            fr.temp[r] = temp;
            fr.ch1[r] = ch1;
            fr.spatial[r] = spatial;
        }
        tx.commit();
    }
    sqlite3_finalize(up);
    sqlite3_finalize(log);
    state.counters["edited"] = static_cast<double>(fr.rowids.size());
}

// The floor before the change log: the updates alone.
void BM_WriteBackRawSqliteNoAudit(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    Fixture& f = fixture(rows);
    sqlite3* db = f.st.conn->handle();
    FloorRows fr = floorRows(db, step);
    sqlite3_stmt* up = nullptr;
    check(sqlite3_prepare_v2(db, kFloorUpdate, -1, &up, nullptr), db);
    int round = 1000;
    for (auto _ : state) {
        ++round;
        Connection::Transaction tx(*f.st.conn);
        for (size_t r = 0; r < fr.rowids.size(); ++r) {
            fr.spatial[r] = !fr.spatial[r];
            bindAt(up, round, r, fr.spatial[r], fr.rowids[r]);
            check(sqlite3_step(up), db);
            sqlite3_reset(up);
        }
        tx.commit();
    }
    sqlite3_finalize(up);
    state.counters["edited"] = static_cast<double>(fr.rowids.size());
}

} // namespace

BENCHMARK(BM_OpenDatasheet)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FirstScreenFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenRecordset)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
// A screenful of rows edited (one in 3,000 of 100,000: 34 rows), and every row.
BENCHMARK(BM_WriteBack)->Args({100000, 3000})->Args({1000000, 30000})->Args({100000, 1})->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteBackRawSqlite)->Args({100000, 3000})->Args({1000000, 30000})->Args({100000, 1})->Args({1000000, 1})
    ->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WriteBackRawSqliteNoAudit)->Args({100000, 3000})->Args({1000000, 30000})->Args({100000, 1})
    ->Args({1000000, 1})->Unit(benchmark::kMillisecond)->Iterations(3);

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
