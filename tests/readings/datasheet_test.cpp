// The datasheet's columns, key rules, rows and write-back, on a real file.
#include "datasheet_helpers.h"
#include "readings/datasheet_data.h"
#include "store/audit.h"
#include "store/schema.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace rv;
using namespace rv::datasheet;
using namespace rv::test;

namespace {

const QString kId = QStringLiteral("200565001");  // type 65: ChannelT and five channels

class DatasheetDataTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    store::Connection conn;
    store::Recordset rs;
    Model model;

    void SetUp() override
    {
        const QString path = dir.filePath("RockvaneTENDON.mdb");
        store::createDefaultDatabase(path);
        conn.open(path);
        conn.execute("SELECT * INTO `" + kId + "` FROM sensordata WHERE DateTimeKey is null");
    }
    void add(const QString& when, const QVariantList& values, const QVariant& t = true,
             const QVariant& s = false)
    {
        addDatasheetReading(conn, kId, when, values, t, s);
    }
    void open()
    {
        rs.close();
        rs.open("SELECT * FROM `" + kId + "` ORDER BY FullDate", conn);
        model.load(rs, layoutFor(kId));
    }
    QVariant stored(const QString& when, const QString& field) { return storedField(conn, kId, when, field); }
};

} // namespace

TEST(DatasheetLayout, ColumnsFollowTheTypeCodesFirstDigit)
{
    const Layout t25 = layoutFor("200525001");
    EXPECT_EQ(t25.headers, (QStringList{"DateTime Key", "ReadingDate", "R. Time", "ChannelT", "Channel1",
                                        "PlotTemporal", "PlotSpatial"}));
    EXPECT_EQ(t25.fields, (QStringList{"DateTimeKey", "ReadingDate", "ReadingTime", "ChannelT", "Channel1",
                                       "Plottemporal", "PlotSpatial"}));
    EXPECT_EQ(layoutFor("200545001").headers[6], "Channel3");
    EXPECT_EQ(layoutFor("200555001").headers[7], "Channel4");
    const Layout t65 = layoutFor("200565001");
    EXPECT_EQ(t65.columnCount(), 11);
    EXPECT_EQ(t65.headers[8], "Channel5");
    EXPECT_EQ(t65.headers[9], "PlotTemporal");
    EXPECT_TRUE(t65.isFlag(10));
    EXPECT_FALSE(t65.isChannel(9));
    // A number without a digit there reads as 0: key, date and time only.
    EXPECT_EQ(layoutFor("2005X5001").headers,
              (QStringList{"DateTime Key", "ReadingDate", "R. Time", "PlotTemporal", "PlotSpatial"}));

    EXPECT_EQ(columnWidthsTwips(t25), (QList<int>{2600, 1320, 840, 960, 960, 1440, 1320}));
}

TEST(DatasheetKeys, OnlyDigitsAndPointsReachTheChannels)
{
    const Layout l = layoutFor("200545001");  // channels in 3..6, flags 7 and 8
    for (int col : {0, 1, 2}) {
        EXPECT_EQ(keyAction('5', col, l), KeyAction::RefuseFixed);
        EXPECT_EQ(keyAction('.', col, l), KeyAction::RefuseFixed);
        EXPECT_EQ(keyAction('a', col, l), KeyAction::RefuseFixed);
        EXPECT_EQ(keyAction(8, col, l), KeyAction::Nothing);
    }
    for (int col : {3, 6}) {
        EXPECT_EQ(keyAction('0', col, l), KeyAction::Append);
        EXPECT_EQ(keyAction('.', col, l), KeyAction::Append);
        EXPECT_EQ(keyAction(8, col, l), KeyAction::Backspace);
        for (int refused : {int('-'), int(','), int('e'), int(' '), 13, 27})
            EXPECT_EQ(keyAction(refused, col, l), KeyAction::RefuseNotNumber) << refused;
    }
    EXPECT_EQ(keyAction(' ', 7, l), KeyAction::ToggleFlag);
    EXPECT_EQ(keyAction('1', 8, l), KeyAction::Nothing);
    EXPECT_EQ(keyAction('x', 8, l), KeyAction::RefuseNotNumber);
    EXPECT_EQ(keyAction(9, 0, l), KeyAction::NextCell);
    EXPECT_EQ(keyAction(9, 5, l, true), KeyAction::PreviousCell);
}

