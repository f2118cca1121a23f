// The Readings page on a sensor with 100,000 and with 1,000,000 hourly
// readings, through the real main window (offscreen): entering the page
// (the first time after start, and again), the four moves, editing a
// reading's date or time, adding a reading, the datasheet opened and closed
// unchanged. Each step beside its floor: the plain SQLite C API doing the
// same rows on the same file in the same run. The argument of every
// benchmark is the number of readings.
#include "state/appstate.h"
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "readings/frmDatasheet.h"
#include "readings/ui_datasheet.h"
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
#include <QTimer>
#include "bench_readings_table.h"
#include "bench_site.h"
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <sqlite3.h>
#include <sys/resource.h>

using namespace rv;

namespace {

const QString kId = QStringLiteral("200565001");

// A data folder with the one sensor and its readings, made once per size.
struct Site {
    QTemporaryDir dir;
    QString folder;
    QString db;
};

Site& site(int readings)
{
    static std::map<int, std::unique_ptr<Site>> sites;
    auto& s = sites[readings];
    if (s)
        return *s;
    s = std::make_unique<Site>();
    const auto made = bench::newBenchSite(s->dir);
    s->folder = made.folder;
    s->db = made.db;
    store::Connection c;
    c.open(s->db);
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
    bench::fillReadings(c, kId, readings);
    return *s;
}

// One main window, started on the site; entering the Readings page is left
// to the benchmark.
struct Window {
    AppState st;
    ScriptedPrompter pr;
    FrmMain win{st, pr};
    explicit Window(int readings) : st(site(readings).folder) { win.load(); }
    ~Window() { st.RefusedCopy = true; }
    MainContext& c() { return win.context(); }
    void enter()
    {
        win.ui().SSTab1->setCurrentIndex(2);
        QApplication::processEvents();
    }
    // Closed as a user closes it: its reading saved, what it knows kept,
    // the file compacted when that is worth it.
    void closeAsUser()
    {
        win.close();
        win.terminate();
    }
    void leave()
    {
        win.ui().SSTab1->setCurrentIndex(0);
        QApplication::processEvents();
    }
};

// The same window on the Readings page.
struct Page : Window {
    explicit Page(int readings) : Window(readings) { enter(); }
};

sqlite3* rawOpen(int readings)
{
    sqlite3* h = nullptr;
    sqlite3_open_v2(site(readings).db.toUtf8().constData(), &h, SQLITE_OPEN_READWRITE, nullptr);
    return h;
}

// Reads every field of the row a statement is on, as a page would show it.
void readFields(sqlite3_stmt* s)
{
    for (int k = 0; k < sqlite3_column_count(s); ++k) {
        if (sqlite3_column_type(s, k) == SQLITE_TEXT)
            benchmark::DoNotOptimize(sqlite3_column_text(s, k));
        else
            benchmark::DoNotOptimize(sqlite3_column_double(s, k));
    }
}

const char* lastRowSql = "SELECT * FROM \"200565001\" ORDER BY FullDate DESC, rowid DESC LIMIT 1";

// The first entry after start: a new window each time, its load untimed,
// the window before it closed as a user closes it (one such session first,
// untimed), so that each finds the counts the one before kept at its close.
// betweenSessions runs (untimed) before each new window.
void enterAfterStart(benchmark::State& state, const std::function<void(int)>& betweenSessions)
{
    const int n = static_cast<int>(state.range(0));
    site(n);
    {
        Window before(n);
        before.enter();
        before.closeAsUser();
    }
    double rss = 0;
    long faults = 0;
    double userUs = 0, sysUs = 0;
    auto us = [](const timeval& t) { return double(t.tv_sec) * 1e6 + double(t.tv_usec); };
    for (auto _ : state) {
        state.PauseTiming();
        betweenSessions(n);
        auto w = std::make_unique<Window>(n);
        rusage a{};
        getrusage(RUSAGE_SELF, &a);
        state.ResumeTiming();
        w->enter();
        state.PauseTiming();
        rusage b{};
        getrusage(RUSAGE_SELF, &b);
        faults += b.ru_minflt - a.ru_minflt;
        userUs += us(b.ru_utime) - us(a.ru_utime);
        sysUs += us(b.ru_stime) - us(a.ru_stime);
        rss = bench::residentMb();
        if (w->st.rsReadings.absolutePosition() != n)
            state.SkipWithError("not on the latest reading");
        w->closeAsUser();
        w.reset();
        state.ResumeTiming();
    }
    const double runs = double(state.iterations());
    state.counters["rss_MB"] = rss;
    state.counters["faults"] = double(faults) / runs;
    state.counters["user_ms"] = userUs / 1000.0 / runs;
    state.counters["sys_ms"] = sysUs / 1000.0 / runs;
}

void BM_EnterPageFirstTime(benchmark::State& state)
{
    enterAfterStart(state, [](int) {});
}
BENCHMARK(BM_EnterPageFirstTime)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same when another program wrote to the file since the last close,
// but not to the readings: the kept count still holds.
void BM_EnterPageFirstTimeAfterOtherWrite(benchmark::State& state)
{
    enterAfterStart(state, [](int n) {
        sqlite3* h = rawOpen(n);
        // A write that changes the file (one that stores what is already
        // there leaves every page, and the file's change counter, as they were).
        sqlite3_exec(h, "INSERT OR REPLACE INTO Settings (Scope, Name, Value) VALUES ('', 'Elsewhere', random())",
                     nullptr, nullptr, nullptr);
        sqlite3_close(h);
    });
}
BENCHMARK(BM_EnterPageFirstTimeAfterOtherWrite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Another program's write of the readings between two sessions: sql, whose
// last statement deletes one row.
void otherProgramWrites(int n, const char* sql)
{
    sqlite3* h = rawOpen(n);
    sqlite3_exec(h, sql, nullptr, nullptr, nullptr);
    const bool deleted = sqlite3_changes(h) == 1;
    const std::string why = sqlite3_errmsg(h);
    sqlite3_close(h);
    if (!deleted)
        throw std::runtime_error("the other program's write failed: " + why);
}

// The same when another program added a reading and deleted it again: the
// kept count still holds (the trigger of the count's note takes a deleted
// row off the count when it is one the note counted).
void BM_EnterPageFirstTimeAfterOtherDelete(benchmark::State& state)
{
    enterAfterStart(state, [](int n) {
        otherProgramWrites(n, "INSERT INTO \"200565001\" (DateTimeKey, FullDate) VALUES ('200565001 elsewhere', "
                              "'1999-01-01 00:00:00'); "
                              "DELETE FROM \"200565001\" WHERE DateTimeKey = '200565001 elsewhere'");
    });
}
BENCHMARK(BM_EnterPageFirstTimeAfterOtherDelete)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same when another program added a reading and kept it (and deleted
// the oldest, so that the count stays as the check expects): the kept count
// no longer holds (the note cannot tell an added row from a counted one
// whose rowid an update moved past the newest), and the readings are counted.
void BM_EnterPageFirstTimeAfterOtherAdd(benchmark::State& state)
{
    enterAfterStart(state, [](int n) {
        otherProgramWrites(n, "INSERT INTO \"200565001\" (DateTimeKey, FullDate) VALUES "
                              "('200565001 elsewhere ' || random(), '1999-01-01 00:00:00'); "
                              "DELETE FROM \"200565001\" WHERE rowid = (SELECT min(rowid) FROM \"200565001\")");
    });
}
BENCHMARK(BM_EnterPageFirstTimeAfterOtherAdd)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EnterPageAgain(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Window w(n);
    w.enter();
    for (auto _ : state) {
        state.PauseTiming();
        w.leave();
        state.ResumeTiming();
        w.enter();
    }
    state.counters["rss_MB"] = bench::residentMb();
}
BENCHMARK(BM_EnterPageAgain)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(10);

// Floor of an entry: the rows counted and the latest one read.
void BM_EnterPageFloor(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    sqlite3* h = rawOpen(n);
    for (auto _ : state) {
        sqlite3_stmt* s = nullptr;
        sqlite3_prepare_v2(h, "SELECT count(*) FROM \"200565001\"", -1, &s, nullptr);
        sqlite3_step(s);
        benchmark::DoNotOptimize(sqlite3_column_int64(s, 0));
        sqlite3_finalize(s);
        sqlite3_prepare_v2(h, lastRowSql, -1, &s, nullptr);
        if (sqlite3_step(s) == SQLITE_ROW)
            readFields(s);
        sqlite3_finalize(s);
    }
    sqlite3_close(h);
}
BENCHMARK(BM_EnterPageFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(10);

enum class Move { First, Previous, Next, Last };

void moveBench(benchmark::State& state, Move m)
{
    const int n = static_cast<int>(state.range(0));
    Page p(n);
    p.st.rsReadings.setAbsolutePosition(n / 2);
    readings::fillreadings(p.c());
    for (auto _ : state) {
        switch (m) {
        case Move::First: readings::imgFirstClick(p.c()); break;
        case Move::Previous: readings::imgPrevDataClick(p.c()); break;
        case Move::Next: readings::imgNextDataClick(p.c()); break;
        case Move::Last: readings::imgLastClick(p.c()); break;
        }
        if (m == Move::First || m == Move::Last) {
            // Back to the middle, so that every move goes the whole way.
            state.PauseTiming();
            p.st.rsReadings.setAbsolutePosition(n / 2);
            state.ResumeTiming();
        }
    }
    state.counters["position"] = p.st.rsReadings.absolutePosition();
}
void BM_FirstReading(benchmark::State& s) { moveBench(s, Move::First); }
void BM_PreviousReading(benchmark::State& s) { moveBench(s, Move::Previous); }
void BM_NextReading(benchmark::State& s) { moveBench(s, Move::Next); }
void BM_LastReading(benchmark::State& s) { moveBench(s, Move::Last); }
BENCHMARK(BM_FirstReading)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(50);
BENCHMARK(BM_PreviousReading)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_NextReading)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(200);
BENCHMARK(BM_LastReading)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(50);

// Floor of a move: the next row in date order found by the index and read.
void BM_MoveFloor(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    sqlite3* h = rawOpen(n);
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(h, "SELECT * FROM \"200565001\" WHERE FullDate > ?1 ORDER BY FullDate LIMIT 1", -1, &s,
                       nullptr);
    int k = n / 2;
    for (auto _ : state) {
        const QByteArray at =
            QDateTime(QDate(2000, 1, 1), QTime(0, 0)).addSecs(3600LL * k++).toString("yyyy-MM-dd HH:mm:ss").toUtf8();
        sqlite3_bind_text(s, 1, at.constData(), -1, SQLITE_TRANSIENT);
        if (sqlite3_step(s) == SQLITE_ROW)
            readFields(s);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sqlite3_close(h);
}
BENCHMARK(BM_MoveFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(200);

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
    const int n = static_cast<int>(state.range(0));
    Page p(n);
    p.st.rsReadings.setAbsolutePosition(n / 2);
    readings::fillreadings(p.c());
    QDateTime at = p.st.rsReadings.value("FullDate").toDateTime();
    int step = 1;
    for (auto _ : state) {
        at = at.addSecs(step);
        step = -step;
        editTo(p, at);
    }
    if (p.st.rsReadings.absolutePosition() != n / 2)
        state.SkipWithError("the reading moved");
}
BENCHMARK(BM_DateEditSeconds)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(20);

// Moving a reading a day later (past 24 others) and back.
void BM_DateEditOneDay(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Page p(n);
    p.st.rsReadings.setAbsolutePosition(n / 2);
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
BENCHMARK(BM_DateEditOneDay)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(20);

// The worst case: the first reading moved past the end of the table and back.
void BM_DateEditAcrossTheTable(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Page p(n);
    readings::imgFirstClick(p.c());
    const QDateTime home = p.st.rsReadings.value("FullDate").toDateTime();
    const QDateTime far = home.addYears(200);
    bool out = true;
    for (auto _ : state) {
        editTo(p, out ? far : home);
        out = !out;
    }
}
BENCHMARK(BM_DateEditAcrossTheTable)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(20);

// The latest reading back-dated into the middle of the history and returned,
// on a page entered afresh each time (untimed): its new place is among keys
// the page has not read yet. typed: the edit comes after the page has had
// the time a user takes to type a date, in which it marks where its keys
// stand (waited for, untimed); else at once, before those marks are ready.
void dateEditLatestIntoTheMiddle(benchmark::State& state, bool typed)
{
    const int n = static_cast<int>(state.range(0));
    QDateTime latest, middle;
    {
        Page p(n);
        latest = p.st.rsReadings.value("FullDate").toDateTime();
        p.st.rsReadings.setAbsolutePosition(n / 2);
        middle = p.st.rsReadings.value("FullDate").toDateTime().addSecs(30 * 60);
    }
    double markMs = 0;
    for (auto _ : state) {
        state.PauseTiming();
        {
            Page p(n);
            if (typed) {
                const auto t0 = std::chrono::steady_clock::now();
                p.st.rsReadings.waitForPositions();
                markMs += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count();
            }
            state.ResumeTiming();
            editTo(p, middle);
            state.PauseTiming();
            if (p.st.rsReadings.absolutePosition() != n / 2 + 1)
                state.SkipWithError("the reading is not in its place");
            editTo(p, latest);
        }
        state.ResumeTiming();
    }
    if (typed)
        state.counters["marks_wait_ms"] = markMs / static_cast<double>(state.iterations());
}
void BM_DateEditLatestIntoTheMiddle(benchmark::State& state)
{
    dateEditLatestIntoTheMiddle(state, true);
}
BENCHMARK(BM_DateEditLatestIntoTheMiddle)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);
void BM_DateEditLatestIntoTheMiddleAtOnce(benchmark::State& state)
{
    dateEditLatestIntoTheMiddle(state, false);
}
BENCHMARK(BM_DateEditLatestIntoTheMiddleAtOnce)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(5);

// Floor of an edit: the re-key (key with its unique index, the dates with
// theirs) by a bare UPDATE, each synced to disk as the store's writes are.
void BM_DateEditFloor(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    sqlite3* h = rawOpen(n);
    sqlite3_stmt* s = nullptr;
    // The row's own values, put back at the end: the benchmarks after this
    // one find the table as it was made.
    sqlite3_exec(h,
                 "CREATE TEMP TABLE kept AS SELECT DateTimeKey, FullDate, ReadingTime FROM \"200565001\" "
                 "WHERE rowid = 50000",
                 nullptr, nullptr, nullptr);
    sqlite3_prepare_v2(h,
                       "UPDATE \"200565001\" SET DateTimeKey = ?1, FullDate = ?2, ReadingTime = ?3 "
                       "WHERE rowid = 50000",
                       -1, &s, nullptr);
    int k = 0;
    for (auto _ : state) {
        const QByteArray second = QByteArray::number(k++ % 2);
        const QByteArray key = "200565001 2099/01/01 00:00:0" + second;
        const QByteArray full = "2099-01-01 00:00:0" + second;
        const QByteArray time = "00:00:0" + second;
        sqlite3_bind_text(s, 1, key.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 2, full.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(s, 3, time.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_step(s);
        sqlite3_reset(s);
    }
    sqlite3_finalize(s);
    sqlite3_exec(h,
                 "UPDATE \"200565001\" SET (DateTimeKey, FullDate, ReadingTime) = "
                 "(SELECT DateTimeKey, FullDate, ReadingTime FROM kept) WHERE rowid = 50000",
                 nullptr, nullptr, nullptr);
    sqlite3_close(h);
}
BENCHMARK(BM_DateEditFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(20);

// Adding a reading (now): the duplicate check, the insert, its place in
// date order, the page filled. The reading is deleted again, untimed, and
// the page shown on the latest reading, so that every add starts from a page
// showing the reading its set stands on (as after the delete button).
void BM_AddReading(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Page p(n);
    auto& rs = p.st.rsReadings;
    int failed = 0;
    for (auto _ : state) {
        state.PauseTiming();
        const QDateTime before = QDateTime::currentDateTime();
        state.ResumeTiming();
        readings::imgAddReadingClick(p.c());
        state.PauseTiming();
        if (rs.recordCount() != n + 1)
            ++failed;
        // The new reading's key has a second between the two clocks.
        for (QDateTime at = before.addMSecs(-before.time().msec()); at <= QDateTime::currentDateTime();
             at = at.addSecs(1)) {
            rs.moveFirst();
            rs.find("DateTimeKey = '" + kId + " " + at.toString("yyyy/MM/dd HH:mm:ss") + "'");
            if (!rs.eof())
                rs.deleteCurrent();
        }
        rs.moveLast();
        readings::fillreadings(p.c());
        if (rs.recordCount() != n)
            ++failed;
        state.ResumeTiming();
    }
    state.counters["position"] = rs.absolutePosition();
    if (failed)
    {
        static std::string why;
        why = ("no reading added: " + p.pr.messageTexts().join(" | ")).toStdString();
        state.SkipWithError(why.c_str());
    }
}
BENCHMARK(BM_AddReading)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(10);

// Floor of an add: the key looked up, one row inserted (synced).
void BM_AddReadingFloor(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    sqlite3* h = rawOpen(n);
    sqlite3_stmt* q = nullptr;
    sqlite3_stmt* ins = nullptr;
    sqlite3_stmt* del = nullptr;
    sqlite3_prepare_v2(h, "SELECT rowid FROM \"200565001\" WHERE DateTimeKey = ?1", -1, &q, nullptr);
    sqlite3_prepare_v2(h,
                       "INSERT INTO \"200565001\" (DateTimeKey, ReadingDate, ReadingTime, FullDate, IsDirty, "
                       "Plottemporal, PlotSpatial) VALUES (?1, '2099-01-01', '00:00:00', '2099-01-01 00:00:00', 1, "
                       "1, 0)",
                       -1, &ins, nullptr);
    sqlite3_prepare_v2(h, "DELETE FROM \"200565001\" WHERE DateTimeKey = ?1", -1, &del, nullptr);
    const char* key = "200565001 2099/01/01 00:00:00";
    for (auto _ : state) {
        sqlite3_bind_text(q, 1, key, -1, SQLITE_STATIC);
        sqlite3_step(q);
        sqlite3_reset(q);
        sqlite3_bind_text(ins, 1, key, -1, SQLITE_STATIC);
        sqlite3_step(ins);
        sqlite3_reset(ins);
        state.PauseTiming();
        sqlite3_bind_text(del, 1, key, -1, SQLITE_STATIC);
        sqlite3_step(del);
        sqlite3_reset(del);
        state.ResumeTiming();
    }
    sqlite3_finalize(q);
    sqlite3_finalize(ins);
    sqlite3_finalize(del);
    sqlite3_close(h);
}
BENCHMARK(BM_AddReadingFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(10);

// The datasheet from the page's button: opened, its first screen drawn, and
// closed unchanged, back on the reading shown before.
void BM_DatasheetOpenAndCloseUnchanged(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Page p(n);
    p.st.rsReadings.setAbsolutePosition(n / 2);
    readings::fillreadings(p.c());
    for (auto _ : state) {
        QTimer::singleShot(0, [] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* d = qobject_cast<FrmDatasheet*>(w); d && d->isVisible())
                    d->close();
        });
        readings::imgDatasheetClick(p.c(), &p.win);
    }
    if (p.st.rsReadings.absolutePosition() != n / 2)
        state.SkipWithError("not back on the reading shown before");
}
BENCHMARK(BM_DatasheetOpenAndCloseUnchanged)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(10);

// Closing alone: the window open (untimed), then closed unchanged and the
// page back on its reading.
void BM_DatasheetCloseUnchanged(benchmark::State& state)
{
    const int n = static_cast<int>(state.range(0));
    Page p(n);
    auto& rs = p.st.rsReadings;
    rs.setAbsolutePosition(n / 2);
    readings::fillreadings(p.c());
    for (auto _ : state) {
        state.PauseTiming();
        auto dlg = std::make_unique<FrmDatasheet>(p.st, p.pr, &p.win);
        dlg->show();
        QApplication::processEvents();
        state.ResumeTiming();
        dlg->close();
        // What the button does once the window is closed.
        rs.setBookmark(p.st.SavedReadingBookmark);
        readings::fillreadings(p.c());
        readings::showPosition(p.c());
        state.PauseTiming();
        dlg.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_DatasheetCloseUnchanged)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(10);

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
