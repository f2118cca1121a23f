#include "common/format.h"

#include <gtest/gtest.h>

using namespace rv;

TEST(FormatNumber, TwoFixedDecimals)
{
    EXPECT_EQ(Format("12.345", "##0.00"), "12.35");
    EXPECT_EQ(Format(12.345, "##0.00"), "12.35");
    EXPECT_EQ(Format(7, "##0.00"), "7.00");
    EXPECT_EQ(Format("12", "##0.00"), "12.00");
    EXPECT_EQ(Format(0.5, "##0.00"), "0.50");
    EXPECT_EQ(Format(0, "##0.00"), "0.00");
    EXPECT_EQ(Format(-0.25, "##0.00"), "-0.25");
    EXPECT_EQ(Format(-12.345, "##0.00"), "-12.35");
    EXPECT_EQ(Format(0.994, "##0.00"), "0.99");
    EXPECT_EQ(Format(0.995, "##0.00"), "1.00");
    EXPECT_EQ(Format(999.999, "##0.00"), "1000.00");
    EXPECT_EQ(Format(1234.567, "###0.00"), "1234.57");
    EXPECT_EQ(Format(-1234.565, "###0.00"), "-1234.57");
    EXPECT_EQ(Format(123456789.125, "##0.00"), "123456789.13");
    EXPECT_EQ(Format(1e20, "##0.00"), "100000000000000000000.00");
    EXPECT_EQ(Format(0.000001, "##0.00"), "0.00");
}

TEST(FormatNumber, HalvesOnTheWrittenValueNotTheBinary)
{
    // Each of these lies just below the half in binary.
    EXPECT_EQ(Format(1.005, "##0.00"), "1.01");
    EXPECT_EQ(Format(2.675, "##0.00"), "2.68");
    EXPECT_EQ(Format(1.015, "##0.00"), "1.02");
    EXPECT_EQ(Format(8.345, "##0.00"), "8.35");
    EXPECT_EQ(Format(0.125, "##0.0#"), "0.13");
    EXPECT_EQ(Format(2.5, "0"), "3");
    EXPECT_EQ(Format(-2.5, "0"), "-3");
    EXPECT_EQ(Format(0.45, "##0.0"), "0.5");
    // A sum's binary noise does not move the digits.
    EXPECT_EQ(Format(0.1 + 0.2, "##0.0#"), "0.3");
    EXPECT_EQ(Format(1.1 + 2.2, "##0.00"), "3.30");
}

TEST(FormatNumber, NoMinusForAValueThatRoundsToZero)
{
    EXPECT_EQ(Format(-0.001, "##0.00"), "0.00");
    EXPECT_EQ(Format(-0.004999, "##0.00"), "0.00");
    EXPECT_EQ(Format(-0.005, "##0.00"), "-0.01");
    EXPECT_EQ(Format(-0.0, "##0.00"), "0.00");
    EXPECT_EQ(Format(-0.4, "0"), "0");
    EXPECT_EQ(Format("-0.001", "##0.0#"), "0.0");
}

TEST(FormatNumber, OptionalDecimals)
{
    EXPECT_EQ(Format("2.5", "##0.0#"), "2.5");
    EXPECT_EQ(Format("2.567", "##0.0#"), "2.57");
    EXPECT_EQ(Format("2", "##0.0#"), "2.0");
    EXPECT_EQ(Format("2.50", "##0.0#"), "2.5");
    EXPECT_EQ(Format("2.05", "##0.0#"), "2.05");
    EXPECT_EQ(Format("2.999", "##0.0#"), "3.0");
    EXPECT_EQ(Format(0.45, "##0.0#"), "0.45");
    EXPECT_EQ(Format(3.14159, "0"), "3");
    EXPECT_EQ(Format(12.25, "##0.0"), "12.3");
    EXPECT_EQ(Format(-12.25, "##0.0"), "-12.3");
}

TEST(FormatNumber, TextsThatAreNotNumbersPassThrough)
{
    EXPECT_EQ(Format("", "##0.00"), "");
    EXPECT_EQ(Format("abc", "##0.00"), "abc");
    EXPECT_EQ(Format("21,5", "##0.00"), "21,5");
    EXPECT_EQ(Format("12 m", "##0.00"), "12 m");
    EXPECT_EQ(Format("  ", "##0.00"), "  ");
    // Blanks around a number and thousands separators are read.
    EXPECT_EQ(Format("  7.5 ", "##0.00"), "7.50");
    EXPECT_EQ(Format("1,234.5", "###0.00"), "1234.50");
    EXPECT_EQ(Format("-0.25", "##0.00"), "-0.25");
    EXPECT_EQ(Format("1e2", "##0.00"), "100.00");
}

