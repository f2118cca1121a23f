#pragma once
// The report's choices: what goes into the sensor report. Loaded once and
// hidden, never closed, so that the boxes keep the user's last choices for
// the rest of the run.
#include <QDialog>

class QCheckBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace rv::reports {

// What the dialog was last left with.
struct ReportOptions {
    bool ReportRequested = false;
    bool ReportCover = false;
    bool ReportLoadTime = false;
    bool ReportDispTime = false;
    bool ReportLoadLength = false;
    bool ReportDispLength = false;
};

class frmReport : public QDialog {
    Q_OBJECT
public:
    explicit frmReport(QWidget* parent = nullptr);

    const ReportOptions& options() const { return m_options; }

    void cmdOK_Click();
    void cmdCancel_Click();

    QLabel* Label1 = nullptr;
    QCheckBox* chkCover = nullptr;
    QGroupBox* Frame1 = nullptr;  // "Plots:"
    QCheckBox* chkTemp = nullptr;
    QCheckBox* chkRate = nullptr;
    QCheckBox* chkSpatial = nullptr;
    QCheckBox* chkDvL = nullptr;
    QPushButton* cmdOK = nullptr;
    QPushButton* cmdCancel = nullptr;

protected:
    // Escape and the window's close button count as Cancel.
    void reject() override;

private:
    ReportOptions m_options;
};

} // namespace rv::reports
