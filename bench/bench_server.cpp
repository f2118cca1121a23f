// The same store work on a database file and on a PostgreSQL server over
// its Unix socket, in one run: an import of 100,000 readings, entering the
// Readings page (the record set opened in date order and put on the latest
// reading) and a graph's data pass over every reading.
//
// The server is the test cluster: start it with tools/pgcluster.sh start and
// export what it prints (ROCKVANE_PG_HOST, ROCKVANE_PG_USER).
#include "store/backend.h"
#include "store/bulk.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QTemporaryDir>
#include <QUrl>
#include <QUuid>
#include <benchmark/benchmark.h>
#include <memory>

using namespace rv::store;

namespace {

constexpr int kRows = 100000;
const QString kSensor = QStringLiteral("200565001");

QString serverUri(const QString& db)
{
    const QString user = qEnvironmentVariable("ROCKVANE_PG_USER", QStringLiteral("postgres"));
    return QStringLiteral("postgresql://%1@/%2?host=%3")
        .arg(user, db, QString::fromLatin1(QUrl::toPercentEncoding(qEnvironmentVariable("ROCKVANE_PG_HOST"))));
}

struct Site {
    QTemporaryDir dir;
    QString location;
    QString serverDb;
    Connection conn;

    explicit Site(bool server)
    {
        if (server) {
            serverDb = QStringLiteral("rv_bench_") + QUuid::createUuid().toString(QUuid::Id128).left(12);
            detail::openPostgres(serverUri(QStringLiteral("postgres")))
                ->exec(("CREATE DATABASE " + serverDb + " TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'").toUtf8());
            location = serverUri(serverDb);
            conn.open(location);
            createSiteTables(conn);
        } else {
            location = dir.filePath(QStringLiteral("bench.mdb"));
            createDefaultDatabase(location);
            conn.open(location);
        }
    }
    ~Site()
    {
        conn.close();
        if (!serverDb.isEmpty())
            detail::openPostgres(serverUri(QStringLiteral("postgres")))
                ->tryExec(("DROP DATABASE IF EXISTS " + serverDb + " WITH (FORCE)").toUtf8().constData());
    }
};

// kRows readings, one an hour, written newest first.
void importReadings(Connection& c, const QString& id)
{
    const TableShape shape = tableShape(c, id);
    Connection::Transaction t(c);
    BulkInsert ins(c, shape,
                   {QStringLiteral("DateTimeKey"), QStringLiteral("ReadingDate"), QStringLiteral("ReadingTime"),
                    QStringLiteral("FullDate"), QStringLiteral("ChannelT"), QStringLiteral("Channel1"),
                    QStringLiteral("Channel2"), QStringLiteral("Channel3"), QStringLiteral("Plottemporal")});
    const QDateTime start(QDate(2000, 1, 1), QTime(0, 0));
    for (int k = kRows - 1; k >= 0; --k) {
        const QDateTime at = start.addSecs(qint64(k) * 3600);
        const QByteArray d = at.toString(QStringLiteral("yyyy-MM-dd")).toLatin1();
        const QByteArray tm = at.toString(QStringLiteral("HH:mm:ss")).toLatin1();
        ins.setText(0, (id + at.toString(QStringLiteral(" yyyy/MM/dd HH:mm:ss"))).toUtf8());
        ins.setText(1, d);
        ins.setText(2, tm);
        ins.setText(3, d + ' ' + tm);
        ins.setDouble(4, 20.0 + k % 7);
        ins.setDouble(5, 100.0 + k * 0.01);
        ins.setDouble(6, 200.0 + k * 0.01);
        ins.setDouble(7, 300.0 + k * 0.01);
        ins.setInt(8, 1);
        ins.insert();
    }
    t.commit();
}

Site& filled(bool server)
{
    static std::unique_ptr<Site> sites[2];
    auto& s = sites[server ? 1 : 0];
    if (!s) {
        s = std::make_unique<Site>(server);
        s->conn.execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null").arg(kSensor));
        importReadings(s->conn, kSensor);
    }
    return *s;
}

void BM_Import100k(benchmark::State& state)
{
    const bool server = state.range(0) != 0;
    for (auto _ : state) {
        state.PauseTiming();
        auto site = std::make_unique<Site>(server);
        site->conn.execute(QStringLiteral("SELECT * INTO `%1` FROM sensordata WHERE DateTimeKey is null").arg(kSensor));
        state.ResumeTiming();
        importReadings(site->conn, kSensor);
        state.PauseTiming();
        site.reset();
        state.ResumeTiming();
    }
    state.SetLabel(server ? "server" : "file");
}
BENCHMARK(BM_Import100k)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(2);

void BM_EnterReadings(benchmark::State& state)
{
    const bool server = state.range(0) != 0;
    Site& s = filled(server);
    for (auto _ : state) {
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kSensor), s.conn);
        rs.moveLast();
        for (int k = 0; k < rs.fieldCount(); ++k)
            benchmark::DoNotOptimize(rs.value(k));
        if (rs.absolutePosition() != kRows)
            state.SkipWithError("not on the latest reading");
    }
    state.SetLabel(server ? "server" : "file");
}
BENCHMARK(BM_EnterReadings)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(10);

void BM_GraphPass(benchmark::State& state)
{
    const bool server = state.range(0) != 0;
    Site& s = filled(server);
    for (auto _ : state) {
        BulkQuery q(s.conn, ("SELECT \"FullDate\", \"Channel1\", \"Channel2\", \"Channel3\", \"ChannelT\" FROM \""
                             + kSensor + "\" WHERE \"Plottemporal\" <> false ORDER BY \"FullDate\"")
                                .toUtf8());
        double sum = 0;
        int n = 0;
        while (q.next()) {
            sum += q.serial(0, ColType::DateTime).value_or(0) + q.serial(1, ColType::Double).value_or(0)
                + q.serial(2, ColType::Double).value_or(0) + q.serial(3, ColType::Double).value_or(0)
                + q.serial(4, ColType::Double).value_or(0);
            ++n;
        }
        benchmark::DoNotOptimize(sum);
        if (n != kRows)
            state.SkipWithError("rows missing");
    }
    state.SetLabel(server ? "server" : "file");
}
BENCHMARK(BM_GraphPass)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (qEnvironmentVariableIsEmpty("ROCKVANE_PG_HOST")) {
        std::fprintf(stderr, "bench_server: start the test server (tools/pgcluster.sh start) and export what it prints\n");
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
