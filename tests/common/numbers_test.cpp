#include "common/numbers.h"

#include <gtest/gtest.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>
#include "common/decimal_digits.h"

using namespace rv;

TEST(Round, HalvesGoToTheEvenNeighbour)
{
    EXPECT_DOUBLE_EQ(Round(2.25, 1), 2.2);
    EXPECT_DOUBLE_EQ(Round(2.35, 1), 2.4);
    EXPECT_DOUBLE_EQ(Round(0.5, 0), 0.0);
    EXPECT_DOUBLE_EQ(Round(1.5, 0), 2.0);
    EXPECT_DOUBLE_EQ(Round(2.5, 0), 2.0);
    EXPECT_DOUBLE_EQ(Round(-2.5, 0), -2.0);
    EXPECT_DOUBLE_EQ(Round(-2.25, 1), -2.2);
    // Judged on the written value: 2.675 is a hair below in binary.
    EXPECT_DOUBLE_EQ(Round(2.675, 2), 2.68);
    EXPECT_DOUBLE_EQ(Round(2.665, 2), 2.66);
}

TEST(Round, NonHalvesGoToTheNearest)
{
    EXPECT_DOUBLE_EQ(Round(-0.456, 2), -0.46);
    EXPECT_DOUBLE_EQ(Round(2.251, 1), 2.3);
    EXPECT_DOUBLE_EQ(Round(9.96, 1), 10.0);
    EXPECT_DOUBLE_EQ(Round(0.004, 2), 0.0);
    EXPECT_DOUBLE_EQ(Round(15.49, 0), 15.0);
    EXPECT_DOUBLE_EQ(Round(0.0, 2), 0.0);
    EXPECT_FALSE(std::signbit(Round(-0.001, 2)));
    // Nothing to drop: the value comes back bit for bit.
    EXPECT_EQ(Round(0.1 + 0.2, 20), 0.1 + 0.2);
}

TEST(Val, LeadingNumberOnly)
{
    EXPECT_DOUBLE_EQ(Val("21,5"), 21.0);
    EXPECT_DOUBLE_EQ(Val("abc"), 0.0);
    EXPECT_DOUBLE_EQ(Val(""), 0.0);
    EXPECT_DOUBLE_EQ(Val("   12.5"), 12.5);
    EXPECT_DOUBLE_EQ(Val("12.5abc"), 12.5);
    EXPECT_DOUBLE_EQ(Val("1.2.3"), 1.2);
    EXPECT_DOUBLE_EQ(Val(".5"), 0.5);
    EXPECT_DOUBLE_EQ(Val("5."), 5.0);
    EXPECT_DOUBLE_EQ(Val("-3.25"), -3.25);
    EXPECT_DOUBLE_EQ(Val("+7"), 7.0);
    EXPECT_DOUBLE_EQ(Val("--7"), 0.0);
    EXPECT_DOUBLE_EQ(Val("-"), 0.0);
    EXPECT_DOUBLE_EQ(Val("."), 0.0);
}

TEST(Val, ExponentsAndBlanksAsTheClassicParse)
{
    EXPECT_DOUBLE_EQ(Val("1e3"), 1000.0);
    EXPECT_DOUBLE_EQ(Val("1E-2"), 0.01);
    EXPECT_DOUBLE_EQ(Val("2.5e+1x"), 25.0);
    EXPECT_DOUBLE_EQ(Val("1d2"), 100.0);
    // A letter without exponent digits ends the number before it.
    EXPECT_DOUBLE_EQ(Val("4e"), 4.0);
    EXPECT_DOUBLE_EQ(Val("4e-"), 4.0);
    // Blanks inside the number are skipped, as the classic parse does.
    EXPECT_DOUBLE_EQ(Val(" 1 2 3"), 123.0);
    EXPECT_DOUBLE_EQ(Val("\t-4.5\r\n"), -4.5);
    EXPECT_DOUBLE_EQ(Val("1e999"), 0.0);  // out of range
}

TEST(IsNumeric, PlainNumbers)
{
    for (const char* yes : {"0", "12", "-0.25", "+3", " 12.5 ", "5.", ".5", "1e3", "1.5E-2", "007"})
        EXPECT_TRUE(IsNumeric(yes)) << yes;
    for (const char* no : {"", " ", ".", "-", "1e", "1.2.3", "12a", "a12", "1 2", "--1", "$5",
                           "(5)", "5-", "inf", "nan", "&H10", "1e999", "21,5"})
        EXPECT_FALSE(IsNumeric(no)) << no;
}

