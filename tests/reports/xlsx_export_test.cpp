// The spreadsheet export: what lands in the workbook, read back from the file.
#include "common/log.h"
#include "common/scripted_prompter.h"
#include "reports/grid_export.h"
#include "reports/xlsx_export.h"
#include "reports_support.h"
#include "temp_data.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace rv;
using namespace rv::reports;
using namespace rv::test;

namespace {

// A grid held as rows of texts; row 0 the header.
struct Grid {
    std::vector<QStringList> rows;
    CellText cell() const
    {
        return [this](qint64 r, qint64 c) { return rows.at(size_t(r)).value(qsizetype(c)); };
    }
    qint64 rowCount() const { return qint64(rows.size()); }
};

Grid datasheetGrid()
{
    QStringList header{"DateTime Key", "ReadingDate", "R. Time"};
    for (int i = 1; i <= 8; ++i)
        header << QStringLiteral("Ch %1").arg(i);
    Grid g;
    g.rows.push_back(header);
    g.rows.push_back({"250045001 2026/05/01 10:00:00", "2026/05/01", "10:00:00", "2.50", "1234.57", "-0.5", "007",
                      "", "12", "x", "eleventh"});
    g.rows.push_back({"250045001 2026/05/02 10:00:00", "2026/05/02", "10:00:00", "3", "", "", "", "", "", "",
                      "eleventh"});
    return g;
}

int excelSerial(const QDate& d)
{
    return int(QDate(1899, 12, 30).daysTo(d));
}

} // namespace

TEST(XlsxExport, SheetHoldsTheFirstTenColumnsWithDatesAndNumbers)
{
    TempData data;
    const QString path = data.folder() + "/out.xlsx";
    const Grid g = datasheetGrid();
    const auto res = writeGridWorkbook(path, g.cell(), g.rowCount(), 11, "250045001");
    ASSERT_TRUE(res.ok) << res.error.toStdString();
    EXPECT_EQ(sheetNameOf(path), "250045001");

    const SheetCells s = readSheet(path);
    const QStringList formats = cellStyleFormats(path);
    EXPECT_EQ(s.rows, 3);
    // The header row goes in unchanged, also in the date column.
    EXPECT_EQ(s.cells["A1"].value, "DateTime Key");
    EXPECT_EQ(s.cells["B1"].value, "ReadingDate");
    EXPECT_EQ(s.cells["J1"].value, "Ch 7");
    // Only ten columns: nothing in K, though the grid has eleven.
    for (const QString& ref : s.cells.keys())
        EXPECT_FALSE(ref.startsWith(u'K')) << ref.toStdString();

    // Column B: a date, shown yyyy/mm/dd.
    EXPECT_EQ(s.cells["B2"].type, "n");
    EXPECT_EQ(s.cells["B2"].value.toInt(), excelSerial(QDate(2026, 5, 1)));
    EXPECT_EQ(formats.value(s.cells["B2"].style), "yyyy/mm/dd");
    EXPECT_EQ(s.cells["B3"].value.toInt(), excelSerial(QDate(2026, 5, 2)));
    // Texts stay texts; codes with leading zeros are not turned into numbers.
    EXPECT_EQ(s.cells["A2"].value, "250045001 2026/05/01 10:00:00");
    EXPECT_EQ(s.cells["C2"].value, "10:00:00");
    EXPECT_NE(s.cells["C2"].type, "n");
    EXPECT_EQ(s.cells["G2"].value, "007");
    EXPECT_NE(s.cells["G2"].type, "n");
    EXPECT_EQ(s.cells["J2"].value, "x");
    // Numbers as numbers, showing the grid's decimals.
    EXPECT_EQ(s.cells["D2"].value.toDouble(), 2.5);
    EXPECT_EQ(formats.value(s.cells["D2"].style), "0.00");
    EXPECT_EQ(s.cells["E2"].value.toDouble(), 1234.57);
    EXPECT_EQ(s.cells["F2"].value.toDouble(), -0.5);
    EXPECT_EQ(formats.value(s.cells["F2"].style), "0.0");
    EXPECT_EQ(s.cells["I2"].value.toDouble(), 12.0);
    EXPECT_EQ(formats.value(s.cells["I2"].style), "0");
    // Empty grid cells stay empty.
    EXPECT_FALSE(s.cells.contains("H2"));
    EXPECT_FALSE(s.cells.contains("E3"));
    // Widths fitted: the key column is the widest.
    ASSERT_FALSE(s.columnWidths.isEmpty());
    EXPECT_TRUE(s.columnWidths.first().startsWith("1-1:"));
    const double keyWidth = s.columnWidths.first().section(u':', 1).toDouble();
    EXPECT_GE(keyWidth, 29.0);
}

TEST(XlsxExport, RefusedSheetNamesKeepTheDefaultName)
{
    TempData data;
    const Grid g = datasheetGrid();
    for (const QString& bad : {QStringLiteral("25/0045"), QStringLiteral("a[1]"), QStringLiteral("'quoted'"),
                               QStringLiteral("a:b"), QString(32, u'9'), QString()}) {
        const QString path = data.folder() + "/bad.xlsx";
        QFile::remove(path);
        const auto res = writeGridWorkbook(path, g.cell(), g.rowCount(), 11, bad);
        ASSERT_TRUE(res.ok) << bad.toStdString();
        EXPECT_EQ(sheetNameOf(path), "Sheet1") << bad.toStdString();
        EXPECT_EQ(res.sheetName, "Sheet1");
        EXPECT_EQ(readSheet(path).cells["A1"].value, "DateTime Key");
    }
    EXPECT_TRUE(isValidSheetName(QString(31, u'9')));
}

