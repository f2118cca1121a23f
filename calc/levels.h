#pragma once
// Trigger levels: the lines an engineer sets on a bolt's load, its nodes'
// displacement and their displacement rate, and which of them a reading
// crosses. The values compared are the ones the time graphs plot: each
// channel's change since the zero reading (the earliest time-flagged
// reading) and each node's displacement from those changes, so that the
// graphs, the import check, the site status and the command line agree.
#include "calc/stretch.h"
#include "calc/zeros.h"

#include <QString>
#include <array>
#include <optional>
#include <vector>

namespace rv::calc {

enum class Quantity { Load = 0, Disp = 1, Rate = 2 };
constexpr int kQuantities = 3;
constexpr int kLevelCount = 3;
inline constexpr std::array<Quantity, 3> kAllQuantities = {Quantity::Load, Quantity::Disp, Quantity::Rate};

// "Load", "Disp", "Rate": the stored names.
QString quantityName(Quantity q);
std::optional<Quantity> quantityFromName(const QString& name);

// "Alert", "Alarm", "Action" and "#e0b000", "#ff7f00", "#d00000" for
// levels 1, 2, 3: what a level gets when it is first set.
QString defaultLevelName(int levelNo);
QString defaultLevelColour(int levelNo);

struct TriggerLevel {
    QString name;
    std::optional<double> value;  // none: the level is not set
    QString colour;               // "#rrggbb"
};

// Levels 1..3 of one quantity; element 0 unused.
struct QuantityLevels {
    std::array<TriggerLevel, 4> level;
    bool anySet() const;
};

struct Levels {
    std::array<QuantityLevels, 3> byQuantity;
    const QuantityLevels& of(Quantity q) const { return byQuantity[size_t(q)]; }
    QuantityLevels& of(Quantity q) { return byQuantity[size_t(q)]; }
    bool anySet() const;
};

// Every level with its default name and colour and no value.
Levels defaultLevels();

// Whether |value| reaches a level (|value| >= level, allowing for the
// binary rounding of a difference of decimal numbers).
bool reaches(double value, double level);

// The highest level whose value |value| reaches, 0 when none does. Levels
// that are not set are never crossed.
int crossedLevel(const QuantityLevels& levels, double value);

// Why a set of levels cannot be kept: the first offending cell, quantities in
// the order Load, Disp, Rate and levels 1..3. The reason is "must be above
// 0" or "must be above the <name> level" (the nearest lower set level).
struct LevelProblem {
    Quantity quantity = Quantity::Load;
    int levelNo = 0;
    QString reason;
};
std::optional<LevelProblem> checkLevels(const Levels& levels);

// One sensor's readings as plain values: Channel1..10 (element 0 unused),
// none for an empty field.
using Channels = std::array<std::optional<double>, 11>;

// What the comparison needs of a sensor besides its levels.
struct LevelFrame {
    int numChannels = 0;  // Load channels compared: 1..numChannels (at most 10)
    int numNodes = 0;     // Disp and Rate nodes compared: 1..numNodes (at most 6)
    Anchors anchors;      // node positions relative to the roof
    // The zero reading's channels as the time graphs' pass reads them; none
    // when the sensor has no time-flagged reading.
    std::optional<ZeroOffsets> zero;
};

// The zero reading's channels as offsets.
ZeroOffsets offsetsOf(const Channels& zeroReading);

struct ReadingValues {
    std::array<std::optional<double>, 11> load;  // 1..numChannels
    NodeValues disp;                             // 1..numNodes
};

// The values the Load v Time and Disp v Time graphs plot for a reading: an
// empty channel counts 0, as the zero step writes it; a channel with a value
// whose zero reading had none has no value, nor has any later channel (the
// zero step stops there). Displacements follow from those as the
// displacement pass computes them.
ReadingValues readingValues(const LevelFrame& frame, const Channels& channels);

// Rate of each node 1..numNodes in mm/day: (now - earlier) / days; none
// where either displacement is missing or days is not positive.
NodeValues rateValues(const NodeValues& now, const NodeValues& earlier, double days, int numNodes);

// A time-flagged reading: its FullDate in ms (UTC wall clock) and channels.
struct TimedReading {
    qint64 ms = 0;
    Channels channel;
};
constexpr qint64 kMsPerDay = 86400000;

// One quantity and channel (Load) or node (Disp, Rate) of a reading at its
// highest crossed level.
struct Crossing {
    Quantity quantity = Quantity::Load;
    int index = 0;  // channel or node number
    double value = 0;
    int levelNo = 0;
};

// Every crossing of one reading, Load channels then Disp nodes then Rate
// nodes; state is the highest level among them (0 when none).
struct ReadingState {
    int state = 0;
    std::vector<Crossing> crossings;
};
// rate: none when the reading has no reading 24 hours before it.
ReadingState readingState(const LevelFrame& frame, const Levels& levels, const ReadingValues& values,
                          const std::optional<NodeValues>& rate);

// The value of a reading that matters most: the crossing at the highest
// level, or else (none crossed) the value nearest its lowest set level, as
// a share of that level; ties go to the earlier quantity and index. None
// when no compared quantity has a set level or a value.
std::optional<Crossing> worstValue(const LevelFrame& frame, const Levels& levels, const ReadingValues& values,
                                   const std::optional<NodeValues>& rate);

// Over time-flagged readings sorted by time: index of the latest reading at
// least 24 hours before reading i, the reference of its rate.
std::optional<size_t> rateReference(const std::vector<TimedReading>& readings, size_t i);

// The crossings of the readings at `check` (indices into readings, sorted by
// time, all time-flagged), each with its reading's index: the rate of a
// reading uses the latest reading at least 24 hours earlier.
struct ReadingCrossing {
    size_t reading = 0;
    Crossing crossing;
};
std::vector<ReadingCrossing> crossingsOf(const LevelFrame& frame, const Levels& levels,
                                         const std::vector<TimedReading>& readings, const std::vector<size_t>& check);

// The same computation over readings handed over one at a time in time
// order, for checks of many readings: it keeps only the displacements of the
// last day's readings (the rate references), never a copy of the readings,
// and allocates nothing once warmed up.
class CrossingScan {
public:
    CrossingScan(const LevelFrame& frame, const Levels& levels);
    // Whether any level is set and the frame has its zero reading: without
    // them nothing is ever crossed.
    bool active() const { return m_active; }
    // Takes the next time-flagged reading (none earlier than the last one
    // taken). When check is set, returns its crossings in the order of
    // readingState; otherwise (a reading that only serves as a rate
    // reference) returns nothing. The result is valid until the next call.
    const std::vector<Crossing>& next(qint64 ms, const Channels& channel, bool check);

private:
    struct Past {
        qint64 ms;
        NodeValues disp;
    };
    const LevelFrame& m_frame;
    // What |value| must reach for each quantity's levels 1..3 (see reaches);
    // NaN for a level that is not set, which nothing reaches.
    std::array<std::array<double, 4>, 3> m_reach{};
    bool m_active = false;
    bool m_wantRate = false;
    std::vector<Past> m_past;  // from m_first on: the readings of the last day and the one before them
    size_t m_first = 0;
    std::vector<Crossing> m_out;
};

} // namespace rv::calc