TEST(DatasheetKeys, TabWalksTheRowsAndWrapsToTheStart)
{
    int r = 0, c = 5;
    nextCell(r, c, 3, 7);
    EXPECT_EQ(std::pair(r, c), std::pair(0, 6));
    nextCell(r, c, 3, 7);
    EXPECT_EQ(std::pair(r, c), std::pair(1, 0));
    r = 2, c = 6;
    nextCell(r, c, 3, 7);
    EXPECT_EQ(std::pair(r, c), std::pair(0, 0));
    previousCell(r, c, 3, 7);
    EXPECT_EQ(std::pair(r, c), std::pair(2, 6));
}

TEST_F(DatasheetDataTest, RowsShowTheStoredValuesInTimeOrder)
{
    add("2026/05/02 08:00:00", {21.5, 100, QVariant(), 3.25}, QVariant(), true);
    add("2026/05/01 23:59:59", {20, -4.5}, false, false);
    open();
    ASSERT_EQ(model.rowCount(), 2);
    ASSERT_EQ(model.columnCount(), 11);
    const QList<QStringList> t = model.texts();
    ASSERT_EQ(t.size(), 3);
    EXPECT_EQ(t[0].first(), "DateTime Key");
    EXPECT_EQ(t[1], (QStringList{kId + " 2026/05/01 23:59:59", "2026/05/01", "23:59:59", "20", "-4.5", "", "", "",
                                 "", "False", "False"}));
    EXPECT_EQ(t[2], (QStringList{kId + " 2026/05/02 08:00:00", "2026/05/02", "08:00:00", "21.5", "100", "",
                                 "3.25", "", "", "True", "True"}));
    // A null flag shows set, as on the Readings page.
    EXPECT_TRUE(model.flag(1, 9));
    EXPECT_EQ(model.data(model.index(1, 9), Model::FlagRole), QVariant(true));
    EXPECT_FALSE(model.data(model.index(1, 9)).isValid());
}

TEST_F(DatasheetDataTest, AnEmptyTableSaysSoOverTheFirstColumn)
{
    open();
    EXPECT_EQ(model.rowCount(), 0);
    EXPECT_EQ(model.columnCount(), 11);
    EXPECT_EQ(model.headerData(0, Qt::Horizontal).toString(), "No Readings");
    EXPECT_EQ(model.headerData(1, Qt::Horizontal).toString(), "");
    EXPECT_TRUE(model.writeBack(rs, conn).empty());
}

