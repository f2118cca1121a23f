// The graph data passes on a sensor with 100,000 readings, every one flagged
// for the time and the length graphs: the zero passes of Load v Time and
// Load v Length and the displacement passes of Disp v Time and Disp v
// Length, each against the floor of the plain SQLite C API reading the
// channels and writing the same fields of the same rows by rowid in one
// transaction, measured in the same run.
#include "common/scripted_prompter.h"
#include "graphs/graph_data.h"
#include "graphs/passes.h"
#include "state/appstate.h"
#include "store/schema.h"

#include <QDateTime>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <map>
#include <memory>
#include <vector>

using namespace rv;

namespace {

constexpr int kRows = 100000;
const QString kSensor = QStringLiteral("250055001");

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw store::DbError(store::err::EngineError, QString::fromUtf8(sqlite3_errmsg(db)));
}

struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<AppState> st;
    ScriptedPrompter pr;
    graphs::NodeGeometry geometry;
    int rows;

    explicit Fixture(int kRows) : rows(kRows)
    {
        st = std::make_unique<AppState>(dir.path());
        st->DatabasePath = st->defaultDatabasePath();
        store::createDefaultDatabase(st->DatabasePath);
        st->conn->open(st->DatabasePath);
        check(sqlite3_exec(st->conn->handle(),
                           "INSERT INTO Sensors (InstrumentID, SensorType, Destroyed) VALUES ('250055001', '55', 'No')",
                           nullptr, nullptr, nullptr),
              st->conn->handle());
        st->conn->execute("SELECT * INTO `" + kSensor + "` FROM sensordata WHERE DateTimeKey is null");
        st->rsSensors.open("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;", *st->conn);
        geometry.headAtCollar = true;
        geometry.numChannels = 5;
        geometry.relAnchor = {"", "1.50", "2.50", "3.50", "4.50", "5.50", "6.50"};

        sqlite3* db = st->conn->handle();
        sqlite3_stmt* ins = nullptr;
        check(sqlite3_prepare_v2(db,
                                 "INSERT INTO \"250055001\" (DateTimeKey, ReadingDate, ReadingTime, FullDate, "
                                 "ChannelT, Channel1, Channel2, Channel3, Channel4, Channel5, Plottemporal, "
                                 "PlotSpatial, IsDirty) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, 1, 1, 1)",
                                 -1, &ins, nullptr),
              db);
        store::Connection::Transaction t(*st->conn);
        const QDateTime start(QDate(2010, 1, 1), QTime(0, 0));
        for (int k = 0; k < kRows; ++k) {
            // Hourly readings, written newest first so the selection sorts.
            const QDateTime at = start.addSecs(3600LL * (kRows - k));
            const QByteArray key = (kSensor + u' ' + at.toString("yyyy/MM/dd HH:mm:ss")).toUtf8();
            const QByteArray day = at.date().toString(Qt::ISODate).toUtf8();
            const QByteArray clock = at.time().toString("HH:mm:ss").toUtf8();
            const QByteArray full = day + ' ' + clock;
            sqlite3_bind_text(ins, 1, key.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 2, day.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 3, clock.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 4, full.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(ins, 5, 15.0 + (k % 70) * 0.1);
            for (int c = 0; c < 5; ++c)
                sqlite3_bind_double(ins, 6 + c, 1000.0 + c * 10 + (k % 997) * 0.25);
            check(sqlite3_step(ins), db);
            sqlite3_reset(ins);
        }
        t.commit();
        sqlite3_finalize(ins);
    }
};

// 100,000 readings, or a million for the cases that say so.
Fixture& fixture(int rows = kRows)
{
    static std::map<int, std::unique_ptr<Fixture>> made;
    auto& f = made[rows];
    if (!f)
        f = std::make_unique<Fixture>(rows);
    return *f;
}

