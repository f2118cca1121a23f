#pragma once
// The controls of the main window. Every pointer's objectName is its member
// name; array elements carry their index in parentheses ("txtNode(3)").
// Arrays are indexed from 1 like the control arrays they stand for; element
// 0 is always null.
#include <QSize>
#include <QString>

class QWidget;
class QTabWidget;
class QLineEdit;
class QComboBox;
class QCheckBox;
class QRadioButton;
class QLabel;
class QToolButton;
class QPushButton;
class QDateEdit;
class QTimeEdit;
class QListWidget;
class QCustomPlot;

namespace rv {

class ClickableLabel;

struct MainUi {
    QTabWidget* SSTab1 = nullptr;
    QWidget* page[8] = {};

    // Page 0: "1. Identification"
    QComboBox* cboSensors = nullptr;         // editable
    QToolButton* imgAddSensor = nullptr;
    QToolButton* imgDelete = nullptr;
    QToolButton* imgPrevious = nullptr;
    QToolButton* imgNext = nullptr;
    ClickableLabel* Label57 = nullptr;       // "Add New"
    ClickableLabel* Label55 = nullptr;       // "Delete"
    ClickableLabel* Label56 = nullptr;       // "Previous"
    ClickableLabel* Label59 = nullptr;       // "Next"
    QLineEdit* txtSnav = nullptr;            // read-only
    QLineEdit* txtSensor = nullptr;          // read-only
    QLineEdit* txtMineID = nullptr;          // read-only
    QLineEdit* txtDateID = nullptr;
    QLineEdit* txtTypeID = nullptr;
    QLineEdit* txtSensorNo = nullptr;
    QLineEdit* txtFamily = nullptr;
    QLabel* lblLocation = nullptr;           // caption set from the type
    QLineEdit* txtLengthofCable = nullptr;
    QCheckBox* chkPlate = nullptr;
    QRadioButton* Option1 = nullptr;         // head at collar
    QRadioButton* Option2 = nullptr;         // head at toe
    QLineEdit* txtNode[7] = {};              // 1..6
    QLineEdit* txtSGCenter[6] = {};          // 1..5
    QComboBox* cboDestroyed = nullptr;       // editable, items "Yes", "No"
    QLineEdit* txtDestructionDate = nullptr;
    QLabel* imgheart = nullptr;              // status picture
    QLabel* imgalive = nullptr;              // hidden picture source
    QLabel* imgdead = nullptr;               // hidden picture source
    QPushButton* cmdLevels = nullptr;        // "Trigger Levels"

    // Page 1: "2. Installation"
    QLineEdit* txtSensor2 = nullptr;         // read-only
    QLineEdit* txtLevel = nullptr;
    QLineEdit* txtLocation = nullptr;
    QLineEdit* txtBorehole = nullptr;
    QLineEdit* txtInstallDate = nullptr;
    QLineEdit* txtInstallBy = nullptr;
    QLineEdit* txtPurpose = nullptr;
    QLineEdit* txtNotes = nullptr;
    QLabel* lblNotes = nullptr;              // caption set from the type
    QLineEdit* txtRecess = nullptr;
    QLabel* lblRecess = nullptr;
    QLineEdit* txtHead = nullptr;            // read-only
    QLabel* lblHead = nullptr;               // "HEAD"
    QLabel* lbloption = nullptr;
    QLabel* imgHead = nullptr;               // the borehole drawing
    QLabel* imgCollar = nullptr;             // hidden picture source, head at collar
    QLabel* imgToe = nullptr;                // hidden picture source, head at toe
    QLineEdit* txtRelSGanchor[7] = {};       // 1..6, read-only
    QLineEdit* txtRelSGCenter[6] = {};       // 1..5, read-only

