// The store on a 100,000-row and a 1,000,000-row reading table: opening it
// as a record set, walking every row, and one data pass rewriting the
// derived fields of every row, through the record set and, as the floor,
// through raw SQLite statements on the same file in the same run. The
// argument of every benchmark is the number of rows.
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QStringList>
#include <QTemporaryDir>
#include "bench_readings_table.h"
#include <map>
#include <memory>
#include <benchmark/benchmark.h>
#include <sqlite3.h>
#include <vector>

using namespace rv::store;

namespace {

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

// One database per size for the whole run.
struct Fixture {
    QTemporaryDir dir;
    Connection conn;

    explicit Fixture(int rows)
    {
        const QString path = dir.filePath(QStringLiteral("RockvaneTENDON.mdb"));
        createDefaultDatabase(path);
        conn.open(path);
        conn.execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null").arg(kTable));
        rv::bench::fillReadings(conn, kTable, rows, 600);
    }
};

Fixture& fixture(int rows)
{
    static std::map<int, std::unique_ptr<Fixture>> all;
    auto& f = all[rows];
    if (!f)
        f = std::make_unique<Fixture>(rows);
    return *f;
}

QString selectAll()
{
    return QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kTable);
}

// Open, count, and the latest row's fields read (what a page shows first).
void BM_OpenReadingTable(benchmark::State& state)
{
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Recordset rs;
        rs.open(selectAll(), f.conn);
        benchmark::DoNotOptimize(rs.recordCount());
        rs.moveLast();
        for (int k = 0; k < rs.fieldCount(); ++k)
            benchmark::DoNotOptimize(rs.value(k));
    }
}

void BM_OpenFloor(benchmark::State& state)
{
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    sqlite3* db = f.conn.handle();
    for (auto _ : state) {
        sqlite3_stmt* q = nullptr;
        check(sqlite3_prepare_v2(db, "SELECT count(*) FROM \"050145001\"", -1, &q, nullptr), db);
        sqlite3_step(q);
        benchmark::DoNotOptimize(sqlite3_column_int64(q, 0));
        sqlite3_finalize(q);
        check(sqlite3_prepare_v2(db, "SELECT * FROM \"050145001\" ORDER BY FullDate DESC, rowid DESC LIMIT 1", -1,
                                 &q, nullptr),
              db);
        if (sqlite3_step(q) == SQLITE_ROW)
            for (int k = 0; k < sqlite3_column_count(q); ++k)
                benchmark::DoNotOptimize(sqlite3_column_text(q, k));
        sqlite3_finalize(q);
    }
}

// Every row in date order, five fields of each read.
void BM_WalkThroughRecordset(benchmark::State& state)
{
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Recordset rs;
        rs.open(selectAll(), f.conn);
        double sum = 0;
        for (; !rs.eof(); rs.moveNext())
            for (int k = 3; k < 8; ++k)
                sum += rs.serial(k).value_or(0);
        benchmark::DoNotOptimize(sum);
    }
}

void BM_WalkRawSqlite(benchmark::State& state)
{
    Fixture& f = fixture(static_cast<int>(state.range(0)));
    sqlite3* db = f.conn.handle();
    for (auto _ : state) {
        sqlite3_stmt* q = nullptr;
        check(sqlite3_prepare_v2(db,
                                 "SELECT ChannelT, Channel1, Channel2, Channel3, Channel4 FROM \"050145001\" "
                                 "ORDER BY FullDate",
                                 -1, &q, nullptr),
              db);
        double sum = 0;
        while (sqlite3_step(q) == SQLITE_ROW)
            for (int k = 0; k < 5; ++k)
                sum += sqlite3_column_double(q, k);
        sqlite3_finalize(q);
        benchmark::DoNotOptimize(sum);
    }
}

void BM_PassThroughRecordset(benchmark::State& state)
{
    Fixture& f = fixture(static_cast<int>(state.range(0)));
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
    Fixture& f = fixture(static_cast<int>(state.range(0)));
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

BENCHMARK(BM_OpenReadingTable)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_OpenFloor)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(BM_WalkThroughRecordset)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_WalkRawSqlite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PassThroughRecordset)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_PassRawSqlite)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->Iterations(3);

BENCHMARK_MAIN();
