#include "reports/frmAuditLog.h"

#include "common/log.h"
#include "reports/grid_export.h"
#include "ui/ui_main_layout.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace rv::reports {

namespace {

const QString kAllSensors = QStringLiteral("(All sensors)");
const QString kSheetName = QStringLiteral("Change Log");

} // namespace

AuditLogModel::AuditLogModel(store::Connection& conn, QObject* parent) : QAbstractTableModel(parent), m_conn(conn) {}

void AuditLogModel::show(const QString& sensor)
{
    beginResetModel();
    m_sensor = sensor;
    m_rows.clear();
    m_atEnd = false;
    endResetModel();
    // The first page at once, so the window opens on the newest rows; a
    // failure leaves the grid empty and is the caller's to tell.
    readPage();
}

int AuditLogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_rows.size());
}

int AuditLogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(auditLogHeaders().size());
}

QVariant AuditLogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= int(m_rows.size()))
        return QVariant();
    const store::AuditRecord& r = m_rows[size_t(index.row())];
    if (role == Qt::DisplayRole)
        return auditLogCell(r, index.column());
    // The long value lists one pair a line.
    if (role == Qt::ToolTipRole && index.column() >= 6)
        return auditLogCell(r, index.column()).replace(QStringLiteral("; "), QStringLiteral("\n"));
    return QVariant();
}

QVariant AuditLogModel::headerData(int section, Qt::Orientation o, int role) const
{
    if (role == Qt::DisplayRole && o == Qt::Horizontal)
        return auditLogHeaders().value(section);
    return QAbstractTableModel::headerData(section, o, role);
}

bool AuditLogModel::canFetchMore(const QModelIndex& parent) const
{
    return !parent.isValid() && !m_atEnd;
}

void AuditLogModel::fetchMore(const QModelIndex& parent)
{
    if (parent.isValid() || m_atEnd)
        return;
    try {
        readPage();
    } catch (...) {
        if (onReadError)
            onReadError();
    }
}

void AuditLogModel::readPage()
{
    if (m_atEnd)
        return;
    const qint64 below = m_rows.empty() ? 0 : m_rows.back().id;
    std::vector<store::AuditRecord> more;
    try {
        more = store::readAuditLog(m_conn, m_sensor, below, kPage);
    } catch (...) {
        m_atEnd = true;
        throw;
    }
    if (int(more.size()) < kPage)
        m_atEnd = true;
    if (more.empty())
        return;
    const int first = int(m_rows.size());
    beginInsertRows(QModelIndex(), first, first + int(more.size()) - 1);
    for (auto& r : more)
        m_rows.push_back(std::move(r));
    endInsertRows();
}

frmAuditLog::frmAuditLog(MainContext& c, QWidget* parent) : QDialog(parent), m_c(c)
{
    setObjectName(QStringLiteral("frmAuditLog"));
    setWindowTitle(QStringLiteral("Rockvane Change Log"));
    setModal(true);
    resize(1100, 600);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* sensorLabel = new QLabel(QStringLiteral("Sensor:"), this);
    top->addWidget(sensorLabel);
    cboAuditSensor = new QComboBox(this);
    cboAuditSensor->setObjectName(QStringLiteral("cboAuditSensor"));
    cboAuditSensor->setMinimumWidth(160);
    sensorLabel->setBuddy(cboAuditSensor);
    top->addWidget(cboAuditSensor);
    top->addStretch(1);
    cmdAuditExport = new QPushButton(QStringLiteral("Export"), this);
    cmdAuditExport->setObjectName(QStringLiteral("cmdAuditExport"));
    cmdAuditExport->setAutoDefault(false);
    top->addWidget(cmdAuditExport);
    cmdAuditClose = new QPushButton(QStringLiteral("Close"), this);
    cmdAuditClose->setObjectName(QStringLiteral("cmdAuditClose"));
    cmdAuditClose->setAutoDefault(false);
    top->addWidget(cmdAuditClose);
    layout->addLayout(top);

    m_model = new AuditLogModel(*m_c.st.conn, this);
    m_model->onReadError = [this] {
        // Logged now, while the error is at hand; told once the view has
        // finished what it was doing.
        m_c.logError(QStringLiteral("grdAuditLog_Scroll"));
        int number = 0;
        QString why;
        describeCurrentException(number, why);
        QMetaObject::invokeMethod(
            this,
            [this, why] {
                m_c.pr.message(QStringLiteral("The change log could not be read.\n") + why, MsgIcon::Warning,
                               MsgButtons::Ok, kQuillonTitle);
            },
            Qt::QueuedConnection);
    };
    grdAuditLog = new QTableView(this);
    grdAuditLog->setObjectName(QStringLiteral("grdAuditLog"));
    grdAuditLog->setModel(m_model);
    grdAuditLog->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdAuditLog->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdAuditLog->setSelectionMode(QAbstractItemView::SingleSelection);
    grdAuditLog->setWordWrap(false);
    grdAuditLog->verticalHeader()->setVisible(false);
    grdAuditLog->verticalHeader()->setDefaultSectionSize(grdAuditLog->fontMetrics().height() + 6);
    // Fixed widths: fitting the columns to their contents would read every row.
    const int widths[] = {135, 70, 90, 80, 205, 55, 230, 260};
    for (int col = 0; col < int(std::size(widths)); ++col)
        grdAuditLog->setColumnWidth(col, widths[col]);
    grdAuditLog->horizontalHeader()->setStretchLastSection(true);
    layout->addWidget(grdAuditLog);

    connect(cboAuditSensor, &QComboBox::currentIndexChanged, this, [this] { sensorChosen(); });
    connect(cmdAuditExport, &QPushButton::clicked, this, [this] { exportRows(); });
    connect(cmdAuditClose, &QPushButton::clicked, this, &QDialog::accept);
}

