#include "calc/levels.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace rv::calc;

namespace {

// A type-45 sensor: three channels, four nodes 1 m apart from 1.50 m, head
// at the collar (node 4 fixed).
LevelFrame frame45(const Channels& zero)
{
    LevelFrame f;
    f.numChannels = 3;
    f.numNodes = 4;
    f.anchors = readAnchors(true, 3, {"", "1.50", "2.50", "3.50", "4.50", "", ""});
    f.zero = offsetsOf(zero);
    return f;
}

Channels ch(std::initializer_list<std::optional<double>> v)
{
    Channels c;
    size_t k = 1;
    for (const auto& x : v)
        c[k++] = x;
    return c;
}

Levels levels(Quantity q, std::optional<double> a, std::optional<double> b, std::optional<double> c)
{
    Levels l = defaultLevels();
    l.of(q).level[1].value = a;
    l.of(q).level[2].value = b;
    l.of(q).level[3].value = c;
    return l;
}

constexpr qint64 kHour = 3600000;

} // namespace

TEST(TriggerLevels, ReadingExactlyOnALevelCrossesItAndSignDoesNotMatter)
{
    const Levels l = levels(Quantity::Load, 10.0, 20.0, 30.0);
    const QuantityLevels& q = l.of(Quantity::Load);
    EXPECT_EQ(crossedLevel(q, 9.99), 0);
    EXPECT_EQ(crossedLevel(q, 10.0), 1);
    EXPECT_EQ(crossedLevel(q, -20.0), 2);
    EXPECT_EQ(crossedLevel(q, 29.999), 2);
    // A change of two-decimal readings that is on the level in decimals.
    const Levels small = levels(Quantity::Load, 0.05, std::nullopt, std::nullopt);
    EXPECT_EQ(crossedLevel(small.of(Quantity::Load), 2.05 - 2.00), 1);
    EXPECT_EQ(crossedLevel(small.of(Quantity::Load), 2.04 - 2.00), 0);
    EXPECT_EQ(crossedLevel(q, -45.0), 3);
    // A level that is not set is skipped, not read as 0.
    const Levels gap = levels(Quantity::Load, std::nullopt, 20.0, std::nullopt);
    EXPECT_EQ(crossedLevel(gap.of(Quantity::Load), 5.0), 0);
    EXPECT_EQ(crossedLevel(gap.of(Quantity::Load), 100.0), 2);
}

TEST(TriggerLevels, ValuesMustBePositiveAndRiseWithTheLevel)
{
    EXPECT_FALSE(checkLevels(levels(Quantity::Disp, 5.0, std::nullopt, 50.0)));
    auto p = checkLevels(levels(Quantity::Disp, 0.0, 10.0, 20.0));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->quantity, Quantity::Disp);
    EXPECT_EQ(p->levelNo, 1);
    EXPECT_EQ(p->reason, "must be above 0");
    p = checkLevels(levels(Quantity::Rate, 5.0, 5.0, 20.0));
    ASSERT_TRUE(p);
    EXPECT_EQ(p->levelNo, 2);
    EXPECT_EQ(p->reason, "must be above the Alert level");
    // Compared with the nearest lower level that is set, by its own name.
    Levels named = levels(Quantity::Load, std::nullopt, 20.0, 15.0);
    named.of(Quantity::Load).level[2].name = "Stop work";
    p = checkLevels(named);
    ASSERT_TRUE(p);
    EXPECT_EQ(p->levelNo, 3);
    EXPECT_EQ(p->reason, "must be above the Stop work level");
    EXPECT_EQ(checkLevels(levels(Quantity::Load, -1.0, std::nullopt, std::nullopt))->reason, "must be above 0");
}

TEST(TriggerLevels, LoadIsTheChangeSinceTheZeroReading)
{
    const LevelFrame f = frame45(ch({10.0, 5.0, 2.0}));
    const ReadingValues v = readingValues(f, ch({22.5, 5.0, -1.0}));
    EXPECT_EQ(v.load[1], 12.5);
    EXPECT_EQ(v.load[2], 0.0);
    EXPECT_EQ(v.load[3], -3.0);
    // Only the type's channels are compared.
    EXPECT_FALSE(v.load[4]);
    // A raw 22.5 is not a crossing of a 20 level; a change of 12.5 is no
    // crossing of it either.
    const ReadingState s = readingState(f, levels(Quantity::Load, 20.0, std::nullopt, std::nullopt), v, std::nullopt);
    EXPECT_EQ(s.state, 0);
}

