// Trigger levels through the real windows: the levels window with every
// refusal, OK, Cancel and Clear; the level lines on the four graphs; the
// exceedances after an import; the site status window; and a deleted
// sensor taking its levels with it.
#include "import/frmExceedances.h"
#include "import/ui_import.h"
#include "common/scripted_progress.h"
#include "import_support.h"
#include "main_window_fixture.h"
#include "reports/frmSiteStatus.h"
#include "reports_support.h"
#include "reports_window_support.h"
#include "sensors/frmLevels.h"
#include "sensors/trigger_levels.h"
#include "store/settings.h"
#include "ui/ui_chart.h"

#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <qcustomplot.h>

using namespace rv;
using namespace rv::test;

namespace {

const QString kSensor = QStringLiteral("250045001");

// Types into a grid cell with real key presses, then Enter.
void typeCell(QTableWidget* g, int row, int col, const QString& text)
{
    g->setFocus(Qt::OtherFocusReason);
    g->setCurrentCell(row, col);
    QApplication::processEvents();
    // Delete clears a cell that already holds a text; typing starts an edit.
    if (!text.isEmpty()) {
        for (QChar ch : text) {
            QTest::keyClicks(QApplication::focusWidget(), QString(ch));
            QApplication::processEvents();
        }
        // Select-all and retype when the cell held text: the edit started by
        // the first key replaces the old text.
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    } else {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F2);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Delete);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    }
    QApplication::processEvents();
}

void press(QWidget* button)
{
    button->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QApplication::processEvents();
}

calc::Levels loadLevels(double a, double b, double c)
{
    calc::Levels l = calc::defaultLevels();
    l.of(calc::Quantity::Load).level[1].value = a;
    l.of(calc::Quantity::Load).level[2].value = b;
    l.of(calc::Quantity::Load).level[3].value = c;
    return l;
}

} // namespace

class LevelsWindows : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        addSensor(kSensor);
        pr.clear();
    }

    // Opens the levels window from the Identification page; act runs in it.
    void withLevelsWindow(std::function<void(sensors::frmLevels&)> act)
    {
        page(0);
        bool ran = false;
        onModal("frmLevels", [&](QDialog* d) {
            ran = true;
            act(*static_cast<sensors::frmLevels*>(d));
            if (d->isVisible())
                d->reject();
        });
        focusOn("cmdLevels");
        keyToFocus(Qt::Key_Space);
        EXPECT_TRUE(ran);
    }

    sensors::ScopeLevels stored(const QString& scope) { return sensors::readScopeLevels(*st->conn, scope); }

    // A reading with channel values, written straight to the table.
    void reading(const QString& id, const QString& when, std::vector<double> ch, bool temporal = true,
                 bool spatial = true)
    {
        store::Recordset rs;
        rs.open("SELECT * FROM `" + id + "` ORDER BY FullDate", *st->conn);
        rs.addNew();
        rs.setValue("DateTimeKey", id + " " + when);
        rs.setValue("ReadingDate", when.left(10));
        rs.setValue("ReadingTime", when.mid(11));
        rs.setValue("FullDate", when);
        rs.setValue("Plottemporal", temporal);
        rs.setValue("PlotSpatial", spatial);
        for (size_t k = 0; k < ch.size(); ++k)
            rs.setValue(QStringLiteral("Channel%1").arg(k + 1), ch[k]);
        rs.update();
    }
};

