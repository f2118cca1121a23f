#include "calc/bands.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace rv::calc;

namespace {

struct Case {
    double value;
    double increment;
    double maximum;
};

void expectBands(AxisBand (*band)(double), std::initializer_list<Case> cases)
{
    for (const Case& c : cases) {
        const AxisBand b = band(c.value);
        EXPECT_EQ(b.increment, c.increment) << "value " << c.value;
        EXPECT_EQ(b.maximum, c.maximum) << "value " << c.value;
    }
}

} // namespace

TEST(TimeAxisBand, EachBandAtItsBoundsAndInside)
{
    expectBands(timeAxisBand, {
        {0, 0.01, 0.1}, {0.05, 0.01, 0.1}, {0.099, 0.01, 0.1},
        {0.1, 0.1, 1}, {0.99, 0.1, 1},
        {1, 0.1, 1.05}, {1.44, 0.1, 1.45}, {1.99, 0.1, 2.05},
        {2, 0.1, 2.1}, {2.25, 0.1, 2.3}, {2.99, 0.1, 3.1},
        {3, 0.5, 3.5}, {9.99, 0.5, 10.5},
        {10, 1, 11}, {12.3, 1, 13}, {15.99, 1, 17},
        {16, 2, 18}, {30, 2, 32},
    });
}

TEST(TimeAxisBand, GapsNegativesAndLargeValuesTakeTheLastRow)
{
    expectBands(timeAxisBand, {
        {0.0995, 10, 5}, {0.995, 10, 6}, {1.995, 10, 7}, {9.995, 10, 15},
        {45, 10, 50}, {30.01, 10, 35}, {-3.2, 10, 2}, {1000.5, 10, 1005},
    });
}

TEST(TimeAxisBand, HalvesRoundToTheEvenNeighbour)
{
    // 2.25 -> 2.2 and 2.35 -> 2.4 on the decimal value as written.
    EXPECT_EQ(timeAxisBand(2.25).maximum, 2.3);
    EXPECT_EQ(timeAxisBand(2.35).maximum, 2.5);
    EXPECT_EQ(timeAxisBand(12.5).maximum, 13);
    EXPECT_EQ(timeAxisBand(13.5).maximum, 15);
    EXPECT_EQ(timeAxisBand(44.5).maximum, 49);
}

TEST(LengthAxisBand, TableRows)
{
    expectBands(lengthAxisBand, {
        {0, 0.01, 0.1}, {0.05, 0.01, 0.1}, {0.099, 0.01, 0.1},
        {0.1, 0.1, 1}, {0.8, 0.1, 1}, {0.99, 0.1, 1},
        {1, 0.1, 1.05}, {1.25, 0.1, 1.25}, {1.99, 0.1, 2.05},
        {2, 0.1, 2.1}, {2.99, 0.1, 3.1},
        {3, 0.5, 3.5}, {9.99, 0.5, 10.5},
        {10, 1, 15}, {12.3, 1, 15}, {14.99, 1, 15},
        {15, 2, 20}, {19.99, 2, 20}, {20, 2, 30}, {29.99, 2, 30},
        {30, 5, 40}, {40, 5, 50}, {50, 5, 60}, {59.99, 5, 60},
        {60, 10, 70}, {70, 10, 80}, {80, 10, 90}, {90, 10, 100}, {99.99, 10, 100},
        {100, 10, 120}, {119.99, 10, 120}, {120, 10, 130}, {122, 10, 130}, {125, 10, 130},
    });
}

TEST(LengthAxisBand, GapsNegativesAndLargeValuesRoundToAWholeNumber)
{
    expectBands(lengthAxisBand, {
        {0.0995, 10, 0}, {14.995, 10, 15}, {131.6, 10, 132}, {126.5, 10, 126},
        {127.5, 10, 128}, {-0.3, 10, 0}, {-2.5, 10, -2},
    });
    // A rounded negative zero is shown as 0, not "-0".
    EXPECT_FALSE(std::signbit(lengthAxisBand(-0.3).maximum));
}

TEST(AxisMinimum, ZeroUnlessNegativeThenTwoDecimalsHalfToEven)
{
    EXPECT_EQ(axisMinimum(0.4), 0);
    EXPECT_EQ(axisMinimum(0), 0);
    EXPECT_EQ(axisMinimum(-0.456), -0.46);
    EXPECT_EQ(axisMinimum(-0.2), -0.2);
    EXPECT_EQ(axisMinimum(-0.125), -0.12);
    EXPECT_EQ(axisMinimum(-0.135), -0.14);
    EXPECT_EQ(axisMinimum(-0.001), 0);
}

TEST(DistanceAxisMaximum, NextWholeMetreButAtLeastOne)
{
    EXPECT_EQ(distanceAxisMaximum(8.5), 9);
    EXPECT_EQ(distanceAxisMaximum(8.0), 8);
    EXPECT_EQ(distanceAxisMaximum(8.001), 9);
    EXPECT_EQ(distanceAxisMaximum(1), 1);
    EXPECT_EQ(distanceAxisMaximum(0.5), 1);
    EXPECT_EQ(distanceAxisMaximum(0), 1);
}
