#include "import/exceedance_check.h"

#include "common/format.h"
#include "readings/level_readings.h"

#include <QDate>
#include <QSet>
#include <cmath>
#include <limits>
#include <algorithm>
#include <numeric>

namespace rv::importing {

AppendedReadings::AppendedReadings(const QString& instrumentId, int channels)
    : m_instrumentId(instrumentId), m_channels(std::clamp(channels, 0, 10))
{
}

AppendedReadings::AppendedReadings(const QString& instrumentId, const std::vector<AppendedReading>& readings)
    : m_instrumentId(instrumentId)
{
    reserve(readings.size());
    for (const AppendedReading& r : readings)
        add(r);
}

void AppendedReadings::reserve(size_t n)
{
    m_ms.reserve(n);
    m_values.reserve(n * size_t(m_channels));
}

void AppendedReadings::add(qint64 ms, const calc::Channels& channel)
{
    m_ms.push_back(ms);
    for (int k = 1; k <= m_channels; ++k)
        m_values.push_back(channel[size_t(k)].value_or(std::numeric_limits<double>::quiet_NaN()));
    if (!m_keys.empty())
        m_keys.emplace_back();
}

void AppendedReadings::add(const AppendedReading& reading)
{
    if (m_keys.empty() && !reading.key.isEmpty())
        m_keys.resize(m_ms.size());
    add(reading.reading.ms, reading.reading.channel);
    if (!m_keys.empty())
        m_keys.back() = reading.key;
}

void AppendedReadings::clear()
{
    m_storedAmong.reset();
    m_ms.clear();
    m_values.clear();
    m_keys.clear();
}

calc::Channels AppendedReadings::channel(size_t i) const
{
    calc::Channels out;
    const double* v = m_values.data() + i * size_t(m_channels);
    for (int k = 1; k <= m_channels; ++k)
        if (!std::isnan(v[k - 1]))
            out[size_t(k)] = v[k - 1];
    return out;
}

QString AppendedReadings::key(size_t i) const
{
    if (i < m_keys.size() && !m_keys[i].isEmpty())
        return m_keys[i];
    return appendedKey(m_instrumentId, m_ms[i]);
}

QString appendedKey(const QString& instrumentId, qint64 ms)
{
    // Formatted by hand: a QDateTime would cost more than the whole check of
    // a reading.
    const qint64 day = ms >= 0 ? ms / calc::kMsPerDay : -((-ms + calc::kMsPerDay - 1) / calc::kMsPerDay);
    int y = 0, mo = 0, d = 0;
    QDate::fromJulianDay(day + 2440588).getDate(&y, &mo, &d);
    const int secs = int((ms - day * calc::kMsPerDay) / 1000);
    const int h = secs / 3600, mi = secs / 60 % 60, se = secs % 60;
    QString out(instrumentId.size() + 20, Qt::Uninitialized);
    char16_t* p = reinterpret_cast<char16_t*>(out.data());
    std::copy_n(reinterpret_cast<const char16_t*>(instrumentId.constData()), instrumentId.size(), p);
    p += instrumentId.size();
    *p++ = u' ';
    auto put = [&](int v, int digits, char16_t after) {
        for (int k = digits - 1; k >= 0; --k, v /= 10)
            p[k] = char16_t(u'0' + v % 10);
        p += digits;
        if (after)
            *p++ = after;
    };
    put(y, 4, u'/');
    put(mo, 2, u'/');
    put(d, 2, u' ');
    put(h, 2, u':');
    put(mi, 2, u':');
    put(se, 2, 0);
    return out;
}

namespace {

// A crossing found, kept small until the rows are made in their final order.
struct Hit {
    quint32 reading;  // index into the readings the check went through
    quint8 quantity;
    quint8 index;
    double value;
};

// The crossings by level (element 0 unused). The readings are taken in time
// order and each one's crossings come out by quantity and channel, so each
// level's list is already in the order the rows are shown.
using Hits = std::array<std::vector<Hit>, 4>;

void keep(Hits& hits, size_t reading, const std::vector<calc::Crossing>& found)
{
    for (const calc::Crossing& c : found)
        hits[size_t(c.levelNo)].push_back(
            Hit{quint32(reading), quint8(c.quantity), quint8(c.index), c.value});
}

// The rows, highest level first; keyOf(i) and msOf(i) tell a reading's key
// and FullDate.
template <typename KeyOf, typename MsOf>
std::vector<ExceedanceRow> rowsOf(const sensors::SensorLevels& sensor, const Hits& hits, KeyOf keyOf, MsOf msOf)
{
    const calc::Levels& levels = sensor.inForce.levels;
    std::vector<ExceedanceRow> out;
    out.reserve(hits[1].size() + hits[2].size() + hits[3].size());
    QString key;  // shared by the rows of one reading
    size_t keyOfReading = size_t(-1);
    for (int level = calc::kLevelCount; level >= 1; --level)
        for (const Hit& h : hits[size_t(level)]) {
            if (h.reading != keyOfReading) {
                key = keyOf(h.reading);
                keyOfReading = h.reading;
            }
            ExceedanceRow r;
            r.sensor = sensor.instrumentId;
            r.key = key;
            r.ms = msOf(h.reading);
            r.quantity = calc::Quantity(h.quantity);
            r.index = h.index;
            r.value = h.value;
            r.levelNo = level;
            const calc::TriggerLevel& l = levels.of(r.quantity).level[size_t(level)];
            r.levelName = l.name;
            r.colour = l.colour;
            out.push_back(std::move(r));
        }
    return out;
}

} // namespace

std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const QString& instrumentId,
                                                 const std::vector<AppendedReading>& appended)
{
    if (appended.empty())
        return {};
    return checkAppendedReadings(conn, instrumentId, AppendedReadings(instrumentId, appended));
}

