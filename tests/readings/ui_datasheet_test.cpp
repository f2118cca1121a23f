// The datasheet window, opened from the Readings page and driven with the
// keys and clicks a user gives it.
#include "datasheet_helpers.h"
#include "main_window_fixture.h"
#include "readings/frmDatasheet.h"

#include <QHeaderView>
#include <QTableView>
#include <QTimer>
#include <functional>

using namespace rv;
using namespace rv::test;

namespace {

const QString kId = QStringLiteral("200525001");  // type 25: ChannelT and Channel1

class DatasheetWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        addSensor(kId);
        pr.clear();
    }

    void add(const QString& when, const QVariantList& values, const QVariant& t = true,
             const QVariant& s = false)
    {
        addDatasheetReading(*st->conn, kId, when, values, t, s);
    }
    QVariant stored(const QString& when, const QString& field)
    {
        return storedField(*st->conn, kId, when, field);
    }

    // Clicks the datasheet button and runs f on the window while it is open
    // (modal); the window is closed afterwards if f left it open.
    void withDatasheet(const std::function<void(FrmDatasheet&)>& f)
    {
        bool ran = false;
        QTimer::singleShot(0, [&] {
            for (QWidget* w : QApplication::topLevelWidgets()) {
                auto* d = qobject_cast<FrmDatasheet*>(w);
                if (!d || !d->isVisible())
                    continue;
                ran = true;
                d->activateWindow();
                QApplication::setActiveWindow(d);
                d->grid()->setFocus(Qt::OtherFocusReason);
                QApplication::processEvents();
                f(*d);
                if (d->isVisible())
                    d->close();
                return;
            }
        });
        click("imgDatasheet");
        EXPECT_TRUE(ran) << "the datasheet did not open";
    }

    // Makes (row, col) the grid's current cell, as the arrow keys would.
    static void goTo(FrmDatasheet& d, int row, int col)
    {
        d.grid()->setCurrentIndex(d.grid()->model()->index(row, col));
    }
    static void typeKeys(const QString& text)
    {
        ASSERT_NE(QApplication::focusWidget(), nullptr);
        QTest::keyClicks(QApplication::focusWidget(), text);
        QApplication::processEvents();
    }
    static void clickCell(FrmDatasheet& d, int row, int col)
    {
        QTableView* g = d.grid();
        const QRect r = g->visualRect(g->model()->index(row, col));
        QTest::mouseClick(g->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(DatasheetWindowTest, OpensOnTheSensorsReadingsWithTheTypesColumns)
{
    add("2026/05/01 10:00:00", {20.5, 1.25});
    add("2026/05/02 10:00:00", {21, QVariant()}, false, true);
    page(2);
    withDatasheet([&](FrmDatasheet& d) {
        EXPECT_EQ(d.windowTitle(), "Rockvane DataSheet");
        EXPECT_TRUE(d.isModal());
        EXPECT_EQ(d.findChild<QLabel*>("lblHeader")->text(), "Data for Sensor " + kId);
        EXPECT_EQ(st->CurrentSensorID, kId);
        auto* grid = d.findChild<QTableView*>("MSFlexGrid1");
        ASSERT_EQ(grid, d.grid());
        EXPECT_EQ(QApplication::focusWidget(), grid);
        QStringList heads;
        for (int c = 0; c < grid->model()->columnCount(); ++c)
            heads << grid->model()->headerData(c, Qt::Horizontal).toString();
        EXPECT_EQ(heads, (QStringList{"DateTime Key", "ReadingDate", "R. Time", "ChannelT", "Channel1",
                                      "PlotTemporal", "PlotSpatial"}));
        // Never narrower than the twips give, and wide enough for a whole key.
        EXPECT_GE(grid->columnWidth(0), 2600 / 15);
        EXPECT_GE(grid->columnWidth(3), 960 / 15);
        EXPECT_GT(grid->columnWidth(0), grid->fontMetrics().horizontalAdvance(kId + " 2026/05/01 10:00:00"));
        EXPECT_GT(grid->columnWidth(2), grid->fontMetrics().horizontalAdvance("10:00:00"));
        auto* exportButton = d.findChild<QToolButton*>("Image1");
        EXPECT_EQ(exportButton, d.exportButton());
        EXPECT_TRUE(exportButton->isEnabled());  // wired to the spreadsheet export
        EXPECT_NE(d.findChild<QLabel*>("img_x_on"), nullptr);
        EXPECT_NE(d.findChild<QLabel*>("img_x_off"), nullptr);
        const QList<QStringList> cells = d.gridTexts();
        ASSERT_EQ(cells.size(), 3);
        EXPECT_EQ(cells[1], (QStringList{kId + " 2026/05/01 10:00:00", "2026/05/01", "10:00:00", "20.5", "1.25",
                                         "True", "False"}));
        EXPECT_EQ(cells[2][5], "False");
        EXPECT_EQ(cells[2][6], "True");
    });
}

TEST_F(DatasheetWindowTest, TypedKeysFollowTheRulesAndAreStoredOnClose)
{
    add("2026/05/01 10:00:00", {20, 1});
    add("2026/05/02 10:00:00", {21, 2});
    page(2);
    withDatasheet([&](FrmDatasheet& d) {
        goTo(d, 0, 4);
        typeKeys("5.5");  // onto the end of "1"
        EXPECT_EQ(d.model().text(0, 4), "15.5");
        typeKeys("a");
        typeKeys("-");
        EXPECT_EQ(d.model().text(0, 4), "15.5");
        ASSERT_EQ(pr.messages().size(), 2u);
        EXPECT_EQ(pr.messages()[0].text,
                  "Channel Data must be a numeric value\nUse the backspace key to delete, field accepts numeric "
                  "values only");
        EXPECT_EQ(pr.messages()[0].title, "Quillon's Rockvane");
        EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Information);

        // Tab: from the last column to the next row's first, then onwards.
        goTo(d, 0, 6);
        keyToFocus(Qt::Key_Tab);
        EXPECT_EQ(d.grid()->currentIndex(), d.grid()->model()->index(1, 0));
        EXPECT_EQ(QApplication::focusWidget(), d.grid());
        typeKeys("7");
        keyToFocus(Qt::Key_Backspace);
        EXPECT_EQ(pr.messages().size(), 3u);
        EXPECT_EQ(lastMessage(),
                  "Only Channel Data is editable in this datasheet\nPlease use the main form to change dates and "
                  "times");
        EXPECT_EQ(d.model().text(1, 0), kId + " 2026/05/02 10:00:00");
        for (int k = 0; k < 3; ++k)
            keyToFocus(Qt::Key_Tab);
        keyToFocus(Qt::Key_Backspace);  // ChannelT "21" -> "2"
        keyToFocus(Qt::Key_Backspace);
        keyToFocus(Qt::Key_Backspace);  // already empty: stays empty
        EXPECT_EQ(d.model().text(1, 3), "");
        EXPECT_TRUE(d.changed());
    });
    EXPECT_EQ(stored("2026/05/01 10:00:00", "Channel1"), QVariant(15.5));
    EXPECT_FALSE(stored("2026/05/02 10:00:00", "ChannelT").isValid());
    EXPECT_EQ(stored("2026/05/02 10:00:00", "ReadingTime"), QVariant(QTime(10, 0)));
    EXPECT_EQ(stored("2026/05/02 10:00:00", "Channel1"), QVariant(2.0));
    EXPECT_EQ(pr.messages().size(), 3u);
}

TEST_F(DatasheetWindowTest, AFlagSwitchedAloneIsStoredAndOpeningAndClosingWritesNothing)
{
    add("2026/05/01 10:00:00", {20, 1}, true, false);
    add("2026/05/02 10:00:00", {21, 2}, true, false);
    page(2);
    const int before = sqlite3_total_changes(st->conn->handle());
    withDatasheet([&](FrmDatasheet& d) {
        clickCell(d, 0, 2);  // not a flag: nothing
        EXPECT_FALSE(d.changed());
    });
    EXPECT_EQ(sqlite3_total_changes(st->conn->handle()), before);
    EXPECT_TRUE(pr.messages().empty());

    withDatasheet([&](FrmDatasheet& d) {
        clickCell(d, 1, 6);
        clickCell(d, 0, 5);
        clickCell(d, 0, 5);  // back again, still a change
        EXPECT_TRUE(d.model().flag(1, 6));
        EXPECT_TRUE(d.changed());
        goTo(d, 0, 6);
        keyToFocus(Qt::Key_Space);  // the keyboard's click
    });
    EXPECT_EQ(stored("2026/05/02 10:00:00", "PlotSpatial"), QVariant(true));
    EXPECT_EQ(stored("2026/05/01 10:00:00", "PlotSpatial"), QVariant(true));
    EXPECT_EQ(stored("2026/05/01 10:00:00", "Plottemporal"), QVariant(true));
    EXPECT_EQ(stored("2026/05/02 10:00:00", "Plottemporal"), QVariant(true));
}

TEST_F(DatasheetWindowTest, ACellThatIsNotANumberKeepsItsValueAndTheUserIsTold)
{
    add("2026/05/01 10:00:00", {20, 1});
    add("2026/05/02 10:00:00", {21, 2});
    add("2026/05/03 10:00:00", {22, 3});
    page(2);
    withDatasheet([&](FrmDatasheet& d) {
        goTo(d, 0, 4);
        typeKeys("..2");  // "1..2"
        goTo(d, 2, 4);
        typeKeys("4");    // "34", after the bad cell's reading
        goTo(d, 1, 3);
        keyToFocus(Qt::Key_Backspace);
        keyToFocus(Qt::Key_Backspace);
    });
    EXPECT_EQ(stored("2026/05/01 10:00:00", "Channel1"), QVariant(1.0));
    EXPECT_EQ(stored("2026/05/03 10:00:00", "Channel1"), QVariant(34.0));
    EXPECT_FALSE(stored("2026/05/02 10:00:00", "ChannelT").isValid());
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Warning);
    EXPECT_EQ(pr.messages()[0].title, "Quillon's Rockvane");
    EXPECT_TRUE(pr.messages()[0].text.contains(kId + " 2026/05/01 10:00:00  Channel1: \"1..2\""))
        << pr.messages()[0].text.toStdString();
}