TEST(XlsxExport, HeaderOnlyAndNarrowGrids)
{
    TempData data;
    Grid g;
    g.rows.push_back({"No Readings"});
    const QString one = data.folder() + "/one.xlsx";
    ASSERT_TRUE(writeGridWorkbook(one, g.cell(), 1, 1, "250045001").ok);
    const SheetCells s1 = readSheet(one);
    EXPECT_EQ(s1.rows, 1);
    EXPECT_EQ(s1.cells.size(), 1);
    EXPECT_EQ(s1.cells["A1"].value, "No Readings");

    // A grid of three columns is never asked for a fourth.
    Grid narrow;
    narrow.rows = {{"DateTime Key", "ReadingDate", "R. Time"}, {"k", "2026/05/01", "10:00:00"}};
    const QString three = data.folder() + "/three.xlsx";
    ASSERT_TRUE(writeGridWorkbook(three, narrow.cell(), 2, 3, "250045001").ok);
    const SheetCells s3 = readSheet(three);
    EXPECT_EQ(s3.cells.size(), 6);
    EXPECT_FALSE(s3.cells.contains("D1"));
}

// Row and column counts are wide: a datasheet of more than 32,767 readings
// goes out whole.
TEST(XlsxExport, EveryRowOfALongGrid)
{
    TempData data;
    const qint64 rows = 40001;
    const CellText cell = [](qint64 r, qint64 c) {
        if (r == 0)
            return QStringLiteral("H%1").arg(c);
        return c == 1 ? QStringLiteral("2026/05/01") : QString::number(r);
    };
    const QString path = data.folder() + "/long.xlsx";
    const auto res = writeGridWorkbook(path, cell, rows, 3, "250045001");
    ASSERT_TRUE(res.ok);
    EXPECT_EQ(res.rowsWritten, rows);
    const SheetCells s = readSheet(path);
    EXPECT_EQ(s.rows, 40001);
    EXPECT_EQ(s.lastRow, 40001);
    EXPECT_EQ(s.cells["A40001"].value, "40000");
    EXPECT_EQ(s.cells["C32769"].value, "32768");
}

TEST(FlexGridToExcel, SavesInTheDataFolderAndHandsTheFileOn)
{
    TempData data;
    AppState st(data.folder());
    ScriptedPrompter pr;
    const Grid g = datasheetGrid();
    const QString first = FlexGridToExcel(st, pr, g.cell(), g.rowCount(), 11, 1, "250045001");
    const QString second = FlexGridToExcel(st, pr, g.cell(), g.rowCount(), 11, 1, "250045001");
    ASSERT_FALSE(first.isEmpty());
    // Both kept: a second export in the same second gets a name of its own.
    EXPECT_NE(first, second);
    EXPECT_TRUE(QFileInfo::exists(first));
    EXPECT_TRUE(QFileInfo::exists(second));
    EXPECT_EQ(QFileInfo(first).absolutePath(), QDir(data.folder()).absolutePath());
    EXPECT_TRUE(QFileInfo(first).fileName().startsWith("250045001 "));
    EXPECT_TRUE(first.endsWith(".xlsx"));
    ASSERT_EQ(pr.records().size(), 2u);
    EXPECT_EQ(pr.records()[0].kind, PromptRecord::Kind::OpenWith);
    EXPECT_EQ(pr.records()[0].text, first);
    EXPECT_TRUE(pr.messages().empty());
}

TEST(FlexGridToExcel, NoSpreadsheetProgramIsToldAndTheFileStays)
{
    TempData data;
    AppState st(data.folder());
    ScriptedPrompter pr;
    pr.setOpenWithResult(false);
    const Grid g = datasheetGrid();
    const QString path = FlexGridToExcel(st, pr, g.cell(), g.rowCount(), 11, 1, "250045001");
    ASSERT_EQ(pr.messages().size(), 1u);
    const auto m = pr.messages()[0];
    // The file was written: the message says where, not what to install.
    EXPECT_EQ(m.text, "No spreadsheet program could be found to open the spreadsheet.\nThe spreadsheet was saved as:\n"
                          + path);
    EXPECT_EQ(m.title, "Quillon's Rockvane");
    EXPECT_EQ(m.icon, MsgIcon::Information);
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_TRUE(QFileInfo::exists(path));
}

TEST(FlexGridToExcel, AFileThatCannotBeWrittenIsToldAndLogged)
{
    TempData data;
    // A data folder that does not exist cannot hold the export.
    AppState st(data.folder() + "/missing/folder");
    ScriptedPrompter pr;
    const Grid g = datasheetGrid();
    EXPECT_TRUE(FlexGridToExcel(st, pr, g.cell(), g.rowCount(), 11, 1, "250045001").isEmpty());
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Warning);
    EXPECT_TRUE(pr.messages()[0].text.startsWith("The spreadsheet could not be written to\n"));
    EXPECT_TRUE(std::none_of(pr.records().begin(), pr.records().end(),
                             [](const PromptRecord& r) { return r.kind == PromptRecord::Kind::OpenWith; }));
}
