#include "common/dates.h"

#include <gtest/gtest.h>

using namespace rv;

TEST(SystemForms, ShortTimeAndGeneral)
{
    EXPECT_EQ(shortDate(QDate(2005, 1, 2)), "2005/01/02");
    EXPECT_EQ(timeText(QTime(7, 8, 9)), "07:08:09");
    EXPECT_EQ(generalDate(QDateTime(QDate(2005, 1, 2), QTime(23, 0, 5))), "2005/01/02 23:00:05");
    EXPECT_EQ(shortDate(QDate()), "");
    EXPECT_EQ(todayText(), QDate::currentDate().toString("yyyy/MM/dd"));
}

TEST(ParseDate, YearFirstForms)
{
    auto p = parseDate("2005/01/31");
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->hasDate);
    EXPECT_FALSE(p->hasTime);
    EXPECT_EQ(p->date, QDate(2005, 1, 31));
    EXPECT_EQ(parseDate("2005-12-01")->date, QDate(2005, 12, 1));
    EXPECT_EQ(parseDate("2005/1/5")->date, QDate(2005, 1, 5));
    EXPECT_EQ(parseDate("#2005/01/01#")->date, QDate(2005, 1, 1));
    EXPECT_EQ(parseDate("  2005/01/01  ")->date, QDate(2005, 1, 1));
}

TEST(ParseDate, YearLastIsMonthFirstUnlessTheMonthWouldBeOver12)
{
    EXPECT_EQ(parseDate("02/03/2005")->date, QDate(2005, 2, 3));
    EXPECT_EQ(parseDate("12/31/2005")->date, QDate(2005, 12, 31));
    EXPECT_EQ(parseDate("13/02/2005")->date, QDate(2005, 2, 13));
    EXPECT_EQ(parseDate("31/12/2005")->date, QDate(2005, 12, 31));
    EXPECT_EQ(parseDate("1-5-2005")->date, QDate(2005, 1, 5));
    EXPECT_FALSE(parseDate("13/13/2005"));
    EXPECT_FALSE(parseDate("02/30/2005"));
}

TEST(ParseDate, WithATime)
{
    auto p = parseDate("2005/01/31 13:45:10");
    ASSERT_TRUE(p);
    EXPECT_TRUE(p->hasDate && p->hasTime);
    EXPECT_EQ(p->time, QTime(13, 45, 10));
    EXPECT_EQ(parseDate("2005/01/31 13:45")->time, QTime(13, 45, 0));
    EXPECT_EQ(parseDate("31/01/2005 00:00:00")->dateTime(), QDateTime(QDate(2005, 1, 31), QTime(0, 0)));
    EXPECT_EQ(parseDate("#2005/01/31 23:59:59#")->time, QTime(23, 59, 59));
    EXPECT_EQ(parseDate("2005/01/31 7:05")->time, QTime(7, 5));
}

TEST(ParseDate, ATimeAlone)
{
    auto p = parseDate("08:30");
    ASSERT_TRUE(p);
    EXPECT_FALSE(p->hasDate);
    EXPECT_TRUE(p->hasTime);
    EXPECT_EQ(p->time, QTime(8, 30));
    EXPECT_EQ(p->dateTime(), QDateTime(QDate(1899, 12, 30), QTime(8, 30)));
    EXPECT_EQ(parseDate("23:59:59")->time, QTime(23, 59, 59));
    EXPECT_EQ(parseDate("2005/01/01")->dateTime(), QDateTime(QDate(2005, 1, 1), QTime(0, 0)));
}

TEST(ParseDate, TimesOutOfRangeAreNotDates)
{
    EXPECT_FALSE(IsDate("2000/01/01 00:00:80"));
    EXPECT_FALSE(IsDate("2000/01/01 24:00:00"));
    EXPECT_FALSE(IsDate("2000/01/01 12:60"));
    EXPECT_FALSE(IsDate("24:00"));
    EXPECT_FALSE(IsDate("12:5a"));
    EXPECT_FALSE(IsDate("12:00:00:00"));
    EXPECT_FALSE(IsDate("2000/01/01 12"));
    EXPECT_TRUE(IsDate("2000/01/01 00:00:59"));
}

TEST(ParseDate, CalendarChecks)
{
    EXPECT_TRUE(IsDate("2004/02/29"));
    EXPECT_TRUE(IsDate("2000/02/29"));
    EXPECT_FALSE(IsDate("2005/02/29"));
    EXPECT_FALSE(IsDate("1900/02/29"));
    EXPECT_FALSE(IsDate("2005/02/30"));
    EXPECT_FALSE(IsDate("2005/13/01"));
    EXPECT_FALSE(IsDate("2005/00/10"));
    EXPECT_FALSE(IsDate("2005/04/31"));
    EXPECT_FALSE(IsDate("29/02/2005"));
    EXPECT_TRUE(IsDate("29/02/2004"));
}

TEST(ParseDate, OtherTextsAreNotDates)
{
    for (const char* no : {"", " ", "abc", "2005", "2005/01", "2005/01/01/01", "2005/01-01", "05/01/02",
                           "2005.01.01", "#2005/01/01", "2005/01/01#", "##", "2005/1/1x", "0099/01/01",
                           "2005/001/01", "12,5"})
        EXPECT_FALSE(IsDate(no)) << no;
}