TEST_F(LevelsWindows, EveryRefusalNamesTheCellAndSavesNothing)
{
    QStringList said;
    withLevelsWindow([&](sensors::frmLevels& f) {
        EXPECT_EQ(f.windowTitle(), "Rockvane Trigger Levels");
        EXPECT_EQ(f.lblLevelsHeader->text(), "Trigger levels for Sensor RV" + kSensor);
        EXPECT_EQ(f.optLevelsType->text(), "All sensors of type 45 (defaults)");
        // No levels anywhere: the type's defaults are in force.
        EXPECT_TRUE(f.optLevelsType->isChecked());
        EXPECT_EQ(f.grdLevels->horizontalHeaderItem(1)->text(), "Load (tonnes)");
        EXPECT_EQ(f.grdLevels->item(2, 0)->text(), "Action");
        EXPECT_EQ(f.grdLevels->item(0, 4)->text(), "#e0b000");

        press(f.optLevelsSensor);
        typeCell(f.grdLevels, 0, 1, "1o");
        press(f.cmdLevelsOK);
        said << lastMessage();
        typeCell(f.grdLevels, 0, 1, "0");
        press(f.cmdLevelsOK);
        said << lastMessage();
        typeCell(f.grdLevels, 0, 1, "10");
        typeCell(f.grdLevels, 1, 1, "10");
        press(f.cmdLevelsOK);
        said << lastMessage();
        EXPECT_TRUE(f.isVisible());
        EXPECT_EQ(f.grdLevels->currentRow(), 1);  // the bad cell is selected
    });
    EXPECT_EQ(said, (QStringList{"Level 1 (Alert), Load (tonnes): not a number.",
                                 "Level 1 (Alert), Load (tonnes): must be above 0.",
                                 "Level 2 (Alarm), Load (tonnes): must be above the Alert level."}));
    EXPECT_EQ(pr.messages().back().title, "Quillon's Rockvane");
    EXPECT_FALSE(stored(kSensor).any());
    EXPECT_FALSE(stored("45").any());
}

TEST_F(LevelsWindows, OkSavesTheChosenScopeCancelSavesNothingClearHandsBackToTheType)
{
    // Cancel after typing: nothing.
    withLevelsWindow([&](sensors::frmLevels& f) {
        typeCell(f.grdLevels, 0, 2, "5");
        press(f.cmdLevelsCancel);
    });
    EXPECT_FALSE(stored("45").any());

    // The type's defaults, with a renamed level.
    withLevelsWindow([&](sensors::frmLevels& f) {
        typeCell(f.grdLevels, 0, 2, "5");
        typeCell(f.grdLevels, 2, 2, "50");
        typeCell(f.grdLevels, 2, 0, "Evacuate");
        press(f.cmdLevelsOK);
        EXPECT_FALSE(f.isVisible());
    });
    sensors::ScopeLevels type = stored("45");
    EXPECT_EQ(type.hasRows, (std::array<bool, 3>{false, true, false}));
    EXPECT_EQ(type.levels.of(calc::Quantity::Disp).level[1].value, 5.0);
    EXPECT_FALSE(type.levels.of(calc::Quantity::Disp).level[2].value);
    EXPECT_EQ(type.levels.of(calc::Quantity::Disp).level[3].name, "Evacuate");

    // The sensor's own, starting from its type's; the colour from the picker.
    withLevelsWindow([&](sensors::frmLevels& f) {
        EXPECT_TRUE(f.optLevelsType->isChecked());
        press(f.optLevelsSensor);
        EXPECT_EQ(f.grdLevels->item(0, 2)->text(), "5");
        f.chooseColour = [](const QString& was) -> std::optional<QString> {
            EXPECT_EQ(was, "#e0b000");
            return QString("#00aa00");
        };
        f.grdLevels->setFocus();
        f.grdLevels->setCurrentCell(0, 4);
        keyToFocus(Qt::Key_Space);
        typeCell(f.grdLevels, 1, 1, "20");
        press(f.cmdLevelsOK);
    });
    sensors::ScopeLevels own = stored(kSensor);
    EXPECT_EQ(own.hasRows, (std::array<bool, 3>{true, true, false}));
    EXPECT_EQ(own.levels.of(calc::Quantity::Load).level[2].value, 20.0);
    EXPECT_EQ(own.levels.of(calc::Quantity::Disp).level[1].colour, "#00aa00");

    // Opens on the sensor's own; Clear asks, then the type applies again.
    withLevelsWindow([&](sensors::frmLevels& f) {
        EXPECT_TRUE(f.optLevelsSensor->isChecked());
        pr.answer(MsgResult::No);
        press(f.cmdLevelsClear);
        EXPECT_TRUE(stored(kSensor).any());
        pr.answer(MsgResult::Yes);
        press(f.cmdLevelsClear);
        EXPECT_TRUE(f.optLevelsType->isChecked());
        EXPECT_EQ(f.grdLevels->item(1, 1)->text(), "");
    });
    EXPECT_FALSE(stored(kSensor).any());
    EXPECT_TRUE(stored("45").any());
}

