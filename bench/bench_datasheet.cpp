// The datasheet on a sensor with 100,000 readings: opening the window (the
// table read, the grid filled and first drawn), and writing back an edit in
// every row, against raw SQLite updates of the same rows in one transaction.
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
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <vector>

using namespace rv;
using namespace rv::store;

namespace {

constexpr int kRows = 100000;
const QString kId = QStringLiteral("200565001");

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw DbError(err::EngineError, QString::fromUtf8(sqlite3_errmsg(db)));
}

// One database for the whole run: the sensor in the catalogue and its
// readings, one every 10 minutes, written newest first.
struct Fixture {
    QTemporaryDir dir;
    AppState st{dir.path()};
    ScriptedPrompter pr;

    Fixture()
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
        sqlite3_stmt* ins = nullptr;
        check(sqlite3_prepare_v2(db,
                                 "INSERT INTO \"200565001\" (DateTimeKey, ReadingDate, ReadingTime, ChannelT, "
                                 "Channel1, Channel2, Channel3, Channel4, Channel5, FullDate, Plottemporal, "
                                 "PlotSpatial, IsDirty) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, 1, 0, 1)",
                                 -1, &ins, nullptr),
              db);
        Connection::Transaction t(*st.conn);
        const QDateTime start(QDate(2000, 1, 1), QTime(0, 0));
        for (int k = 0; k < kRows; ++k) {
            const QDateTime at = start.addSecs(600LL * (kRows - k));
            const QByteArray key = (kId + u' ' + at.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))).toUtf8();
            const QByteArray day = at.date().toString(Qt::ISODate).toUtf8();
            const QByteArray clock = at.time().toString(QStringLiteral("HH:mm:ss")).toUtf8();
            const QByteArray full = day + ' ' + clock;
            sqlite3_bind_text(ins, 1, key.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 2, day.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 3, clock.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(ins, 4, 20.0 + k % 7);
            for (int c = 0; c < 5; ++c)
                sqlite3_bind_double(ins, 5 + c, 100.0 * (c + 1) + k * 0.01);
            sqlite3_bind_text(ins, 10, full.constData(), -1, SQLITE_TRANSIENT);
            check(sqlite3_step(ins), db);
            sqlite3_reset(ins);
        }
        t.commit();
        sqlite3_finalize(ins);
        st.rsSensors.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), *st.conn);
        st.CurrentSensorID = kId;
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

QString selectAll()
{
    return QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kId);
}

// From the click to a drawn grid: the window loads (the table read into
// the record set and the grid's rows), shows and paints.
void BM_OpenDatasheet(benchmark::State& state)
{
    Fixture& f = fixture();
    int rows = 0;
    for (auto _ : state) {
        FrmDatasheet dlg(f.st, f.pr);
        dlg.show();
        QApplication::processEvents();
        rows = dlg.grid()->model()->rowCount();
        state.PauseTiming();
        dlg.close();
        state.ResumeTiming();
    }
    state.counters["rows"] = rows;
}

// The parts of opening: the record set alone, and the grid's rows read from it.
void BM_OpenRecordset(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        Recordset rs;
        rs.open(selectAll(), *f.st.conn);
        benchmark::DoNotOptimize(rs.recordCount());
    }
}

void BM_LoadGridRows(benchmark::State& state)
{
    Fixture& f = fixture();
    Recordset rs;
    rs.open(selectAll(), *f.st.conn);
    const datasheet::Layout l = datasheet::layoutFor(kId);
    for (auto _ : state) {
        datasheet::Model m;
        m.load(rs, l);
        benchmark::DoNotOptimize(m.readingCount());
    }
}

// An edit in three fields of every reading (a channel, the temperature and
// a flag), written back through the record set in one transaction.
void BM_WriteBackAllRows(benchmark::State& state)
{
    Fixture& f = fixture();
    Recordset rs;
    rs.open(selectAll(), *f.st.conn);
    const datasheet::Layout l = datasheet::layoutFor(kId);
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        datasheet::Model m;
        m.load(rs, l);
        ++round;
        for (int r = 0; r < m.readingCount(); ++r) {
            m.setText(r, 3, QString::number(round * 10 + r % 7));
            m.setText(r, 4, QString::number(round + r * 0.01, 'f', 2));
            m.toggleFlag(r, l.n + 1);
        }
        state.ResumeTiming();
        const auto unsaved = m.writeBack(rs, *f.st.conn);
        benchmark::DoNotOptimize(unsaved.size());
    }
    state.counters["rows"] = kRows;
}

// The floor: the same three fields of the same rows, straight SQLite updates
// by rowid in one transaction.
void BM_WriteBackRawSqlite(benchmark::State& state)
{
    Fixture& f = fixture();
    sqlite3* db = f.st.conn->handle();
    std::vector<sqlite3_int64> rowids;
    std::vector<int> spatial;
    {
        sqlite3_stmt* q = nullptr;
        check(sqlite3_prepare_v2(db, "SELECT rowid, PlotSpatial FROM \"200565001\" ORDER BY FullDate", -1, &q,
                                 nullptr),
              db);
        while (sqlite3_step(q) == SQLITE_ROW) {
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
    state.counters["rows"] = static_cast<double>(rowids.size());
}

} // namespace

BENCHMARK(BM_OpenDatasheet)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_OpenRecordset)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_LoadGridRows)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WriteBackAllRows)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_WriteBackRawSqlite)->Unit(benchmark::kMillisecond)->Iterations(5);

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
