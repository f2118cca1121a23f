#pragma once
// The exceedances window: after an import, the appended readings that cross
// a trigger level, highest levels first.
#include "import/exceedance_check.h"
#include "ui/ui_context.h"

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class QTableWidget;

namespace rv::importing {

class frmExceedances : public QDialog {
    Q_OBJECT
public:
    frmExceedances(MainContext& c, std::vector<ExceedanceRow> rows, QWidget* parent = nullptr);

    // The grid as the spreadsheet export sees it: row 0 is the header row.
    qint64 Rows() const;
    qint64 Cols() const;
    QString TextMatrix(qint64 row, qint64 col) const;

    QLabel* lblExceedHeader = nullptr;
    QTableWidget* grdExceedances = nullptr;
    QPushButton* cmdExceedExport = nullptr;

private:
    MainContext& m_c;
    std::vector<ExceedanceRow> m_rows;
};

// Shows the window over the main window when rows is not empty.
void showExceedances(MainContext& c, const std::vector<ExceedanceRow>& rows);

} // namespace rv::importing
