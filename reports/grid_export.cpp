#include "reports/grid_export.h"

#include "common/log.h"
#include "reports/export_names.h"

#include <QDateTime>
#include <QFile>

namespace rv::reports {

QString FlexGridToExcel(AppState& st, Prompter& pr, const CellText& grid, qint64 rowCount, qint64 colCount,
                        qint64 startRow, const QString& sheetName)
{
    Q_UNUSED(startRow);
    const QString path = datedExportPath(st.DataFolder, QString(), sheetName, QDateTime::currentDateTime(),
                                         QStringLiteral(".xlsx"));
    WorkbookResult res;
    try {
        res = writeGridWorkbook(path, grid, rowCount, colCount, sheetName);
    } catch (const std::exception& e) {
        res.ok = false;
        res.error = QString::fromUtf8(e.what());
    }
    if (!res.ok) {
        writeLog(st.DataFolder, errorText(75, res.error, QStringLiteral("Module1_FlexGridToExcel")));
        // A half-written file would only mislead.
        QFile::remove(path);
        pr.message(QStringLiteral("The spreadsheet could not be written to\n%1\n\n%2").arg(path, res.error),
                   MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        return QString();
    }
    if (!pr.openWithDesktop(path))
        pr.message(kNoSpreadsheetProgram + path, MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
    return path;
}

} // namespace rv::reports
