// A mine-sized site: 300 sensors with 20,000 readings each (six million
// readings, about 1.6 GB). Start-up to the first sensor shown (target:
// under 1 s), beside the floor measured in the same run: the plain SQLite C
// API opening the same file, reading the catalogue in order and the first
// sensor's newest reading. Making the site takes a minute or two; set
// ROCKVANE_BENCH_SITE to a folder to keep it there between runs (shared
// with bench_close and bench_levels).
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "readings/sensor_tables.h"
#include "state/appstate.h"
#include "store/connection.h"
#include "store/schema.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include "bench_site.h"
#include <benchmark/benchmark.h>
#include <memory>
#include <sqlite3.h>

using namespace rv;

namespace {

constexpr int kSensors = 300;
constexpr int kReadings = 20000;

struct Site {
    QTemporaryDir dir;
    QString folder;
    QString db;
    Site()
    {
        const bench::BenchSite made = bench::largeBenchSite(dir, kSensors, kReadings);
        folder = made.folder;
        db = made.db;
        // Once: the schema's own upgrade of an older file is not start-up.
        AppState st(folder);
        ScriptedPrompter pr;
        FrmMain win(st, pr);
        win.load();
        st.RefusedCopy = true;
        win.terminate();
    }
};

Site& site()
{
    static Site s;
    return s;
}

void BM_StartupToFirstSensorOnLargeSite(benchmark::State& state)
{
    Site& s = site();
    QString shown;
    for (auto _ : state) {
        AppState st(s.folder);
        ScriptedPrompter pr;
        FrmMain win(st, pr);
        if (!win.load())
            state.SkipWithError("load failed");
        win.show();
        QApplication::processEvents();
        shown = win.ui().cboSensors->currentText();
        state.PauseTiming();
        st.RefusedCopy = true;  // no compaction inside the measurement loop
        win.terminate();
        state.ResumeTiming();
    }
    if (shown.isEmpty())
        state.SkipWithError("no sensor shown");
    state.counters["sensors"] = kSensors;
    state.counters["readings"] = double(kSensors) * kReadings;
    state.counters["MB"] = double(QFile(s.db).size()) / 1e6;
}
BENCHMARK(BM_StartupToFirstSensorOnLargeSite)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor: the same file opened, the catalogue read in order, and the
// first sensor's newest reading read through its date index.
void BM_FloorOpenCatalogueAndNewestReading(benchmark::State& state)
{
    Site& s = site();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(s.db.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM Sensors ORDER BY InstrumentID", -1, &q, nullptr);
        int n = 0;
        QByteArray first;
        while (sqlite3_step(q) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(q); ++c)
                benchmark::DoNotOptimize(sqlite3_column_text(q, c));
            if (n++ == 0)
                first = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
        }
        sqlite3_finalize(q);
        sqlite3_prepare_v2(db, ("SELECT * FROM \"" + first + "\" ORDER BY FullDate DESC LIMIT 1").constData(), -1,
                           &q, nullptr);
        while (sqlite3_step(q) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_text(q, 0));
        sqlite3_finalize(q);
        sqlite3_close(db);
    }
}
BENCHMARK(BM_FloorOpenCatalogueAndNewestReading)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
