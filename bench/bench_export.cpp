// The spreadsheet export of a datasheet of 100,000 readings: the grid's
// texts (key, date, time, temperature and channels, eleven columns, of which
// the first ten go out) written to an xlsx file, beside the floor measured
// in the same run: libxlsxwriter writing the same cells directly. Target:
// within 1.5x of the floor.
#include "reports/xlsx_export.h"

#include <QDate>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <xlsxwriter.h>
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
BENCHMARK(BM_ExportDatasheet)->Unit(benchmark::kMillisecond)->Iterations(5);

// The floor: libxlsxwriter writing the same cells directly, as the export
// writes them (the key and the time as texts, the date as a date, the
// numbers as numbers shown with two decimals, the first ten columns, the
// widths fitted), with the values already taken apart.
void BM_FloorLibxlsxwriterSameCells(benchmark::State& state)
{
    const auto& rows = datasheet();
    struct Row {
        QByteArray key, time;
        lxw_datetime date;
        double numbers[7];
    };
    std::vector<Row> plain;
    plain.reserve(rows.size());
    for (size_t r = 1; r < rows.size(); ++r) {
        const QStringList& t = rows[r];
        Row p;
        p.key = t[0].toUtf8();
        p.time = t[2].toUtf8();
        const QDate d = QDate::fromString(t[1], QStringLiteral("yyyy/MM/dd"));
        p.date = lxw_datetime{d.year(), d.month(), d.day(), 0, 0, 0.0};
        for (int k = 0; k < 7; ++k)
            p.numbers[k] = t[3 + k].toDouble();
        plain.push_back(p);
    }
    QTemporaryDir dir;
    const QByteArray path = (dir.path() + "/floor.xlsx").toUtf8();
    for (auto _ : state) {
        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* wb = workbook_new_opt(path.constData(), &options);
        lxw_worksheet* ws = workbook_add_worksheet(wb, "250045001");
        lxw_format* date = workbook_add_format(wb);
        format_set_num_format(date, "yyyy/mm/dd");
        lxw_format* two = workbook_add_format(wb);
        format_set_num_format(two, "0.00");
        const QStringList& header = rows[0];
        for (int c = 0; c < 10; ++c)
            worksheet_write_string(ws, 0, lxw_col_t(c), header[c].toUtf8().constData(), nullptr);
        lxw_row_t r = 1;
        for (Row& p : plain) {
            worksheet_write_string(ws, r, 0, p.key.constData(), nullptr);
            worksheet_write_datetime(ws, r, 1, &p.date, date);
            worksheet_write_string(ws, r, 2, p.time.constData(), nullptr);
            for (int k = 0; k < 7; ++k)
                worksheet_write_number(ws, r, lxw_col_t(3 + k), p.numbers[k], two);
            ++r;
        }
        for (int c = 0; c < 10; ++c)
            worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), 12, nullptr);
        workbook_close(wb);
    }
    state.counters["rows"] = double(rows.size());
}
BENCHMARK(BM_FloorLibxlsxwriterSameCells)->Unit(benchmark::kMillisecond)->Iterations(5);

} // namespace

BENCHMARK_MAIN();