TEST(TriggerLevels, DisplacementIsWhatTheDisplacementPassComputes)
{
    const LevelFrame f = frame45(ch({0.0, 0.0, 0.0}));
    // Stretch k = zero k / 3 x 1 m; node 4 fixed, node 1 sums all three.
    const ReadingValues v = readingValues(f, ch({3.0, 6.0, -3.0}));
    EXPECT_EQ(v.disp[4], 0.0);
    EXPECT_EQ(v.disp[3], -1.0);
    EXPECT_EQ(v.disp[2], 1.0);
    EXPECT_EQ(v.disp[1], 2.0);
    EXPECT_FALSE(v.disp[5]);
    const ReadingState s =
        readingState(f, levels(Quantity::Disp, 1.0, 2.0, std::nullopt), v, std::nullopt);
    EXPECT_EQ(s.state, 2);
    ASSERT_EQ(s.crossings.size(), 3u);  // nodes 1 (level 2), 2 and 3 (level 1)
    EXPECT_EQ(s.crossings[0].index, 1);
    EXPECT_EQ(s.crossings[0].levelNo, 2);
    EXPECT_EQ(s.crossings[2].value, -1.0);
}

TEST(TriggerLevels, ChannelsWithoutAValue)
{
    // An empty channel counts 0, as the zero step writes it.
    LevelFrame f = frame45(ch({10.0, 10.0, 10.0}));
    ReadingValues v = readingValues(f, ch({std::nullopt, 40.0, 10.0}));
    EXPECT_EQ(v.load[1], 0.0);
    EXPECT_EQ(v.load[2], 30.0);
    ASSERT_TRUE(v.disp[1]);
    // A zero reading without channel 2 cannot zero a later value on it: no
    // value from channel 2 on, and no displacement of the nodes it feeds.
    f = frame45(ch({10.0, std::nullopt, 10.0}));
    v = readingValues(f, ch({15.0, 40.0, 50.0}));
    EXPECT_EQ(v.load[1], 5.0);
    EXPECT_FALSE(v.load[2]);
    EXPECT_FALSE(v.load[3]);
    EXPECT_FALSE(v.disp[1]);
    // No zero reading at all: nothing to compare.
    f.zero.reset();
    EXPECT_FALSE(readingValues(f, ch({15.0})).load[1]);
}

TEST(TriggerLevels, ATypeWithFewerChannels)
{
    LevelFrame f;
    f.numChannels = 1;
    f.numNodes = 2;
    f.anchors = readAnchors(false, 1, {"", "5.50", "3.50", "", "", "", ""});
    f.zero = offsetsOf(ch({0.0}));
    const ReadingValues v = readingValues(f, ch({3.0, 99.0, 99.0}));
    EXPECT_EQ(v.load[1], 3.0);
    EXPECT_FALSE(v.load[2]);
    // Head at the toe: node 1 is fixed; node 2 moves by 3 / 3 x 2 m.
    EXPECT_EQ(v.disp[1], 0.0);
    EXPECT_EQ(v.disp[2], 2.0);
    EXPECT_FALSE(v.disp[3]);
}

TEST(TriggerLevels, RateUsesTheLatestReadingADayEarlier)
{
    const LevelFrame f = frame45(ch({0.0, 0.0, 0.0}));
    std::vector<TimedReading> r = {
        {0, ch({0.0, 0.0, 0.0})},
        {12 * kHour, ch({3.0, 0.0, 0.0})},   // node 1: 1 mm
        {30 * kHour, ch({6.0, 0.0, 0.0})},   // node 1: 2 mm
        {48 * kHour, ch({12.0, 0.0, 0.0})},  // node 1: 4 mm
    };
    EXPECT_FALSE(rateReference(r, 0));
    EXPECT_FALSE(rateReference(r, 1));  // nothing 24 hours before it
    EXPECT_EQ(rateReference(r, 2), 0u);
    EXPECT_EQ(rateReference(r, 3), 1u);  // the latest at or before 24 h
    const Levels l = levels(Quantity::Rate, 0.5, 1.0, 2.0);
    const auto out = crossingsOf(f, l, r, {1, 2, 3});
    // Reading 2: (2 - 0) mm over 1.25 days = 1.6 mm/day; reading 3: (4 - 1)
    // mm over 1.5 days = 2 mm/day, exactly on the Action level. Node 2
    // onward do not move.
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].reading, 2u);
    EXPECT_DOUBLE_EQ(out[0].crossing.value, 1.6);
    EXPECT_EQ(out[0].crossing.levelNo, 2);
    EXPECT_EQ(out[1].reading, 3u);
    EXPECT_DOUBLE_EQ(out[1].crossing.value, 2.0);
    EXPECT_EQ(out[1].crossing.levelNo, 3);
}