// Forgets the stored results of earlier passes, and their note that the
// values are current, so that the next pass writes every row (as the first
// one after an import does).
void forgetResults(Fixture& f)
{
    check(sqlite3_exec(f.st->conn->handle(),
                       "UPDATE \"250055001\" SET zero1 = NULL, zero2 = NULL, zero3 = NULL, zero4 = NULL, "
                       "zero5 = NULL, zero6 = NULL, zero7 = NULL, zero8 = NULL, zero9 = NULL, zero10 = NULL, "
                       "NumTemp = NULL, Stretch1 = NULL, Disp1 = NULL; "
                       "DELETE FROM Settings WHERE Name = 'GraphValues'",
                       nullptr, nullptr, nullptr),
          f.st->conn->handle());
}

// Forgets only the note: the next pass compares every row with what it
// computes and writes none (as after a reading is appended).
void forgetNote(Fixture& f)
{
    check(sqlite3_exec(f.st->conn->handle(), "DELETE FROM Settings WHERE Name = 'GraphValues'", nullptr, nullptr,
                       nullptr),
          f.st->conn->handle());
}

QStringList zeroFields()
{
    QStringList n;
    for (int k = 1; k <= 10; ++k)
        n << QStringLiteral("zero%1").arg(k);
    n << QStringLiteral("NumTemp");
    return n;
}

QStringList dispFields()
{
    QStringList n = zeroFields();
    for (int k = 1; k <= 5; ++k)
        n << QStringLiteral("Stretch%1").arg(k);
    for (int k = 1; k <= 6; ++k)
        n << QStringLiteral("Disp%1").arg(k);
    return n;
}

// The floor: the same rows and fields written by rowid, already known, with
// no reading and no arithmetic.
void rawUpdate(benchmark::State& state, const QStringList& fields, int rows = kRows)
{
    Fixture& f = fixture(rows);
    sqlite3* db = f.st->conn->handle();
    QStringList sets;
    for (qsizetype i = 0; i < fields.size(); ++i)
        sets << QStringLiteral("\"%1\" = ?%2").arg(fields[i]).arg(i + 1);
    const QByteArray sql = QStringLiteral("UPDATE \"%1\" SET %2 WHERE rowid = ?%3")
                               .arg(kSensor, sets.join(", "))
                               .arg(fields.size() + 1)
                               .toUtf8();
    std::vector<sqlite3_int64> rowids;
    {
        sqlite3_stmt* q = nullptr;
        check(sqlite3_prepare_v2(db, "SELECT rowid FROM \"250055001\" WHERE Plottemporal = 1 ORDER BY FullDate", -1,
                                 &q, nullptr),
              db);
        while (sqlite3_step(q) == SQLITE_ROW)
            rowids.push_back(sqlite3_column_int64(q, 0));
        sqlite3_finalize(q);
    }
    sqlite3_stmt* up = nullptr;
    check(sqlite3_prepare_v2(db, sql.constData(), -1, &up, nullptr), db);
    double base = 0;
    for (auto _ : state) {
        base += 1;
        store::Connection::Transaction t(*f.st->conn);
        int k = 0;
        for (sqlite3_int64 id : rowids) {
            for (int i = 0; i < int(fields.size()); ++i)
                sqlite3_bind_double(up, i + 1, base + k * 0.001 + i);
            sqlite3_bind_int64(up, int(fields.size()) + 1, id);
            check(sqlite3_step(up), db);
            sqlite3_reset(up);
            ++k;
        }
        t.commit();
    }
    sqlite3_finalize(up);
    state.counters["rows"] = double(rowids.size());
}

void BM_RawUpdateZeroFields(benchmark::State& state)
{
    rawUpdate(state, zeroFields());
}

// One run of the floor (a function of its own, so that an instruction
// count can be taken of it alone: valgrind --toggle-collect='*floorPass*').
[[gnu::noinline]] void floorPass(Fixture& f, sqlite3_stmt* q, sqlite3_stmt* up, int fields)
{
    sqlite3* db = f.st->conn->handle();
    store::Connection::Transaction t(*f.st->conn);
    double zero[5] = {};
    bool first = true;
    while (sqlite3_step(q) == SQLITE_ROW) {
        double ch[5];
        for (int c = 0; c < 5; ++c)
            ch[c] = sqlite3_column_double(q, 1 + c);
        if (first)
            std::copy(ch, ch + 5, zero);
        first = false;
        for (int i = 0; i < fields; ++i)
            sqlite3_bind_double(up, i + 1, i < 5 ? ch[i] - zero[i] : 0.0);
        sqlite3_bind_int64(up, fields + 1, sqlite3_column_int64(q, 0));
        check(sqlite3_step(up), db);
        sqlite3_reset(up);
    }
    sqlite3_reset(q);
    t.commit();
}

