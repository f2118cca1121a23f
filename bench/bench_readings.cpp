// The Readings page on a sensor with 100,000 readings: moving to the next
// reading (which saves the shown one first) and editing a reading's date or
// time (which re-keys it and moves it to its new place in date order).
#include "state/appstate.h"
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "readings/ui_readings.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QApplication>
#include <QDateEdit>
#include <QDir>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTimeEdit>
#include "bench_site.h"
#include <benchmark/benchmark.h>
#include <sqlite3.h>

using namespace rv;

namespace {

constexpr int kReadings = 100000;
const QString kId = QStringLiteral("200565001");

QString makeFolder(QTemporaryDir& dir)
{
    const auto [folder, db] = bench::newBenchSite(dir);
    store::Connection c;
    c.open(db);
    {
        store::Recordset rs;
        rs.open("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;", c);
        rs.addNew();
        rs.setValue("InstrumentID", kId);
        rs.setValue("SensorType", "65");
        rs.setValue("TypeID", "65");
        rs.setValue("DateID", "2005");
        rs.setValue("SensorNo", "001");
        rs.setValue("Destroyed", "No");
        rs.setValue("HeadLocation", true);
        rs.update();
    }
    c.execute("SELECT * INTO `" + kId + "` FROM sensordata WHERE DateTimeKey is null");
    sqlite3* h = c.handle();
    sqlite3_exec(h, "BEGIN", nullptr, nullptr, nullptr);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(h,
                       "INSERT INTO \"200565001\" (DateTimeKey, ReadingDate, ReadingTime, ChannelT, Channel1, "
                       "Channel2, Channel3, Channel4, Channel5, FullDate, Plottemporal, PlotSpatial, IsDirty) "
                       "VALUES (?1, ?2, ?3, 21.5, ?4, ?4, ?4, ?4, ?4, ?5, 1, 0, 1)",
                       -1, &s, nullptr);
    const QDateTime first(QDate(2010, 1, 1), QTime(0, 0));
    for (int k = 0; k < kReadings; ++k) {
        const QDateTime at = first.addSecs(3600LL * k);
        const QByteArray key = (kId + " " + at.toString("yyyy/MM/dd HH:mm:ss")).toUtf8();
        const QByteArray day = at.date().toString(Qt::ISODate).toUtf8();
        const QByteArray clock = at.time().toString("HH:mm:ss").toUtf8();
        const QByteArray full = day + ' ' + clock;
        sqlite3_bind_text(s, 1, key.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 2, day.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 3, clock.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_double(s, 4, 100.0 + k * 0.01);
        sqlite3_bind_text(s, 5, full.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(s);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sqlite3_exec(h, "COMMIT", nullptr, nullptr, nullptr);
    return folder;
}

// One main window on the Readings page of the 100,000-reading sensor.
struct Page {
    QTemporaryDir dir;
    QString folder = makeFolder(dir);
    AppState st{folder};
    ScriptedPrompter pr;
    FrmMain win{st, pr};
    Page()
    {
        win.load();
        win.ui().SSTab1->setCurrentIndex(2);
    }
    ~Page() { st.RefusedCopy = true; }
    MainContext& c() { return win.context(); }
};

void BM_NextReading(benchmark::State& state)
{
    Page p;
    readings::imgFirstClick(p.c());
    for (auto _ : state) {
        readings::imgNextDataClick(p.c());
        if (p.st.rsReadings.absolutePosition() == kReadings) {
            state.PauseTiming();
            readings::imgFirstClick(p.c());
            state.ResumeTiming();
        }
    }
    state.counters["position"] = p.st.rsReadings.absolutePosition();
}
BENCHMARK(BM_NextReading)->Unit(benchmark::kMillisecond);

// Puts a new date and time into the pickers as the user's edit would, and
// runs the check that re-keys the shown reading.
void editTo(Page& p, const QDateTime& at)
{
    p.win.ui().dtpRdate->blockSignals(true);
    p.win.ui().dtpRtime->blockSignals(true);
    p.win.ui().dtpRdate->setDate(at.date());
    p.win.ui().dtpRtime->setTime(at.time());
    p.win.ui().dtpRdate->blockSignals(false);
    p.win.ui().dtpRtime->blockSignals(false);
    readings::CheckDateTime(p.c());
}

// Changing the seconds of a reading in the middle of the table.
void BM_DateEditSeconds(benchmark::State& state)
{
    Page p;
    p.st.rsReadings.setAbsolutePosition(kReadings / 2);
    readings::fillreadings(p.c());
    QDateTime at = p.st.rsReadings.value("FullDate").toDateTime();
    int step = 1;
    for (auto _ : state) {
        at = at.addSecs(step);
        step = -step;
        editTo(p, at);
    }
    if (p.st.rsReadings.absolutePosition() != kReadings / 2)
        state.SkipWithError("the reading moved");
}
BENCHMARK(BM_DateEditSeconds)->Unit(benchmark::kMillisecond);

// Moving a reading a day later (past 24 others) and back.
void BM_DateEditOneDay(benchmark::State& state)
{
    Page p;
    p.st.rsReadings.setAbsolutePosition(kReadings / 2);
    readings::fillreadings(p.c());
    QDateTime at = p.st.rsReadings.value("FullDate").toDateTime().addSecs(1);
    editTo(p, at);
    int days = 1;
    for (auto _ : state) {
        at = at.addDays(days);
        days = -days;
        editTo(p, at);
    }
}
BENCHMARK(BM_DateEditOneDay)->Unit(benchmark::kMillisecond);

// The worst case: the first reading moved to the end of the table and back.
void BM_DateEditAcrossTheTable(benchmark::State& state)
{
    Page p;
    readings::imgFirstClick(p.c());
    const QDateTime home = p.st.rsReadings.value("FullDate").toDateTime();
    const QDateTime far = home.addYears(20);
    bool out = true;
    for (auto _ : state) {
        editTo(p, out ? far : home);
        out = !out;
    }
}
BENCHMARK(BM_DateEditAcrossTheTable)->Unit(benchmark::kMillisecond);

// The floor under both: one row written by a bare SQLite UPDATE on the same
// file with the store's durability settings (each write is synced to disk).
void BM_RawRowUpdate(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir);
    store::Connection c;
    c.open(folder + "/RockvaneTENDON.mdb");
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(c.handle(), "UPDATE \"200565001\" SET Channel1 = ?1 WHERE rowid = 50000", -1, &s, nullptr);
    double v = 0;
    for (auto _ : state) {
        sqlite3_bind_double(s, 1, v += 1);
        sqlite3_step(s);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
}
BENCHMARK(BM_RawRowUpdate)->Unit(benchmark::kMillisecond);

// The same for a re-key: the key (with its unique index) and the dates.
void BM_RawReKey(benchmark::State& state)
{
    QTemporaryDir dir;
    const QString folder = makeFolder(dir);
    store::Connection c;
    c.open(folder + "/RockvaneTENDON.mdb");
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(c.handle(),
                       "UPDATE \"200565001\" SET DateTimeKey = ?1, FullDate = ?2, ReadingTime = ?3 "
                       "WHERE rowid = 50000",
                       -1, &s, nullptr);
    int k = 0;
    for (auto _ : state) {
        const QByteArray second = QByteArray::number(k++ % 2);
        const QByteArray key = "200565001 2099/01/01 00:00:0" + second;
        const QByteArray full = "2015-09-14 00:00:0" + second;
        const QByteArray time = "00:00:0" + second;
        sqlite3_bind_text(s, 1, key.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 2, full.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 3, time.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(s);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
}
BENCHMARK(BM_RawReKey)->Unit(benchmark::kMillisecond);

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
