#include "store_fixture.h"

using namespace rv::store;
using namespace rv::store::testing;

namespace {

class FilterTest : public StoreBoth {
protected:
    void SetUp() override
    {
        StoreBoth::SetUp();
        if (HasFatalFailure())
            return;
        addSensor(QStringLiteral("050125001"), QStringLiteral("12"), QStringLiteral("2004/12/31"));
        addSensor(QStringLiteral("050145002"), QStringLiteral("12"), QStringLiteral("2005/01/01"));
        addSensor(QStringLiteral("050145003"), QStringLiteral("Upper"), QStringLiteral("2005/06/15"));
        addSensor(QStringLiteral("050155004"), QStringLiteral("12"), QStringLiteral("2005/12/31"));
        addSensor(QStringLiteral("050165005"), QString(), QStringLiteral("2006/01/01"));
        rs.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    }
    QStringList ids()
    {
        QStringList out;
        if (rs.recordCount() == 0)
            return out;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            out << rs.text(QStringLiteral("InstrumentID"));
        return out;
    }

    Recordset rs;
};

} // namespace

TEST_P(FilterTest, DatesTypedThreeWaysCompareAsDates)
{
    const QStringList expected{"050145002", "050145003", "050155004"};
    for (const char* f : {"InstallDate >= 2005/01/01 AND InstallDate <= 2005/12/31",
                          "InstallDate >= 2005-01-01 AND InstallDate <= 2005-12-31",
                          "InstallDate >= #2005/01/01# AND InstallDate <= #2005/12/31#",
                          "InstallDate >= '2005/01/01' AND InstallDate <= '12/31/2005'"}) {
        rs.setFilter(QString::fromLatin1(f));
        EXPECT_EQ(ids(), expected) << f;
    }
    rs.setFilter(QStringLiteral("InstallDate >= 2005/06/15 AND InstallDate <= 2005/06/15"));
    EXPECT_EQ(ids(), QStringList{"050145003"});
}

TEST_P(FilterTest, FilterNarrowsCountAndPositionsAndClearingRestores)
{
    rs.moveLast();
    rs.setFilter(QStringLiteral("Destroyed = 'No' AND SensorType ='45' AND Level ='12'"));
    EXPECT_TRUE(rs.isFiltered());
    EXPECT_EQ(rs.recordCount(), 1);
    EXPECT_EQ(rs.absolutePosition(), 1);
    EXPECT_EQ(rs.text(QStringLiteral("InstrumentID")), QStringLiteral("050145002"));
    rs.setFilter(QStringLiteral("Level = '12'"));  // replaces, does not narrow further
    EXPECT_EQ(ids(), (QStringList{"050125001", "050145002", "050155004"}));
    rs.moveLast();
    EXPECT_EQ(rs.absolutePosition(), 3);
    rs.setFilter(QStringLiteral("level = 'UPPER'"));  // text compares without case
    EXPECT_EQ(ids(), QStringList{"050145003"});
    rs.setFilter(QStringLiteral("Level <> '12'"));  // a null level is neither equal nor unequal
    EXPECT_EQ(ids(), QStringList{"050145003"});
    rs.setFilter(QStringLiteral("Level is null"));
    EXPECT_EQ(ids(), QStringList{"050165005"});
    rs.setFilter(QStringLiteral("SensorType = '35'"));
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_TRUE(rs.bof() && rs.eof());
    rs.clearFilter();
    EXPECT_FALSE(rs.isFiltered());
    EXPECT_EQ(rs.recordCount(), 5);
    EXPECT_EQ(rs.absolutePosition(), 1);
}

TEST_P(FilterTest, BadCriteriaLeaveTheFilterAsItWas)
{
    rs.setFilter(QStringLiteral("Level = '12'"));
    for (const char* f : {"Level = '12", "Level == '12'", "Level = '12' OR Level = 'Upper'", "= '12'",
                          "InstallDate >= 2005/13/01", "LengthofCable = 'long'", "InstallDate > 12",
                          "Level = '12' AND", "Level = 12abc"}) {
        EXPECT_EQ(errorOf([&] { rs.setFilter(QString::fromLatin1(f)); }), err::BadCriteria) << f;
        EXPECT_EQ(rs.filter(), QStringLiteral("Level = '12'"));
        EXPECT_EQ(rs.recordCount(), 3);
    }
    const int e = errorOf([&] { rs.setFilter(QStringLiteral("Nope = '12'")); });
    EXPECT_TRUE(e == err::NoSuchField || e == err::BadCriteria);
    EXPECT_EQ(rs.recordCount(), 3);
}

TEST_P(FilterTest, NumbersAndYesNoCompareByValue)
{
    rs.moveFirst();
    rs.setValue(QStringLiteral("LengthofCable"), QStringLiteral("6.50"));
    rs.setValue(QStringLiteral("HeadLocation"), true);
    rs.moveNext();
    rs.setValue(QStringLiteral("LengthofCable"), 10);
    rs.moveNext();
    rs.setFilter(QStringLiteral("LengthofCable > 6.4 AND LengthofCable < 6.6"));
    EXPECT_EQ(ids(), QStringList{"050125001"});
    rs.setFilter(QStringLiteral("LengthofCable >= 6.5"));
    EXPECT_EQ(rs.recordCount(), 2);
    rs.setFilter(QStringLiteral("LengthofCable = '10'"));
    EXPECT_EQ(ids(), QStringList{"050145002"});
    rs.setFilter(QStringLiteral("HeadLocation = True"));
    EXPECT_EQ(ids(), QStringList{"050125001"});
    rs.setFilter(QStringLiteral("HeadLocation = False"));
    EXPECT_EQ(rs.recordCount(), 4);
}

TEST_P(FilterTest, FindAndWritesWorkInsideAFilter)
{
    rs.setFilter(QStringLiteral("Level = '12'"));
    rs.find(QStringLiteral("InstrumentID = '050145003'"));  // filtered out
    EXPECT_TRUE(rs.eof());
    rs.moveFirst();
    rs.find(QStringLiteral("InstrumentID = '050155004'"));
    ASSERT_EQ(rs.absolutePosition(), 3);
    rs.setValue(QStringLiteral("Level"), QStringLiteral("13"));
    rs.update();
    EXPECT_EQ(rs.recordCount(), 3);  // the set keeps its rows until the filter is set again
    rs.requery();
    EXPECT_EQ(rs.recordCount(), 2);
    EXPECT_EQ(rs.filter(), QStringLiteral("Level = '12'"));
}

RV_ON_BOTH_ENGINES(FilterTest);
