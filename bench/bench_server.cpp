// The program's own steps on a site kept in a database file and on the same
// site on a PostgreSQL server over its Unix socket, in one run: entering the
// Readings page of the real main window (offscreen) on a sensor with 100,000
// readings, the Load v Time graph's data pass over those readings, and the
// import's append of a 100,000-line logger file into an empty reading
// table. Argument 0 is the file, 1 the server; the file is the floor.
//
// The server is the test cluster: start it with tools/pgcluster.sh start and
// export what it prints (ROCKVANE_PG_HOST, ROCKVANE_PG_USER).
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "graphs/passes.h"
#include "import/readout_append.h"
#include "import/readout_file.h"
#include "readings/sensor_tables.h"
#include "state/appstate.h"
#include "store/backend.h"
#include "store/connection.h"
#include "store/migrate.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>
#include "bench_readings_table.h"
#include "bench_site.h"
#include <benchmark/benchmark.h>
#include <memory>

using namespace rv;

namespace {

constexpr int kRows = 100000;
const QString kShown = QStringLiteral("200565001");     // the Readings page and the graph pass
const QString kImported = QStringLiteral("250045001");  // the import's target

QString serverUri(const QString& db)
{
    const QString user = qEnvironmentVariable("ROCKVANE_PG_USER", QStringLiteral("postgres"));
    return QStringLiteral("postgresql://%1@/%2?host=%3")
        .arg(user, db, QString::fromLatin1(QUrl::toPercentEncoding(qEnvironmentVariable("ROCKVANE_PG_HOST"))));
}

void addSensor(store::Connection& c, const QString& id)
{
    store::Recordset rs;
    rs.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), c);
    rs.addNew();
    rs.setValue(QStringLiteral("InstrumentID"), id);
    rs.setValue(QStringLiteral("DateID"), id.left(4));
    rs.setValue(QStringLiteral("SensorType"), id.mid(4, 2));
    rs.setValue(QStringLiteral("TypeID"), id.mid(4, 2));
    rs.setValue(QStringLiteral("SensorNo"), id.mid(6, 3));
    rs.setValue(QStringLiteral("Destroyed"), QStringLiteral("No"));
    rs.setValue(QStringLiteral("HeadLocation"), true);
    rs.update();
}


// Two data folders holding the same site: the default database file in one,
// and in the other a location file naming a database on the server that the
// site was copied to. Made once per run.
struct Sites {
    QTemporaryDir fileDir, serverDir;
    QString fileFolder, serverFolder, serverDb, readout;

