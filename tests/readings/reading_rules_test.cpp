// The Readings page's rules that need no window.
#include "readings/reading_rules.h"

#include <gtest/gtest.h>

using namespace rv::readings;

TEST(ReadingRules, KeyAndCounter)
{
    EXPECT_EQ(readingKey("200565001", QDate(2026, 1, 2), QTime(3, 4, 5)), "200565001 2026/01/02 03:04:05");
    EXPECT_EQ(readingKey("200565001", QDate(2026, 12, 31), QTime(23, 59, 59)), "200565001 2026/12/31 23:59:59");
    EXPECT_EQ(positionText(40000, 100000), "40000 of 100000");
    EXPECT_FALSE(isFutureDate(QDate(2026, 5, 1), QDate(2026, 5, 1)));
    EXPECT_TRUE(isFutureDate(QDate(2026, 5, 2), QDate(2026, 5, 1)));
}

TEST(ReadingRules, NumberBoxesTakeTheCharactersOfANumber)
{
    for (char16_t c : u"0123456789,-.\b\t\r\x7f")
        if (c)
            EXPECT_EQ(numberBoxKey(c), KeyAction::Accept) << int(c);
    for (char16_t c : u"a Ee+/:")
        if (c)
            EXPECT_EQ(numberBoxKey(c), KeyAction::Refuse) << int(c);
}

TEST(ReadingRules, RecessSavesOnDigitsPointTabAndEnter)
{
    for (char16_t c : u"09.\t\r")
        if (c)
            EXPECT_EQ(recessKey(c), KeyAction::SaveThenAccept) << int(c);
    for (char16_t c : u"\b,\u00D9")
        if (c)
            EXPECT_EQ(recessKey(c), KeyAction::Accept) << int(c);
    for (char16_t c : u"-a \x7f")
        if (c)
            EXPECT_EQ(recessKey(c), KeyAction::Refuse) << int(c);
}

TEST(ReadingRules, ChannelValues)
{
    EXPECT_EQ(channelValue("12.345")->toString(), "12.35");
    EXPECT_EQ(channelValue("7")->toString(), "7.00");
    EXPECT_EQ(channelValue("-0.5")->toString(), "-0.50");
    EXPECT_EQ(channelValue(" 3 ")->toString(), "3.00");
    EXPECT_TRUE(channelValue("")->isNull());
    EXPECT_TRUE(channelValue("  ")->isNull());
    for (const char* bad : {"1-2", "1..2", "-", ".", ",", "1,5"})
        EXPECT_FALSE(channelValue(bad).has_value()) << bad;
    EXPECT_DOUBLE_EQ(temperatureValue("21.55")->toDouble(), 21.55) << "the temperature is not rounded";
    EXPECT_TRUE(temperatureValue("")->isNull());
    EXPECT_FALSE(temperatureValue("2-1").has_value());
}

TEST(ReadingRules, BatchRangeTakesBothEndDays)
{
    const QDate a(2026, 5, 2);
    EXPECT_TRUE(inBatchRange(a, a, a));
    EXPECT_FALSE(inBatchRange(a.addDays(-1), a, a));
    EXPECT_FALSE(inBatchRange(a, a.addDays(1), a.addDays(-1)));
    EXPECT_FALSE(inBatchRange(QDate(), a, a));
    EXPECT_EQ(batchDeletedMessage(0, QDate(2026, 5, 3), QDate(2026, 5, 1)),
              "0 readings were deleted from 2026/05/03 and 2026/05/01");
}