TEST_F(DatasheetDataTest, WriteBackStoresEveryEditButTheCellsThatAreNotNumbers)
{
    add("2026/05/01 10:00:00", {20, 1, 2});
    add("2026/05/02 10:00:00", {21, 3, 4});
    add("2026/05/03 10:00:00", {22, 5, 6}, QVariant(), QVariant());
    open();
    const QStringList before = rawRows(conn, kId);

    model.setText(0, 4, "1..2");   // not a number
    model.setText(0, 5, "2.5");    // same reading, saved all the same
    model.setText(1, 3, "");       // emptied: null
    model.setText(1, 4, "12.");    // a trailing point is still a number
    model.setText(2, 8, "0.125");  // a channel that was null
    model.toggleFlag(0, 9);
    const std::vector<Unsaved> unsaved = model.writeBack(rs, conn);

    ASSERT_EQ(unsaved.size(), 1u);
    EXPECT_EQ(unsaved[0].key, kId + " 2026/05/01 10:00:00");
    EXPECT_EQ(unsaved[0].column, "Channel1");
    EXPECT_EQ(unsaved[0].text, "1..2");
    EXPECT_EQ(stored("2026/05/01 10:00:00", "Channel1"), QVariant(1.0));
    EXPECT_EQ(stored("2026/05/01 10:00:00", "Channel2"), QVariant(2.5));
    EXPECT_EQ(stored("2026/05/01 10:00:00", "Plottemporal"), QVariant(false));
    EXPECT_FALSE(stored("2026/05/02 10:00:00", "ChannelT").isValid());
    EXPECT_EQ(stored("2026/05/02 10:00:00", "Channel1"), QVariant(12.0));
    EXPECT_EQ(stored("2026/05/03 10:00:00", "Channel5"), QVariant(0.125));
    // Null flags are shown set and written set.
    EXPECT_EQ(stored("2026/05/03 10:00:00", "Plottemporal"), QVariant(true));
    EXPECT_EQ(stored("2026/05/03 10:00:00", "PlotSpatial"), QVariant(true));

    // Keys, dates, times and FullDate are exactly as they were.
    const QStringList after = rawRows(conn, kId);
    ASSERT_EQ(after.size(), before.size());
    for (int r = 0; r < before.size(); ++r)
        EXPECT_EQ(after[r].section(u'|', 0, 2), before[r].section(u'|', 0, 2));
    for (int r = 0; r < before.size(); ++r)
        EXPECT_EQ(after[r].section(u'|', 14, 14), before[r].section(u'|', 14, 14));

    const QString m = unsavedMessage(unsaved);
    EXPECT_TRUE(m.contains(kId + " 2026/05/01 10:00:00  Channel1: \"1..2\"")) << m.toStdString();

    // One change log row per changed reading, with only what changed.
    const auto log = store::readAuditLog(conn, QString(), 0, 10);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2].readingKey, kId + " 2026/05/01 10:00:00");
    EXPECT_EQ(log[2].action, "edit");
    EXPECT_EQ(log[2].instrumentId, kId);
    EXPECT_EQ(log[2].oldValues, "Channel2=2; Plottemporal=Yes");
    EXPECT_EQ(log[2].newValues, "Channel2=2.5; Plottemporal=No");
    EXPECT_EQ(log[1].oldValues, "ChannelT=21; Channel1=3");
    EXPECT_EQ(log[1].newValues, "ChannelT=; Channel1=12");
    EXPECT_EQ(log[0].oldValues, "Channel5=; Plottemporal=; PlotSpatial=");
    EXPECT_EQ(log[0].newValues, "Channel5=0.125; Plottemporal=Yes; PlotSpatial=Yes");
}

TEST_F(DatasheetDataTest, NothingEditedWritesNothingAndATypedValueBackAsItWasIsNoChange)
{
    add("2026/05/01 10:00:00", {20, 0.1 + 0.2});
    open();
    model.setText(0, 4, model.text(0, 4) + "5");
    model.setText(0, 4, model.text(0, 4).chopped(1));
    const int changes = sqlite3_total_changes(conn.handle());
    EXPECT_TRUE(model.writeBack(rs, conn).empty());
    EXPECT_EQ(sqlite3_total_changes(conn.handle()), changes);
    // The stored double keeps every digit the 15-digit text would lose.
    EXPECT_EQ(stored("2026/05/01 10:00:00", "Channel1"), QVariant(0.1 + 0.2));
}

