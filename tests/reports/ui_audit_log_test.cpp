// The change log: the rows the main window's changes write, and the Change
// Log window that shows them.
#include "readings_fixture.h"
#include "reports/frmAuditLog.h"
#include "reports_support.h"
#include "store/audit.h"

#include <QFileInfo>
#include <QScrollBar>
#include <QTableView>

using namespace rv;
using namespace rv::test;

namespace {

class ChangeLogTest : public ReadingsPageTest {
protected:
    std::vector<store::AuditRecord> log(const QString& sensor = QString())
    {
        return store::readAuditLog(*st->conn, sensor, 0, 1000);
    }

    // Opens the Change Log with a click on its button on the Utilities page
    // and runs f on the window while it is up; the window is closed after.
    void withChangeLog(const std::function<void(reports::frmAuditLog*)>& f)
    {
        page(7);
        bool seen = false;
        QTimer::singleShot(0, [&] {
            auto* dlg = qobject_cast<reports::frmAuditLog*>(QApplication::activeModalWidget());
            seen = dlg != nullptr;
            if (!dlg) {
                if (QWidget* m = QApplication::activeModalWidget())
                    m->close();
                return;
            }
            dlg->activateWindow();
            QApplication::setActiveWindow(dlg);
            QApplication::processEvents();
            f(dlg);
            if (dlg->isVisible())
                dlg->close();
        });
        mouseClick(w<QPushButton>("cmdAuditLog"));
        EXPECT_TRUE(seen) << "frmAuditLog was not shown";
    }

    static QString cell(reports::frmAuditLog* d, int row, int col)
    {
        return d->grdAuditLog->model()->index(row, col).data().toString();
    }
};

} // namespace

// Each change made through the window writes one row, with only what
// changed for an edit.
TEST_F(ChangeLogTest, ChangesThroughTheWindowWriteTheirRows)
{
    // The sensor added by the fixture.
    auto rows = log();
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].action, "add");
    EXPECT_EQ(rows[0].instrumentId, id);
    EXPECT_TRUE(rows[0].newValues.contains("SensorType=65; ")) << rows[0].newValues.toStdString();
    EXPECT_TRUE(rows[0].newValues.contains("Destroyed=No")) << rows[0].newValues.toStdString();
    EXPECT_FALSE(rows[0].newValues.contains("InstrumentID"));

    // An edit of the catalogue row, saved by leaving the page.
    keys("txtLevel", "L7 North");
    page(1);
    rows = log();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].action, "edit");
    EXPECT_EQ(rows[0].oldValues, "Level=");
    EXPECT_EQ(rows[0].newValues, "Level=L7 North");
    // Showing and leaving without a change writes nothing.
    page(0);
    page(1);
    EXPECT_EQ(log().size(), 2u);

    // A reading added, typed into and saved by leaving the page.
    toReadings();
    click("imgAddReading");
    const QString key = text("txtReadingID");
    rows = log();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_EQ(rows[0].action, "add");
    EXPECT_EQ(rows[0].readingKey, key);
    EXPECT_TRUE(rows[0].newValues.contains("Plottemporal=Yes")) << rows[0].newValues.toStdString();
    keys("txtChannel(2)", "12.5");
    page(0);
    rows = log();
    ASSERT_EQ(rows.size(), 4u);
    EXPECT_EQ(rows[0].action, "edit");
    EXPECT_EQ(rows[0].readingKey, key);
    EXPECT_EQ(rows[0].oldValues, "Channel2=");
    EXPECT_EQ(rows[0].newValues, "Channel2=12.5");

    // The reading deleted: its values go into the row.
    toReadings();
    deleteWith([&](FrmBatchDel* d) { pressIn(d, "cmdSingleDel"); });
    ASSERT_EQ(readingCount(), 0);
    rows = log();
    ASSERT_EQ(rows.size(), 5u);
    EXPECT_EQ(rows[0].action, "delete");
    EXPECT_EQ(rows[0].readingKey, key);
    EXPECT_TRUE(rows[0].oldValues.contains("Channel2=12.5")) << rows[0].oldValues.toStdString();

    // A batch deletion: one row per reading; deleting them all: one row.
    putReading("2026/05/01 09:00:00", "1");
    putReading("2026/05/02 09:00:00", "2");
    putReading("2026/05/03 09:00:00", "3");
    page(0);
    toReadings();
    deleteWith([&](FrmBatchDel* d) {
        d->findChild<QCalendarWidget*>("DelStart")->setSelectedDate(QDate(2026, 5, 1));
        d->findChild<QCalendarWidget*>("DelEnd")->setSelectedDate(QDate(2026, 5, 2));
        pressIn(d, "OKButton");
    });
    rows = log();
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].readingKey, id + " 2026/05/02 09:00:00");
    EXPECT_EQ(rows[1].readingKey, id + " 2026/05/01 09:00:00");
    deleteWith([&](FrmBatchDel* d) { pressIn(d, "Command1"); });
    rows = log();
    ASSERT_EQ(rows.size(), 8u);
    EXPECT_EQ(rows[0].readingKey, "");
    EXPECT_EQ(rows[0].oldValues, "Readings=1");

    // The sensor deleted: one row, with how many readings went with it.
    putReading("2026/05/04 09:00:00", "4");
    page(0);
    pr.clear();
    pr.answer(MsgResult::Yes);
    click("imgDelete");
    ASSERT_FALSE(data.hasTable(id));
    rows = log();
    ASSERT_EQ(rows.size(), 9u);
    EXPECT_EQ(rows[0].action, "delete");
    EXPECT_EQ(rows[0].instrumentId, id);
    EXPECT_TRUE(rows[0].oldValues.contains("Level=L7 North")) << rows[0].oldValues.toStdString();
    EXPECT_TRUE(rows[0].oldValues.endsWith("; Readings=1")) << rows[0].oldValues.toStdString();
    for (const auto& r : rows)
        EXPECT_EQ(r.changedBy, store::auditUser(*st->conn));
}

