#include "calc/levels.h"

#include <algorithm>
#include <cmath>
#include <limits>

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

bool reaches(double value, double level)
{
    // Values are differences of numbers kept to two decimals: 2.05 - 2.00
    // is 0.0499999... in binary, and must still reach a level of 0.05.
    return std::fabs(value) >= level - 1e-9 * std::max(1.0, std::fabs(level));
}

int crossedLevel(const QuantityLevels& levels, double value)
{
    for (int n = kLevelCount; n >= 1; --n) {
        const auto& v = levels.level[size_t(n)].value;
        if (v && reaches(value, *v))
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
    CrossingScan scan(frame, levels);
    if (!scan.active())
        return out;
    // Every reading up to the last checked one is taken, so that each rate
    // finds its reference among them.
    std::vector<char> checked(readings.size(), 0);
    size_t end = 0;
    for (size_t i : check)
        if (i < readings.size()) {
            checked[i] = 1;
            end = std::max(end, i + 1);
        }
    for (size_t i = 0; i < end; ++i)
        for (const Crossing& c : scan.next(readings[i].ms, readings[i].channel, checked[i] != 0))
            out.push_back(ReadingCrossing{i, c});
    return out;
}

CrossingScan::CrossingScan(const LevelFrame& frame, const Levels& levels)
    : m_frame(frame), m_active(levels.anySet() && frame.zero.has_value()),
      m_wantRate(levels.of(Quantity::Rate).anySet())
{
    for (Quantity q : kAllQuantities)
        for (int n = 1; n <= kLevelCount; ++n) {
            const auto& v = levels.of(q).level[size_t(n)].value;
            m_reach[size_t(q)][size_t(n)] = v ? *v - 1e-9 * std::max(1.0, std::fabs(*v))
                                              : std::numeric_limits<double>::quiet_NaN();
        }
}

const std::vector<Crossing>& CrossingScan::next(qint64 ms, const Channels& channel, bool check)
{
    m_out.clear();
    if (!m_active)
        return m_out;
    if (!check && !m_wantRate)
        return m_out;
    const ReadingValues v = readingValues(m_frame, channel);
    std::optional<NodeValues> rate;
    if (m_wantRate) {
        // The reference is the latest reading at or before a day earlier:
        // drop the ones before it, which no later reading can want.
        const qint64 limit = ms - kMsPerDay;
        while (m_first + 1 < m_past.size() && m_past[m_first + 1].ms <= limit)
            ++m_first;
        if (check && m_first < m_past.size() && m_past[m_first].ms <= limit) {
            const Past& ref = m_past[m_first];
            rate = rateValues(v.disp, ref.disp, double(ms - ref.ms) / kMsPerDay, m_frame.numNodes);
        }
        if (m_first > 1024 && m_first * 2 > m_past.size()) {
            m_past.erase(m_past.begin(), m_past.begin() + qsizetype(m_first));
            m_first = 0;
        }
        m_past.push_back(Past{ms, v.disp});
    }
    if (check)
        eachValue(m_frame, v, rate, [&](Quantity q, int k, double x) {
            const auto& reach = m_reach[size_t(q)];
            const double a = std::fabs(x);
            for (int n = kLevelCount; n >= 1; --n)
                if (a >= reach[size_t(n)]) {
                    m_out.push_back(Crossing{q, k, x, n});
                    break;
                }
        });
    return m_out;
}

} // namespace rv::calc