TEST(FormatDate, DatePictures)
{
    const QDate d(2005, 3, 7);
    EXPECT_EQ(Format(d, "yyyy/MM/dd"), "2005/03/07");
    EXPECT_EQ(Format(d, "YYYY/MM/DD"), "2005/03/07");
    EXPECT_EQ(Format(d, "yyyy/mm/dd"), "2005/03/07");
    EXPECT_EQ(Format(d, "yyyy-mm-dd"), "2005-03-07");
    EXPECT_EQ(Format(QDate(2026, 12, 6), "yyyy-mm-dd"), "2026-12-06");
    EXPECT_EQ(Format(QDate(), "yyyy/MM/dd"), "");
}

TEST(FormatDate, TimePicturesUseTheTwentyFourHourClock)
{
    const QTime t(17, 4, 9);
    EXPECT_EQ(Format(t, "HH:mm:ss"), "17:04:09");
    EXPECT_EQ(Format(t, "HH:NN:SS"), "17:04:09");
    EXPECT_EQ(Format(t, "hh:nn"), "17:04");
    EXPECT_EQ(Format(QTime(0, 0, 0), "hh:nn"), "00:00");
    const QDateTime dt(QDate(2005, 1, 2), QTime(23, 59, 58));
    EXPECT_EQ(Format(dt, "YYYY/MM/DD HH:NN:SS"), "2005/01/02 23:59:58");
    // "mm" after an hour is the minute; elsewhere the month.
    EXPECT_EQ(Format(dt, "yyyy/mm/dd hh:mm:ss"), "2005/01/02 23:59:58");
    EXPECT_EQ(Format(dt, "yyyy/MM/dd"), "2005/01/02");
    EXPECT_EQ(Format(dt, "HH:NN:SS"), "23:59:58");
}

TEST(FormatDate, TextsThatParseAsDates)
{
    EXPECT_EQ(Format("2005/1/5", "yyyy/MM/dd"), "2005/01/05");
    EXPECT_EQ(Format("2005-01-05 7:05", "YYYY/MM/DD HH:NN:SS"), "2005/01/05 07:05:00");
    EXPECT_EQ(Format("2005/01/05 13:45:10", "YYYY/MM/DD"), "2005/01/05");
    EXPECT_EQ(Format("2005/01/05 13:45:10", "HH:NN:SS"), "13:45:10");
    EXPECT_EQ(Format("#2005/01/01#", "yyyy/mm/dd"), "2005/01/01");
    EXPECT_EQ(Format("25/12/2005", "yyyy/mm/dd"), "2005/12/25");
    EXPECT_EQ(Format("12/25/2005", "yyyy/mm/dd"), "2005/12/25");
    // Not a date: unchanged, as the header row of a grid.
    EXPECT_EQ(Format("Reading Date", "yyyy/mm/dd"), "Reading Date");
    EXPECT_EQ(Format("2000/01/01 00:00:80", "YYYY/MM/DD HH:NN:SS"), "2000/01/01 00:00:80");
    EXPECT_EQ(Format("", "yyyy/mm/dd"), "");
}

TEST(FormatDate, NumbersWithADatePictureAreDateSerials)
{
    EXPECT_EQ(Format(0.0, "yyyy/mm/dd"), "1899/12/30");
    EXPECT_EQ(Format(38353.5, "YYYY/MM/DD HH:NN:SS"), "2005/01/01 12:00:00");
    EXPECT_EQ(Format(38353.75, "hh:nn"), "18:00");
    EXPECT_EQ(Format(-1.25, "yyyy/mm/dd hh:nn"), "1899/12/29 06:00");
}

TEST(FormatPictures, APictureWithoutFieldsLeavesTheText)
{
    EXPECT_EQ(Format("2005/01/01", ""), "2005/01/01");
    EXPECT_EQ(Format("12.5", "@"), "12.5");
    EXPECT_EQ(Format(12.5, ""), "12.5");
}
