#include "graphs/frmDisp.h"

#include "ui/ui_icons.h"
#include "common/format.h"
#include "common/log.h"
#include "graphs/graph_data.h"
#include "readings/sensor_tables.h"
#include "readings/ui_readings.h"
#include "store/recordset.h"

#include <QHBoxLayout>
#include <algorithm>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace rv::graphs {

namespace {

constexpr int kTwipsPerPixel = 15;
// Field position of " Disp 1" is 35: column j reads field j + 32.
constexpr int kDispFieldShift = 32;

} // namespace

frmDisp::frmDisp(MainContext& c, QWidget* parent) : QDialog(parent), m_c(c)
{
    setObjectName(QStringLiteral("frmDisp"));
    setWindowTitle(QStringLiteral("Rockvane Disp Values"));
    setModal(true);
    resize(760, 480);

    lblHeader = new QLabel(this);
    lblHeader->setObjectName(QStringLiteral("lblHeader"));
    QFont f = lblHeader->font();
    f.setBold(true);
    lblHeader->setFont(f);

    MSFlexGrid1 = new QTableWidget(this);
    MSFlexGrid1->setObjectName(QStringLiteral("MSFlexGrid1"));
    MSFlexGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    MSFlexGrid1->verticalHeader()->hide();
    MSFlexGrid1->horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    MSFlexGrid1->setWordWrap(false);
    // Read-only: Tab leaves the grid for the export button.
    MSFlexGrid1->setTabKeyNavigation(false);

    Image1 = new QToolButton(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setIcon(buttonIcon(QStringLiteral("x-office-spreadsheet"), QStyle::SP_FileDialogDetailedView));
    Image1->setIconSize(QSize(32, 32));
    Image1->setAutoRaise(true);
    Image1->setToolTip(QStringLiteral("Export to a spreadsheet"));
    auto* exportCaption = new QLabel(QStringLiteral("Export to Spreadsheet"), this);

    auto* bottom = new QHBoxLayout;
    bottom->addWidget(Image1);
    bottom->addWidget(exportCaption);
    bottom->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(lblHeader);
    layout->addWidget(MSFlexGrid1, 1);
    layout->addLayout(bottom);
}

int frmDisp::dispColumns(const QString& sensorId)
{
    if (sensorId.size() < 5)
        return 0;
    const QChar ch = sensorId.at(4);
    return (ch >= u'0' && ch <= u'9') ? ch.unicode() - u'0' : 0;
}

bool frmDisp::PopulateFlexGrid(QTableWidget* grid, store::Recordset& rs, const QString& sensorId)
{
    grid->clear();
    // 1. An empty selection: the notice in the top-left cell.
    if (rs.recordCount() == 0) {
        grid->setRowCount(0);
        grid->setColumnCount(1);
        grid->setHorizontalHeaderLabels({QStringLiteral("No Readings")});
        grid->setColumnWidth(0, 2600 / kTwipsPerPixel);
        return true;
    }
    // 2. The shape and the header row.
    const int n = dispColumns(sensorId);
    const int cols = n + 3;
    grid->setRowCount(rs.recordCount());
    grid->setColumnCount(cols);
    QStringList headers;
    if (n > 0) {
        headers << QStringLiteral("DateTime Key") << QStringLiteral("ReadingDate") << QStringLiteral("R. Time");
        for (int k = 1; k <= n; ++k)
            headers << QStringLiteral(" Disp %1").arg(k);
    } else {
        headers = QStringList(cols, QString());
    }
    grid->setHorizontalHeaderLabels(headers);
    // 3. Widths from the header texts, the key column wider. A column without
    // a header text keeps the grid's standard width rather than none, which
    // would hide the date and time.
    for (int j = 0; j < cols; ++j) {
        const int chars = int(headers.value(j).trimmed().size());
        if (chars > 0)
            grid->setColumnWidth(j, 150 * chars / kTwipsPerPixel);
    }
    grid->setColumnWidth(0, 2600 / kTwipsPerPixel);

    // 4. The rows.
    try {
        rs.moveFirst();
        for (int r = 0; !rs.eof(); ++r, rs.moveNext()) {
            for (int j = 0; j < cols; ++j) {
                QString t;
                if (j < 3) {
                    t = rs.text(rs.fieldName(j));
                } else {
                    const QVariant v = rs.value(j + kDispFieldShift);
                    if (!v.isNull())
                        t = Format(v.toDouble(), QStringLiteral("###0.00"));
                }
                if (!t.isEmpty()) {
                    auto* item = new QTableWidgetItem(t);
                    if (j >= 3)
                        item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
                    grid->setItem(r, j, item);
                }
            }
        }
    } catch (...) {
        return false;
    }
    // Never narrower than the texts: a key cut short cannot be read.
    for (int j = 0; j < cols; ++j) {
        const int given = grid->columnWidth(j);
        grid->resizeColumnToContents(j);
        grid->setColumnWidth(j, std::max(given, grid->columnWidth(j)));
    }
    return true;
}

void frmDisp::Form_Load()
{
    try {
        OpenGraphData(m_c.st, m_c.pr, GraphSelection::Spatial);
        lblHeader->setText(QStringLiteral("Disp values from graph for Sensor ") + m_c.st.CurrentSensorID);
        if (m_c.st.rsGraph.state())
            PopulateFlexGrid(MSFlexGrid1, m_c.st.rsGraph, m_c.st.CurrentSensorID);
    } catch (...) {
        logCurrentException(m_c.st.DataFolder, QStringLiteral(" frmDatasheet.Form_Load"));
    }
}

qint64 frmDisp::Rows() const
{
    return MSFlexGrid1->rowCount() + 1;
}

qint64 frmDisp::Cols() const
{
    return MSFlexGrid1->columnCount();
}

QString frmDisp::TextMatrix(qint64 row, qint64 col) const
{
    if (row == 0) {
        const QTableWidgetItem* h = MSFlexGrid1->horizontalHeaderItem(int(col));
        return h ? h->text() : QString();
    }
    const QTableWidgetItem* it = MSFlexGrid1->item(int(row - 1), int(col));
    return it ? it->text() : QString();
}

void frmDisp::done(int r)
{
    Form_Unload();
    QDialog::done(r);
}

void frmDisp::Form_Unload()
{
    if (m_unloaded)
        return;
    m_unloaded = true;
    auto& st = m_c.st;
    attempt([&] { OpenSensorData(st, m_c.pr); });
    attempt([&] {
        auto& rs = st.rsReadings;
        if (!rs.state())
            return;
        if (rs.recordCount() > 0) {
            bool found = false;
            if (st.SavedReadingBookmark != 0)
                attempt([&] { rs.setBookmark(st.SavedReadingBookmark); found = true; });
            if (!found)
                rs.moveLast();
        }
    });
    attempt([&] { readings::fillreadings(m_c); });
    attempt([&] {
        auto& rs = st.rsReadings;
        if (rs.state() && rs.recordCount() > 0)
            m_c.ui.txtRcount->setText(QString::number(rs.absolutePosition()) + QStringLiteral(" of ") +
                                      QString::number(rs.recordCount()));
        else
            m_c.ui.txtRcount->setText(QStringLiteral("0 of 0"));
    });
}

} // namespace rv::graphs
