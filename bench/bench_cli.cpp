// The nightly collection job: 100 logger files of 1,000 readings each, and
// one file of 100,000, imported by rockvane-cli (in process through the
// core it runs, and as the program itself), beside the floor: the same rows
// written by raw sqlite3 into the same reading tables, in the same run.
#include "import/batch_import.h"
#include "readings/sensor_tables.h"
#include "store/connection.h"
#include "store/recordset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <sqlite3.h>
#include "bench_site.h"
#include <benchmark/benchmark.h>

using namespace rv;

namespace {

constexpr int kSmallFiles = 100;
constexpr int kSmallLines = 1000;
constexpr int kBigLines = 100000;

QString smallSensor(int k) { return QStringLiteral("240145%1").arg(k + 1, 3, 10, QLatin1Char(u'0')); }
const QString kBigSensor = QStringLiteral("250045001");

// One reading of a type-45 logger: date, logger, type, number, temperature, 4 channels.
struct Line {
    QString date;
    double temperature;
    double channel[4];
};

std::vector<Line> readings(int count, int seed)
{
    std::vector<Line> out;
    out.reserve(static_cast<size_t>(count));
    QDateTime t(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    for (int k = 0; k < count; ++k, t = t.addSecs(900)) {
        Line l;
        l.date = t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
        l.temperature = 15.0 + ((k + seed) % 96) * 0.1;
        for (int c = 0; c < 4; ++c)
            l.channel[c] = 2.0 * (c + 1) + ((k * 7 + seed) % 1000) * 0.01;
        out.push_back(l);
    }
    return out;
}

void writeFile(const QString& path, const QString& sensor, const std::vector<Line>& lines)
{
    QByteArray out;
    out.reserve(static_cast<qsizetype>(lines.size()) * 64);
    for (const Line& l : lines) {
        out += l.date.toLatin1() + ",SLUG01,45," + sensor.right(3).toLatin1() + ','
            + QByteArray::number(l.temperature, 'f', 1);
        for (double c : l.channel)
            out += ',' + QByteArray::number(c, 'f', 2);
        out += '\n';
    }
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(out);
}

struct Site {
    QTemporaryDir dir;
    bench::BenchSite site = bench::newBenchSite(dir);
    QString pristine = dir.path() + QStringLiteral("/pristine.mdb");
    QString smallFolder = dir.path() + QStringLiteral("/small");
    QString bigFolder = dir.path() + QStringLiteral("/big");
    std::vector<std::vector<Line>> small;
    std::vector<Line> big;

    Site()
    {
        QDir().mkpath(smallFolder);
        QDir().mkpath(bigFolder);
        {
            store::Connection c;
            c.open(site.db);
            store::Recordset rs;
            rs.open(QStringLiteral("SELECT * FROM Sensors"), c);
            QStringList ids;
            for (int k = 0; k < kSmallFiles; ++k)
                ids << smallSensor(k);
            ids << kBigSensor;
            for (const QString& id : ids) {
                rs.addNew();
                rs.setValue(QStringLiteral("InstrumentID"), id);
                rs.setValue(QStringLiteral("DateID"), id.left(4));
                rs.setValue(QStringLiteral("SensorType"), QStringLiteral("45"));
                rs.setValue(QStringLiteral("TypeID"), QStringLiteral("45"));
                rs.setValue(QStringLiteral("SensorNo"), id.right(3));
                rs.update();
                createReadingTable(c, id);
            }
        }
        QFile::copy(site.db, pristine);
        for (int k = 0; k < kSmallFiles; ++k) {
            small.push_back(readings(kSmallLines, k));
            writeFile(smallFolder + u'/' + smallSensor(k) + QStringLiteral(".txt"), smallSensor(k), small.back());
        }
        big = readings(kBigLines, 0);
        writeFile(bigFolder + u'/' + kBigSensor + QStringLiteral(".txt"), kBigSensor, big);
    }
    void reset() const
    {
        QFile::remove(site.db);
        QFile::copy(pristine, site.db);
    }
};

Site& theSite()
{
    static Site s;
    return s;
}

// The core the command runs, file after file on one connection.
void importFolder(benchmark::State& state, const QString& folder, int expected)
{
    Site& s = theSite();
    qint64 appended = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
        store::Connection conn;
        conn.open(s.site.db);
        importing::BatchImportOptions o;
        o.spacingHours.reset();
        o.archive = false;
        NoProgress none;
        appended = 0;
        for (const QString& f : importing::readoutFilesOf({folder}, nullptr))
            appended += importing::importReadoutFile(conn, s.site.folder, f, o, none).appended;
    }
    if (appended != expected)
        state.SkipWithError("not every reading was appended");
    state.counters["readings"] = static_cast<double>(appended);
    state.counters["readings/s"] = benchmark::Counter(static_cast<double>(appended) * state.iterations(),
                                                      benchmark::Counter::kIsRate);
}

// The program itself, as cron runs it.
void importByProcess(benchmark::State& state, const QString& folder)
{
    Site& s = theSite();
    for (auto _ : state) {
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
        QProcess p;
        p.start(QStringLiteral(ROCKVANE_CLI), {QStringLiteral("--db"), s.site.db, QStringLiteral("--data-folder"),
                                               s.site.folder, QStringLiteral("import"), QStringLiteral("--spacing"),
                                               QStringLiteral("all"), QStringLiteral("--no-archive"), folder});
        p.waitForFinished(-1);
        if (p.exitCode() != 0)
            state.SkipWithError("rockvane-cli failed");
    }
}

// The floor: the same rows, already parsed, written by raw sqlite3 with one
// prepared statement and one transaction per file into the same tables.
void rawSqlite(benchmark::State& state, bool bigOne)
{
    Site& s = theSite();
    qint64 rows = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.reset();
        state.ResumeTiming();
        sqlite3* db = nullptr;
        sqlite3_open(QFile::encodeName(s.site.db).constData(), &db);
        rows = 0;
        auto insertAll = [&](const QString& sensor, const std::vector<Line>& lines) {
            const QByteArray sql = "INSERT INTO `" + sensor.toLatin1()
                + "` (DateTimeKey, ReadingDate, ReadingTime, FullDate, ChannelT, Channel1, Channel2, Channel3, "
                  "Channel4, IsDirty, PlotSpatial, Plottemporal) VALUES (?,?,?,?,?,?,?,?,?,1,0,1)";
            sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr);
            sqlite3_stmt* st = nullptr;
            sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr);
            for (const Line& l : lines) {
                const QByteArray key = (sensor + u' ' + l.date).toLatin1();
                const QByteArray date = l.date.left(10).toLatin1();
                const QByteArray time = l.date.mid(11).toLatin1();
                const QByteArray full = l.date.toLatin1();
                sqlite3_bind_text(st, 1, key.constData(), int(key.size()), SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 2, date.constData(), int(date.size()), SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 3, time.constData(), int(time.size()), SQLITE_TRANSIENT);
                sqlite3_bind_text(st, 4, full.constData(), int(full.size()), SQLITE_TRANSIENT);
                sqlite3_bind_double(st, 5, l.temperature);
                for (int c = 0; c < 4; ++c)
                    sqlite3_bind_double(st, 6 + c, l.channel[c]);
                if (sqlite3_step(st) == SQLITE_DONE)
                    ++rows;
                sqlite3_reset(st);
            }
            sqlite3_finalize(st);
            sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
        };
        if (bigOne) {
            insertAll(kBigSensor, s.big);
        } else {
            for (int k = 0; k < kSmallFiles; ++k)
                insertAll(smallSensor(k), s.small[static_cast<size_t>(k)]);
        }
        sqlite3_close(db);
    }
    state.counters["readings"] = static_cast<double>(rows);
    state.counters["readings/s"] =
        benchmark::Counter(static_cast<double>(rows) * state.iterations(), benchmark::Counter::kIsRate);
}

void BM_Import100FilesOf1000(benchmark::State& state)
{
    importFolder(state, theSite().smallFolder, kSmallFiles * kSmallLines);
}
BENCHMARK(BM_Import100FilesOf1000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Floor100FilesOf1000(benchmark::State& state)
{
    rawSqlite(state, false);
}
BENCHMARK(BM_Floor100FilesOf1000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Import1FileOf100000(benchmark::State& state)
{
    importFolder(state, theSite().bigFolder, kBigLines);
}
BENCHMARK(BM_Import1FileOf100000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_Floor1FileOf100000(benchmark::State& state)
{
    rawSqlite(state, true);
}
BENCHMARK(BM_Floor1FileOf100000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CliProcess100FilesOf1000(benchmark::State& state)
{
    importByProcess(state, theSite().smallFolder);
}
BENCHMARK(BM_CliProcess100FilesOf1000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_CliProcess1FileOf100000(benchmark::State& state)
{
    importByProcess(state, theSite().bigFolder);
}
BENCHMARK(BM_CliProcess1FileOf100000)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
