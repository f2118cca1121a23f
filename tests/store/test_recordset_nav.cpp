#include "store_fixture.h"

#include "store/sqltext.h"

using namespace rv::store;
using namespace rv::store::testing;

namespace {

const QString kId = QStringLiteral("450010007");

class NavTest : public StoreBoth {
protected:
    void SetUp() override
    {
        StoreBoth::SetUp();
        if (HasFatalFailure())
            return;
        // Written out of date order, so ORDER BY has work to do.
        makeReadings(kId, {QStringLiteral("2005/03/01 08:00:00"), QStringLiteral("2005/01/01 08:00:00"),
                           QStringLiteral("2005/02/01 08:00:00"), QStringLiteral("2005/04/01 08:00:00")});
        rs.open(QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(kId), conn);
    }
    QString key() const { return rs.value(QStringLiteral("DateTimeKey")).toString().mid(10); }

    Recordset rs;
};

} // namespace

// A query's own condition and the keys a large set reads by share one
// statement: each value must reach its own parameter.
TEST_P(NavTest, AQueryWithAConditionFindsItsRowsByBookmarkAndPosition)
{
    Recordset q;
    q.open(QStringLiteral("SELECT * FROM `%1` WHERE Plottemporal = True ORDER BY FullDate").arg(kId), conn);
    ASSERT_EQ(q.recordCount(), 4);
    q.setAbsolutePosition(3);
    const QString third = q.value(QStringLiteral("DateTimeKey")).toString();
    const qint64 bm = q.bookmark();
    q.requery();
    q.setBookmark(bm);
    EXPECT_EQ(q.value(QStringLiteral("DateTimeKey")).toString(), third);
    q.moveLast();
    EXPECT_EQ(q.absolutePosition(), 4);
    q.movePrevious();
    EXPECT_EQ(q.value(QStringLiteral("DateTimeKey")).toString(), third);
}

TEST_P(NavTest, MovesAndPositionsFollowTheOrder)
{
    EXPECT_EQ(rs.recordCount(), 4);
    EXPECT_EQ(rs.absolutePosition(), 1);
    EXPECT_EQ(key(), QStringLiteral("2005/01/01 08:00:00"));
    rs.moveNext();
    EXPECT_EQ(key(), QStringLiteral("2005/02/01 08:00:00"));
    rs.moveLast();
    EXPECT_EQ(rs.absolutePosition(), 4);
    rs.moveNext();
    EXPECT_TRUE(rs.eof());
    EXPECT_FALSE(rs.bof());
    EXPECT_EQ(rs.absolutePosition(), Recordset::PosEOF);
    EXPECT_EQ(errorOf([&] { rs.moveNext(); }), err::NoCurrentRecord);
    EXPECT_EQ(errorOf([&] { rs.value(0); }), err::NoCurrentRecord);
    rs.movePrevious();
    EXPECT_EQ(rs.absolutePosition(), 4);
    rs.moveFirst();
    rs.movePrevious();
    EXPECT_TRUE(rs.bof());
    EXPECT_EQ(rs.absolutePosition(), Recordset::PosBOF);
    EXPECT_EQ(errorOf([&] { rs.movePrevious(); }), err::NoCurrentRecord);
    rs.setAbsolutePosition(3);
    EXPECT_EQ(key(), QStringLiteral("2005/03/01 08:00:00"));
    EXPECT_EQ(errorOf([&] { rs.setAbsolutePosition(5); }), err::BadCriteria);
    EXPECT_EQ(errorOf([&] { rs.setAbsolutePosition(0); }), err::BadCriteria);
    EXPECT_EQ(rs.absolutePosition(), 3);
}

TEST_P(NavTest, BookmarksFindTheSameRowAfterRequery)
{
    rs.setAbsolutePosition(3);
    const qint64 bm = rs.bookmark();
    EXPECT_NE(bm, 0);
    Recordset writer;
    writer.open(QStringLiteral("SELECT * FROM `%1`").arg(kId), conn);
    writer.addNew();
    writer.setValue(QStringLiteral("DateTimeKey"), QStringLiteral("early"));
    writer.setValue(QStringLiteral("FullDate"), QStringLiteral("2004/01/01 00:00:00"));
    writer.update();
    rs.requery();
    EXPECT_EQ(rs.recordCount(), 5);
    EXPECT_EQ(rs.absolutePosition(), 1);
    rs.setBookmark(bm);
    EXPECT_EQ(rs.absolutePosition(), 4);
    EXPECT_EQ(key(), QStringLiteral("2005/03/01 08:00:00"));
    EXPECT_EQ(errorOf([&] { rs.setBookmark(987654); }), err::BadCriteria);
    EXPECT_EQ(rs.absolutePosition(), 4);
}