TEST_F(LevelsWindows, TheFourGraphsDrawTheLevelsAndMarkTheTimePoints)
{
    calc::Levels l = loadLevels(10, 20, std::nan(""));
    l.of(calc::Quantity::Load).level[3].value.reset();
    l.of(calc::Quantity::Disp).level[3].value = 50;
    sensors::writeScopeLevels(*st->conn, "45", l);
    reading(kSensor, "2024/03/01 00:00:00", {0, 0, 0});
    reading(kSensor, "2024/03/02 00:00:00", {12, 0, 0});
    reading(kSensor, "2024/03/03 00:00:00", {25, -3, 0});
    win->findChild<QComboBox*>("cboSensors")->setCurrentIndex(0);
    page(3);
    ASSERT_EQ(currentPage(), 3);
    graphs::Chart* t = graphs::Chart::of(w<QCustomPlot>("ChartT"));
    EXPECT_EQ(t->levelLegend(), (QStringList{"Alert 10 tonnes", "Alarm 20 tonnes"}));
    const auto marks = t->pointMarks();
    ASSERT_EQ(marks.size(), 2u);
    EXPECT_EQ(marks[0].series, 1);
    EXPECT_EQ(marks[0].point, 1);
    EXPECT_EQ(marks[0].colour, QColor("#e0b000"));
    EXPECT_EQ(marks[1].colour, QColor("#ff7f00"));
    page(4);
    EXPECT_EQ(graphs::Chart::of(w<QCustomPlot>("ChartT2"))->levelLegend(), QStringList{"Action 50 mm"});
    page(5);
    graphs::Chart* s = graphs::Chart::of(w<QCustomPlot>("ChartS"));
    EXPECT_EQ(s->levelLegend(), (QStringList{"Alert 10 tonnes", "Alarm 20 tonnes"}));
    EXPECT_TRUE(s->pointMarks().empty());
    page(6);
    EXPECT_EQ(graphs::Chart::of(w<QCustomPlot>("ChartDvL"))->levelLegend(), QStringList{"Action 50 mm"});
}

