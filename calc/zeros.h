#pragma once
// Zero readings: every reading of a graph is shown relative to the first
// reading of its selection. The offsets are that reading's channel texts;
// each row's zero values are its channels minus those offsets.
#include <QString>
#include <QVariant>
#include <array>
#include <optional>

namespace rv::calc {

// Channel1..Channel10 by channel number; element 0 unused.
using ChannelValues = std::array<QVariant, 11>;
using ChannelTexts = std::array<QString, 11>;

// The zero reading's channel values as texts: a null field gives an empty
// text, a number its shortest text form, a stored text stays as it is.
ChannelTexts GetOffsets(const ChannelValues& zeroReading);

// The offsets read as numbers once per pass. A channel whose offset is empty
// or not a number has none: a row with a value on that channel cannot be
// zeroed.
struct ZeroOffsets {
    std::array<std::optional<double>, 11> value;
};
ZeroOffsets readOffsets(const ChannelTexts& offset);

// What SetZeros gives one row. The fields are written in the order zero1 ..
// zero10, NumTemp; a failure stops the row there, so the fields before it
// take their new values and the rest keep what they held.
struct ZeroRow {
    std::array<double, 11> zero{};  // zero1..zero10, element 0 unused
    double numTemp = 0;
    // 0 when the whole row was computed; otherwise the channel (1..10) whose
    // subtraction failed: only zero1 .. zero(failedChannel - 1) are new.
    int failedChannel = 0;
    // Fields to write: 11 (all ten zeros and NumTemp) or failedChannel - 1.
    int written() const { return failedChannel == 0 ? 11 : failedChannel - 1; }
};

// Per channel: empty (null or "") gives 0, otherwise the value minus the
// offset. The temperature is read leniently from the text of ChannelT
// (leading blanks skipped, "." the only decimal mark, stopping at the first
// character that cannot continue a number); empty or non-numeric gives 0.
ZeroRow SetZeros(const ChannelValues& channel, const QVariant& channelT, const ZeroOffsets& offsets);

} // namespace rv::calc