    // Page 2: "3. Readings"
    QLineEdit* txtSensor3 = nullptr;         // read-only
    QLineEdit* txtReadingID = nullptr;       // read-only
    QDateEdit* dtpRdate = nullptr;
    QTimeEdit* dtpRtime = nullptr;
    QLineEdit* txtChannel[6] = {};           // 1..5
    QLabel* lbln[6] = {};                    // 1..5, node position labels
    QLabel* lblmm[6] = {};                   // 1..5, unit labels
    QLineEdit* txtChannelT = nullptr;
    QLabel* lblTemp = nullptr;
    QLabel* Label47 = nullptr;               // "Temperature:"
    QCheckBox* chkTemporal = nullptr;
    QCheckBox* chkSpatial = nullptr;
    QLineEdit* txtRcount = nullptr;          // read-only
    QToolButton* imgFirst = nullptr;
    QToolButton* imgPrevData = nullptr;
    QToolButton* imgNextData = nullptr;
    QToolButton* imgLast = nullptr;
    QToolButton* imgAddReading = nullptr;
    QToolButton* imgDeleteReading = nullptr;
    QToolButton* imgDatasheet = nullptr;
    QToolButton* imgReport = nullptr;
    QToolButton* imgAddSlugData = nullptr;
    ClickableLabel* Label61 = nullptr;       // "First"
    ClickableLabel* Label62 = nullptr;       // "Previous"
    ClickableLabel* Label60 = nullptr;       // "Next"
    ClickableLabel* Label64 = nullptr;       // "Last"
    ClickableLabel* Label63 = nullptr;       // "Add New"
    ClickableLabel* Label65 = nullptr;       // "Delete/Batch"
    ClickableLabel* Label45 = nullptr;       // "Datasheet"
    ClickableLabel* Label46 = nullptr;       // "Report"
    QComboBox* cboSlugInt = nullptr;         // "1", "8", "24"; text "24"
    QLabel* lblError = nullptr;

    // Pages 3-6: the graphs
    QCustomPlot* ChartT = nullptr;
    QPushButton* cmdTHelp = nullptr;
    QToolButton* imgPrintT = nullptr;
    QCustomPlot* ChartT2 = nullptr;
    QToolButton* mgPrintR = nullptr;
    QCustomPlot* ChartS = nullptr;
    QToolButton* imgPrintS = nullptr;
    QCustomPlot* ChartDvL = nullptr;
    QLabel* lblRecStatus = nullptr;
    QPushButton* cmdDisp = nullptr;
    // "Export as JPG" of each graph page: ChartT, ChartT2, ChartS, ChartDvL.
    QPushButton* cmdTemp = nullptr;
    QPushButton* cmdRate = nullptr;
    QPushButton* cmdSpat = nullptr;
    QPushButton* cmdDvl = nullptr;
    // The more-than-15-readings warning of the length graphs (on the Load v
    // Length page), hidden until a graph needs it.
    QLabel* lblW15 = nullptr;

    // Page 7: "8. Utilities"
    QToolButton* imgAbout = nullptr;
    QToolButton* imgHelp = nullptr;
    QToolButton* imgInternet = nullptr;
    QToolButton* imgBackup = nullptr;
    QToolButton* imgRestore = nullptr;
    QToolButton* Image4 = nullptr;           // "Change Database Location"
    QPushButton* cmdConnectServer = nullptr; // "Connect to Server..."
    ClickableLabel* Label42 = nullptr;       // "Backup Database"
    ClickableLabel* Label27 = nullptr;       // "Restore from Backup"
    ClickableLabel* Label66 = nullptr;       // manual
    ClickableLabel* Label40 = nullptr;       // web site
    ClickableLabel* Label29 = nullptr;       // about
    QListWidget* lstFiles = nullptr;
    QComboBox* txtFilterType = nullptr;      // editable, the four type items
    QLineEdit* txtFilterLevel = nullptr;
    QLineEdit* txtFilterLocation = nullptr;
    QLineEdit* txtStartDate = nullptr;
    QLineEdit* txtEndDate = nullptr;
    QCheckBox* chkDontShowDestroyed = nullptr;
    QToolButton* imgFilter = nullptr;
    QLabel* imgApplyFilter = nullptr;        // hidden picture source
    QLabel* imgRemoveFilter = nullptr;       // hidden picture source
    ClickableLabel* lblFilterState = nullptr; // "Apply Filter" / "Remove Filter"
    QLabel* lblFilter = nullptr;             // "* Filter Applied *"
    QLineEdit* txtSCount = nullptr;          // read-only
    QPushButton* cmdSiteStatus = nullptr;    // "Site Status"
    QPushButton* cmdAuditLog = nullptr;      // "Change Log"
};

// Twips per pixel for the positions the program gives in twips.
constexpr int kTwipsPerPixel = 15;

// Creates every control of the main window inside `window` (the tab control
// is its central widget) and fills `ui`. No behaviour is connected here.
void buildMainUi(QWidget* window, MainUi& ui);

// The tab control's size for a client area: the design size, or more when
// the window gives more room (a maximised window); the charts of the graph
// pages grow with it and the buttons under them keep their place below.
void fitMainUi(MainUi& ui, const QSize& clientArea);


} // namespace rv
