#pragma once
// The displacement values window: the displacements behind the length
// graphs, one row per reading marked for the length graphs, as a read-only
// grid that can go to a spreadsheet.
#include "ui/ui_context.h"
#include <QDialog>

class QLabel;
class QTableWidget;
class QToolButton;

namespace rv::store {
class Recordset;
}

namespace rv::graphs {

class frmDisp : public QDialog {
    Q_OBJECT
public:
    frmDisp(MainContext& c, QWidget* parent = nullptr);

    // Opens the length graphs' selection and fills the grid from it.
    void Form_Load();

    // Fills the grid from the record set: the header row, then per row the
    // key, date and time (fields 0 to 2) and the displacements (field j + 32
    // for column j), "###0.00". The number of displacement columns is the
    // fifth character of the sensor number. False when the filling stopped
    // at an error; the rows filled so far stay.
    static bool PopulateFlexGrid(QTableWidget* grid, store::Recordset& rs, const QString& sensorId);
    // The displacement columns a sensor number asks for: its fifth character
    // as a digit, 0 when there is none.
    static int dispColumns(const QString& sensorId);

    // The grid as the spreadsheet export sees it: row 0 is the header row.
    qint64 Rows() const;
    qint64 Cols() const;
    QString TextMatrix(qint64 row, qint64 col) const;

    QLabel* lblHeader = nullptr;
    QTableWidget* MSFlexGrid1 = nullptr;
    QToolButton* Image1 = nullptr;  // spreadsheet export

    // Closing returns the Readings page to its reading.
    void done(int r) override;

private:
    void Form_Unload();

    MainContext& m_c;
    bool m_unloaded = false;
};

} // namespace rv::graphs