TEST_P(NavTest, FindSearchesForwardFromTheCurrentRow)
{
    rs.moveLast();
    rs.find(QStringLiteral("DateTimeKey = '%1 2005/01/01 08:00:00'").arg(kId));
    EXPECT_TRUE(rs.eof());  // behind the cursor: not found
    rs.moveFirst();
    rs.find(QStringLiteral("DateTimeKey='%1 2005/02/01 08:00:00'").arg(kId));
    ASSERT_FALSE(rs.eof());
    EXPECT_EQ(rs.absolutePosition(), 2);
    rs.find(QStringLiteral("DateTimeKey = '%1 2005/02/01 08:00:00'").arg(kId));  // the current row counts
    EXPECT_EQ(rs.absolutePosition(), 2);
    rs.moveFirst();
    rs.find(QStringLiteral("ReadingDate >= 2005/03/01"));
    EXPECT_EQ(rs.absolutePosition(), 3);
    rs.find(QStringLiteral("DateTimeKey = 'nothing like it'"));
    EXPECT_TRUE(rs.eof());
    EXPECT_EQ(errorOf([&] { rs.find(QStringLiteral("NoSuchField = 'x'")); }), err::NoSuchField);
    EXPECT_EQ(errorOf([&] { rs.find(QStringLiteral("DateTimeKey = ")); }), err::BadCriteria);
}

TEST_P(NavTest, FieldsByNameWithoutCaseAndByPosition)
{
    EXPECT_EQ(rs.value(QStringLiteral("datetimekey")), rs.value(0));
    EXPECT_EQ(rs.value(QStringLiteral("PLOTTEMPORAL")), QVariant(true));
    EXPECT_EQ(rs.value(QStringLiteral("ReadingDate")), QVariant(QDate(2005, 1, 1)));
    EXPECT_EQ(rs.value(2), QVariant(QTime(8, 0)));
    EXPECT_EQ(rs.value(QStringLiteral("FullDate")).toDateTime(), QDateTime(QDate(2005, 1, 1), QTime(8, 0)));
    EXPECT_EQ(rs.text(QStringLiteral("FullDate")), QStringLiteral("2005/01/01 08:00:00"));
    EXPECT_EQ(rs.text(QStringLiteral("Channel1")), QString());
    EXPECT_EQ(rs.text(QStringLiteral("PlotSpatial")), QStringLiteral("False"));
    EXPECT_EQ(rs.fieldIndex(QStringLiteral("disp1")), 35);
    EXPECT_EQ(rs.fieldIndex(QStringLiteral("nope")), -1);
    EXPECT_EQ(errorOf([&] { rs.value(QStringLiteral("nope")); }), err::NoSuchField);
    EXPECT_EQ(errorOf([&] { rs.value(41); }), err::NoSuchField);
    EXPECT_EQ(errorOf([&] { rs.setValue(QStringLiteral("nope"), 1); }), err::NoSuchField);
    EXPECT_EQ(rs.tableName(), kId);
}

