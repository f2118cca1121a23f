#pragma once
// The Change Log window: every change recorded in the database, newest
// first, one sensor's or all, with an export to a spreadsheet.
#include "reports/audit_log.h"
#include "ui/ui_context.h"

#include <QAbstractTableModel>
#include <QDialog>
#include <functional>
#include <vector>

class QComboBox;
class QPushButton;
class QTableView;

namespace rv::reports {

// The log as a grid model that reads its rows a page at a time as the view
// scrolls to them, never the whole log before it shows.
class AuditLogModel : public QAbstractTableModel {
    Q_OBJECT
public:
    AuditLogModel(store::Connection& conn, QObject* parent = nullptr);

    // Shows one sensor's rows (all for an empty sensor) from the newest.
    void show(const QString& sensor);
    const QString& sensor() const { return m_sensor; }
    // The id of the newest row shown (0 when none): an export takes the rows
    // from there down, so it holds what the grid holds.
    qint64 newestId() const { return m_rows.empty() ? 0 : m_rows.front().id; }
    const store::AuditRecord& record(int row) const { return m_rows[size_t(row)]; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation o, int role) const override;
    bool canFetchMore(const QModelIndex& parent) const override;
    void fetchMore(const QModelIndex& parent) override;

    static constexpr int kPage = 200;

    // Told when a page asked for by the view cannot be read (the view asks
    // while it paints, where nothing may be thrown); the rows read so far
    // stay and no more are asked for.
    std::function<void()> onReadError;

private:
    // Appends the next page; throws when it cannot be read.
    void readPage();

    store::Connection& m_conn;
    QString m_sensor;
    std::vector<store::AuditRecord> m_rows;
    bool m_atEnd = true;
};

class frmAuditLog : public QDialog {
    Q_OBJECT
public:
    frmAuditLog(MainContext& c, QWidget* parent = nullptr);

    // Fills the sensor list and shows the newest rows.
    void Form_Load();
    // Writes the rows the grid shows (all of them, not only those read so
    // far) to a spreadsheet and opens it; returns the file, or "" when none.
    QString exportRows();

    AuditLogModel* model() const { return m_model; }

    QTableView* grdAuditLog = nullptr;
    QComboBox* cboAuditSensor = nullptr;
    QPushButton* cmdAuditExport = nullptr;
    QPushButton* cmdAuditClose = nullptr;

private:
    void sensorChosen();
    void failed(const QString& logName, const QString& what);

    MainContext& m_c;
    AuditLogModel* m_model = nullptr;
};

// The Utilities page's "Change Log" button.
void cmdAuditLog_Click(MainContext& c);
void wireAuditLog(MainContext& c, QObject* owner);

} // namespace rv::reports
