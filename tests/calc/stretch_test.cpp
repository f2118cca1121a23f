#include "calc/stretch.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace rv::calc;

namespace {

Anchors anchors(bool atCollar, int n, std::array<QString, 7> texts)
{
    return readAnchors(atCollar, n, texts);
}

const std::array<QString, 7> kRising = {"", "1.50", "2.50", "3.50", "4.50", "5.50", "6.50"};
const std::array<QString, 7> kFalling = {"", "6.50", "5.50", "4.50", "3.50", "2.50", "1.50"};
const SectionValues kZeros = {std::nullopt, 3.0, 6.0, 0.0, -3.0, 1.5};

using Opt = std::optional<double>;
std::vector<Opt> sections(const SectionValues& v) { return {v.begin() + 1, v.end()}; }
std::vector<Opt> nodes(const NodeValues& v) { return {v.begin() + 1, v.end()}; }
constexpr std::nullopt_t null = std::nullopt;

} // namespace

TEST(StretchAndDisp, HeadAtCollar)
{
    const Anchors a = anchors(true, 5, kRising);
    const StretchResult s = CalcStretch(a, kZeros);
    EXPECT_EQ(s.failedSection, 0);
    EXPECT_EQ(sections(s.stretch), (std::vector<Opt>{1.0, 2.0, 0.0, -1.0, 0.5}));
    EXPECT_EQ(nodes(CalcDisp(a, s.stretch)), (std::vector<Opt>{2.5, 1.5, -0.5, -0.5, 0.5, 0.0}));
}

TEST(StretchAndDisp, HeadAtToe)
{
    const Anchors a = anchors(false, 5, kFalling);
    const StretchResult s = CalcStretch(a, kZeros);
    EXPECT_EQ(s.failedSection, 0);
    EXPECT_EQ(sections(s.stretch), (std::vector<Opt>{1.0, 2.0, 0.0, -1.0, 0.5}));
    EXPECT_EQ(nodes(CalcDisp(a, s.stretch)), (std::vector<Opt>{0.0, 1.0, 3.0, 3.0, 2.0, 2.5}));
}

TEST(StretchAndDisp, ZeroReadingGivesPlainZerosBothWays)
{
    const SectionValues zeros = {null, 0.0, 0.0, 0.0, 0.0, 0.0};
    for (const Anchors& a : {anchors(true, 5, kRising), anchors(false, 5, kFalling)}) {
        const StretchResult s = CalcStretch(a, zeros);
        const NodeValues d = CalcDisp(a, s.stretch);
        for (size_t k = 1; k <= 5; ++k) {
            ASSERT_TRUE(s.stretch[k]);
            EXPECT_EQ(*s.stretch[k], 0.0);
            EXPECT_FALSE(std::signbit(*s.stretch[k])) << "stretch " << k << " is -0";
        }
        for (size_t k = 1; k <= 6; ++k) {
            ASSERT_TRUE(d[k]);
            EXPECT_FALSE(std::signbit(*d[k])) << "disp " << k << " is -0";
        }
    }
}

TEST(StretchAndDisp, EachSectionScaledByItsOwnLength)
{
    const Anchors a = anchors(true, 2, {"", "1.00", "3.00", "3.50"});
    const StretchResult s = CalcStretch(a, {null, 3.0, 3.0});
    EXPECT_EQ(s.stretch[1], 2.0);
    EXPECT_EQ(s.stretch[2], 0.5);
}

TEST(StretchAndDisp, NullZeroNullsItsStretchAndTheChainBeyond)
{
    const SectionValues zeros = {null, 3.0, 6.0, null, -3.0, 1.5};
    const Anchors collar = anchors(true, 5, kRising);
    const StretchResult s = CalcStretch(collar, zeros);
    EXPECT_EQ(sections(s.stretch), (std::vector<Opt>{1.0, 2.0, null, -1.0, 0.5}));
    EXPECT_EQ(nodes(CalcDisp(collar, s.stretch)), (std::vector<Opt>{null, null, null, -0.5, 0.5, 0.0}));
    const Anchors toe = anchors(false, 5, kFalling);
    EXPECT_EQ(nodes(CalcDisp(toe, CalcStretch(toe, zeros).stretch)), (std::vector<Opt>{0.0, 1.0, 3.0, null, null, null}));
}

TEST(StretchAndDisp, FewerChannelsComputeTheSectionsThatExist)
{
    // Three channels: sections 1..3, nodes 1..4; the upper boxes are empty.
    const SectionValues zeros = {null, 3.0, 6.0, 0.0, 99.0, 99.0};
    const Anchors collar = anchors(true, 3, {"", "1.50", "2.50", "3.50", "4.50", "", ""});
    const StretchResult s = CalcStretch(collar, zeros);
    EXPECT_EQ(s.failedSection, 0);
    EXPECT_EQ(sections(s.stretch), (std::vector<Opt>{1.0, 2.0, 0.0, null, null}));
    // Node 4 is the deepest existing node and stays fixed.
    EXPECT_EQ(nodes(CalcDisp(collar, s.stretch)), (std::vector<Opt>{3.0, 2.0, 0.0, 0.0, null, null}));

    const Anchors toe = anchors(false, 3, {"", "4.50", "3.50", "2.50", "1.50", "", ""});
    const StretchResult t = CalcStretch(toe, zeros);
    EXPECT_EQ(sections(t.stretch), (std::vector<Opt>{1.0, 2.0, 0.0, null, null}));
    EXPECT_EQ(nodes(CalcDisp(toe, t.stretch)), (std::vector<Opt>{0.0, 1.0, 3.0, 3.0, null, null}));

    // One channel: one section, two nodes.
    const Anchors one = anchors(true, 1, {"", "0.50", "2.00"});
    const StretchResult o = CalcStretch(one, zeros);
    EXPECT_EQ(sections(o.stretch), (std::vector<Opt>{1.5, null, null, null, null}));
    EXPECT_EQ(nodes(CalcDisp(one, o.stretch)), (std::vector<Opt>{1.5, 0.0, null, null, null, null}));
}

TEST(StretchAndDisp, UnreadableNodeOfAnExistingSectionStopsThere)
{
    std::array<QString, 7> texts = kRising;
    texts[4] = "";
    const StretchResult s = CalcStretch(anchors(true, 5, texts), kZeros);
    EXPECT_EQ(s.failedSection, 3);
    EXPECT_EQ(sections(s.stretch), (std::vector<Opt>{1.0, 2.0, null, null, null}));

    texts = kRising;
    texts[1] = "abc";
    EXPECT_EQ(CalcStretch(anchors(true, 5, texts), kZeros).failedSection, 1);
}