TEST(TriggerLevels, WorstValuePrefersTheHighestLevelThenTheLargestShare)
{
    const LevelFrame f = frame45(ch({0.0, 0.0, 0.0}));
    Levels l = levels(Quantity::Load, 10.0, 20.0, std::nullopt);
    l.of(Quantity::Disp).level[1].value = 100.0;
    const ReadingValues v = readingValues(f, ch({12.0, 25.0, -24.0}));
    auto w = worstValue(f, l, v, std::nullopt);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->quantity, Quantity::Load);
    EXPECT_EQ(w->index, 2);
    EXPECT_EQ(w->levelNo, 2);
    // Nothing crossed: the value nearest its lowest level.
    const ReadingValues quiet = readingValues(f, ch({1.0, -6.0, 2.0}));
    w = worstValue(f, l, quiet, std::nullopt);
    ASSERT_TRUE(w);
    EXPECT_EQ(w->levelNo, 0);
    EXPECT_EQ(w->index, 2);
    EXPECT_FALSE(worstValue(f, defaultLevels(), quiet, std::nullopt));
}

// Over a long series with uneven gaps (bursts, pauses of days, readings
// closer than a day to each other), every checked reading's crossings are
// those of its own values and of its rate against the latest reading at
// least a day before it, found here the plain way.
TEST(TriggerLevels, CrossingsOfALongUnevenSeriesMatchReadingByReading)
{
    const LevelFrame f = frame45(ch({0.0, 0.0, 0.0}));
    Levels l = levels(Quantity::Rate, 0.05, 0.2, 0.5);
    l.of(Quantity::Load) = levels(Quantity::Load, 3.0, 6.0, std::nullopt).of(Quantity::Load);
    l.of(Quantity::Disp) = levels(Quantity::Disp, std::nullopt, 1.5, 2.5).of(Quantity::Disp);
    std::vector<TimedReading> r;
    qint64 t = 0;
    for (int i = 0; i < 6000; ++i) {
        t += (i % 500 == 0) ? 5 * kMsPerDay : (i % 7 == 0 ? 20 * kHour : (i % 3 + 1) * 15 * 60000);
        const double x = 4.0 * std::sin(i / 300.0) + (i % 11) * 0.05;
        r.push_back({t, ch({x, x / 2, i % 13 == 0 ? std::optional<double>() : std::optional<double>(-x / 3)})});
    }
    std::vector<size_t> check;
    for (size_t i = 0; i < r.size(); i += (i < 3000 ? 1 : 2))
        check.push_back(i);

    std::vector<ReadingCrossing> expected;
    for (size_t i : check) {
        const ReadingValues v = readingValues(f, r[i].channel);
        std::optional<NodeValues> rate;
        if (const auto ref = rateReference(r, i))
            rate = rateValues(v.disp, readingValues(f, r[*ref].channel).disp,
                              double(r[i].ms - r[*ref].ms) / kMsPerDay, f.numNodes);
        for (const Crossing& c : readingState(f, l, v, rate).crossings)
            expected.push_back({i, c});
    }
    const std::vector<ReadingCrossing> got = crossingsOf(f, l, r, check);
    ASSERT_EQ(got.size(), expected.size());
    bool rates = false;
    for (size_t k = 0; k < got.size(); ++k) {
        ASSERT_EQ(got[k].reading, expected[k].reading) << k;
        EXPECT_EQ(got[k].crossing.quantity, expected[k].crossing.quantity) << k;
        EXPECT_EQ(got[k].crossing.index, expected[k].crossing.index) << k;
        EXPECT_EQ(got[k].crossing.levelNo, expected[k].crossing.levelNo) << k;
        EXPECT_EQ(got[k].crossing.value, expected[k].crossing.value) << k;
        rates = rates || got[k].crossing.quantity == Quantity::Rate;
    }
    EXPECT_TRUE(rates) << "the series must exercise the rates";
    EXPECT_GT(got.size(), 1000u);
}
