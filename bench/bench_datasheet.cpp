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
        datasheet::Model m;
        m.load(rs, l);
        ++round;
        for (int r = 0; r < m.readingCount(); r += step) {
            m.setText(r, 3, QString::number(round * 10 + r % 7));
            m.setText(r, 4, QString::number(round + r * 0.01, 'f', 2));
            m.toggleFlag(r, l.n + 1);
        }
        state.ResumeTiming();
        const auto unsaved = m.writeBack(rs, *f.st.conn);
        benchmark::DoNotOptimize(unsaved.size());
    }
    state.counters["edited"] = editedRows(rows, step);
}

// The floor: the same three fields of the same rows, straight SQLite updates
// by rowid in one transaction.
void BM_WriteBackRawSqlite(benchmark::State& state)
{
    const int rows = static_cast<int>(state.range(0));
    const int step = static_cast<int>(state.range(1));
    Fixture& f = fixture(rows);
    sqlite3* db = f.st.conn->handle();
    std::vector<sqlite3_int64> rowids;
    std::vector<int> spatial;
    {
        sqlite3_stmt* q = nullptr;
        check(sqlite3_prepare_v2(db, "SELECT rowid, PlotSpatial FROM \"200565001\" ORDER BY FullDate", -1, &q,
                                 nullptr),
              db);
        for (int r = 0; sqlite3_step(q) == SQLITE_ROW; ++r) {
            if (r % step)
                continue;
            rowids.push_back(sqlite3_column_int64(q, 0));
            spatial.push_back(sqlite3_column_int(q, 1));
        }
        sqlite3_finalize(q);
    }
    sqlite3_stmt* up = nullptr;
    check(sqlite3_prepare_v2(db,
                             "UPDATE \"200565001\" SET ChannelT = ?1, Channel1 = ?2, PlotSpatial = ?3 "
                             "WHERE rowid = ?4",
                             -1, &up, nullptr),
          db);
    int round = 1000;
    for (auto _ : state) {
        ++round;
        Connection::Transaction t(*f.st.conn);
        for (size_t r = 0; r < rowids.size(); ++r) {
            spatial[r] = !spatial[r];
            sqlite3_bind_double(up, 1, round * 10 + static_cast<int>(r % 7));
            sqlite3_bind_double(up, 2, round + static_cast<double>(r) * 0.01);
            sqlite3_bind_int(up, 3, spatial[r]);
            sqlite3_bind_int64(up, 4, rowids[r]);
            check(sqlite3_step(up), db);
            sqlite3_reset(up);
        }
        t.commit();
    }
    sqlite3_finalize(up);
    state.counters["edited"] = static_cast<double>(rowids.size());
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
