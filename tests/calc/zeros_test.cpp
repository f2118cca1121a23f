#include "calc/zeros.h"

#include <gtest/gtest.h>

using namespace rv::calc;

namespace {

ChannelValues channels(std::initializer_list<QVariant> first)
{
    ChannelValues v;
    size_t k = 1;
    for (const QVariant& x : first)
        v[k++] = x;
    return v;
}

ZeroOffsets offsetsOf(const ChannelValues& zeroReading)
{
    return readOffsets(GetOffsets(zeroReading));
}

} // namespace

TEST(GetOffsets, TextsOfTheZeroReadingsChannels)
{
    const ChannelTexts t = GetOffsets(channels({10.0, 12.5, QVariant(), QStringLiteral("7.25"), -0.5, 1e20}));
    EXPECT_EQ(t[1], "10");
    EXPECT_EQ(t[2], "12.5");
    EXPECT_EQ(t[3], "");
    EXPECT_EQ(t[4], "7.25");
    EXPECT_EQ(t[5], "-0.5");
    EXPECT_EQ(t[6], "1E+20");
    EXPECT_EQ(t[10], "");
}

TEST(SetZeros, EachChannelRelativeToTheZeroReading)
{
    const ChannelValues first = channels({10.0});
    const ZeroOffsets off = offsetsOf(first);
    EXPECT_EQ(SetZeros(first, {}, off).zero[1], 0.0);
    EXPECT_EQ(SetZeros(channels({12.5}), {}, off).zero[1], 2.5);
    EXPECT_EQ(SetZeros(channels({9.0}), {}, off).zero[1], -1.0);
    // A stored text that is a number subtracts like the number.
    EXPECT_EQ(SetZeros(channels({QStringLiteral("11.5")}), {}, off).zero[1], 1.5);
}

TEST(SetZeros, EmptyChannelIsZeroWhateverTheZeroReadingHolds)
{
    const ZeroOffsets off = offsetsOf(channels({1.0, 2.0, 30.0}));
    for (const QVariant& empty : {QVariant(), QVariant(QString())}) {
        const ZeroRow r = SetZeros(channels({4.0, 2.0, empty}), {}, off);
        EXPECT_EQ(r.failedChannel, 0);
        EXPECT_EQ(r.written(), 11);
        EXPECT_EQ(r.zero[1], 3.0);
        EXPECT_EQ(r.zero[3], 0.0);
        EXPECT_EQ(r.zero[10], 0.0);
    }
    // An empty offset does not matter to an empty channel either.
    EXPECT_EQ(SetZeros(channels({4.0}), {}, offsetsOf(channels({1.0}))).failedChannel, 0);
}

TEST(SetZeros, ValueWhereTheZeroReadingHadNoneStopsTheRowAtThatChannel)
{
    const ZeroOffsets off = offsetsOf(channels({10.0, QVariant(), 5.0}));
    const ZeroRow r = SetZeros(channels({11.0, 5.0, 6.0}), 20.0, off);
    EXPECT_EQ(r.failedChannel, 2);
    EXPECT_EQ(r.written(), 1);  // zero1 only; zero2 .. zero10 and NumTemp keep their old values
    EXPECT_EQ(r.zero[1], 1.0);

    // A channel text that is not a number fails the same way.
    EXPECT_EQ(SetZeros(channels({11.0, QVariant(), QStringLiteral("x")}), {}, off).failedChannel, 3);
}

TEST(SetZeros, TemperatureReadLeniently)
{
    const ZeroOffsets off = offsetsOf(channels({}));
    EXPECT_EQ(SetZeros({}, 21.5, off).numTemp, 21.5);
    EXPECT_EQ(SetZeros({}, QStringLiteral("21.5"), off).numTemp, 21.5);
    EXPECT_EQ(SetZeros({}, QStringLiteral("21,5"), off).numTemp, 21.0);
    EXPECT_EQ(SetZeros({}, QStringLiteral("  -3.5C"), off).numTemp, -3.5);
    EXPECT_EQ(SetZeros({}, QStringLiteral("warm"), off).numTemp, 0.0);
    EXPECT_EQ(SetZeros({}, QString(), off).numTemp, 0.0);
    EXPECT_EQ(SetZeros({}, QVariant(), off).numTemp, 0.0);
    // No offset is applied to the temperature.
    EXPECT_EQ(SetZeros({}, 18.0, offsetsOf(channels({}))).numTemp, 18.0);
}
