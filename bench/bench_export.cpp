// The spreadsheet export of a datasheet of 100,000 readings: the grid's
// texts (key, date, time, temperature and channels, eleven columns, of which
// the first ten go out) written to an xlsx file. Target: under 3 s.
#include "reports/xlsx_export.h"

#include <QDate>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <vector>

using namespace rv::reports;

namespace {

constexpr qint64 kReadings = 100000;
constexpr qint64 kCols = 11;

const std::vector<QStringList>& datasheet()
{
    static const std::vector<QStringList> rows = [] {
        std::vector<QStringList> r;
        r.reserve(size_t(kReadings + 1));
        QStringList header{"DateTime Key", "ReadingDate", "R. Time", "Temp"};
        for (int k = 1; k <= 7; ++k)
            header << QStringLiteral("Channel %1").arg(k);
        r.push_back(header);
        const QDate start(2000, 1, 1);
        for (qint64 i = 0; i < kReadings; ++i) {
            const QString date = start.addDays(i / 24).toString(QStringLiteral("yyyy/MM/dd"));
            const QString time = QStringLiteral("%1:00:00").arg(i % 24, 2, 10, QLatin1Char('0'));
            QStringList row{QStringLiteral("250045001 ") + date + u' ' + time, date, time,
                            QString::number(15 + (i % 10) * 0.5, 'f', 2)};
            for (int k = 1; k <= 7; ++k)
                row << QString::number(double((i * k) % 5000) / 100.0, 'f', 2);
            r.push_back(row);
        }
        return r;
    }();
    return rows;
}

void BM_ExportDatasheet(benchmark::State& state)
{
    const auto& rows = datasheet();
    QTemporaryDir dir;
    const QString path = dir.path() + "/export.xlsx";
    const CellText cell = [&rows](qint64 r, qint64 c) { return rows[size_t(r)].value(qsizetype(c)); };
    for (auto _ : state) {
        QFile::remove(path);
        const auto res = writeGridWorkbook(path, cell, qint64(rows.size()), kCols, QStringLiteral("250045001"));
        if (!res.ok || res.rowsWritten != kReadings + 1)
            state.SkipWithError("export failed");
    }
    state.counters["rows"] = double(rows.size());
    state.counters["MB"] = double(QFile(path).size()) / 1e6;
}
BENCHMARK(BM_ExportDatasheet)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
