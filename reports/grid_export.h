#pragma once
// Copying a window's grid into a spreadsheet for the user.
#include "common/prompter.h"
#include "reports/xlsx_export.h"
#include "state/appstate.h"

namespace rv::reports {

// Told when no program opens the written file, followed by its path.
inline const QString kNoSpreadsheetProgram =
    QStringLiteral("No spreadsheet program could be found to open the spreadsheet.\nThe spreadsheet was saved as:\n");

// Writes the grid (rowCount rows including the header row, colCount columns)
// to a new workbook in the data folder, named after sheetName (the sensor)
// and the date and time, and hands it to the desktop's spreadsheet program.
// startRow is not used: both windows pass 1. When no program opens the file
// the user is told and the file stays. A file that cannot be written is told
// and logged as " Module1_FlexGridToExcel". Returns the file written, or an
// empty text.
QString FlexGridToExcel(AppState& st, Prompter& pr, const CellText& grid, qint64 rowCount, qint64 colCount,
                        qint64 startRow, const QString& sheetName);

} // namespace rv::reports