std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const sensors::SensorLevels& loaded,
                                                 const std::vector<AppendedReading>& appended)
{
    if (appended.empty() || !loaded.inForce.levels.anySet())
        return {};
    return checkAppendedReadings(conn, loaded, AppendedReadings(loaded.instrumentId, appended));
}

std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const QString& instrumentId,
                                                 const AppendedReadings& appended)
{
    if (appended.empty())
        return {};
    const auto sensor = sensors::loadSensorLevels(conn, instrumentId);
    if (!sensor)
        return {};
    return checkAppendedReadings(conn, *sensor, appended);
}

std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const sensors::SensorLevels& loaded,
                                                 const AppendedReadings& appended)
{
    if (appended.empty() || !loaded.inForce.levels.anySet())
        return {};
    calc::LevelFrame frame = loaded.frame;
    const QString& id = loaded.instrumentId;
    readings::setZeroFromTable(conn, id, frame);
    calc::CrossingScan scan(frame, loaded.inForce.levels);
    if (!scan.active())
        return {};

    // The appended readings in time order; a file is nearly always in order
    // already, and then no order is kept.
    const size_t n = appended.size();
    std::vector<quint32> order;
    bool sorted = true;
    for (size_t i = 1; i < n && sorted; ++i)
        sorted = appended.ms(i - 1) <= appended.ms(i);
    if (!sorted) {
        order.resize(n);
        std::iota(order.begin(), order.end(), quint32(0));
        std::stable_sort(order.begin(), order.end(),
                         [&](quint32 a, quint32 b) { return appended.ms(a) < appended.ms(b); });
    }
    auto at = [&](size_t k) -> size_t { return sorted ? k : order[k]; };
    const qint64 minMs = appended.ms(at(0));
    const qint64 maxMs = appended.ms(at(n - 1));

    Hits hits;
    const bool wantRate = loaded.inForce.levels.of(calc::Quantity::Rate).anySet();
    if (!wantRate) {
        // Each reading stands on its own: only the appended ones are needed.
        for (size_t k = 0; k < n; ++k) {
            const size_t i = at(k);
            keep(hits, i, scan.next(appended.ms(i), appended.channel(i), true));
        }
        return rowsOf(loaded, hits, [&](size_t i) { return appended.key(i); },
                      [&](size_t i) { return appended.ms(i); });
    }

    // A rate needs the readings of the day before each appended one. Stored
    // readings among the appended ones (an import that fills a gap) are read
    // from the table with them; otherwise only those before the first.
    const auto anchor = readings::latestFlaggedAtOrBefore(conn, id, minMs - calc::kMsPerDay);
    const qint64 fromMs = anchor ? anchor->ms : minMs;
    const bool interleaved = appended.storedAmong() ? *appended.storedAmong()
                                                    : readings::countBetween(conn, id, minMs, maxMs) > qint64(n);
    if (interleaved) {
        QSet<QString> wanted;
        for (size_t i = 0; i < n; ++i)
            wanted.insert(appended.key(i));
        const std::vector<readings::StoredReading> stored =
            readings::flaggedBetween(conn, id, fromMs, maxMs + 1000);
        for (size_t i = 0; i < stored.size(); ++i)
            keep(hits, i, scan.next(stored[i].ms, stored[i].channel, wanted.contains(stored[i].key)));
        return rowsOf(loaded, hits, [&](size_t i) { return stored[i].key; },
                      [&](size_t i) { return stored[i].ms; });
    }
    for (const readings::StoredReading& s : readings::flaggedBetween(conn, id, fromMs, minMs))
        scan.next(s.ms, s.channel, false);
    for (size_t k = 0; k < n; ++k) {
        const size_t i = at(k);
        keep(hits, i, scan.next(appended.ms(i), appended.channel(i), true));
    }
    return rowsOf(loaded, hits, [&](size_t i) { return appended.key(i); },
                  [&](size_t i) { return appended.ms(i); });
}

QStringList exceedanceHeaders()
{
    return {QStringLiteral("Sensor"),       QStringLiteral("DateTime Key"), QStringLiteral("Quantity"),
            QStringLiteral("Channel/Node"), QStringLiteral("Value"),        QStringLiteral("Level")};
}

QStringList exceedanceCells(const ExceedanceRow& row, const QString& mineId)
{
    return {mineId + row.sensor,
            row.key,
            calc::quantityName(row.quantity),
            QString::number(row.index),
            Format(row.value, QStringLiteral("##0.00")),
            row.levelName};
}

} // namespace rv::importing
