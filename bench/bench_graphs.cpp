// Entering the time graph pages of a sensor with 100,000 hourly readings
// (the page check, the data pass and the drawing), and the drawings alone.
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "ui/ui_chart.h"
#include "graphs/ui_graphs.h"
#include "state/appstate.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include "graphs/graph_data.h"
#include <QTabWidget>
#include <QTemporaryDir>
#include "bench_site.h"
#include <benchmark/benchmark.h>
#include <cmath>
#include <ctime>
#include <memory>
#include <qcustomplot.h>
#include <sqlite3.h>
#include <stdexcept>

using namespace rv;

namespace {

constexpr int kReadings = 100000;
const QString kId = QStringLiteral("200065001");

// One five-channel sensor, head at the collar, nodes 1..6 m, recess 0.5 m,
// with eleven years of hourly readings. The derived values are stored as
// the passes write them (the first reading is the zero).
QString makeFolder(QTemporaryDir& dir)
{
    const auto [folder, db] = bench::newBenchSite(dir);
    store::Connection c;
    c.open(db);
    {
        store::Connection::Transaction tx(c);
        store::Recordset rs;
        rs.open("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;", c);
        rs.addNew();
        rs.setValue("InstrumentID", kId);
        rs.setValue("SensorType", "65");
        rs.setValue("TypeID", "65");
        rs.setValue("DateID", kId.left(4));
        rs.setValue("SensorNo", kId.right(3));
        rs.setValue("Destroyed", "No");
        rs.setValue("HeadLocation", true);
        rs.setValue("LengthofCable", 8.0);
        rs.setValue("Recess", 0.5);
        for (int n = 1; n <= 6; ++n)
            rs.setValue("NodeLocation" + QString::number(n), double(n));
        rs.update();
        tx.commit();
    }
    c.execute("SELECT * INTO `" + kId + "` FROM sensordata WHERE DateTimeKey is null");
    store::Connection::Transaction tx(c);
    store::Recordset rs;
    rs.open("SELECT * FROM `" + kId + "` ORDER BY FullDate", c);
    const QDateTime start(QDate(2015, 1, 1), QTime(0, 0));
    for (int i = 0; i < kReadings; ++i) {
        const QDateTime t = start.addSecs(3600LL * i);
        const double days = i / 24.0;
        rs.addNew();
        const QString when = t.toString("yyyy/MM/dd HH:mm:ss");
        rs.setValue("DateTimeKey", kId + " " + when);
        rs.setValue("ReadingDate", when.left(10));
        rs.setValue("ReadingTime", when.mid(11));
        rs.setValue("FullDate", when);
        const double temp = 18 + 4 * std::sin(days / 58.0);
        rs.setValue("ChannelT", temp);
        rs.setValue("NumTemp", temp);
        double disp = 0;
        double z[6] = {};
        for (int k = 1; k <= 5; ++k) {
            z[k] = i == 0 ? 0 : (6 - k) * 2.0 * std::log1p(days / 200.0);
            rs.setValue("Channel" + QString::number(k), z[k]);
            rs.setValue("zero" + QString::number(k), z[k]);
            rs.setValue("Stretch" + QString::number(k), z[k] / 3);
        }
        rs.setValue("Disp6", 0.0);
        for (int k = 5; k >= 1; --k) {
            disp += z[k] / 3;
            rs.setValue("Disp" + QString::number(k), disp);
        }
        rs.setValue("Plottemporal", true);
        rs.setValue("PlotSpatial", i % 720 == 0);
        rs.update();
    }
    tx.commit();
    return folder;
}

struct Fixture {
    QTemporaryDir dir;
    QString folder = makeFolder(dir);
    AppState st{folder};
    ScriptedPrompter pr;
    FrmMain win{st, pr};
    Fixture()
    {
        win.load();
        win.show();
    }
    ~Fixture() { st.RefusedCopy = true; }
};

std::unique_ptr<Fixture> g_fixture;

// Time on the clock: the read of a large selection is shared with a second
// thread, whose time a processor clock of this thread would leave out.
struct CpuTimer {
    double at = now();
    static double now()
    {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return ts.tv_sec * 1e9 + ts.tv_nsec;
    }
    void restart() { at = now(); }
    double nsecsElapsed() const { return now() - at; }
};

Fixture& fixture()
{
    if (!g_fixture)
        g_fixture = std::make_unique<Fixture>();
    return *g_fixture;
}

// An entry is timed until the window has done what it does for it: the
// page made current and the events that follow processed, the chart's
// drawing and the page's painting among them.
void enterPage(benchmark::State& state, int page, bool afterStart = false)
{
    Fixture& f = fixture();
    QTabWidget* tabs = f.win.ui().SSTab1;
    QCustomPlot* chart = page == 3 ? f.win.ui().ChartT : f.win.ui().ChartT2;
    // One entry first, untimed: the benchmark before may have left the
    // stored values of another pass, and only the entries that find them
    // current are timed here. Then one more that reads the values from the
    // file, as the timed entries after start do: the connections' caches
    // are warm for them as for the floors they are set beside.
    for (int warm = 0; warm < 2; ++warm) {
        if (warm == 1)
            graphs::Chart::of(chart)->setDrawnFrom({});
        tabs->setCurrentIndex(page);
        QApplication::processEvents();
        tabs->setCurrentIndex(7);
        QApplication::processEvents();
    }
    for (auto _ : state) {
        if (afterStart) {
            // As in a window just started: the values current in the file,
            // the chart never drawn from them.
            state.PauseTiming();
            graphs::Chart::of(chart)->setDrawnFrom({});
            state.ResumeTiming();
        }
        tabs->setCurrentIndex(page);
        QApplication::processEvents();
        state.PauseTiming();
        tabs->setCurrentIndex(7);
        QApplication::processEvents();
        state.ResumeTiming();
    }
    if (tabs->currentIndex() != 7 || !f.pr.messages().empty())
        state.SkipWithError("the page was not entered");
    QCustomPlot* plot = page == 3 ? f.win.ui().ChartT : f.win.ui().ChartT2;
    state.counters["points"] = graphs::Chart::of(plot)->series(1).count();
}

void exec(sqlite3* db, const char* sql)
{
    if (sqlite3_exec(db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        throw std::runtime_error(sqlite3_errmsg(db));
}

// Forgets what earlier passes stored, and their note that it is current, so
// that the next entry's pass writes every row, as the first entry after an
// import does.
void forgetResults(Fixture& f)
{
    exec(f.st.conn->handle(), "UPDATE \"200065001\" SET zero1 = NULL, zero2 = NULL, zero3 = NULL, zero4 = NULL, "
                              "zero5 = NULL, NumTemp = NULL, Stretch1 = NULL, Disp1 = NULL; "
                              "DELETE FROM Settings WHERE Name = 'GraphValues'");
}

// The first entry: the pass writes every row.
void enterPageFirst(benchmark::State& state, int page)
{
    Fixture& f = fixture();
    QTabWidget* tabs = f.win.ui().SSTab1;
    for (auto _ : state) {
        state.PauseTiming();
        forgetResults(f);
        state.ResumeTiming();
        tabs->setCurrentIndex(page);
        QApplication::processEvents();
        state.PauseTiming();
        tabs->setCurrentIndex(7);
        QApplication::processEvents();
        state.ResumeTiming();
    }
}

void BM_EnterLoadVTimeFirst(benchmark::State& state)
{
    enterPageFirst(state, 3);
}
BENCHMARK(BM_EnterLoadVTimeFirst)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EnterDispVTimeFirst(benchmark::State& state)
{
    enterPageFirst(state, 4);
}
BENCHMARK(BM_EnterDispVTimeFirst)->Unit(benchmark::kMillisecond)->Iterations(5);

// Entries with the stored values already current.
void BM_EnterLoadVTime(benchmark::State& state)
{
    enterPage(state, 3);
}
BENCHMARK(BM_EnterLoadVTime)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EnterDispVTime(benchmark::State& state)
{
    enterPage(state, 4);
}
BENCHMARK(BM_EnterDispVTime)->Unit(benchmark::kMillisecond)->Iterations(5);

// The same entries the first time after start: the values current, the
// chart to be drawn from them.
void BM_EnterLoadVTimeAfterStart(benchmark::State& state)
{
    enterPage(state, 3, true);
}
BENCHMARK(BM_EnterLoadVTimeAfterStart)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_EnterDispVTimeAfterStart(benchmark::State& state)
{
    enterPage(state, 4, true);
}
BENCHMARK(BM_EnterDispVTimeAfterStart)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor of an entry with current values: the plain SQLite C API reading
// the drawn columns (FullDate, NumTemp, zero1..5 for Load v Time, NumTemp and
// Disp1..6 for Disp v Time) of the selection in order.
const char* const kDrawnColumns[] = {
    "SELECT FullDate, NumTemp, zero1, zero2, zero3, zero4, zero5 FROM \"200065001\" "
    "WHERE Plottemporal = 1 ORDER BY FullDate, rowid",
    "SELECT FullDate, NumTemp, Disp1, Disp2, Disp3, Disp4, Disp5, Disp6 FROM \"200065001\" "
    "WHERE Plottemporal = 1 ORDER BY FullDate, rowid",
};

void floorReadDrawnColumns(benchmark::State& state, int which)
{
    Fixture& f = fixture();
    sqlite3* db = f.st.conn->handle();
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, kDrawnColumns[which], -1, &q, nullptr);
    const int columns = sqlite3_column_count(q);
    double sum = 0;
    for (auto _ : state) {
        while (sqlite3_step(q) == SQLITE_ROW) {
            sum += sqlite3_column_bytes(q, 0);
            for (int c = 1; c < columns; ++c)
                sum += sqlite3_column_double(q, c);
        }
        sqlite3_reset(q);
    }
    sqlite3_finalize(q);
    benchmark::DoNotOptimize(sum);
}

void BM_FloorReadDrawnColumns(benchmark::State& state)
{
    floorReadDrawnColumns(state, 0);
}
BENCHMARK(BM_FloorReadDrawnColumns)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FloorReadDrawnColumnsDisp(benchmark::State& state)
{
    floorReadDrawnColumns(state, 1);
}
BENCHMARK(BM_FloorReadDrawnColumnsDisp)->Unit(benchmark::kMillisecond)->Iterations(5);

// The second floor of an entry with current values: the same read, each
// line handed to a plain QCustomPlot of the chart's size (QCPGraph::setData,
// the same pens, adaptive sampling, date-time labels, a legend) and one
// replot. What an entry cannot do without: read the points, give them to the
// chart, draw it once.
int digitsAt(const unsigned char* p, int n)
{
    int v = 0;
    for (int k = 0; k < n; ++k)
        v = v * 10 + (p[k] - '0');
    return v;
}

// "YYYY-MM-DD HH:MM:SS" as seconds since 1970-01-01 (days from the civil
// date, H. Hinnant's algorithm).
double secondsOf(const unsigned char* p)
{
    int y = digitsAt(p, 4);
    const int m = digitsAt(p + 5, 2), d = digitsAt(p + 8, 2);
    y -= m <= 2;
    const int era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = y - era * 400;
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const long long days = era * 146097LL + doe - 719468;
    return double(days * 86400 + digitsAt(p + 11, 2) * 3600 + digitsAt(p + 14, 2) * 60 + digitsAt(p + 17, 2));
}

void floorReadAndPlot(benchmark::State& state, int which)
{
    Fixture& f = fixture();
    sqlite3* db = f.st.conn->handle();
    sqlite3_stmt* q = nullptr;
    sqlite3_prepare_v2(db, kDrawnColumns[which], -1, &q, nullptr);
    const int lines = sqlite3_column_count(q) - 1;
    QCustomPlot plot;
    plot.resize((which == 0 ? f.win.ui().ChartT : f.win.ui().ChartT2)->size());
    const QColor colours[] = {Qt::black, Qt::blue, Qt::red, QColor(0, 128, 0), QColor(128, 0, 255), Qt::magenta,
                              QColor(255, 128, 0)};
    for (int k = 0; k < lines; ++k) {
        QCPGraph* g = plot.addGraph();
        g->setPen(QPen(colours[k], 2));
        g->setAdaptiveSampling(true);
        g->setName(QString::number(k));
    }
    auto ticker = QSharedPointer<QCPAxisTickerDateTime>::create();
    ticker->setDateTimeFormat("yyyy/MM/dd");
    ticker->setDateTimeSpec(Qt::UTC);
    plot.xAxis->setTicker(ticker);
    plot.legend->setVisible(true);
    plot.show();
    QApplication::processEvents();
    for (auto _ : state) {
        std::vector<QVector<QCPGraphData>> data(static_cast<size_t>(lines));
        for (auto& d : data)
            d.reserve(kReadings);
        while (sqlite3_step(q) == SQLITE_ROW) {
            const double x = secondsOf(sqlite3_column_text(q, 0));
            for (int k = 0; k < lines; ++k)
                data[size_t(k)].push_back(QCPGraphData(x, sqlite3_column_double(q, k + 1)));
        }
        sqlite3_reset(q);
        for (int k = 0; k < lines; ++k)
            plot.graph(k)->data()->set(data[size_t(k)], true);
        plot.rescaleAxes();
        plot.replot();
    }
    sqlite3_finalize(q);
    state.counters["points"] = plot.graph(1)->dataCount();
}

void BM_FloorReadAndPlot(benchmark::State& state)
{
    floorReadAndPlot(state, 0);
}
BENCHMARK(BM_FloorReadAndPlot)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_FloorReadAndPlotDisp(benchmark::State& state)
{
    floorReadAndPlot(state, 1);
}
BENCHMARK(BM_FloorReadAndPlotDisp)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor of a first entry: the pass alone in the plain C API (rowid and
// five channels read in order, eleven fields written by rowid, one
// transaction).
void BM_FloorPass(benchmark::State& state)
{
    Fixture& f = fixture();
    sqlite3* db = f.st.conn->handle();
    sqlite3_stmt* q = nullptr;
    sqlite3_stmt* up = nullptr;
    sqlite3_prepare_v2(db,
                       "SELECT rowid, Channel1, Channel2, Channel3, Channel4, Channel5 FROM \"200065001\" "
                       "WHERE Plottemporal = 1 ORDER BY FullDate, rowid",
                       -1, &q, nullptr);
    sqlite3_prepare_v2(db,
                       "UPDATE \"200065001\" SET zero1 = ?1, zero2 = ?2, zero3 = ?3, zero4 = ?4, zero5 = ?5, "
                       "zero6 = ?6, zero7 = ?7, zero8 = ?8, zero9 = ?9, zero10 = ?10, NumTemp = ?11 WHERE rowid = ?12",
                       -1, &up, nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        forgetResults(f);
        state.ResumeTiming();
        exec(db, "BEGIN");
        double zero[5] = {};
        bool first = true;
        while (sqlite3_step(q) == SQLITE_ROW) {
            double ch[5];
            for (int c = 0; c < 5; ++c)
                ch[c] = sqlite3_column_double(q, 1 + c);
            if (first)
                std::copy(ch, ch + 5, zero);
            first = false;
            for (int i = 0; i < 11; ++i)
                sqlite3_bind_double(up, i + 1, i < 5 ? ch[i] - zero[i] : 0.0);
            sqlite3_bind_int64(up, 12, sqlite3_column_int64(q, 0));
            sqlite3_step(up);
            sqlite3_reset(up);
        }
        sqlite3_reset(q);
        exec(db, "COMMIT");
    }
    sqlite3_finalize(q);
    sqlite3_finalize(up);
}
BENCHMARK(BM_FloorPass)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DrawTgraphOnly(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        graphs::DrawTgraph(f.win.context());
        f.win.ui().ChartT->replot();
    }
}
BENCHMARK(BM_DrawTgraphOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

void BM_DrawRgraphOnly(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        graphs::DrawRgraph(f.win.context());
        f.win.ui().ChartT2->replot();
    }
}
BENCHMARK(BM_DrawRgraphOnly)->Unit(benchmark::kMillisecond)->Iterations(5);

// Where the time of an entry with current values goes: the page's count,
// the pass (the note checked, the drawn fields read), the drawing with its
// replot, and a second replot as the entry benchmarks make.
void BM_EnterLoadVTimeParts(benchmark::State& state)
{
    Fixture& f = fixture();
    graphs::GraphLines warm;
    graphs::GetTemporalData(f.st, f.pr, &warm);
    double count = 0, pass = 0, draw = 0, replot = 0;
    for (auto _ : state) {
        CpuTimer t;
        graphs::GraphDataCount(f.st, f.pr, graphs::GraphSelection::Temporal, 2);
        count += t.nsecsElapsed() / 1e6;
        t.restart();
        graphs::GraphLines lines;
        lines.wanted = 5;
        graphs::GetTemporalData(f.st, f.pr, &lines);
        pass += t.nsecsElapsed() / 1e6;
        t.restart();
        graphs::DrawTgraph(f.win.context(), &lines);
        draw += t.nsecsElapsed() / 1e6;
        t.restart();
        f.win.ui().ChartT->replot();
        replot += t.nsecsElapsed() / 1e6;
    }
    state.counters["count_ms"] = count / state.iterations();
    state.counters["pass_ms"] = pass / state.iterations();
    state.counters["draw_ms"] = draw / state.iterations();
    state.counters["replot_ms"] = replot / state.iterations();
}
BENCHMARK(BM_EnterLoadVTimeParts)->Unit(benchmark::kMillisecond)->Iterations(5);

// Where the time of a drawing goes: opening the selection, reading the
// rows into the lines, and painting.
void BM_DrawingParts(benchmark::State& state)
{
    Fixture& f = fixture();
    double open = 0, read = 0, paint = 0;
    for (auto _ : state) {
        CpuTimer t;
        graphs::OpenGraphData(f.st, f.pr, graphs::GraphSelection::Temporal);
        open += t.nsecsElapsed() / 1e6;
        t.restart();
        graphs::Chart& c = *graphs::Chart::of(f.win.ui().ChartT);
        for (int i = 0; i <= 5; ++i) {
            c.series(i).bindX(f.st.rsGraph, "fulldate");
            c.series(i).bindY(i == 0 ? QString("NumTemp") : "zero" + QString::number(i));
        }
        try {
            benchmark::DoNotOptimize(c.leftAxis().maxYValue());
        } catch (const std::exception& e) {
            state.SkipWithError(e.what());
            break;
        }
        read += t.nsecsElapsed() / 1e6;
        t.restart();
        f.win.ui().ChartT->replot();
        paint += t.nsecsElapsed() / 1e6;
    }
    state.counters["open_ms"] = open / state.iterations();
    state.counters["read_ms"] = read / state.iterations();
    state.counters["paint_ms"] = paint / state.iterations();
}
BENCHMARK(BM_DrawingParts)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    g_fixture.reset();
    return 0;
}
