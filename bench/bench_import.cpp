// The readout import on a 100,000-line logger file: loading it and showing
// the review window, and appending every row to an empty reading table,
// beside the floor: the plain SQLite C API parsing the same file and
// inserting the same rows in one transaction, in the same run. The append
// is also measured on a file of 1,000,000 lines.
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "import/frmSlugData.h"
#include "import/readout_append.h"
#include "import/ui_import.h"
#include "readings/sensor_tables.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTableView>
#include <QTemporaryDir>
#include "bench_site.h"
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <cstring>
#include <sqlite3.h>

using namespace rv;
using namespace rv::importing;

namespace {

constexpr int kLines = 100000;
const QString kSensor = QStringLiteral("250045001");

QByteArray readoutFile(int lines = kLines)
{
    return bench::type45Readout(lines);
}

// A data folder whose database holds the one sensor, and the main window on it.
struct Site {
    QTemporaryDir dir;
    QString folder = bench::newBenchSite(dir).folder;
    QString file = dir.path() + QStringLiteral("/") + kSensor + QStringLiteral(".txt");
    ScriptedPrompter pr;
    std::unique_ptr<AppState> st;
    std::unique_ptr<FrmMain> win;

    Site()
    {
        {
            store::Connection c;
            c.open(folder + QStringLiteral("/RockvaneTENDON.mdb"));
            store::Recordset rs;
            rs.open(QStringLiteral("SELECT * FROM Sensors"), c);
            rs.addNew();
            rs.setValue(QStringLiteral("InstrumentID"), kSensor);
            rs.setValue(QStringLiteral("DateID"), QStringLiteral("2500"));
            rs.setValue(QStringLiteral("SensorType"), QStringLiteral("45"));
            rs.setValue(QStringLiteral("TypeID"), QStringLiteral("45"));
            rs.setValue(QStringLiteral("SensorNo"), QStringLiteral("001"));
            rs.update();
            createReadingTable(c, kSensor);
        }
        QFile f(file);
        f.open(QIODevice::WriteOnly);
        f.write(readoutFile());
        f.close();
        st = std::make_unique<AppState>(folder);
        win = std::make_unique<FrmMain>(*st, pr);
        win->load();
        OpenSensorData(*st, pr);
    }
    ~Site()
    {
        win->terminate();
    }
};

// Made on first use and released in main() while the application still runs.
std::unique_ptr<Site> g_site;

Site& site()
{
    if (!g_site)
        g_site = std::make_unique<Site>();
    return *g_site;
}

void BM_LoadAndShowReviewWindow(benchmark::State& state)
{
    Site& s = site();
    ImportSession* session = importSession(s.win.get());
    NoProgress none;
    session->setProgress(&none);
    for (auto _ : state) {
        LoadReadoutFile(s.folder, s.file, session->ReadoutData, none);
        FrmSlugData w(*session, s.win.get());
        w.show();
        QApplication::processEvents();
        benchmark::DoNotOptimize(w.ticked(kLines - 1));
        state.PauseTiming();
        w.close();
        QApplication::processEvents();
        state.ResumeTiming();
    }
    state.counters["lines"] = kLines;
}
BENCHMARK(BM_LoadAndShowReviewWindow)->Unit(benchmark::kMillisecond)->Iterations(3);

// Empties the reading table between runs.
void emptyTable(Site& s)
{
    s.st->rsReadings.close();
    s.st->conn->execute(QStringLiteral("DELETE * FROM `") + kSensor + QStringLiteral("`"));
}

// The program's append of every row of a file of `lines` readings: loading
// is not timed, the duplicate test against the stored keys is.
void appendAll(benchmark::State& state, int lines)
{
    Site& s = site();
    ReadoutRecords records;
    NoProgress none;
    if (lines == kLines) {
        LoadReadoutFile(s.folder, s.file, records, none);
    } else {
        const QString big = s.dir.path() + QStringLiteral("/big/") + kSensor + QStringLiteral(".txt");
        QDir().mkpath(s.dir.path() + QStringLiteral("/big"));
        QFile f(big);
        f.open(QIODevice::WriteOnly);
        f.write(readoutFile(lines));
        f.close();
        LoadReadoutFile(s.folder, big, records, none);
    }
    const std::vector<char> ticks(static_cast<size_t>(records.recordCount()), 1);
    const AppendTarget target{kSensor, QStringLiteral("45"), true};
    int appended = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emptyTable(s);
        state.ResumeTiming();
        const auto out = appendReadings(*s.st->conn, records, ticks, target, DateLayout::YearFirst, {}, none);
        appended = out.appended;
    }
    state.counters["appended"] = appended;
}

