#include "calc/rel_to_roof.h"

#include <gtest/gtest.h>

using namespace rv::calc;

namespace {

RelToRoofInput sixNodes(bool atCollar)
{
    RelToRoofInput in;
    in.headAtCollar = atCollar;
    in.recess = "0.5";
    in.lengthOfCable = "8";
    in.nodes = {"", "1", "2", "3", "4", "5", "6"};
    in.centres = {"", "1.5", "2.5", "3.5", "4.5", "5.5"};
    in.numChannels = "5";
    return in;
}

std::vector<QString> anchors(const RelToRoofResult& r)
{
    return {r.anchors.begin() + 1, r.anchors.end()};
}

std::vector<QString> centres(const RelToRoofResult& r)
{
    return {r.centres.begin() + 1, r.centres.end()};
}

using Texts = std::vector<QString>;

} // namespace

TEST(CalcReltoRoof, HeadAtCollarAddsTheRecess)
{
    const RelToRoofResult r = CalcReltoRoof(sixNodes(true));
    EXPECT_TRUE(r.touched);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.failedInput, "");
    EXPECT_EQ(r.head, "0.50");
    EXPECT_EQ(anchors(r), (Texts{"1.50", "2.50", "3.50", "4.50", "5.50", "6.50"}));
    EXPECT_EQ(centres(r), (Texts{"2.00", "3.00", "4.00", "5.00", "6.00"}));
}

TEST(CalcReltoRoof, HeadAtToeCountsBackFromTheHead)
{
    const RelToRoofResult r = CalcReltoRoof(sixNodes(false));
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.head, "7.50");
    EXPECT_EQ(anchors(r), (Texts{"6.50", "5.50", "4.50", "3.50", "2.50", "1.50"}));
    EXPECT_EQ(centres(r), (Texts{"6.00", "5.00", "4.00", "3.00", "2.00"}));
}

TEST(CalcReltoRoof, ThreeChannelsFillFourNodesAndThreeCentres)
{
    RelToRoofInput in = sixNodes(true);
    in.numChannels = "3";
    const RelToRoofResult r = CalcReltoRoof(in);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(anchors(r), (Texts{"1.50", "2.50", "3.50", "4.50", "", ""}));
    EXPECT_EQ(centres(r), (Texts{"2.00", "3.00", "4.00", "", ""}));
}

TEST(CalcReltoRoof, NegativesAndValuesUnderOne)
{
    RelToRoofInput in = sixNodes(false);
    in.numChannels = "1";
    in.lengthOfCable = "1.5";
    in.nodes[1] = "0.75";
    in.nodes[2] = "1.25";
    in.centres[1] = "1";
    const RelToRoofResult r = CalcReltoRoof(in);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.head, "1.00");
    EXPECT_EQ(r.anchors[1], "0.25");
    EXPECT_EQ(r.anchors[2], "-0.25");
    EXPECT_EQ(r.centres[1], "0.00");
}

TEST(CalcReltoRoof, RecessIsSinglePrecision)
{
    // 0.7 in single precision is 0.699999988..., so 1.125 + r falls below the half.
    RelToRoofInput in = sixNodes(true);
    in.recess = "0.7";
    in.numChannels = "0";
    in.nodes[1] = "1.125";
    const RelToRoofResult r = CalcReltoRoof(in);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.head, "0.70");
    EXPECT_EQ(r.anchors[1], "1.82");
}

TEST(CalcReltoRoof, HeadIsReadBackInSinglePrecision)
{
    // The head 7.45 reads back as 7.449999809..., so 7.45 - 2.125 shows 5.32.
    RelToRoofInput in = sixNodes(false);
    in.lengthOfCable = "7.95";
    in.numChannels = "0";
    in.nodes[1] = "2.125";
    const RelToRoofResult r = CalcReltoRoof(in);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.head, "7.45");
    EXPECT_EQ(r.anchors[1], "5.32");
    // And the head carries the two-decimal rounding of its text.
    in.lengthOfCable = "8.004";
    in.nodes[1] = "1";
    const RelToRoofResult r2 = CalcReltoRoof(in);
    EXPECT_EQ(r2.head, "7.50");
    EXPECT_EQ(r2.anchors[1], "6.50");
}

TEST(CalcReltoRoof, BadChannelCountOrRecessChangesNothing)
{
    for (const char* bad : {"", "x", "2.5"}) {
        RelToRoofInput in = sixNodes(true);
        in.numChannels = bad;
        const RelToRoofResult r = CalcReltoRoof(in);
        EXPECT_FALSE(r.touched) << bad;
        EXPECT_FALSE(r.ok);
    }
    for (const char* bad : {"", "abc", "-", "1e99"}) {
        RelToRoofInput in = sixNodes(false);
        in.recess = bad;
        const RelToRoofResult r = CalcReltoRoof(in);
        EXPECT_FALSE(r.touched) << bad;
        EXPECT_FALSE(r.ok);
        EXPECT_EQ(r.failedInput, "txtRecess");
    }
}

TEST(CalcReltoRoof, BadBoxStopsAfterTheBoxesBeforeIt)
{
    RelToRoofInput in = sixNodes(true);
    in.nodes[3] = "";
    RelToRoofResult r = CalcReltoRoof(in);
    EXPECT_TRUE(r.touched);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedInput, "txtNode(3)");
    EXPECT_EQ(r.head, "0.50");
    EXPECT_EQ(anchors(r), (Texts{"1.50", "2.50", "", "", "", ""}));
    EXPECT_EQ(centres(r), (Texts{"", "", "", "", ""}));

    in = sixNodes(false);
    in.centres[2] = "2,5";
    r = CalcReltoRoof(in);
    EXPECT_EQ(r.failedInput, "txtSGCenter(2)");
    EXPECT_EQ(anchors(r), (Texts{"6.50", "5.50", "4.50", "3.50", "2.50", "1.50"}));
    EXPECT_EQ(centres(r), (Texts{"6.00", "", "", "", ""}));

    in = sixNodes(false);
    in.lengthOfCable = "";
    r = CalcReltoRoof(in);
    EXPECT_TRUE(r.touched);
    EXPECT_EQ(r.failedInput, "txtLengthofCable");
    EXPECT_EQ(r.head, "");
    EXPECT_EQ(anchors(r), (Texts{"", "", "", "", "", ""}));

    // A bad cable length does not matter with the head at the collar.
    in.headAtCollar = true;
    EXPECT_TRUE(CalcReltoRoof(in).ok);
}

TEST(CalcReltoRoof, TooManyChannelsStopAtTheMissingBox)
{
    RelToRoofInput in = sixNodes(true);
    in.numChannels = "6";
    RelToRoofResult r = CalcReltoRoof(in);
    EXPECT_TRUE(r.touched);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.failedInput, "txtNode(7)");
    EXPECT_EQ(anchors(r), (Texts{"1.50", "2.50", "3.50", "4.50", "5.50", "6.50"}));
    EXPECT_EQ(centres(r), (Texts{"", "", "", "", ""}));
}
