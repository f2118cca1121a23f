#pragma once
// The trigger levels window: the three levels of the shown sensor's load,
// displacement and displacement rate, kept for the sensor itself or as the
// defaults of every sensor of its type.
#include "calc/levels.h"
#include "ui/ui_context.h"

#include <QDialog>
#include <functional>
#include <optional>

class QLabel;
class QPushButton;
class QRadioButton;
class QTableWidget;

namespace rv::sensors {

class frmLevels : public QDialog {
    Q_OBJECT
public:
    frmLevels(MainContext& c, QWidget* parent = nullptr);

    // Reads the current sensor's levels and opens on the scope in force
    // (the sensor's own when it has any).
    void Form_Load();

    // Grid columns.
    enum Column { ColName = 0, ColLoad = 1, ColDisp = 2, ColRate = 3, ColColour = 4 };

    QLabel* lblLevelsHeader = nullptr;
    QRadioButton* optLevelsSensor = nullptr;
    QRadioButton* optLevelsType = nullptr;
    QTableWidget* grdLevels = nullptr;
    QPushButton* cmdLevelsOK = nullptr;
    QPushButton* cmdLevelsCancel = nullptr;
    QPushButton* cmdLevelsClear = nullptr;

    // Asks for a colour, starting from the current one ("#rrggbb"); nullopt
    // when the user cancels. A colour dialog unless replaced (tests).
    std::function<std::optional<QString>(const QString& current)> chooseColour;

    // The levels the grid shows, validated: the first bad cell is told and
    // selected, and nullopt returned.
    std::optional<calc::Levels> gridLevels();

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    void showScope(bool sensorScope);
    void fillGrid(const calc::Levels& levels);
    void pickColour(int row);
    void ok();
    void clearSensorLevels();
    QString cellName(int row, int col) const;

    MainContext& m_c;
    QString m_id;
    QString m_type;
    QString m_unit;
};

// The Identification page's "Trigger Levels" button.
void cmdLevels_Click(MainContext& c);
// Connects the button; owner is the main window.
void wireLevels(MainContext& c, QObject* owner);

} // namespace rv::sensors