void BM_AppendAllRows(benchmark::State& state)
{
    appendAll(state, kLines);
}
BENCHMARK(BM_AppendAllRows)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_AppendAllRows1M(benchmark::State& state)
{
    appendAll(state, 1000000);
}
BENCHMARK(BM_AppendAllRows1M)->Unit(benchmark::kMillisecond)->Iterations(2);

// The floor: the plain SQLite C API reading the same file (one read of the
// bytes, lines split at LF, fields at commas, numbers with strtod) and
// inserting the same fields in one transaction with one prepared INSERT;
// no duplicate test, no rounding, no date check.
void rawParseAndInsert(benchmark::State& state, int lines)
{
    Site& s = site();
    const QByteArray bytes = lines == kLines ? [&] {
        QFile f(s.file);
        f.open(QIODevice::ReadOnly);
        return f.readAll();
    }() : readoutFile(lines);
    sqlite3* db = s.st->conn->handle();
    int inserted = 0;
    for (auto _ : state) {
        state.PauseTiming();
        emptyTable(s);
        state.ResumeTiming();
        sqlite3_stmt* ins = nullptr;
        sqlite3_prepare_v2(db,
                           "INSERT INTO \"250045001\" (DateTimeKey, ReadingDate, ReadingTime, FullDate, IsDirty, "
                           "PlotSpatial, Plottemporal, ChannelT, Channel1, Channel2, Channel3, Channel4) "
                           "VALUES (?1, ?2, ?3, ?4, 1, 0, 1, ?5, ?6, ?7, ?8, ?9)",
                           -1, &ins, nullptr);
        sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
        inserted = 0;
        const char* p = bytes.constData();
        const char* end = p + bytes.size();
        char key[64] = "250045001 ";
        char date[32];
        while (p < end) {
            const char* nl = static_cast<const char*>(std::memchr(p, '\n', size_t(end - p)));
            const char* e = nl ? nl : end;
            const char* fields[16];
            int nf = 0;
            fields[nf++] = p;
            for (const char* q = p; q < e && nf < 16; ++q)
                if (*q == ',')
                    fields[nf++] = q + 1;
            std::memcpy(key + 10, p, 19);
            std::memcpy(date, p, 19);
            date[4] = date[7] = '-';
            sqlite3_bind_text(ins, 1, key, 29, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 2, date, 10, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 3, date + 11, 8, SQLITE_TRANSIENT);
            sqlite3_bind_text(ins, 4, date, 19, SQLITE_TRANSIENT);
            for (int c = 0; c < 5 && 4 + c < nf; ++c)
                sqlite3_bind_double(ins, 5 + c, std::strtod(fields[4 + c], nullptr));
            sqlite3_step(ins);
            sqlite3_reset(ins);
            ++inserted;
            p = e + 1;
        }
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        sqlite3_finalize(ins);
    }
    state.counters["appended"] = inserted;
}

void BM_FloorParseAndInsert(benchmark::State& state)
{
    rawParseAndInsert(state, kLines);
}
BENCHMARK(BM_FloorParseAndInsert)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FloorParseAndInsert1M(benchmark::State& state)
{
    rawParseAndInsert(state, 1000000);
}
BENCHMARK(BM_FloorParseAndInsert1M)->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_site.reset();
    return 0;
}
