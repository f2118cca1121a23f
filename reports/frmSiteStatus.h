#pragma once
// The site status window: every sensor with its latest reading and the
// highest trigger level it crosses, those needing attention first.
#include "reports/site_status.h"
#include "ui/ui_context.h"

#include <QDateTime>
#include <QDialog>
#include <functional>
#include <vector>

class QLineEdit;
class QPushButton;
class QTableWidget;

namespace rv::reports {

class frmSiteStatus : public QDialog {
    Q_OBJECT
public:
    frmSiteStatus(MainContext& c, QWidget* parent = nullptr);

    // Reads the overdue days kept in the database and fills the grid.
    void Form_Load();
    // Fills the grid again (after a change of the overdue days).
    void refill();

    // The moment the ages are counted from: now, unless replaced (tests).
    std::function<QDateTime()> now = [] { return QDateTime::currentDateTime(); };

    // The grid as the spreadsheet export sees it: row 0 is the header row.
    qint64 Rows() const;
    qint64 Cols() const;
    QString TextMatrix(qint64 row, qint64 col) const;
    const std::vector<SiteStatusRow>& rows() const { return m_rows; }

    QTableWidget* grdSiteStatus = nullptr;
    QLineEdit* txtOverdueDays = nullptr;
    QPushButton* cmdSiteExport = nullptr;

    // The sensor chosen by a double-click, empty when none.
    QString chosenSensor() const { return m_chosen; }

private:
    void overdueDaysEdited();
    void rowChosen(int row);

    MainContext& m_c;
    std::vector<SiteStatusRow> m_rows;
    int m_overdueDays = kDefaultOverdueDays;
    QString m_chosen;
};

// The Utilities page's "Site Status" button: the window, and the sensor
// double-clicked in it made the current one.
void cmdSiteStatus_Click(MainContext& c);
void wireSiteStatus(MainContext& c, QObject* owner);

} // namespace rv::reports
