// Putting an edited row back in the query's order without reading the table
// again: the order must be exactly the one a requery gives.
#include "store_fixture.h"

namespace rv::store::testing {

namespace {

QStringList keysInOrder(Recordset& rs)
{
    QStringList out;
    rs.moveFirst();
    while (!rs.eof()) {
        out << rs.text(QStringLiteral("DateTimeKey")).mid(10);
        rs.moveNext();
    }
    return out;
}

} // namespace

class ReorderTest : public StoreBoth {
protected:
    void SetUp() override
    {
        StoreBoth::SetUp();
        if (HasFatalFailure())
            return;
        makeReadings("200565001", {"2026/05/03 10:00:00", "2026/05/01 10:00:00", "2026/05/02 10:00:00",
                                   "2026/05/04 10:00:00"});
        rs.open("SELECT * FROM `200565001` ORDER BY FullDate", conn);
    }
    // Moves the reading at position pos to a new date and time.
    void moveTo(int pos, const QString& when, const QString& key = QString())
    {
        rs.setAbsolutePosition(pos);
        rs.setValue("DateTimeKey", "200565001 " + (key.isEmpty() ? when : key));
        rs.setValue("FullDate", when);
        rs.update();
        rs.reorderCurrent();
    }
    Recordset rs;
};

TEST_P(ReorderTest, MovedRowTakesItsPlaceAndStaysCurrent)
{
    moveTo(1, "2026/05/05 00:00:00");  // first to last
    EXPECT_EQ(rs.absolutePosition(), 4);
    EXPECT_EQ(rs.text("DateTimeKey"), "200565001 2026/05/05 00:00:00");
    moveTo(4, "2026/04/30 00:00:00");  // last to first
    EXPECT_EQ(rs.absolutePosition(), 1);
    moveTo(2, "2026/05/03 12:00:00");  // into the middle
    EXPECT_EQ(rs.absolutePosition(), 3);
    moveTo(3, "2026/05/03 12:00:01");  // a second later: same place
    EXPECT_EQ(rs.absolutePosition(), 3);

    const QStringList held = keysInOrder(rs);
    Recordset fresh;
    fresh.open("SELECT * FROM `200565001` ORDER BY FullDate", conn);
    EXPECT_EQ(held, keysInOrder(fresh));
    rs.requery();
    EXPECT_EQ(keysInOrder(rs), held);
}

TEST_P(ReorderTest, EqualDatesKeepTheOrderTheRowsWereWrittenIn)
{
    moveTo(4, "2026/05/02 10:00:00", "x1");  // same FullDate as an older row
    EXPECT_EQ(rs.absolutePosition(), 3) << "after the row written before it";
    moveTo(1, "2026/05/02 10:00:00", "x2");
    EXPECT_EQ(rs.absolutePosition(), 1) << "written first of the three on that date";
    Recordset fresh;
    fresh.open("SELECT * FROM `200565001` ORDER BY FullDate", conn);
    EXPECT_EQ(keysInOrder(rs), keysInOrder(fresh));
}

TEST_P(ReorderTest, NewRowAndNullDate)
{
    rs.addNew();
    rs.setValue("DateTimeKey", "200565001 new");
    rs.setValue("FullDate", "2026/05/01 11:00:00");
    rs.update();
    rs.reorderCurrent();
    EXPECT_EQ(rs.absolutePosition(), 2);
    EXPECT_EQ(rs.recordCount(), 5);

    rs.setAbsolutePosition(3);
    rs.setValue("FullDate", QVariant());
    rs.update();
    rs.reorderCurrent();
    EXPECT_EQ(rs.absolutePosition(), 1) << "null sorts first";
    Recordset fresh;
    fresh.open("SELECT * FROM `200565001` ORDER BY FullDate", conn);
    EXPECT_EQ(keysInOrder(rs), keysInOrder(fresh));
}

RV_ON_BOTH_ENGINES(ReorderTest);

} // namespace rv::store::testing