TEST_F(LevelsWindows, AnImportWhoseReadingsCrossALevelListsThem)
{
    QTemporaryDir files;
    ScriptedProgress progress;
    importing::ImportSession* session = importing::importSession(win.get());
    session->setProgress(&progress);
    session->archiveRoot = [&](const QString&) { return files.path(); };
    // Channel 1 rises by 0.01 an hour from 2.00: 0.05 at the fifth hour.
    sensors::writeScopeLevels(*st->conn, "45", loadLevels(0.05, 0.08, 0.5));
    const QString path = files.path() + "/" + kSensor + ".txt";
    writeReadout(path, hourlyReadout(10));
    page(2);
    w<QComboBox>("cboSlugInt")->setCurrentIndex(0);  // every hour
    pr.clear();
    pr.answerFile(path);
    pr.answer(MsgResult::Yes);
    QStringList cells;
    QString caption, xlsx;
    int rows = 0;
    bool messageFirst = false;
    onModal("frmExceedances", [&](QDialog* d) {
        auto* f = static_cast<importing::frmExceedances*>(d);
        caption = d->windowTitle();
        messageFirst = lastMessage().contains("records appended");
        rows = f->grdExceedances->rowCount();
        for (int c = 0; c < f->grdExceedances->columnCount(); ++c)
            cells << f->grdExceedances->item(0, c)->text();
        press(f->cmdExceedExport);
        d->accept();
    });
    ReviewWindowHook hook([&](importing::FrmSlugData& w) {
        w.cmdAppend->setFocus();
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QApplication::processEvents();
    });
    click("imgAddSlugData");
    EXPECT_TRUE(hook.ran());
    EXPECT_EQ(caption, "Rockvane Exceedances");
    EXPECT_TRUE(messageFirst);
    // Hours 5..7 Alert, 8..9 Alarm: Alarm first.
    EXPECT_EQ(rows, 5);
    EXPECT_EQ(cells, (QStringList{"RV" + kSensor, kSensor + " 2024/03/01 08:00:00", "Load", "1", "0.08", "Alarm"}));
    for (const PromptRecord& r : pr.records())
        if (r.kind == PromptRecord::Kind::OpenWith)
            xlsx = r.text;
    ASSERT_FALSE(xlsx.isEmpty());
    const SheetCells sheet = readSheet(xlsx);
    EXPECT_EQ(sheet.rows, 6);
    EXPECT_EQ(sheet.cells["F1"].value, "Level");
    EXPECT_EQ(sheet.cells["F6"].value, "Alert");

    // Nothing crossed: nothing shown.
    sensors::writeScopeLevels(*st->conn, "45", loadLevels(5, 8, 50));
    writeReadout(path, hourlyReadout(3, "001", QDateTime(QDate(2024, 4, 1), QTime(0, 0), Qt::UTC)));
    pr.answerFile(path);
    pr.answer(MsgResult::Yes);
    ReviewWindowHook again([&](importing::FrmSlugData& w) {
        w.cmdAppend->setFocus();
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QApplication::processEvents();
    });
    click("imgAddSlugData");
    EXPECT_TRUE(again.ran());
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(LevelsWindows, SiteStatusOrderColoursOverdueAndDoubleClick)
{
    sensors::writeScopeLevels(*st->conn, "45", loadLevels(10, 20, 30));
    addSensor("250045002");
    addSensor("250045003");
    const QString recent = QDateTime::currentDateTime().addDays(-1).toString("yyyy/MM/dd HH:mm:ss");
    const QString older = QDateTime::currentDateTime().addDays(-2).toString("yyyy/MM/dd HH:mm:ss");
    reading(kSensor, older, {0, 0, 0});
    reading(kSensor, recent, {5, 0, 0});
    reading("250045002", "2024/01/01 00:00:00", {0, 0, 0});
    reading("250045002", "2024/01/02 00:00:00", {0, 0, 0});
    reading("250045003", older, {0, 0, 0});
    reading("250045003", recent, {0, 25, 0});
    page(7);
    QStringList order;
    QString overdue, colour, days;
    bool chosen = false;
    onModal("frmSiteStatus", [&](QDialog* d) {
        auto* f = static_cast<reports::frmSiteStatus*>(d);
        EXPECT_EQ(d->windowTitle(), "Rockvane Site Status");
        EXPECT_EQ(f->txtOverdueDays->text(), "7");
        QTableWidget* g = f->grdSiteStatus;
        for (int r = 0; r < g->rowCount(); ++r)
            order << g->item(r, 0)->text() + " " + g->item(r, 6)->text();
        colour = g->item(0, 6)->background().color().name();
        overdue = g->item(1, 5)->text();
        // A longer allowance, typed: nobody is overdue, and it is kept.
        f->txtOverdueDays->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(QApplication::focusWidget(), "5000");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QApplication::processEvents();
        days = g->item(1, 5)->text();
        const QPoint at = g->visualItemRect(g->item(1, 0)).center();
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(g->viewport(), Qt::LeftButton, {}, at);
        QApplication::processEvents();
        chosen = !d->isVisible();
        if (d->isVisible())
            d->reject();
    });
    focusOn("cmdSiteStatus");
    keyToFocus(Qt::Key_Space);
    EXPECT_EQ(order, (QStringList{"RV250045003 Alarm", "RV250045002 OK", "RV" + kSensor + " OK"}));
    EXPECT_EQ(colour, "#ff7f00");
    EXPECT_TRUE(overdue.endsWith(" (Overdue)")) << overdue.toStdString();
    EXPECT_FALSE(days.contains("Overdue"));
    EXPECT_EQ(store::readSetting(*st->conn, QString(), "OverdueDays"), QString("5000"));
    // The double-clicked sensor is the current one, shown on its page.
    EXPECT_TRUE(chosen);
    EXPECT_EQ(st->rsSensors.text("InstrumentID"), "250045002");
    EXPECT_EQ(currentPage(), 0);
}

TEST_F(LevelsWindows, DeletingASensorDeletesItsLevelsAndSettings)
{
    sensors::writeScopeLevels(*st->conn, kSensor, loadLevels(1, 2, 3));
    sensors::writeScopeLevels(*st->conn, "45", loadLevels(1, 2, 3));
    store::writeSetting(*st->conn, kSensor, "ImportDateLayout", "YYYY/MM/DD");
    store::writeSetting(*st->conn, QString(), "OverdueDays", "9");
    page(0);
    pr.answer(MsgResult::Yes);
    click("imgDelete");
    EXPECT_FALSE(stored(kSensor).any());
    EXPECT_TRUE(stored("45").any());
    EXPECT_FALSE(store::readSetting(*st->conn, kSensor, "ImportDateLayout"));
    EXPECT_EQ(store::readSetting(*st->conn, QString(), "OverdueDays"), QString("9"));
}