TEST_F(DatasheetWindowTest, AfterClosingTheMainWindowShowsTheReadingItShowedBefore)
{
    add("2026/05/01 10:00:00", {20, 1});
    add("2026/05/02 10:00:00", {21, 2});
    add("2026/05/03 10:00:00", {22, 3});
    page(2);
    auto& rs = st->rsReadings;
    rs.moveFirst();
    rs.moveNext();
    const qint64 shown = rs.bookmark();
    withDatasheet([&](FrmDatasheet& d) {
        goTo(d, 1, 4);
        typeKeys("0");
        EXPECT_EQ(st->SavedReadingBookmark, shown);
    });
    ASSERT_EQ(rs.state(), 1);
    EXPECT_EQ(rs.bookmark(), shown);
    EXPECT_EQ(rs.value("Channel1"), QVariant(20.0));
    EXPECT_EQ(text("txtRcount"), "2 of 3");
}

TEST_F(DatasheetWindowTest, AnEmptyTableOpensWithItsNoticeAndTheCaptionOpensItToo)
{
    page(2);
    bool ran = false;
    QTimer::singleShot(0, [&] {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (auto* d = qobject_cast<FrmDatasheet*>(w); d && d->isVisible()) {
                ran = true;
                EXPECT_EQ(d->grid()->model()->headerData(0, Qt::Horizontal).toString(), "No Readings");
                EXPECT_EQ(d->grid()->model()->rowCount(), 0);
                d->grid()->setFocus();
                keyToFocus(Qt::Key_Tab);
                keyToFocus(Qt::Key_5);
                d->close();
            }
    });
    auto* caption = w<QLabel>("Label45");
    QTest::mouseClick(caption, Qt::LeftButton, Qt::NoModifier, caption->rect().center());
    QApplication::processEvents();
    EXPECT_TRUE(ran);
    EXPECT_EQ(st->rsReadings.state(), 1);
    EXPECT_EQ(st->rsReadings.recordCount(), 0);
}
