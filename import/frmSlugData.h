#pragma once
// The import review window "Import DataFiles": the rows of the loaded
// readout file in a grid, the rows to append ticked, the file's date layout,
// and the append.
#include "import/readout_append.h"

#include <QDialog>
#include <vector>

class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;

namespace rv::importing {

class ImportSession;
class ReadoutGridModel;

class FrmSlugData : public QDialog {
    Q_OBJECT
public:
    FrmSlugData(ImportSession& s, QWidget* parent);
    ~FrmSlugData() override;

    QLabel* lblHeader = nullptr;
    QTableView* MSFlexGrid1 = nullptr;
    QLabel* img_x_on = nullptr;    // hidden: the ticked picture
    QLabel* img_x_off = nullptr;   // hidden: the unticked picture
    QRadioButton* optDateFormat[3] = {};
    QPushButton* cmdAppend = nullptr;

    // Fills the grid from the loaded rows and ticks the rows the spacing
    // of the main window's cboSlugInt offers. False without a grid or rows.
    bool PopulateSFlexGrid(QTableView* grid, const ReadoutRecords* records);
    // Toggles a clicked "Append" cell.
    void MSFlexGrid1_Click(int row, int column);
    void cmdAppend_Click();

    // Whether row (0-based, file order) is ticked.
    bool ticked(int row) const;
    DateLayout dateLayout() const;

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Form_Load();
    void Form_Unload();
    QString finalMessage(const AppendOutcome& out, bool duplicatesSilenced) const;
    void archive();

    ImportSession& m_s;
    ReadoutGridModel* m_model = nullptr;
    bool m_unloaded = false;
};

} // namespace rv::importing
