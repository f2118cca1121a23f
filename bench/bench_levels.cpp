// Trigger levels at site scale: the check of 100,000 appended readings (the
// floor: at most 50 ms added to the append) and the site status of 300
// sensors with 20,000 readings each (the floor: the window opens in under
// 1 s).
#include "bench_site.h"
#include "import/exceedance_check.h"
#include "readings/level_readings.h"
#include "reports/site_status.h"
#include "sensors/trigger_levels.h"
#include "store/connection.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFile>
#include <map>
#include <memory>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

using namespace rv;

namespace {

void exec(sqlite3* db, const QString& sql)
{
    sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr);
}

// Adds a type-45 sensor with `count` hourly readings from 2024/01/01 whose
// channel 1 rises slowly, written straight to the file.
void addSensor(store::Connection& conn, const QString& id, int count, const QDateTime& start)
{
    sqlite3* db = conn.handle();
    exec(db, QStringLiteral("INSERT INTO Sensors (InstrumentID, SensorType, TypeID, Destroyed, HeadLocation, Recess, "
                            "LengthofCable, NodeLocation1, NodeLocation2, NodeLocation3, NodeLocation4) "
                            "VALUES ('%1', '45', '45', 'No', 1, 0, 5, 1, 2, 3, 4)")
                 .arg(id));
    conn.execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null").arg(id));
    sqlite3_stmt* st = nullptr;
    const QByteArray sql = QStringLiteral("INSERT INTO \"%1\" (DateTimeKey, ReadingDate, ReadingTime, FullDate, "
                                          "Plottemporal, PlotSpatial, Channel1, Channel2, Channel3) "
                                          "VALUES (?1, ?2, ?3, ?4, 1, 0, ?5, ?6, ?7)")
                               .arg(id)
                               .toUtf8();
    sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
    exec(db, "BEGIN");
    for (int k = 0; k < count; ++k) {
        const QDateTime t = start.addSecs(3600LL * k);
        const QByteArray key = (id + u' ' + t.toString("yyyy/MM/dd HH:mm:ss")).toUtf8();
        const QByteArray d = t.toString("yyyy-MM-dd").toUtf8(), h = t.toString("HH:mm:ss").toUtf8();
        const QByteArray full = t.toString("yyyy-MM-dd HH:mm:ss").toUtf8();
        sqlite3_bind_text(st, 1, key.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 2, d.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 3, h.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(st, 4, full.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(st, 5, 2.0 + k * 0.0005);
        sqlite3_bind_double(st, 6, 3.0);
        sqlite3_bind_double(st, 7, 4.0);
        sqlite3_step(st);
        sqlite3_reset(st);
    }
    exec(db, "COMMIT");
    sqlite3_finalize(st);
}

calc::Levels someLevels()
{
    calc::Levels l = calc::defaultLevels();
    for (calc::Quantity q : calc::kAllQuantities) {
        l.of(q).level[1].value = 5;
        l.of(q).level[2].value = 10;
        l.of(q).level[3].value = 20;
    }
    return l;
}

// Levels that a few of the last readings cross: the load's Alert just under
// the last day's values, the displacement and rate levels out of reach.
calc::Levels fewCrossings()
{
    calc::Levels l = calc::defaultLevels();
    l.of(calc::Quantity::Load).level[1].value = 50.0;
    l.of(calc::Quantity::Load).level[2].value = 60.0;
    l.of(calc::Quantity::Disp).level[1].value = 1000.0;
    l.of(calc::Quantity::Rate).level[1].value = 1000.0;
    return l;
}

// The readings as the append hands them over: FullDate and channels only.
importing::AppendedReadings appendedReadings(const QString& id, const QDateTime& start, int from, int n)
{
    importing::AppendedReadings out(id, 4);
    out.reserve(size_t(n));
    const qint64 startMs = readings::readingMs(start);
    for (int k = from; k < from + n; ++k) {
        calc::Channels c;
        c[1] = 2.0 + k * 0.0005;
        c[2] = 3.0;
        c[3] = 4.0;
        out.add(startMs + 3600000LL * k, c);
    }
    // As the append tells from the keys it has read: nothing stored among them.
    out.setStoredAmong(false);
    return out;
}

// 100,000 readings just appended (after two days of stored ones), checked
// with every quantity's levels set, Rate included. Argument 1: 0 the worst
// case (every reading crosses on every channel and node), 1 a realistic one
// (the last 48 readings cross one level).
void BM_CheckAppended(benchmark::State& state)
{
    const int n = int(state.range(0));
    const bool worst = state.range(1) == 0;
    QTemporaryDir dir;
    const auto site = bench::newBenchSite(dir);
    store::Connection conn;
    conn.open(site.db);
    const QString id = QStringLiteral("240145001");
    const QDateTime start(QDate(2020, 1, 1), QTime(0, 0));
    addSensor(conn, id, n + 48, start);
    sensors::writeScopeLevels(conn, "45", worst ? someLevels() : fewCrossings());
    const importing::AppendedReadings appended = appendedReadings(id, start, 48, n);
    size_t rows = 0;
    for (auto _ : state) {
        const auto out = importing::checkAppendedReadings(conn, id, appended);
        rows = out.size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["exceedances"] = double(rows);
}
BENCHMARK(BM_CheckAppended)
    ->ArgNames({"rows", "realistic"})
    ->Args({100000, 0})
    ->Args({100000, 1})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(5);

// What the append itself spends keeping its rows for the check: the
// FullDate and channels of every row, in fresh memory each time.
void BM_KeepAppendedRows(benchmark::State& state)
{
    const int n = int(state.range(0));
    const QDateTime start(QDate(2020, 1, 1), QTime(0, 0));
    for (auto _ : state) {
        const importing::AppendedReadings appended = appendedReadings("240145001", start, 48, n);
        benchmark::DoNotOptimize(appended.size());
    }
}
BENCHMARK(BM_KeepAppendedRows)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(5);

// The site status of a mine-sized site (300 sensors with 20,000 readings
// each, the site shared with bench_large_site and bench_close), the type
// defaults set so that some sensors cross: what the window shows.
struct StatusSite {
    QTemporaryDir dir;
    bench::BenchSite site;
    StatusSite(int sensors, int readings) : site(bench::largeBenchSite(dir, sensors, readings))
    {
        store::Connection conn;
        conn.open(site.db);
        upgradeSchema(conn);
        calc::Levels l = calc::defaultLevels();
        l.of(calc::Quantity::Load).level[1].value = 3.0;
        l.of(calc::Quantity::Load).level[3].value = 5.0;
        l.of(calc::Quantity::Disp).level[2].value = 2.0;
        l.of(calc::Quantity::Rate).level[1].value = 0.5;
        sensors::writeScopeLevels(conn, "45", l);
        sensors::writeScopeLevels(conn, "65", l);
    }
};

StatusSite& statusSite(int sensors, int readings)
{
    static std::map<std::pair<int, int>, std::unique_ptr<StatusSite>> sites;
    auto& s = sites[{sensors, readings}];
    if (!s)
        s = std::make_unique<StatusSite>(sensors, readings);
    return *s;
}

void BM_SiteStatus(benchmark::State& state)
{
    StatusSite& s = statusSite(int(state.range(0)), int(state.range(1)));
    size_t rows = 0;
    for (auto _ : state) {
        // A fresh connection each time, as the window finds the file.
        store::Connection conn;
        conn.open(s.site.db);
        const auto out = reports::siteStatus(conn, QDateTime::currentDateTime(), 7);
        rows = out.size();
        benchmark::DoNotOptimize(rows);
    }
    state.counters["sensors"] = double(rows);
}
BENCHMARK(BM_SiteStatus)->Args({300, 20000})->Unit(benchmark::kMillisecond)->Iterations(3);

// The floor: the plain SQLite C API on a fresh connection reading the same
// rows: the catalogue, and per sensor its count, its latest reading, its
// latest and earliest time-flagged readings and the one a day before the
// latest, each found through the date index.
void BM_SiteStatusFloor(benchmark::State& state)
{
    StatusSite& s = statusSite(int(state.range(0)), int(state.range(1)));
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(QFile::encodeName(s.site.db).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        std::vector<QByteArray> ids;
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM Sensors ORDER BY InstrumentID", -1, &q, nullptr);
        while (sqlite3_step(q) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(q); ++c)
                benchmark::DoNotOptimize(sqlite3_column_text(q, c));
            ids.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(q, 0)));
        }
        sqlite3_finalize(q);
        auto read = [&](const QByteArray& sql) {
            sqlite3_stmt* r = nullptr;
            sqlite3_prepare_v2(db, sql.constData(), -1, &r, nullptr);
            QByteArray full;
            if (sqlite3_step(r) == SQLITE_ROW) {
                for (int c = 0; c < sqlite3_column_count(r); ++c)
                    benchmark::DoNotOptimize(sqlite3_column_double(r, c));
                full = reinterpret_cast<const char*>(sqlite3_column_text(r, 0));
            }
            sqlite3_finalize(r);
            return full;
        };
        for (const QByteArray& id : ids) {
            const QByteArray t = '"' + id + '"';
            read("SELECT count(*) FROM " + t);
            read("SELECT FullDate, * FROM " + t + " ORDER BY FullDate DESC LIMIT 1");
            const QByteArray last = read("SELECT FullDate, * FROM " + t +
                                         " WHERE Plottemporal = 1 ORDER BY FullDate DESC LIMIT 1");
            read("SELECT FullDate, * FROM " + t + " WHERE Plottemporal = 1 ORDER BY FullDate LIMIT 1");
            read("SELECT FullDate, * FROM " + t + " WHERE Plottemporal = 1 AND FullDate <= datetime('" + last +
                 "', '-1 day') ORDER BY FullDate DESC LIMIT 1");
        }
        sqlite3_close(db);
    }
}
BENCHMARK(BM_SiteStatusFloor)->Args({300, 20000})->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    return 0;
}
