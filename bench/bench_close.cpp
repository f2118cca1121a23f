// Closing the program on a large site: 300 sensors with 20,000 readings each
// (about 1.1 GB), nothing to reclaim. The close must not rewrite the file;
// beside it, what a compaction of that file costs.
//
//   build/bench_close                          # the site is made once per run (a minute or so)
//   ROCKVANE_BENCH_SENSORS=30 build/bench_close   # a smaller site
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

void exec(sqlite3* db, const QString& sql)
{
    char* err = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", err ? err : "failed");
        sqlite3_free(err);
        std::abort();
    }
}

// The site, written straight through SQLite: the catalogue rows and one
// reading table per sensor (with its date index, as the program makes them),
// hourly readings with every channel and derived field filled.
struct LargeSite {
    QTemporaryDir dir;
    bench::BenchSite site;
    LargeSite()
    {
        site = bench::newBenchSite(dir);
        QElapsedTimer t;
        t.start();
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(site.db).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        exec(db, "PRAGMA journal_mode = OFF; PRAGMA synchronous = OFF; BEGIN");
        const int sensors = sensorCount();
        for (int s = 0; s < sensors; ++s) {
            const QString id = QStringLiteral("2026%1%2").arg(s % 2 ? "45" : "25").arg(s + 1, 3, 10, QLatin1Char('0'));
            exec(db, QStringLiteral("INSERT INTO Sensors (InstrumentID, DateID, SensorType, TypeID, SensorNo, Family, "
                                    "Model, LengthofCable, Recess, HeadLocation, Destroyed) VALUES ('%1', '2026', "
                                    "'%2', '%2', '%3', 'TENDON', 'x3TENDON', 8, 0.5, 1, 'No')")
                         .arg(id, id.mid(4, 2), id.right(3)));
            exec(db, QStringLiteral("CREATE TABLE `%1` AS SELECT * FROM sensordata WHERE 0").arg(id));
            exec(db, QStringLiteral("CREATE INDEX `%1_FullDate` ON `%1` (FullDate)").arg(id));
            QString cols = QStringLiteral("DateTimeKey, ReadingDate, ReadingTime, ChannelT, FullDate, Plottemporal, "
                                          "PlotSpatial, DoNotPlot, IsDirty, NumTemp");
            QString params = QStringLiteral("?1, ?2, ?3, ?4, ?5, 1, 1, 0, 0, ?6");
            for (int k = 1; k <= 10; ++k) {
                cols += QStringLiteral(", Channel%1, zero%1").arg(k);
                params += QStringLiteral(", ?%1, ?%2").arg(6 + 2 * k - 1).arg(6 + 2 * k);
            }
            sqlite3_stmt* st = nullptr;
            const QByteArray sql = QStringLiteral("INSERT INTO `%1` (%2) VALUES (%3)").arg(id, cols, params).toUtf8();
            sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
            const QDateTime start(QDate(2024, 1, 1), QTime(0, 0));
            for (int r = 0; r < kReadings; ++r) {
                const QDateTime when = start.addSecs(3600LL * r);
                const QByteArray date = when.toString("yyyy/MM/dd").toUtf8();
                const QByteArray time = when.toString("HH:mm:ss").toUtf8();
                const QByteArray key = (id + ' ' + when.toString("yyyy/MM/dd HH:mm:ss")).toUtf8();
                const QByteArray full = when.toString("yyyy/MM/dd HH:mm:ss").toUtf8();
                sqlite3_bind_text(st, 1, key.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 2, date.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 3, time.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_double(st, 4, 20.0 + (r % 50) * 0.1);
                sqlite3_bind_text(st, 5, full.constData(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_double(st, 6, (r % 50) * 0.1);
                for (int k = 1; k <= 10; ++k) {
                    sqlite3_bind_double(st, 6 + 2 * k - 1, 1000.0 + k * 10 + (r % 97) * 0.25);
                    sqlite3_bind_double(st, 6 + 2 * k, (r % 97) * 0.25);
                }
                sqlite3_step(st);
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
        }
        exec(db, "COMMIT; PRAGMA journal_mode = DELETE");
        sqlite3_close(db);
        std::fprintf(stderr, "site of %d sensors x %d readings: %.0f MB, made in %.1f s\n", sensors, kReadings,
                     QFileInfo(site.db).size() / 1048576.0, t.elapsed() / 1000.0);
    }
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