// The floor of a pass: the plain SQLite C API reading the selection's rowid
// and five channels in FullDate order, subtracting the first row's channels
// and writing the fields by rowid, in one transaction.
void rawPass(benchmark::State& state, const QStringList& fields, int rows, const char* flag = "Plottemporal")
{
    Fixture& f = fixture(rows);
    sqlite3* db = f.st->conn->handle();
    QStringList sets;
    for (qsizetype i = 0; i < fields.size(); ++i)
        sets << QStringLiteral("\"%1\" = ?%2").arg(fields[i]).arg(i + 1);
    const QByteArray sql = QStringLiteral("UPDATE \"%1\" SET %2 WHERE rowid = ?%3")
                               .arg(kSensor, sets.join(", "))
                               .arg(fields.size() + 1)
                               .toUtf8();
    sqlite3_stmt* up = nullptr;
    sqlite3_stmt* q = nullptr;
    check(sqlite3_prepare_v2(db, sql.constData(), -1, &up, nullptr), db);
    const QByteArray select = QByteArray("SELECT rowid, Channel1, Channel2, Channel3, Channel4, Channel5 FROM "
                                         "\"250055001\" WHERE ")
        + flag + " = 1 ORDER BY FullDate, rowid";
    check(sqlite3_prepare_v2(db, select.constData(), -1, &q, nullptr), db);
    for (auto _ : state) {
        state.PauseTiming();
        forgetResults(f);
        state.ResumeTiming();
        floorPass(f, q, up, int(fields.size()));
    }
    sqlite3_finalize(up);
    sqlite3_finalize(q);
}

void BM_FloorPassZeroFields(benchmark::State& state)
{
    rawPass(state, zeroFields(), kRows);
}

void BM_FloorPassZeroFields1M(benchmark::State& state)
{
    rawPass(state, zeroFields(), 1000000);
}

void BM_FloorPassDispFields(benchmark::State& state)
{
    rawPass(state, dispFields(), kRows);
}

void BM_FloorPassSpatialZeroFields(benchmark::State& state)
{
    rawPass(state, zeroFields(), kRows, "PlotSpatial");
}

void BM_FloorPassSpatialDispFields(benchmark::State& state)
{
    rawPass(state, dispFields(), kRows, "PlotSpatial");
}

enum class Pass { Temporal, Disp, Spatial, SDisp };

void runPass(Fixture& f, Pass p)
{
    switch (p) {
    case Pass::Temporal: graphs::GetTemporalData(*f.st, f.pr); break;
    case Pass::Disp: graphs::GetDispData(*f.st, f.pr, f.geometry); break;
    case Pass::Spatial: graphs::GetSpatialData(*f.st, f.pr); break;
    case Pass::SDisp: graphs::GetSDispData(*f.st, f.pr, f.geometry); break;
    }
}

// The pass when every row's stored values are out of date (after an import).
void passWritingEveryRow(benchmark::State& state, Pass p, int rows)
{
    Fixture& f = fixture(rows);
    for (auto _ : state) {
        state.PauseTiming();
        forgetResults(f);
        state.ResumeTiming();
        runPass(f, p);
    }
    state.counters["rows"] = rows;
}

// The pass over values already right but not noted as current: every row
// compared, none written.
void passComparingEveryRow(benchmark::State& state, Pass p)
{
    Fixture& f = fixture();
    runPass(f, p);
    for (auto _ : state) {
        state.PauseTiming();
        forgetNote(f);
        state.ResumeTiming();
        runPass(f, p);
    }
    state.counters["rows"] = kRows;
}

void BM_GetTemporalData(benchmark::State& state)
{
    passWritingEveryRow(state, Pass::Temporal, kRows);
}

