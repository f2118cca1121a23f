#include "import/frmExceedances.h"

#include "reports/grid_export.h"
#include "ui/ui_main_layout.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTabWidget>
#include <QTableWidget>
#include <QVBoxLayout>

namespace rv::importing {

frmExceedances::frmExceedances(MainContext& c, std::vector<ExceedanceRow> rows, QWidget* parent)
    : QDialog(parent), m_c(c), m_rows(std::move(rows))
{
    setObjectName(QStringLiteral("frmExceedances"));
    setWindowTitle(QStringLiteral("Rockvane Exceedances"));
    setModal(true);
    resize(820, 420);

    const QString sensor = m_rows.empty() ? QString() : c.st.prefs.MineID + m_rows.front().sensor;
    auto* layout = new QVBoxLayout(this);
    lblExceedHeader = new QLabel(QStringLiteral("Appended readings of Sensor ") + sensor +
                                     QStringLiteral(" beyond their trigger levels"),
                                 this);
    lblExceedHeader->setObjectName(QStringLiteral("lblExceedHeader"));
    QFont bold = lblExceedHeader->font();
    bold.setBold(true);
    lblExceedHeader->setFont(bold);
    layout->addWidget(lblExceedHeader);

    const QStringList headers = exceedanceHeaders();
    grdExceedances = new QTableWidget(int(m_rows.size()), int(headers.size()), this);
    grdExceedances->setObjectName(QStringLiteral("grdExceedances"));
    grdExceedances->setHorizontalHeaderLabels(headers);
    grdExceedances->verticalHeader()->setVisible(false);
    grdExceedances->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grdExceedances->setSelectionBehavior(QAbstractItemView::SelectRows);
    grdExceedances->setTabKeyNavigation(false);
    for (int r = 0; r < int(m_rows.size()); ++r) {
        const ExceedanceRow& row = m_rows[size_t(r)];
        const QStringList cells = exceedanceCells(row, c.st.prefs.MineID);
        for (int col = 0; col < cells.size(); ++col) {
            auto* item = new QTableWidgetItem(cells[col]);
            if (col == 3 || col == 4)
                item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
            grdExceedances->setItem(r, col, item);
        }
        const QColor colour(row.colour);
        if (colour.isValid()) {
            QTableWidgetItem* level = grdExceedances->item(r, 5);
            level->setBackground(colour);
            level->setForeground(colour.lightness() < 128 ? QColor(Qt::white) : QColor(Qt::black));
        }
    }
    grdExceedances->resizeColumnsToContents();
    layout->addWidget(grdExceedances);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    cmdExceedExport = new QPushButton(QStringLiteral("Export"), this);
    cmdExceedExport->setObjectName(QStringLiteral("cmdExceedExport"));
    cmdExceedExport->setAutoDefault(false);
    buttons->addWidget(cmdExceedExport);
    layout->addLayout(buttons);

    connect(cmdExceedExport, &QPushButton::clicked, this, [this] {
        const QString id = m_rows.empty() ? QString() : m_rows.front().sensor;
        reports::FlexGridToExcel(
            m_c.st, m_c.pr, [this](qint64 r, qint64 col) { return TextMatrix(r, col); }, Rows(), Cols(), 1,
            QStringLiteral("Exceedances ") + id);
    });
}

qint64 frmExceedances::Rows() const
{
    return qint64(m_rows.size()) + 1;
}

qint64 frmExceedances::Cols() const
{
    return exceedanceHeaders().size();
}

QString frmExceedances::TextMatrix(qint64 row, qint64 col) const
{
    if (row == 0)
        return exceedanceHeaders().value(int(col));
    if (row < 1 || row > qint64(m_rows.size()))
        return QString();
    return exceedanceCells(m_rows[size_t(row - 1)], m_c.st.prefs.MineID).value(int(col));
}

void showExceedances(MainContext& c, const std::vector<ExceedanceRow>& rows)
{
    if (rows.empty())
        return;
    frmExceedances f(c, rows, c.ui.SSTab1 ? c.ui.SSTab1->window() : nullptr);
    f.exec();
}

} // namespace rv::importing
