#pragma once
// Writing a grid of texts to a spreadsheet file (xlsx).
#include <QString>
#include <QtGlobal>
#include <functional>

namespace rv::reports {

// The text of a grid cell; row 0 is the grid's header row.
using CellText = std::function<QString(qint64 row, qint64 col)>;

// Only this many grid columns go into the sheet.
constexpr qint64 kExportColumns = 10;

// Whether the spreadsheet accepts `name` as a sheet name (1 to 31
// characters, none of []:*?/\, not beginning or ending with an apostrophe).
bool isValidSheetName(const QString& name);

struct WorkbookResult {
    bool ok = false;
    QString error;      // why the file could not be written
    QString sheetName;  // the name the sheet got ("Sheet1" when the wanted one was refused)
    qint64 rowsWritten = 0;
};

// Writes grid rows 0 .. rowCount-1 as sheet rows 1 .. rowCount, and of each
// row the grid columns 0 .. 9 that exist (col < colCount) as sheet columns
// A .. J. Sheet column B holds a date as a date shown "yyyy/mm/dd"; a text
// that is a plain decimal number goes in as that number, shown with the same
// decimals; any other text goes in unchanged. The widths of the first
// colCount columns are fitted to their contents. The sheet is named
// sheetName when the spreadsheet accepts that name, else it keeps the
// default name. Counts are wide: a sheet holds every row up to the format's
// limit of 1,048,576.
WorkbookResult writeGridWorkbook(const QString& path, const CellText& cell, qint64 rowCount, qint64 colCount,
                                 const QString& sheetName);

} // namespace rv::reports
