#pragma once
// The import review window "Import DataFiles": the rows of the loaded
// readout file in a grid, the rows to append ticked, the file's date layout,
// and the append.
#include "import/readout_append.h"

#include <QDateTime>
#include <QDialog>
#include <QSet>
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
    // Under the heading: the warning that the file's dates are written in
    // another layout than the one chosen (hidden otherwise).
    QLabel* lblLayoutHint = nullptr;
    // How many rows the append would take.
    QLabel* lblTicked = nullptr;
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
    int tickedCount() const;
    // The remark beside row: "Already stored", a future date, an unreadable date.
    QString note(int row) const;
    DateLayout dateLayout() const;

    // The present the preselection measures "in the future" from (tests set
    // it before the window reads the file: the clock by default).
    static void setPresentForTests(const QDateTime& now);

protected:
    void done(int result) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void Form_Load();
    void Form_Unload();
    QString finalMessage(const AppendOutcome& out, bool duplicatesSilenced) const;
    void archive();
    // The ticks, notes, count and hint for the layout now selected; with
    // keepHand, the rows the user ticked or unticked by hand keep their tick.
    void recompute(bool keepHand);
    void optDateFormat_Click();
    void refreshCount();
    bool handChanged() const;
    void loadStoredKeys();
    void rememberLayout();

    ImportSession& m_s;
    ReadoutGridModel* m_model = nullptr;
    bool m_unloaded = false;
    bool m_populating = false;
    // The ticks as last computed, to tell the ones the user changed by hand.
    std::vector<char> m_computed;
    // The keys the sensor's table already holds.
    QSet<QString> m_storedKeys;
    QString m_instrumentId;
    DateLayout m_shownLayout = DateLayout::YearFirst;
};

} // namespace rv::importing