void frmAuditLog::failed(const QString& logName, const QString& what)
{
    m_c.logError(logName);
    int number = 0;
    QString why;
    describeCurrentException(number, why);
    m_c.pr.message(what + u'\n' + why, MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
}

void frmAuditLog::Form_Load()
{
    QStringList sensors;
    try {
        sensors = store::auditSensors(*m_c.st.conn);
    } catch (...) {
        failed(QStringLiteral("frmAuditLog_Load"), QStringLiteral("The change log could not be read."));
    }
    {
        const QSignalBlocker quiet(cboAuditSensor);
        cboAuditSensor->clear();
        cboAuditSensor->addItem(kAllSensors);
        cboAuditSensor->addItems(sensors);
        cboAuditSensor->setCurrentIndex(0);
    }
    sensorChosen();
}

void frmAuditLog::sensorChosen()
{
    const QString sensor = cboAuditSensor->currentIndex() > 0 ? cboAuditSensor->currentText() : QString();
    try {
        m_model->show(sensor);
    } catch (...) {
        failed(QStringLiteral("cboAuditSensor_Click"), QStringLiteral("The change log could not be read."));
    }
    grdAuditLog->scrollToTop();
}

QString frmAuditLog::exportRows()
{
    const QString sensor = m_model->sensor();
    const qint64 newest = m_model->newestId();
    if (newest == 0) {
        m_c.pr.message(QStringLiteral("There are no changes to export."), MsgIcon::Information, MsgButtons::Ok,
                       kQuillonTitle);
        return QString();
    }
    try {
        // Every row the grid shows or would show when scrolled, read a page at
        // a time while the sheet is written.
        AuditLogPages pages(*m_c.st.conn, sensor, newest + 1);
        const QStringList& headers = auditLogHeaders();
        QStringList cells;
        qint64 cellsRow = -1;
        const CellText cell = [&](qint64 row, qint64 col) -> QString {
            if (row == 0)
                return headers.value(int(col));
            if (row != cellsRow) {
                const store::AuditRecord* r = pages.at(row - 1);
                cells = r ? auditLogCells(*r) : QStringList();
                cellsRow = row;
            }
            return cells.value(int(col));
        };
        const QString name = sensor.isEmpty() ? kSheetName : kSheetName + u' ' + sensor;
        return FlexGridToExcel(m_c.st, m_c.pr, cell, pages.count() + 1, headers.size(), 1, name);
    } catch (...) {
        failed(QStringLiteral("cmdAuditExport_Click"), QStringLiteral("The change log could not be exported."));
        return QString();
    }
}

void cmdAuditLog_Click(MainContext& c)
{
    frmAuditLog f(c, c.ui.SSTab1 ? c.ui.SSTab1->window() : nullptr);
    f.Form_Load();
    f.exec();
}

void wireAuditLog(MainContext& c, QObject* owner)
{
    if (c.ui.cmdAuditLog)
        QObject::connect(c.ui.cmdAuditLog, &QPushButton::clicked, owner, [&c] { cmdAuditLog_Click(c); });
}

} // namespace rv::reports