void BM_GetTemporalData1M(benchmark::State& state)
{
    passWritingEveryRow(state, Pass::Temporal, 1000000);
}

void BM_GetDispData(benchmark::State& state)
{
    passWritingEveryRow(state, Pass::Disp, kRows);
}

void BM_GetSpatialData(benchmark::State& state)
{
    passWritingEveryRow(state, Pass::Spatial, kRows);
}

void BM_GetSDispData(benchmark::State& state)
{
    passWritingEveryRow(state, Pass::SDisp, kRows);
}

void BM_GetTemporalDataComparing(benchmark::State& state)
{
    passComparingEveryRow(state, Pass::Temporal);
}

void BM_GetDispDataComparing(benchmark::State& state)
{
    passComparingEveryRow(state, Pass::Disp);
}

// The pass again with the stored values already current and noted so:
// nothing to compare, nothing to write.
void BM_GetTemporalDataCurrent(benchmark::State& state)
{
    Fixture& f = fixture();
    graphs::GetTemporalData(*f.st, f.pr);
    for (auto _ : state)
        graphs::GetTemporalData(*f.st, f.pr);
    state.counters["rows"] = kRows;
}

void BM_GetDispDataCurrent(benchmark::State& state)
{
    Fixture& f = fixture();
    graphs::GetDispData(*f.st, f.pr, f.geometry);
    for (auto _ : state)
        graphs::GetDispData(*f.st, f.pr, f.geometry);
    state.counters["rows"] = kRows;
}

// The floor of a pass with nothing to write: reading the drawn columns
// (FullDate, NumTemp, zero1..5) of the selection in order.
void BM_FloorReadDrawnColumns(benchmark::State& state)
{
    Fixture& f = fixture();
    graphs::GetTemporalData(*f.st, f.pr);
    sqlite3* db = f.st->conn->handle();
    sqlite3_stmt* q = nullptr;
    check(sqlite3_prepare_v2(db,
                             "SELECT FullDate, NumTemp, zero1, zero2, zero3, zero4, zero5 FROM \"250055001\" "
                             "WHERE Plottemporal = 1 ORDER BY FullDate, rowid",
                             -1, &q, nullptr),
          db);
    double sum = 0;
    for (auto _ : state) {
        while (sqlite3_step(q) == SQLITE_ROW) {
            sum += sqlite3_column_bytes(q, 0);
            for (int c = 1; c < 7; ++c)
                sum += sqlite3_column_double(q, c);
        }
        sqlite3_reset(q);
    }
    sqlite3_finalize(q);
    benchmark::DoNotOptimize(sum);
}

// What every pass begins with: the selection read into the graph record set.
void BM_OpenGraphData(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        graphs::OpenGraphData(*f.st, f.pr, graphs::GraphSelection::Temporal);
        f.st->rsGraph.close();
    }
}

// The page's check for at least two readings, counted without reading them.
void BM_GraphDataCount(benchmark::State& state)
{
    Fixture& f = fixture();
    int n = 0;
    for (auto _ : state)
        n = graphs::GraphDataCount(*f.st, f.pr, graphs::GraphSelection::Temporal);
    state.counters["rows"] = n;
}

void BM_RawUpdateDispFields(benchmark::State& state)
{
    rawUpdate(state, dispFields());
}

} // namespace

BENCHMARK(BM_RawUpdateZeroFields)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FloorPassZeroFields)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GetTemporalData)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FloorReadDrawnColumns)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GetTemporalDataCurrent)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenGraphData)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GraphDataCount)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_RawUpdateDispFields)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FloorPassDispFields)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GetDispData)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GetDispDataCurrent)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FloorPassSpatialZeroFields)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GetSpatialData)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FloorPassSpatialDispFields)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GetSDispData)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GetTemporalDataComparing)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_GetDispDataComparing)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_FloorPassZeroFields1M)->Unit(benchmark::kMillisecond)->Iterations(2);
BENCHMARK(BM_GetTemporalData1M)->Unit(benchmark::kMillisecond)->Iterations(2);

BENCHMARK_MAIN();