TEST_F(DatasheetDataTest, AnEngineFailureHalfWayWritesNothingAtAll)
{
    add("2026/05/01 10:00:00", {20, 1});
    add("2026/05/02 10:00:00", {21, 2});
    add("2026/05/03 10:00:00", {22, 3});
    open();
    ASSERT_EQ(sqlite3_exec(conn.handle(),
                           ("CREATE TRIGGER refuse BEFORE UPDATE ON \"" + kId
                            + "\" WHEN NEW.Channel1 = 99 BEGIN SELECT RAISE(ABORT, 'refused'); END")
                               .toUtf8()
                               .constData(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    model.setText(0, 4, "7");
    model.setText(1, 4, "99");
    model.setText(2, 4, "8");
    EXPECT_THROW(model.writeBack(rs, conn), store::DbError);
    EXPECT_EQ(stored("2026/05/01 10:00:00", "Channel1"), QVariant(1.0));
    EXPECT_EQ(stored("2026/05/03 10:00:00", "Channel1"), QVariant(3.0));
    EXPECT_EQ(store::countAuditLog(conn, QString()), 0) << "the rows of the readings before go too";
}

// Rows are compared and logged as they were stored: a double the grid shows
// shorter, and a text another program left in a channel; the open set shows
// the values written.
TEST_F(DatasheetDataTest, WriteBackComparesAndLogsTheStoredValuesAndTheSetShowsTheNewOnes)
{
    add("2026/05/01 10:00:00", {20, 0.1 + 0.2});
    add("2026/05/02 10:00:00", {21, 4});
    ASSERT_EQ(sqlite3_exec(conn.handle(),
                           ("UPDATE \"" + kId + "\" SET Channel2 = 'n/a; 7' WHERE DateTimeKey = '" + kId
                            + " 2026/05/02 10:00:00'")
                               .toUtf8()
                               .constData(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    open();
    ASSERT_EQ(model.text(0, 4), "0.3");
    ASSERT_EQ(model.text(1, 5), "n/a; 7");
    model.setText(0, 4, "0.30");  // shown the same, stored another number
    model.setText(1, 4, "5");
    model.setText(1, 5, "6");
    EXPECT_TRUE(model.writeBack(rs, conn).empty());

    EXPECT_EQ(stored("2026/05/01 10:00:00", "Channel1"), QVariant(0.3));
    EXPECT_EQ(stored("2026/05/02 10:00:00", "Channel2"), QVariant(6.0));
    const auto log = store::readAuditLog(conn, QString(), 0, 10);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[1].oldValues, "Channel1=0.3");
    EXPECT_EQ(log[1].newValues, "Channel1=0.3");
    EXPECT_EQ(log[0].readingKey, kId + " 2026/05/02 10:00:00");
    EXPECT_EQ(log[0].oldValues, "Channel1=4; Channel2=\"n/a; 7\"");
    EXPECT_EQ(log[0].newValues, "Channel1=5; Channel2=6");

    // The page's set, still open, reads what the file now holds.
    rs.moveFirst();
    EXPECT_EQ(rs.value("Channel1"), QVariant(0.3));
    rs.moveNext();
    EXPECT_EQ(rs.value("Channel1"), QVariant(5.0));
    EXPECT_EQ(rs.value("Channel2"), QVariant(6.0));
    EXPECT_EQ(rs.bookmarkAt(2), rs.bookmark());
    EXPECT_EQ(rs.bookmarkAt(3), 0);
}

// Cells edited in any order: the rows are written and logged in the sheet's
// order, a row's fields in the grid's order, a cell typed twice keeps the
// last text, and a flag switched back is no change.
TEST_F(DatasheetDataTest, EditsInAnyOrderAreWrittenRowByRowAndTheLastTextOfACellCounts)
{
    add("2026/05/01 10:00:00", {20, 1, 2});
    add("2026/05/02 10:00:00", {21, 3, 4});
    add("2026/05/03 10:00:00", {22, 5, 6});
    open();
    model.setText(2, 5, "9");
    model.setText(2, 3, "8");
    model.setText(0, 4, "7");
    model.toggleFlag(1, 9);
    model.toggleFlag(1, 9);
    model.setText(1, 4, "6");
    model.setText(2, 5, "10");
    EXPECT_TRUE(model.isEdited(2, 5));
    EXPECT_FALSE(model.isEdited(2, 4));
    EXPECT_EQ(model.text(2, 5), "10");
    EXPECT_TRUE(model.flag(1, 9));
    EXPECT_TRUE(model.writeBack(rs, conn).empty());

    EXPECT_EQ(stored("2026/05/03 10:00:00", "Channel2"), QVariant(10.0));
    EXPECT_EQ(stored("2026/05/03 10:00:00", "ChannelT"), QVariant(8.0));
    EXPECT_EQ(stored("2026/05/02 10:00:00", "Plottemporal"), QVariant(true));
    const auto log = store::readAuditLog(conn, QString(), 0, 10);
    ASSERT_EQ(log.size(), 3u);
    EXPECT_EQ(log[2].readingKey, kId + " 2026/05/01 10:00:00");
    EXPECT_EQ(log[1].readingKey, kId + " 2026/05/02 10:00:00");
    EXPECT_EQ(log[1].newValues, "Channel1=6");
    EXPECT_EQ(log[0].readingKey, kId + " 2026/05/03 10:00:00");
    EXPECT_EQ(log[0].oldValues, "ChannelT=22; Channel2=6");
    EXPECT_EQ(log[0].newValues, "ChannelT=8; Channel2=10");
}