// A save the file refuses keeps neither the change nor its row.
TEST_F(ChangeLogTest, ARefusedSaveLeavesNoRow)
{
    putReading("2026/05/01 09:00:00", "1");
    toReadings();
    ASSERT_EQ(sqlite3_exec(st->conn->handle(),
                           ("CREATE TRIGGER refuse BEFORE UPDATE ON \"" + id +
                            "\" BEGIN SELECT RAISE(ABORT, 'refused'); END")
                               .toUtf8()
                               .constData(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    const size_t before = log().size();
    keys("txtChannel(1)", "9");
    page(0);
    EXPECT_TRUE(lastMessage().startsWith("The changes to reading " + id + " 2026/05/01 09:00:00 could not be saved."))
        << lastMessage().toStdString();
    EXPECT_EQ(log().size(), before);
    EXPECT_EQ(stored("2026/05/01 09:00:00", "Channel1"), QVariant(1.0));
}

// The window: newest first, read a page at a time as the grid scrolls, one
// sensor's rows through the filter, and the export of every row shown.
TEST_F(ChangeLogTest, TheWindowShowsNewestFirstFiltersAndExports)
{
    for (int k = 1; k <= 450; ++k)
        store::writeAudit(*st->conn, {k % 3 ? QStringLiteral("200545002") : QStringLiteral("200545003"),
                                      QStringLiteral("key %1").arg(k), store::audit::Edit,
                                      QStringLiteral("Channel1=%1").arg(k - 1), QStringLiteral("Channel1=%1").arg(k)});
    withChangeLog([&](reports::frmAuditLog* d) {
        EXPECT_EQ(d->windowTitle(), "Rockvane Change Log");
        auto* grid = d->findChild<QTableView*>("grdAuditLog");
        ASSERT_NE(grid, nullptr);
        QStringList headers;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            headers << grid->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(headers, (QStringList{"When", "Who", "Machine", "Sensor", "Reading", "Action", "Old Values",
                                        "New Values"}));
        // Only what the grid needs is read before it shows.
        EXPECT_LT(grid->model()->rowCount(), 451);
        EXPECT_EQ(cell(d, 0, 4), "key 450");
        EXPECT_EQ(cell(d, 0, 6), "Channel1=449");
        EXPECT_EQ(cell(d, 0, 7), "Channel1=450");
        EXPECT_EQ(cell(d, 0, 5), "edit");
        EXPECT_EQ(cell(d, 0, 1), store::auditUser(*st->conn));
        EXPECT_EQ(cell(d, 0, 0).left(10), QDate::currentDate().toString("yyyy/MM/dd"));
        // The sensor added by the fixture is the oldest row of all.
        grid->setFocus();
        for (int k = 0; k < 10 && grid->model()->rowCount() < 451; ++k) {
            keyToFocus(Qt::Key_End, Qt::ControlModifier);
            QApplication::processEvents();
        }
        ASSERT_EQ(grid->model()->rowCount(), 451);
        EXPECT_EQ(cell(d, 450, 5), "add");
        EXPECT_EQ(cell(d, 450, 3), id);

        auto* box = d->findChild<QComboBox*>("cboAuditSensor");
        ASSERT_NE(box, nullptr);
        EXPECT_EQ(box->itemText(0), "(All sensors)");
        EXPECT_EQ(box->count(), 4);  // the three sensors of the log
        box->setFocus();
        QApplication::processEvents();
        ASSERT_EQ(QApplication::focusWidget(), box);
        keyToFocus(Qt::Key_Down);  // 200545002
        EXPECT_EQ(box->currentText(), "200545002");
        EXPECT_EQ(cell(d, 0, 4), "key 449");
        for (int r = 0; r < grid->model()->rowCount(); ++r)
            ASSERT_EQ(cell(d, r, 3), "200545002") << r;

        // The export holds every row of the filter, also those not read yet.
        pr.clear();
        mouseClick(d->cmdAuditExport);
        QString file;
        for (const auto& r : pr.records())
            if (r.kind == PromptRecord::Kind::OpenWith)
                file = r.text;
        ASSERT_FALSE(file.isEmpty()) << "nothing was handed to the spreadsheet program";
        EXPECT_TRUE(QFileInfo(file).fileName().startsWith("Change Log 200545002 " + QDate::currentDate().toString("yyyy-MM-dd")))
            << file.toStdString();
        EXPECT_TRUE(file.endsWith(".xlsx"));
        EXPECT_EQ(QFileInfo(file).absolutePath(), QFileInfo(data.folder()).absoluteFilePath());
        const SheetCells sheet = readSheet(file);
        EXPECT_EQ(sheet.lastRow, 301);  // the header and 300 rows
        EXPECT_EQ(sheet.cells.value("A1").value, "When");
        EXPECT_EQ(sheet.cells.value("H1").value, "New Values");
        EXPECT_EQ(sheet.cells.value("E2").value, "key 449");
        EXPECT_EQ(sheet.cells.value("E301").value, "key 1");
        EXPECT_EQ(sheet.cells.value("F301").value, "edit");
        EXPECT_EQ(sheet.cells.value("G301").value, "Channel1=0");
        EXPECT_EQ(sheetNameOf(file), "Change Log 200545002");

        mouseClick(d->cmdAuditClose);
        EXPECT_FALSE(d->isVisible());
    });
}