TEST(IsNumeric, CommasOnlyAsThousandsSeparators)
{
    for (const char* yes : {"1,234", "1,234.5", "-12,345,678.25", "999,999", "0,123"})
        EXPECT_TRUE(IsNumeric(yes)) << yes;
    for (const char* no : {"1,23", "1,2345", ",123", "1,,234", "1234,567", "1,234,56", "1.234,5",
                           "1,", "12,34.5"})
        EXPECT_FALSE(IsNumeric(no)) << no;
    EXPECT_TRUE(IsNumeric("1,234."));
}

TEST(ToNumber, ValuesOfNumericTexts)
{
    EXPECT_DOUBLE_EQ(*toNumber("1,234.5"), 1234.5);
    EXPECT_DOUBLE_EQ(*toNumber(" -0.25 "), -0.25);
    EXPECT_DOUBLE_EQ(*toNumber("5."), 5.0);
    EXPECT_DOUBLE_EQ(*toNumber("2e-3"), 0.002);
    EXPECT_DOUBLE_EQ(*toNumber("1e-400"), 0.0);
    EXPECT_FALSE(toNumber("").has_value());
    EXPECT_FALSE(toNumber("12 m").has_value());
}

TEST(NumberText, FifteenSignificantDigits)
{
    EXPECT_EQ(numberText(0), "0");
    EXPECT_EQ(numberText(-0.0), "0");
    EXPECT_EQ(numberText(12), "12");
    EXPECT_EQ(numberText(0.5), "0.5");
    EXPECT_EQ(numberText(-0.25), "-0.25");
    EXPECT_EQ(numberText(0.1 + 0.2), "0.3");
    EXPECT_EQ(numberText(1.0 / 3), "0.333333333333333");
    EXPECT_EQ(numberText(123456789012345.0), "123456789012345");
    EXPECT_EQ(numberText(1e15), "1E+15");
    EXPECT_EQ(numberText(1.5e20), "1.5E+20");
    EXPECT_EQ(numberText(0.0001), "0.0001");
    EXPECT_EQ(numberText(0.00001), "1E-05");
    EXPECT_EQ(numberText(-2.5e-7), "-2.5E-07");
    EXPECT_EQ(numberText(100), "100");
    // Reads back as the same number through the numeric test.
    EXPECT_DOUBLE_EQ(*toNumber(numberText(12.35)), 12.35);
    EXPECT_DOUBLE_EQ(*toNumber(numberText(1.5e20)), 1.5e20);
}

// The digits of a double are its value rounded to 15 significant digits,
// however they are found: checked against the C library's own rounding for
// numbers typed with few digits, numbers with many, and random bit patterns.
TEST(NumberText, DigitsAreTheValueRoundedToFifteenPlaces)
{
    std::mt19937_64 gen(20261209);
    std::uniform_int_distribution<int> small(-999999, 999999);
    std::vector<double> values = {0.1, 0.15, 1.005, 2.675, 1e-5, 123456789012345.0, 1234567890123456.0,
                                  0.30000000000000004, 9.999999999999999e22, 5e-324, 1.7976931348623157e308,
                                  100.00999999999999, 1.0 / 3.0, 2.0 / 3.0};
    for (int k = 0; k < 20000; ++k) {
        values.push_back(small(gen) / 100.0);
        values.push_back(small(gen) * 0.01 + 1000);
        double bits;
        const quint64 raw = gen();
        std::memcpy(&bits, &raw, sizeof bits);
        if (std::isfinite(bits))
            values.push_back(bits);
    }
    for (const double v : values) {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.14e", v);
        rv::detail::DecimalDigits want;
        const char* p = buf;
        if (*p == '-') {
            want.negative = true;
            ++p;
        }
        for (; *p != 'e'; ++p)
            if (*p != '.')
                want.digits.push_back(*p);
        want.pointPos = std::atoi(p + 1) + 1;
        while (!want.digits.empty() && want.digits.back() == '0')
            want.digits.pop_back();
        const rv::detail::DecimalDigits got = rv::detail::toDecimalDigits(v);
        ASSERT_EQ(got.digits, want.digits) << buf;
        ASSERT_EQ(got.pointPos, want.pointPos) << buf;
        ASSERT_EQ(got.negative, want.negative) << buf;
    }
}
