#include "calc/levels.h"

#include <algorithm>
#include <cmath>

namespace rv::calc {

QString quantityName(Quantity q)
{
    switch (q) {
    case Quantity::Load: return QStringLiteral("Load");
    case Quantity::Disp: return QStringLiteral("Disp");
    case Quantity::Rate: return QStringLiteral("Rate");
    }
    return QString();
}

std::optional<Quantity> quantityFromName(const QString& name)
{
    for (Quantity q : kAllQuantities)
        if (name.compare(quantityName(q), Qt::CaseInsensitive) == 0)
            return q;
    return std::nullopt;
}

QString defaultLevelName(int levelNo)
{
    switch (levelNo) {
    case 1: return QStringLiteral("Alert");
    case 2: return QStringLiteral("Alarm");
    case 3: return QStringLiteral("Action");
    }
    return QString();
}

QString defaultLevelColour(int levelNo)
{
    switch (levelNo) {
    case 1: return QStringLiteral("#e0b000");
    case 2: return QStringLiteral("#ff7f00");
    case 3: return QStringLiteral("#d00000");
    }
    return QString();
}

bool QuantityLevels::anySet() const
{
    for (int n = 1; n <= kLevelCount; ++n)
        if (level[size_t(n)].value)
            return true;
    return false;
}

bool Levels::anySet() const
{
    for (const QuantityLevels& q : byQuantity)
        if (q.anySet())
            return true;
    return false;
}

Levels defaultLevels()
{
    Levels out;
    for (QuantityLevels& q : out.byQuantity)
        for (int n = 1; n <= kLevelCount; ++n) {
            q.level[size_t(n)].name = defaultLevelName(n);
            q.level[size_t(n)].colour = defaultLevelColour(n);
        }
    return out;
}

int crossedLevel(const QuantityLevels& levels, double value)
{
    const double a = std::fabs(value);
    for (int n = kLevelCount; n >= 1; --n) {
        const auto& v = levels.level[size_t(n)].value;
        if (v && a >= *v)
            return n;
    }
    return 0;
}

std::optional<LevelProblem> checkLevels(const Levels& levels)
{
    for (Quantity q : kAllQuantities) {
        const QuantityLevels& ql = levels.of(q);
        int lower = 0;  // the nearest lower level that is set
        for (int n = 1; n <= kLevelCount; ++n) {
            const TriggerLevel& l = ql.level[size_t(n)];
            if (!l.value)
                continue;
            if (!(*l.value > 0))
                return LevelProblem{q, n, QStringLiteral("must be above 0")};
            if (lower != 0 && !(*l.value > *ql.level[size_t(lower)].value)) {
                QString name = ql.level[size_t(lower)].name.trimmed();
                if (name.isEmpty())
                    name = defaultLevelName(lower);
                return LevelProblem{q, n, QStringLiteral("must be above the %1 level").arg(name)};
            }
            lower = n;
        }
    }
    return std::nullopt;
}

ZeroOffsets offsetsOf(const Channels& zeroReading)
{
    ZeroOffsets z;
    for (size_t k = 1; k <= 10; ++k)
        z.value[k] = zeroReading[k];
    return z;
}

ReadingValues readingValues(const LevelFrame& frame, const Channels& channels)
{
    ReadingValues out;
    if (!frame.zero)
        return out;
    const ZeroOffsets& off = *frame.zero;
    SectionValues zero;
    for (size_t k = 1; k <= 10; ++k) {
        const auto& x = channels[k];
        double z = 0;
        if (x) {
            if (!off.value[k])
                break;  // the zero step stops at this channel
            z = (*x - *off.value[k]) + 0.0;
        }
        if (int(k) <= frame.numChannels)
            out.load[k] = z;
        if (k <= 5)
            zero[k] = z;
    }
    const StretchResult s = CalcStretch(frame.anchors, zero);
    if (s.failedSection == 0) {
        const NodeValues d = CalcDisp(frame.anchors, s.stretch);
        for (int k = 1; k <= std::min(frame.numNodes, 6); ++k)
            out.disp[size_t(k)] = d[size_t(k)];
    }
    return out;
}

NodeValues rateValues(const NodeValues& now, const NodeValues& earlier, double days, int numNodes)
{
    NodeValues out;
    if (!(days > 0))
        return out;
    for (int k = 1; k <= std::min(numNodes, 6); ++k)
        if (now[size_t(k)] && earlier[size_t(k)])
            out[size_t(k)] = (*now[size_t(k)] - *earlier[size_t(k)]) / days + 0.0;
    return out;
}

namespace {

// Calls f(quantity, index, value) for every value compared.
template <typename F>
void eachValue(const LevelFrame& frame, const ReadingValues& v, const std::optional<NodeValues>& rate, F&& f)
{
    for (int k = 1; k <= std::min(frame.numChannels, 10); ++k)
        if (v.load[size_t(k)])
            f(Quantity::Load, k, *v.load[size_t(k)]);
    for (int k = 1; k <= std::min(frame.numNodes, 6); ++k)
        if (v.disp[size_t(k)])
            f(Quantity::Disp, k, *v.disp[size_t(k)]);
    if (rate)
        for (int k = 1; k <= std::min(frame.numNodes, 6); ++k)
            if ((*rate)[size_t(k)])
                f(Quantity::Rate, k, *(*rate)[size_t(k)]);
}

} // namespace

ReadingState readingState(const LevelFrame& frame, const Levels& levels, const ReadingValues& values,
                          const std::optional<NodeValues>& rate)
{
    ReadingState out;
    eachValue(frame, values, rate, [&](Quantity q, int k, double x) {
        const int n = crossedLevel(levels.of(q), x);
        if (n == 0)
            return;
        out.crossings.push_back(Crossing{q, k, x, n});
        out.state = std::max(out.state, n);
    });
    return out;
}

std::optional<Crossing> worstValue(const LevelFrame& frame, const Levels& levels, const ReadingValues& values,
                                   const std::optional<NodeValues>& rate)
{
    std::optional<Crossing> best;
    double bestShare = -1;
    eachValue(frame, values, rate, [&](Quantity q, int k, double x) {
        const QuantityLevels& ql = levels.of(q);
        const int n = crossedLevel(ql, x);
        // The share of the crossed level (or of the lowest set one) the value
        // reaches decides between values at the same level.
        int ref = n;
        if (ref == 0)
            for (int m = 1; m <= kLevelCount && ref == 0; ++m)
                if (ql.level[size_t(m)].value)
                    ref = m;
        if (ref == 0)
            return;
        const double share = std::fabs(x) / *ql.level[size_t(ref)].value;
        if (!best || n > best->levelNo || (n == best->levelNo && share > bestShare)) {
            best = Crossing{q, k, x, n};
            bestShare = share;
        }
    });
    return best;
}

std::optional<size_t> rateReference(const std::vector<TimedReading>& readings, size_t i)
{
    if (i >= readings.size())
        return std::nullopt;
    const qint64 limit = readings[i].ms - kMsPerDay;
    // The first reading later than the limit; the one before it is the latest
    // at or before the limit.
    auto it = std::upper_bound(readings.begin(), readings.begin() + qsizetype(i), limit,
                               [](qint64 v, const TimedReading& r) { return v < r.ms; });
    if (it == readings.begin())
        return std::nullopt;
    return size_t(std::distance(readings.begin(), it) - 1);
}

std::vector<ReadingCrossing> crossingsOf(const LevelFrame& frame, const Levels& levels,
                                         const std::vector<TimedReading>& readings, const std::vector<size_t>& check)
{
    std::vector<ReadingCrossing> out;
    if (!levels.anySet() || !frame.zero)
        return out;
    const bool wantRate = levels.of(Quantity::Rate).anySet();
    // Displacements of the rate references, each computed once.
    std::vector<std::optional<NodeValues>> dispCache;
    if (wantRate)
        dispCache.resize(readings.size());
    auto dispOf = [&](size_t j) -> const NodeValues& {
        auto& c = dispCache[j];
        if (!c)
            c = readingValues(frame, readings[j].channel).disp;
        return *c;
    };
    for (size_t i : check) {
        if (i >= readings.size())
            continue;
        const ReadingValues v = readingValues(frame, readings[i].channel);
        std::optional<NodeValues> rate;
        if (wantRate) {
            dispCache[i] = v.disp;
            if (const auto ref = rateReference(readings, i))
                rate = rateValues(v.disp, dispOf(*ref), double(readings[i].ms - readings[*ref].ms) / kMsPerDay,
                                  frame.numNodes);
        }
        const ReadingState s = readingState(frame, levels, v, rate);
        for (const Crossing& c : s.crossings)
            out.push_back(ReadingCrossing{i, c});
    }
    return out;
}

} // namespace rv::calc
