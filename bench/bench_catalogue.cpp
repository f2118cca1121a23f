// Start-up and the first display with a large catalogue, and the filter on it.
#include "state/appstate.h"
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "sensors/ui_sensors.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>
#include "bench_site.h"
#include <benchmark/benchmark.h>

using namespace rv;

namespace {

QString makeFolder(QTemporaryDir& dir, int sensors)
{
    const auto [folder, db] = bench::newBenchSite(dir);
    store::Connection c;
    c.open(db);
    store::Connection::Transaction tx(c);
    store::Recordset rs;
    rs.open("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;", c);
    const char* types[] = {"25", "45", "55", "65"};
    for (int i = 0; i < sensors; ++i) {
        const QString type = types[i % 4];
        const QString id = QString("%1%2%3").arg(2000 + i / 999, 4, 10, QChar('0')).arg(type).arg(i % 999 + 1, 3, 10, QChar('0'));
        rs.addNew();
        rs.setValue("InstrumentID", id);
        rs.setValue("SensorType", type);
        rs.setValue("TypeID", type);
        rs.setValue("DateID", id.left(4));
        rs.setValue("SensorNo", id.right(3));
        rs.setValue("Level", QString::number(i % 20));
        rs.setValue("Location", i % 3 ? "North" : "South");
        rs.setValue("InstallDate", QString("20%1/06/15").arg(5 + i % 15, 2, 10, QChar('0')));
        rs.setValue("Destroyed", i % 10 ? "No" : "Yes");
        rs.setValue("HeadLocation", true);
        rs.setValue("LengthofCable", 8.0);
        rs.setValue("Recess", 0.5);
        for (int n = 1; n <= 6; ++n)
            rs.setValue("NodeLocation" + QString::number(n), double(n));
        rs.update();
    }
    tx.commit();
    return folder;
}

void BM_StartupWith2000Sensors(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir, 2000);
    for (auto _ : state) {
        AppState st(folder);
        ScriptedPrompter pr;
        FrmMain win(st, pr);
        if (!win.load())
            state.SkipWithError("load failed");
        benchmark::DoNotOptimize(st.rsSensors.recordCount());
        state.PauseTiming();
        st.RefusedCopy = true;  // no compaction inside the measurement loop
        win.terminate();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartupWith2000Sensors)->Unit(benchmark::kMillisecond);

void BM_FilterApplyAndRemove(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir, 2000);
    AppState st(folder);
    ScriptedPrompter pr;
    FrmMain win(st, pr);
    win.load();
    for (auto _ : state) {
        sensors::G_AddFilter(win.context(), "SensorType ='45' AND Level ='12'");
        sensors::G_RemoveFilter(win.context());
    }
    st.RefusedCopy = true;
}
BENCHMARK(BM_FilterApplyAndRemove)->Unit(benchmark::kMillisecond);

// The copy an add or a delete keeps of the catalogue, to put back if its
// writes are rolled back.
void BM_SaveAndRestoreCatalogueOf2000(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir, 2000);
    store::Connection c;
    c.open(folder + "/RockvaneTENDON.mdb");
    store::Recordset rs;
    rs.open("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;", c);
    for (auto _ : state) {
        const store::Recordset::Saved saved = rs.save();
        rs.restore(saved);
    }
    benchmark::DoNotOptimize(rs.recordCount());
}
BENCHMARK(BM_SaveAndRestoreCatalogueOf2000)->Unit(benchmark::kMillisecond);

// One sensor added and deleted again through the window's procedures.
void BM_AddAndDeleteWith2000Sensors(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir, 2000);
    AppState st(folder);
    ScriptedPrompter pr;
    FrmMain win(st, pr);
    win.load();
    for (auto _ : state) {
        pr.clear();
        pr.answerInput(QString("300045001"));
        pr.answer(MsgResult::Yes);
        sensors::imgAddSensorClick(win.context());
        pr.answer(MsgResult::Yes);
        sensors::imgDeleteClick(win.context());
    }
    if (st.rsSensors.recordCount() != 2000)
        state.SkipWithError("the catalogue did not come back to 2000 sensors");
    st.RefusedCopy = true;
}
BENCHMARK(BM_AddAndDeleteWith2000Sensors)->Unit(benchmark::kMillisecond);

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
