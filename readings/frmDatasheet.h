#pragma once
// The datasheet window: every reading of the current sensor in one grid,
// where channel values are corrected and plot flags switched, written back
// to the reading table when the window closes.
#include "common/prompter.h"
#include "readings/datasheet_data.h"
#include "state/appstate.h"

#include <QDialog>
#include <QList>
#include <QStringList>

class QLabel;
class QTableView;
class QToolButton;

namespace rv {

class FrmDatasheet : public QDialog {
    Q_OBJECT
public:
    // Loads at once: shows the readings record set in the grid (remembering
    // the shown reading); the set stays open, the grid reads what it shows.
    FrmDatasheet(AppState& st, Prompter& pr, QWidget* parent = nullptr);
    ~FrmDatasheet() override;

    // The export button, for the spreadsheet export to wire.
    QToolButton* exportButton() const { return m_Image1; }
    // The grid's cells as text, the caption row first.
    QList<QStringList> gridTexts() const { return m_model.texts(); }
    QTableView* grid() const { return m_grid; }
    const datasheet::Model& model() const { return m_model; }
    // Whether anything was typed or switched since the window loaded.
    bool changed() const { return m_changed; }

    // Closing by any means unloads: the grid is written back when something
    // changed.
    void done(int r) override;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void load();
    void unload();
    // The grid's key press; false for keys that are not characters (the
    // arrows and the like), which the grid handles itself.
    bool gridKeyPress(int code, bool backTab);
    void gridClick(int row, int col);

    AppState& m_st;
    Prompter& m_pr;
    datasheet::Model m_model;
    bool m_changed = false;
    bool m_unloaded = false;

    QLabel* m_lblHeader = nullptr;
    QTableView* m_grid = nullptr;
    QToolButton* m_Image1 = nullptr;
    QLabel* m_imgXOn = nullptr;
    QLabel* m_imgXOff = nullptr;
};

} // namespace rv