TEST_P(NavTest, ClosedSetAndMissingTable)
{
    rs.close();
    EXPECT_EQ(rs.state(), 0);
    EXPECT_EQ(errorOf([&] { rs.moveNext(); }), err::ObjectClosed);
    EXPECT_EQ(errorOf([&] { rs.recordCount(); }), err::ObjectClosed);
    EXPECT_EQ(errorOf([&] { rs.eof(); }), err::ObjectClosed);
    EXPECT_EQ(errorOf([&] { rs.value(0); }), err::ObjectClosed);
    EXPECT_EQ(errorOf([&] { rs.setFilter(QString()); }), err::ObjectClosed);
    rs.close();  // twice is harmless

    try {
        rs.open(QStringLiteral("SELECT * FROM `123456789` ORDER BY FullDate"), conn);
        FAIL() << "opened a missing table";
    } catch (const DbError& e) {
        EXPECT_EQ(e.number(), err::InputTableMissing);
        EXPECT_EQ(e.description(),
                  QStringLiteral("The database engine cannot find the input table or query '123456789'. Make sure "
                                 "it exists and that its name is spelled correctly."));
    }
    EXPECT_EQ(rs.state(), 0);
    EXPECT_EQ(errorOf([&] { rs.open(QStringLiteral("SELECT * FROM `%1` ORDER BY Nope").arg(kId), conn); }),
              err::NoSuchField);
    EXPECT_EQ(errorOf([&] { rs.open(QStringLiteral("DELETE * FROM `%1`").arg(kId), conn); }), err::SyntaxError);
    EXPECT_EQ(raw(QStringLiteral("SELECT count(*) FROM \"%1\"").arg(kId)).toLongLong(), 4);
}

TEST_P(NavTest, GraphSelectionsByYesNoFlags)
{
    rs.setAbsolutePosition(2);
    rs.setValue(QStringLiteral("Plottemporal"), false);
    rs.setValue(QStringLiteral("PlotSpatial"), true);
    rs.setValue(QStringLiteral("DoNotPlot"), true);
    rs.update();
    Recordset g;
    const QString base = QStringLiteral("SELECT * FROM `%1`").arg(kId);
    g.open(base + QStringLiteral(" WHERE Plottemporal = True ORDER BY FullDate"), conn);
    EXPECT_EQ(g.recordCount(), 3);
    g.open(base + QStringLiteral(" WHERE PlotSpatial = True ORDER BY FullDate"), conn);
    ASSERT_EQ(g.recordCount(), 1);
    EXPECT_EQ(g.text(QStringLiteral("ReadingDate")), QStringLiteral("2005/02/01"));
    g.open(base + QStringLiteral(" WHERE DoNotPlot = False ORDER BY FullDate"), conn);
    EXPECT_EQ(g.recordCount(), 3);
    g.open(base + QStringLiteral(" WHERE Channel1 is null ORDER BY FullDate DESC"), conn);
    EXPECT_EQ(g.recordCount(), 4);
    EXPECT_EQ(g.text(QStringLiteral("ReadingDate")), QStringLiteral("2005/04/01"));
}

TEST_P(NavTest, TextSortsInByteOrder)
{
    for (const char* id : {"b50010001", "B50010001", "a50010001", "150010001"})
        addSensor(QString::fromLatin1(id));
    Recordset s;
    s.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    QStringList seen;
    for (; !s.eof(); s.moveNext())
        seen << s.text(QStringLiteral("InstrumentID"));
    EXPECT_EQ(seen, (QStringList{"150010001", "B50010001", "a50010001", "b50010001"}));
}

TEST_P(NavTest, QuotedUserTextFindsItsRow)
{
    addSensor(QStringLiteral("250010001"), QStringLiteral("O'Brien's drive"));
    addSensor(QStringLiteral("250010002"), QStringLiteral("x' OR 'a'='a"));
    Recordset s;
    s.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    s.find(QStringLiteral("Level = ") + quoted(QStringLiteral("O'Brien's drive")));
    ASSERT_FALSE(s.eof());
    EXPECT_EQ(s.text(QStringLiteral("InstrumentID")), QStringLiteral("250010001"));
    s.moveFirst();
    s.find(QStringLiteral("Level = ") + quoted(QStringLiteral("x' OR 'a'='a")));
    ASSERT_FALSE(s.eof());
    EXPECT_EQ(s.text(QStringLiteral("InstrumentID")), QStringLiteral("250010002"));
    s.setFilter(QStringLiteral("Level = ") + quoted(QStringLiteral("o'brien's DRIVE")));
    EXPECT_EQ(s.recordCount(), 1);
    EXPECT_EQ(quoted(QStringLiteral("it's")), QStringLiteral("'it''s'"));
    EXPECT_EQ(tableName(QStringLiteral("250010001")), QStringLiteral("`250010001`"));
}

RV_ON_BOTH_ENGINES(NavTest);
