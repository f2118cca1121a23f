#include "reports/frmSiteStatus.h"

#include "common/log.h"
#include "reports/grid_export.h"
#include "sensors/ui_sensors.h"
#include "ui/ui_main_layout.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace rv::reports {

namespace {

const QString kSheetName = QStringLiteral("Site Status");

// A grid whose Enter on a row chooses it, as a double-click does.
class StatusGrid : public QTableWidget {
public:
    using QTableWidget::QTableWidget;
    std::function<void(int)> onChoose;

protected:
    void keyPressEvent(QKeyEvent* e) override
    {
        if ((e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) && currentRow() >= 0 && onChoose) {
            onChoose(currentRow());
            return;
        }
        QTableWidget::keyPressEvent(e);
    }
};

} // namespace

frmSiteStatus::frmSiteStatus(MainContext& c, QWidget* parent) : QDialog(parent), m_c(c)
{
    setObjectName(QStringLiteral("frmSiteStatus"));
    setWindowTitle(QStringLiteral("Rockvane Site Status"));
    setModal(true);
    resize(980, 560);

    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("A live sensor is overdue when its latest reading is older than"), this));
    txtOverdueDays = new QLineEdit(this);
    txtOverdueDays->setObjectName(QStringLiteral("txtOverdueDays"));
    txtOverdueDays->setMaximumWidth(60);
    top->addWidget(txtOverdueDays);
    top->addWidget(new QLabel(QStringLiteral("days."), this));
    top->addStretch();
    cmdSiteExport = new QPushButton(QStringLiteral("Export"), this);
    cmdSiteExport->setObjectName(QStringLiteral("cmdSiteExport"));
    cmdSiteExport->setAutoDefault(false);
    top->addWidget(cmdSiteExport);
    layout->addLayout(top);

    auto* grid = new StatusGrid(0, 8, this);
    grid->onChoose = [this](int row) { rowChosen(row); };
    grdSiteStatus = grid;
    grdSiteStatus->setObjectName(QStringLiteral("grdSiteStatus"));
    grdSiteStatus->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdSiteStatus->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdSiteStatus->setSelectionMode(QAbstractItemView::SingleSelection);
    grdSiteStatus->verticalHeader()->setVisible(false);
    grdSiteStatus->setHorizontalHeaderLabels(siteStatusHeaders());
    layout->addWidget(grdSiteStatus);
    layout->addWidget(new QLabel(QStringLiteral("Double-click a sensor (or press Enter on it) to show it."), this));

    connect(txtOverdueDays, &QLineEdit::editingFinished, this, [this] { overdueDaysEdited(); });
    connect(grdSiteStatus, &QTableWidget::cellDoubleClicked, this, [this](int row, int) { rowChosen(row); });
    connect(cmdSiteExport, &QPushButton::clicked, this, [this] {
        FlexGridToExcel(
            m_c.st, m_c.pr, [this](qint64 r, qint64 col) { return TextMatrix(r, col); }, Rows(), Cols(), 1,
            kSheetName);
    });
}

void frmSiteStatus::Form_Load()
{
    try {
        m_overdueDays = overdueDays(*m_c.st.conn);
    } catch (...) {
        m_c.logError(QStringLiteral("frmSiteStatus_Load"));
    }
    txtOverdueDays->setText(QString::number(m_overdueDays));
    refill();
}

void frmSiteStatus::refill()
{
    m_rows.clear();
    try {
        m_rows = siteStatus(*m_c.st.conn, now(), m_overdueDays);
    } catch (...) {
        m_c.logError(QStringLiteral("frmSiteStatus_Load"));
        int number = 0;
        QString why;
        describeCurrentException(number, why);
        m_c.pr.message(QStringLiteral("The site status could not be read.\n") + why, MsgIcon::Warning, MsgButtons::Ok,
                       kQuillonTitle);
    }
    grdSiteStatus->setRowCount(int(m_rows.size()));
    for (int r = 0; r < int(m_rows.size()); ++r) {
        const SiteStatusRow& row = m_rows[size_t(r)];
        const QStringList cells = siteStatusCells(row);
        for (int col = 0; col < cells.size(); ++col) {
            auto* item = new QTableWidgetItem(cells[col]);
            if (col == 3 || col == 5)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdSiteStatus->setItem(r, col, item);
        }
        if (row.overdue) {
            QTableWidgetItem* days = grdSiteStatus->item(r, 5);
            days->setForeground(QColor(0xd0, 0, 0));
            QFont f = days->font();
            f.setBold(true);
            days->setFont(f);
        }
        const QColor colour(row.stateColour);
        if (colour.isValid()) {
            QTableWidgetItem* state = grdSiteStatus->item(r, 6);
            state->setBackground(colour);
            state->setForeground(colour.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black));
        }
    }
    grdSiteStatus->resizeColumnsToContents();
}

void frmSiteStatus::overdueDaysEdited()
{
    bool ok = false;
    const int days = txtOverdueDays->text().trimmed().toInt(&ok);
    if (!ok || days < 0) {
        m_c.pr.message(QStringLiteral("The overdue days must be a whole number of 0 or more."), MsgIcon::Warning,
                       MsgButtons::Ok, kQuillonTitle);
        txtOverdueDays->setText(QString::number(m_overdueDays));
        return;
    }
    txtOverdueDays->setText(QString::number(days));
    if (days == m_overdueDays)
        return;
    m_overdueDays = days;
    try {
        setOverdueDays(*m_c.st.conn, days);
    } catch (...) {
        m_c.logError(QStringLiteral("txtOverdueDays_LostFocus"));
    }
    refill();
}

void frmSiteStatus::rowChosen(int row)
{
    if (row < 0 || row >= int(m_rows.size()))
        return;
    m_chosen = m_rows[size_t(row)].instrumentId;
    accept();
}

qint64 frmSiteStatus::Rows() const
{
    return qint64(m_rows.size()) + 1;
}

qint64 frmSiteStatus::Cols() const
{
    return siteStatusHeaders().size();
}

QString frmSiteStatus::TextMatrix(qint64 row, qint64 col) const
{
    if (row == 0)
        return siteStatusHeaders().value(int(col));
    if (row < 1 || row > qint64(m_rows.size()))
        return QString();
    return siteStatusCells(m_rows[size_t(row - 1)]).value(int(col));
}

void cmdSiteStatus_Click(MainContext& c)
{
    QString chosen;
    {
        frmSiteStatus f(c, c.ui.SSTab1 ? c.ui.SSTab1->window() : nullptr);
        f.Form_Load();
        f.exec();
        chosen = f.chosenSensor();
    }
    if (chosen.isEmpty())
        return;
    // The sensor list shows only what the filter lets through.
    const int i = c.ui.cboSensors->findText(chosen, Qt::MatchExactly);
    if (i < 0) {
        c.pr.message(QStringLiteral("Sensor ") + c.st.prefs.MineID + chosen +
                         QStringLiteral(" is hidden by the sensor filter. Remove the filter to show it."),
                     MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
        return;
    }
    c.ui.cboSensors->setCurrentIndex(i);
    sensors::cboSensorsClick(c);
    c.ui.SSTab1->setCurrentIndex(0);
}

void wireSiteStatus(MainContext& c, QObject* owner)
{
    if (c.ui.cmdSiteStatus)
        QObject::connect(c.ui.cmdSiteStatus, &QPushButton::clicked, owner, [&c] { cmdSiteStatus_Click(c); });
}

} // namespace rv::reports
