// The store on a 100,000-row reading table: opening it as a record set, and
// one data pass rewriting the derived fields of every row, through the
// record set and, as the floor, through raw SQLite statements.
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <vector>

using namespace rv::store;

namespace {

constexpr int kRows = 100000;
const QString kTable = QStringLiteral("050145001");

// The fields a displacement pass rewrites.
const QStringList& derivedFields()
{
    static const QStringList names = [] {
        QStringList n;
        for (int k = 1; k <= 10; ++k)
            n << QStringLiteral("zero%1").arg(k);
        n << QStringLiteral("NumTemp");
        for (int k = 1; k <= 5; ++k)
            n << QStringLiteral("Stretch%1").arg(k);
        for (int k = 1; k <= 6; ++k)
            n << QStringLiteral("Disp%1").arg(k);
        return n;
    }();
    return names;
}

void check(int rc, sqlite3* db)
{
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW)
        throw DbError(err::EngineError, QString::fromUtf8(sqlite3_errmsg(db)));
}

// One database for the whole run, filled once with raw inserts.
struct Fixture {
    QTemporaryDir dir;
    Connection conn;

    Fixture()
    {
        const QString path = dir.filePath(QStringLiteral("RockvaneTENDON.mdb"));
        createDefaultDatabase(path);
        conn.open(path);
        conn.execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null").arg(kTable));
        sqlite3* db = conn.handle();
        sqlite3_stmt* st = nullptr;
        check(sqlite3_prepare_v2(db,
                                 "INSERT INTO \"050145001\" (DateTimeKey, ReadingDate, ReadingTime, ChannelT, "
                                 "Channel1, Channel2, Channel3, FullDate, Plottemporal, PlotSpatial, IsDirty) "
                                 "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, 1, 0, 1)",
                                 -1, &st, nullptr),
              db);
        Connection::Transaction t(conn);
        const QDateTime start(QDate(2000, 1, 1), QTime(0, 0));
        for (int k = 0; k < kRows; ++k) {
            // One reading every 10 minutes, written newest first so the
            // ORDER BY has to sort.
            const QDateTime at = start.addSecs(600LL * (kRows - k));
            const QByteArray key = (kTable + u' ' + at.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"))).toUtf8();
            const QByteArray day = at.date().toString(Qt::ISODate).toUtf8();
            const QByteArray clock = at.time().toString(QStringLiteral("HH:mm:ss")).toUtf8();
            const QByteArray full = day + ' ' + clock;
            sqlite3_bind_text(st, 1, key.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 2, day.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_text(st, 3, clock.constData(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_double(st, 4, 20.0 + k % 7);
            sqlite3_bind_double(st, 5, 100.0 + k * 0.01);
            sqlite3_bind_double(st, 6, 200.0 + k * 0.01);
            sqlite3_bind_double(st, 7, 300.0 + k * 0.01);
            sqlite3_bind_text(st, 8, full.constData(), -1, SQLITE_TRANSIENT);
            check(sqlite3_step(st), db);
            sqlite3_reset(st);
        }
        t.commit();
        sqlite3_finalize(st);
    }
};

Fixture& fixture()
{
    static Fixture f;
    return f;
}

QString selectAll()
{
    return QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kTable);
}

void BM_OpenReadingTable(benchmark::State& state)
{
    Fixture& f = fixture();
    for (auto _ : state) {
        Recordset rs;
        rs.open(selectAll(), f.conn);
        benchmark::DoNotOptimize(rs.recordCount());
    }
    state.counters["rows"] = kRows;
}

void BM_PassThroughRecordset(benchmark::State& state)
{
    Fixture& f = fixture();
    Recordset rs;
    rs.open(selectAll(), f.conn);
    const QStringList& fields = derivedFields();
    double base = 0;
    for (auto _ : state) {
        base += 1;
        Connection::Transaction t(f.conn);
        rs.moveFirst();
        int k = 0;
        while (!rs.eof()) {
            for (qsizetype i = 0; i < fields.size(); ++i)
                rs.setValue(fields[i], base + k * 0.001 + i);
            rs.update();
            rs.moveNext();
            ++k;
        }
        t.commit();
    }
}

void BM_PassRawSqlite(benchmark::State& state)
{
    Fixture& f = fixture();
    sqlite3* db = f.conn.handle();
    const QStringList& fields = derivedFields();
    QStringList sets;
    for (qsizetype i = 0; i < fields.size(); ++i)
        sets << QStringLiteral("\"%1\" = ?%2").arg(fields[i]).arg(i + 1);
    const QByteArray sql = QStringLiteral("UPDATE \"%1\" SET %2 WHERE rowid = ?%3")
                               .arg(kTable, sets.join(QStringLiteral(", ")))
                               .arg(fields.size() + 1)
                               .toUtf8();
    std::vector<sqlite3_int64> rowids;
    {
        sqlite3_stmt* q = nullptr;
        check(sqlite3_prepare_v2(db, "SELECT rowid FROM \"050145001\" ORDER BY FullDate", -1, &q, nullptr), db);
        while (sqlite3_step(q) == SQLITE_ROW)
            rowids.push_back(sqlite3_column_int64(q, 0));
        sqlite3_finalize(q);
    }
    sqlite3_stmt* st = nullptr;
    check(sqlite3_prepare_v2(db, sql.constData(), -1, &st, nullptr), db);
    double base = 1000;
    for (auto _ : state) {
        base += 1;
        Connection::Transaction t(f.conn);
        int k = 0;
        for (sqlite3_int64 id : rowids) {
            for (int i = 0; i < fields.size(); ++i)
                sqlite3_bind_double(st, i + 1, base + k * 0.001 + i);
            sqlite3_bind_int64(st, static_cast<int>(fields.size()) + 1, id);
            check(sqlite3_step(st), db);
            sqlite3_reset(st);
            ++k;
        }
        t.commit();
    }
    sqlite3_finalize(st);
}

} // namespace

BENCHMARK(BM_OpenReadingTable)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PassThroughRecordset)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_PassRawSqlite)->Unit(benchmark::kMillisecond)->Iterations(5);

BENCHMARK_MAIN();
