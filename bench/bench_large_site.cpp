// A mine-sized site: 300 sensors with 20,000 readings each (six million
// readings, about a gigabyte). Start-up to the first sensor shown (target:
// under 1 s), beside the floor measured in the same run: the plain SQLite C
// API opening the same file, reading the catalogue in order and the first
// sensor's newest reading. Making the site takes a minute or two; set
// ROCKVANE_BENCH_SITE to a folder to keep it there between runs.
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "readings/sensor_tables.h"
#include "state/appstate.h"
#include "store/connection.h"
#include "store/schema.h"

#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QTemporaryDir>
#include "bench_site.h"
#include <benchmark/benchmark.h>
#include <memory>
#include <sqlite3.h>

using namespace rv;

namespace {

constexpr int kSensors = 300;
constexpr int kReadings = 20000;

QString sensorId(int i)
{
    static const char* types[] = {"25", "45", "55", "65"};
    return QString("%1%2%3").arg(2000 + i / 999, 4, 10, QChar('0')).arg(types[i % 4]).arg(i % 999 + 1, 3, 10, QChar('0'));
}

void exec(sqlite3* db, const QString& sql)
{
    char* msg = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &msg) != SQLITE_OK) {
        const QString text = QString::fromUtf8(msg);
        sqlite3_free(msg);
        throw std::runtime_error(text.toStdString());
    }
}

void makeSite(const QString& db)
{
    store::createDefaultDatabase(db);
    store::Connection c;
    c.open(db);
    sqlite3* h = c.handle();
    exec(h, "BEGIN");
    for (int i = 0; i < kSensors; ++i) {
        const QString id = sensorId(i);
        exec(h, QString("INSERT INTO Sensors (InstrumentID, SensorType, TypeID, DateID, SensorNo, Destroyed, "
                        "HeadLocation, LengthofCable, Recess) VALUES ('%1', '%2', '%2', '%3', '%4', 'No', 1, 8, 0.5)")
                    .arg(id, id.mid(4, 2), id.left(4), id.right(3)));
    }
    exec(h, "COMMIT");
    // The first sensor's readings written row by row, the others copied.
    const QString first = sensorId(0);
    createReadingTable(c, first);
    exec(h, "BEGIN");
    sqlite3_stmt* ins = nullptr;
    sqlite3_prepare_v2(h,
                       ("INSERT INTO \"" + first + "\" (DateTimeKey, ReadingDate, ReadingTime, FullDate, ChannelT, "
                        "Channel1, Channel2, Channel3, Channel4, Plottemporal, PlotSpatial, IsDirty) "
                        "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, 1, 0, 0)")
                           .toUtf8()
                           .constData(),
                       -1, &ins, nullptr);
    const QDateTime start(QDate(2021, 1, 1), QTime(0, 0), Qt::UTC);
    for (int k = 0; k < kReadings; ++k) {
        const QDateTime t = start.addSecs(3600LL * k);
        const QByteArray key = (first + ' ' + t.toString("yyyy/MM/dd HH:mm:ss")).toUtf8();
        const QByteArray full = t.toString("yyyy-MM-dd HH:mm:ss").toUtf8();
        sqlite3_bind_text(ins, 1, key.constData(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 2, full.constData(), 10, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 3, full.constData() + 11, 8, SQLITE_TRANSIENT);
        sqlite3_bind_text(ins, 4, full.constData(), 19, SQLITE_TRANSIENT);
        sqlite3_bind_double(ins, 5, 15 + (k % 100) * 0.1);
        for (int ch = 0; ch < 4; ++ch)
            sqlite3_bind_double(ins, 6 + ch, 100 + ch + (k % 997) * 0.01);
        sqlite3_step(ins);
        sqlite3_reset(ins);
    }
    sqlite3_finalize(ins);
    exec(h, "COMMIT");
    for (int i = 1; i < kSensors; ++i) {
        const QString id = sensorId(i);
        createReadingTable(c, id);
        exec(h, "INSERT INTO \"" + id + "\" SELECT * FROM \"" + first + "\"");
        exec(h, "UPDATE \"" + id + "\" SET DateTimeKey = '" + id + "' || substr(DateTimeKey, 10)");
    }
}

struct Site {
    QTemporaryDir dir;
    QString folder;
    QString db;
    Site()
    {
        const QByteArray kept = qgetenv("ROCKVANE_BENCH_SITE");
        folder = kept.isEmpty() ? dir.path() + "/Quillon/Rockvane" : QString::fromLocal8Bit(kept);
        QDir().mkpath(folder);
        db = folder + "/" + kDefaultDatabaseName;
        if (!QFile::exists(db)) {
            const QString work = db + ".making";
            QFile::remove(work);
            makeSite(work);
            QFile::rename(work, db);
        }
        // Once: the schema's own upgrade of an older file is not start-up.
        AppState st(folder);
        ScriptedPrompter pr;
        FrmMain win(st, pr);
        win.load();
        st.RefusedCopy = true;
        win.terminate();
    }
};

Site& site()
{
    static Site s;
    return s;
}

void BM_StartupToFirstSensorOnLargeSite(benchmark::State& state)
{
    Site& s = site();
    QString shown;
    for (auto _ : state) {
        AppState st(s.folder);
        ScriptedPrompter pr;
        FrmMain win(st, pr);
        if (!win.load())
            state.SkipWithError("load failed");
        win.show();
        QApplication::processEvents();
        shown = win.ui().cboSensors->currentText();
        state.PauseTiming();
        st.RefusedCopy = true;  // no compaction inside the measurement loop
        win.terminate();
        state.ResumeTiming();
    }
    if (shown.isEmpty())
        state.SkipWithError("no sensor shown");
    state.counters["sensors"] = kSensors;
    state.counters["readings"] = double(kSensors) * kReadings;
    state.counters["MB"] = double(QFile(s.db).size()) / 1e6;
}
BENCHMARK(BM_StartupToFirstSensorOnLargeSite)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor: the same file opened, the catalogue read in order, and the
// first sensor's newest reading read through its date index.
void BM_FloorOpenCatalogueAndNewestReading(benchmark::State& state)
{
    Site& s = site();
    for (auto _ : state) {
        sqlite3* db = nullptr;
        sqlite3_open_v2(s.db.toUtf8().constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_stmt* q = nullptr;
        sqlite3_prepare_v2(db, "SELECT * FROM Sensors ORDER BY InstrumentID", -1, &q, nullptr);
        int n = 0;
        QByteArray first;
        while (sqlite3_step(q) == SQLITE_ROW) {
            for (int c = 0; c < sqlite3_column_count(q); ++c)
                benchmark::DoNotOptimize(sqlite3_column_text(q, c));
            if (n++ == 0)
                first = reinterpret_cast<const char*>(sqlite3_column_text(q, 0));
        }
        sqlite3_finalize(q);
        sqlite3_prepare_v2(db, ("SELECT * FROM \"" + first + "\" ORDER BY FullDate DESC LIMIT 1").constData(), -1,
                           &q, nullptr);
        while (sqlite3_step(q) == SQLITE_ROW)
            benchmark::DoNotOptimize(sqlite3_column_text(q, 0));
        sqlite3_finalize(q);
        sqlite3_close(db);
    }
}
BENCHMARK(BM_FloorOpenCatalogueAndNewestReading)->Unit(benchmark::kMillisecond)->Iterations(5);

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
