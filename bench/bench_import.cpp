// The readout import on a 100,000-line logger file: loading it and showing
// the review window, and appending every row to an empty reading table.
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

using namespace rv;
using namespace rv::importing;

namespace {

constexpr int kLines = 100000;
const QString kSensor = QStringLiteral("250045001");

// A type-45 logger file: a reading every 15 minutes from 2020 on.
QByteArray readoutFile()
{
    QByteArray out;
    out.reserve(kLines * 64);
    QDateTime t(QDate(2020, 1, 1), QTime(0, 0), Qt::UTC);
    for (int k = 0; k < kLines; ++k, t = t.addSecs(900)) {
        out += t.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")).toLatin1();
        out += ",SLUG01,45,001,";
        out += QByteArray::number(15.0 + (k % 96) * 0.05, 'f', 1) + ',';
        for (int c = 1; c <= 4; ++c)
            out += QByteArray::number(2.0 * c + k * 1e-5, 'f', 3) + (c < 4 ? "," : "\n");
    }
    return out;
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

void BM_AppendAllRows(benchmark::State& state)
{
    Site& s = site();
    ReadoutRecords records;
    NoProgress none;
    LoadReadoutFile(s.folder, s.file, records, none);
    const std::vector<char> ticks(static_cast<size_t>(records.recordCount()), 1);
    const AppendTarget target{kSensor, QStringLiteral("45"), true};
    int appended = 0;
    for (auto _ : state) {
        state.PauseTiming();
        s.st->rsReadings.close();
        s.st->conn->execute(QStringLiteral("DELETE * FROM `") + kSensor + QStringLiteral("`"));
        s.st->rsReadings.open(readingsSql(kSensor), *s.st->conn);
        state.ResumeTiming();
        const auto out = appendReadings(*s.st->conn, s.st->rsReadings, records, ticks, target,
                                        DateLayout::YearFirst, {}, none);
        appended = out.appended;
    }
    state.counters["appended"] = appended;
}
BENCHMARK(BM_AppendAllRows)->Unit(benchmark::kMillisecond)->Iterations(3);

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