    Sites()
    {
        const auto made = bench::newBenchSite(fileDir);
        fileFolder = made.folder;
        {
            store::Connection c;
            c.open(made.db);
            addSensor(c, kShown);
            addSensor(c, kImported);
            createReadingTable(c, kShown);
            createReadingTable(c, kImported);
            bench::fillReadings(c, kShown, kRows);
        }
        serverFolder = serverDir.path() + QStringLiteral("/Quillon/Rockvane");
        QDir().mkpath(serverFolder);
        serverDb = QStringLiteral("rv_bench_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
        store::detail::openPostgres(serverUri(QStringLiteral("postgres")))
            ->exec(("CREATE DATABASE " + serverDb + " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'")
                       .toUtf8());
        {
            store::Connection from, to;
            from.open(made.db);
            to.open(serverUri(serverDb));
            store::migrateSite(from, to, false);
            to.backend().exec("ANALYZE");
        }
        QFile loc(serverFolder + u'/' + kLocationFileName);
        loc.open(QIODevice::WriteOnly);
        loc.write(serverUri(serverDb).toUtf8() + '\n');
        loc.close();
        readout = fileDir.path() + u'/' + kImported + QStringLiteral(".txt");
        QFile f(readout);
        f.open(QIODevice::WriteOnly);
        f.write(bench::type45Readout(kRows));
    }
    ~Sites()
    {
        store::detail::openPostgres(serverUri(QStringLiteral("postgres")))
            ->tryExec(("DROP DATABASE IF EXISTS " + serverDb + " WITH (FORCE)").toUtf8().constData());
    }
    QString folder(bool server) const { return server ? serverFolder : fileFolder; }
    QString location(bool server) const
    {
        return server ? serverUri(serverDb) : fileFolder + u'/' + kDefaultDatabaseName;
    }
};

std::unique_ptr<Sites> g_sites;
Sites& sites()
{
    if (!g_sites)
        g_sites = std::make_unique<Sites>();
    return *g_sites;
}

const char* label(bool server)
{
    return server ? "server" : "file";
}

// The real main window, started (untimed) on the data folder, which reads the
// location file as at every start.
struct Window {
    AppState st;
    ScriptedPrompter pr;
    FrmMain win{st, pr};
    explicit Window(const QString& folder) : st(folder) { win.load(); }
    ~Window() { st.RefusedCopy = true; }
    void page(int i)
    {
        win.ui().SSTab1->setCurrentIndex(i);
        QApplication::processEvents();
    }
};

// Entering the Readings page the first time after start: the sensor's
// readings opened in date order and the latest one shown.
void BM_EnterReadingsPage(benchmark::State& state)
{
    const bool server = state.range(0) != 0;
    Sites& s = sites();
    for (auto _ : state) {
        state.PauseTiming();
        auto w = std::make_unique<Window>(s.folder(server));
        if (w->st.conn->isServer() != server)
            state.SkipWithError("the window is not on the site asked for");
        state.ResumeTiming();
        w->page(2);
        state.PauseTiming();
        if (w->st.rsReadings.absolutePosition() != kRows)
            state.SkipWithError("not on the latest reading");
        w.reset();
        state.ResumeTiming();
    }
    state.SetLabel(label(server));
}
BENCHMARK(BM_EnterReadingsPage)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

// The Load v Time data pass over every reading, writing every row (the
// stored values and their note forgotten first, untimed, as after an import).
void BM_GraphPass(benchmark::State& state)
{
    const bool server = state.range(0) != 0;
    Sites& s = sites();
    AppState st(s.folder(server));
    st.DatabasePath = s.location(server);
    st.conn->open(st.DatabasePath);
    st.rsConfig.open(QStringLiteral("SELECT * FROM Configuration ORDER BY SensorType"), *st.conn);
    st.rsSensors.open(QStringLiteral("SELECT Sensors.* FROM Sensors WHERE InstrumentID = '%1'").arg(kShown), *st.conn);
    ScriptedPrompter pr;
    for (auto _ : state) {
        state.PauseTiming();
        // The same text on both engines (SQLite takes quoted names too).
        st.conn->backend().exec(("UPDATE \"" + kShown.toUtf8()
                                 + "\" SET \"zero1\" = NULL, \"zero2\" = NULL, \"zero3\" = NULL, \"zero4\" = NULL, "
                                   "\"zero5\" = NULL, \"NumTemp\" = NULL"));
        st.conn->backend().exec("DELETE FROM \"Settings\" WHERE \"Name\" = 'GraphValues'");
        state.ResumeTiming();
        graphs::GetTemporalData(st, pr);
    }
    // Every row was written: a pass that stopped early would look fast.
    const auto st1 = st.conn->backend().prepare(
        "SELECT count(*) FROM \"" + kShown.toUtf8() + "\" WHERE \"zero1\" IS NOT NULL AND \"NumTemp\" IS NOT NULL", false);
    if (!st1->step() || st1->int64(0) != kRows || !pr.messages().empty())
        state.SkipWithError(("the pass did not write every row: "
                             + (pr.messages().empty() ? QString::number(st1->int64(0)) : pr.messages().front().text)
                             + u' ' + [&] {
                                   QFile log(st.DataFolder + QStringLiteral("/TENDON_logfile.txt"));
                                   log.open(QIODevice::ReadOnly);
                                   return QString::fromUtf8(log.readAll()).right(400);
                               }())
                                .toUtf8()
                                .constData());
    state.counters["rows"] = kRows;
    state.SetLabel(label(server));
}
BENCHMARK(BM_GraphPass)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

// The import's append of every line of a 100,000-line file into the empty
// reading table: the stored keys read, every row checked and written, the
// change log's row, one transaction. Loading the file is not timed.
void BM_Import100k(benchmark::State& state)
{
    const bool server = state.range(0) != 0;
    Sites& s = sites();
    store::Connection conn;
    conn.open(s.location(server));
    importing::ReadoutRecords records;
    NoProgress none;
    importing::LoadReadoutFile(s.folder(server), s.readout, records, none);
    const std::vector<char> ticks(size_t(records.recordCount()), 1);
    const importing::AppendTarget target{kImported, QStringLiteral("45"), true, s.readout};
    int appended = 0;
    for (auto _ : state) {
        state.PauseTiming();
        conn.execute(QStringLiteral("DROP TABLE `%1`").arg(kImported));
        createReadingTable(conn, kImported);
        state.ResumeTiming();
        appended = importing::appendReadings(conn, records, ticks, target, importing::DateLayout::YearFirst, {}, none)
                       .appended;
    }
    if (appended != kRows)
        state.SkipWithError("rows missing");
    state.counters["appended"] = appended;
    state.SetLabel(label(server));
}
BENCHMARK(BM_Import100k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("ROCKVANE_PG_HOST")) {
        std::fprintf(stderr, "bench_server: start the test server (tools/pgcluster.sh start) and export what it prints\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_sites.reset();
    return 0;
}
