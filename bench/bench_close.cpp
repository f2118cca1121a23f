// Closing the program on a large site: 300 sensors with 20,000 readings each
// (about 1.6 GB), nothing to reclaim. The close must not rewrite the file;
// beside it, what a compaction of that file costs.
//
//   build/bench/bench_close                          # the site is made once per run (a minute or so)
//   ROCKVANE_BENCH_SITE=/var/tmp/sites build/bench/bench_close   # kept there between runs
//   ROCKVANE_BENCH_SENSORS=30 build/bench/bench_close   # a smaller site
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "maintenance/compact_db.h"
#include "state/appstate.h"
#include "store/compact.h"
#include "store/dbfile.h"
#include "store/schema.h"

#include "bench_site.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

using namespace rv;

namespace {

constexpr int kReadings = 20000;

int sensorCount()
{
    const int n = qEnvironmentVariableIntValue("ROCKVANE_BENCH_SENSORS");
    return n > 0 ? n : 300;
}

struct LargeSite {
    QTemporaryDir dir;
    bench::BenchSite site = bench::largeBenchSite(dir, sensorCount(), kReadings);
};

LargeSite& largeSite()
{
    static LargeSite s;
    return s;
}

// The whole close as the window does it (unload, terminate with its
// compaction rule), after a start that is not measured.
void BM_CloseLargeSiteNothingToReclaim(benchmark::State& state)
{
    LargeSite& s = largeSite();
    const qint64 size = QFileInfo(s.site.db).size();
    for (auto _ : state) {
        state.PauseTiming();
        AppState st(s.site.folder);
        ScriptedPrompter pr;
        auto win = std::make_unique<FrmMain>(st, pr);
        if (!win->load())
            state.SkipWithError("load failed");
        state.ResumeTiming();
        win->unload();
        win->terminate();
        state.PauseTiming();
        win.reset();
        if (!pr.messages().empty())
            state.SkipWithError("the close said something");
        state.ResumeTiming();
    }
    if (QFileInfo(s.site.db).size() != size)
        state.SkipWithError("the file was rewritten");
    state.counters["file_MB"] = double(size) / 1048576.0;
}
BENCHMARK(BM_CloseLargeSiteNothingToReclaim)->Unit(benchmark::kMillisecond)->Iterations(5);

// The decision alone: reading the free-page count of the file.
void BM_CompactionRuleLargeSite(benchmark::State& state)
{
    LargeSite& s = largeSite();
    for (auto _ : state)
        benchmark::DoNotOptimize(store::worthCompacting(store::fileSpace(s.site.db)));
}
BENCHMARK(BM_CompactionRuleLargeSite)->Unit(benchmark::kMillisecond)->Iterations(20);

// For comparison: what the close cost when it compacted every time (the
// rewrite of the whole file). Run it with --benchmark_filter=Compaction.
void BM_ForcedCompactionLargeSite(benchmark::State& state)
{
    LargeSite& s = largeSite();
    for (auto _ : state)
        store::compactDatabase(s.site.folder + "/", kDefaultDatabaseName);
}
BENCHMARK(BM_ForcedCompactionLargeSite)->Unit(benchmark::kMillisecond)->Iterations(1);

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
