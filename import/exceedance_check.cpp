#include "import/exceedance_check.h"

#include "common/format.h"
#include "readings/level_readings.h"

#include <QSet>
#include <algorithm>
#include <numeric>

namespace rv::importing {

namespace {

std::vector<ExceedanceRow> rowsOf(const sensors::SensorLevels& sensor, const std::vector<calc::TimedReading>& history,
                                  const std::vector<QString>& keys, const std::vector<size_t>& check)
{
    const calc::Levels& levels = sensor.inForce.levels;
    std::vector<ExceedanceRow> out;
    for (const calc::ReadingCrossing& rc : calc::crossingsOf(sensor.frame, levels, history, check)) {
        ExceedanceRow r;
        r.sensor = sensor.instrumentId;
        r.key = keys[rc.reading];
        r.ms = history[rc.reading].ms;
        r.quantity = rc.crossing.quantity;
        r.index = rc.crossing.index;
        r.value = rc.crossing.value;
        r.levelNo = rc.crossing.levelNo;
        const calc::TriggerLevel& l = levels.of(r.quantity).level[size_t(r.levelNo)];
        r.levelName = l.name;
        r.colour = l.colour;
        out.push_back(std::move(r));
    }
    std::stable_sort(out.begin(), out.end(), [](const ExceedanceRow& a, const ExceedanceRow& b) {
        if (a.levelNo != b.levelNo)
            return a.levelNo > b.levelNo;
        if (a.ms != b.ms)
            return a.ms < b.ms;
        if (a.quantity != b.quantity)
            return a.quantity < b.quantity;
        return a.index < b.index;
    });
    return out;
}

} // namespace

std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const QString& instrumentId,
                                                 const std::vector<AppendedReading>& appended)
{
    if (appended.empty())
        return {};
    const auto sensor = sensors::loadSensorLevels(conn, instrumentId);
    if (!sensor)
        return {};
    return checkAppendedReadings(conn, *sensor, appended);
}

std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const sensors::SensorLevels& loaded,
                                                 const std::vector<AppendedReading>& appended)
{
    if (appended.empty() || !loaded.inForce.levels.anySet())
        return {};
    sensors::SensorLevels sensor = loaded;
    const QString& id = sensor.instrumentId;
    readings::setZeroFromTable(conn, id, sensor.frame);
    if (!sensor.frame.zero)
        return {};

    // The appended readings in time order.
    std::vector<size_t> order(appended.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(),
                     [&](size_t a, size_t b) { return appended[a].reading.ms < appended[b].reading.ms; });
    const qint64 minMs = appended[order.front()].reading.ms;
    const qint64 maxMs = appended[order.back()].reading.ms;

    std::vector<calc::TimedReading> history;
    std::vector<QString> keys;
    std::vector<size_t> check;
    const bool wantRate = sensor.inForce.levels.of(calc::Quantity::Rate).anySet();
    if (!wantRate) {
        // Each reading stands on its own: only the appended ones are needed.
        for (size_t i : order) {
            history.push_back(appended[i].reading);
            keys.push_back(appended[i].key);
            check.push_back(history.size() - 1);
        }
        return rowsOf(sensor, history, keys, check);
    }

    // A rate needs the readings of the day before each appended one. Stored
    // readings among the appended ones (an import that fills a gap) are read
    // from the table with them; otherwise only those before the first.
    const auto anchor = readings::latestFlaggedAtOrBefore(conn, id, minMs - calc::kMsPerDay);
    const qint64 fromMs = anchor ? anchor->ms : minMs;
    const bool interleaved = readings::countBetween(conn, id, minMs, maxMs) > qint64(appended.size());
    if (interleaved) {
        QSet<QString> wanted;
        for (const AppendedReading& a : appended)
            wanted.insert(a.key);
        for (const readings::StoredReading& s : readings::flaggedBetween(conn, id, fromMs, maxMs + 1000)) {
            history.push_back(calc::TimedReading{s.ms, s.channel});
            keys.push_back(s.key);
            if (wanted.contains(s.key))
                check.push_back(history.size() - 1);
        }
        return rowsOf(sensor, history, keys, check);
    }
    for (const readings::StoredReading& s : readings::flaggedBetween(conn, id, fromMs, minMs)) {
        history.push_back(calc::TimedReading{s.ms, s.channel});
        keys.push_back(s.key);
    }
    history.reserve(history.size() + appended.size());
    for (size_t i : order) {
        history.push_back(appended[i].reading);
        keys.push_back(appended[i].key);
        check.push_back(history.size() - 1);
    }
    return rowsOf(sensor, history, keys, check);
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
