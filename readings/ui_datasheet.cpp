#include "readings/ui_datasheet.h"

#include "ui/ui_clickable_label.h"
#include "common/log.h"
#include "readings/frmDatasheet.h"
#include "readings/sensor_tables.h"
#include "readings/ui_readings.h"
#include "reports/grid_export.h"

#include <QLineEdit>
#include <QToolButton>
#include <QWidget>

namespace rv::readings {

void imgDatasheetClick(MainContext& c, QWidget* parent)
{
    AppState& st = c.st;
    SaveReadings(c);
    bool tookOver = false;
    guarded(st.DataFolder, QStringLiteral("imgDatasheet_Click"), [&] {
        auto& rs = st.rsReadings;
        st.CurrentSensorID = st.rsSensors.text(QStringLiteral("InstrumentID"));
        // The shown reading, to show again afterwards: the window moves
        // the set's cursor as its grid reads.
        if (rs.state() && !rs.bof() && !rs.eof() && rs.recordCount() > 0)
            st.SavedReadingBookmark = rs.bookmark();
        tookOver = true;
        FrmDatasheet dlg(st, c.pr, parent);
        // The export copies the grid as shown, edits included, with its
        // caption row first.
        dlg.exportButton()->setEnabled(true);
        QObject::connect(dlg.exportButton(), &QToolButton::clicked, &dlg, [&st, &c, &dlg] {
            const datasheet::Model& m = dlg.model();
            reports::FlexGridToExcel(
                st, c.pr,
                [&m](qint64 r, qint64 col) { return r == 0 ? m.header(int(col)) : m.text(int(r - 1), int(col)); },
                qint64(m.readingCount()) + 1, m.columnCount(), 1, st.CurrentSensorID);
        });
        dlg.exec();
    });
    if (!tookOver)
        return;
    // Back on the main window, on the reading shown before. The set was
    // open all along, and holds what the window wrote.
    guarded(st.DataFolder, QStringLiteral("imgDatasheet_Click"), [&] {
        auto& rs = st.rsReadings;
        if (!rs.state())
            OpenSensorData(st, c.pr);
        if (rs.state() && rs.recordCount() > 0) {
            bool back = false;
            if (st.SavedReadingBookmark != 0) {
                try {
                    rs.setBookmark(st.SavedReadingBookmark);
                    back = true;
                } catch (const store::DbError&) {
                    // The reading is gone; the latest one stands in for it.
                }
            }
            if (!back)
                rs.moveLast();
        }
        fillreadings(c);
        if (rs.state() && rs.recordCount() > 0)
            c.ui.txtRcount->setText(QString::number(rs.absolutePosition()) + " of "
                                    + QString::number(rs.recordCount()));
    });
}

void wireDatasheet(MainContext& c, QObject* owner)
{
    QWidget* parent = qobject_cast<QWidget*>(owner);
    QObject::connect(c.ui.imgDatasheet, &QToolButton::clicked, owner,
                     [&c, parent] { imgDatasheetClick(c, parent); });
    QObject::connect(c.ui.Label45, &ClickableLabel::clicked, owner,
                     [&c, parent] { imgDatasheetClick(c, parent); });
}

} // namespace rv::readings
