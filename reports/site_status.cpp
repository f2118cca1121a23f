#include "reports/site_status.h"

#include "common/format.h"
#include "readings/level_readings.h"
#include "sensors/trigger_levels.h"
#include "store/recordset.h"
#include "store/settings.h"
#include "store/sqltext.h"

#include <QHash>
#include <algorithm>
#include <cmath>

namespace rv::reports {

int overdueDays(store::Connection& conn)
{
    const auto kept = store::readSetting(conn, QString(), kOverdueDaysSetting);
    if (!kept)
        return kDefaultOverdueDays;
    bool ok = false;
    const int days = kept->trimmed().toInt(&ok);
    return ok && days >= 0 ? days : kDefaultOverdueDays;
}

void setOverdueDays(store::Connection& conn, int days)
{
    store::writeSetting(conn, QString(), kOverdueDaysSetting, QString::number(days));
}

namespace {

struct TypeInfo {
    QString units1;
    bool found = false;
};

QString unitOf(calc::Quantity q, const QString& loadUnit)
{
    switch (q) {
    case calc::Quantity::Load: return loadUnit;
    case calc::Quantity::Disp: return QStringLiteral("mm");
    case calc::Quantity::Rate: return QStringLiteral("mm/day");
    }
    return QString();
}

// Sorting rank of a state: Action first, Destroyed last.
int rank(const SiteStatusRow& r)
{
    switch (r.kind) {
    case SiteStatusRow::Kind::Level: return 10 + r.stateLevel;
    case SiteStatusRow::Kind::Ok: return 3;
    case SiteStatusRow::Kind::NoReadings: return 2;
    case SiteStatusRow::Kind::Destroyed: return 1;
    }
    return 0;
}

// Judges the sensor's latest time-flagged reading against its levels.
// latestAny: the latest reading of any flag, already read; when it is
// time-flagged it is the one judged.
void judge(store::Connection& conn, const sensors::LevelsInForce& inForce, calc::LevelFrame frame,
           const QString& loadUnit, const std::optional<readings::StoredReading>& latestAny, SiteStatusRow& row)
{
    const QString& id = row.instrumentId;
    const calc::Levels& levels = inForce.levels;
    if (!levels.anySet())
        return;
    const auto latest =
        latestAny && latestAny->temporal ? latestAny : readings::latestReading(conn, id, true);
    if (!latest)
        return;
    readings::setZeroFromTable(conn, id, frame);
    const calc::ReadingValues v = calc::readingValues(frame, latest->channel);
    std::optional<calc::NodeValues> rate;
    if (levels.of(calc::Quantity::Rate).anySet()) {
        if (const auto earlier = readings::latestFlaggedAtOrBefore(conn, id, latest->ms - calc::kMsPerDay))
            rate = calc::rateValues(v.disp, calc::readingValues(frame, earlier->channel).disp,
                                    double(latest->ms - earlier->ms) / calc::kMsPerDay, frame.numNodes);
    }
    const calc::ReadingState s = calc::readingState(frame, levels, v, rate);
    if (s.state > 0) {
        row.kind = SiteStatusRow::Kind::Level;
        row.stateLevel = s.state;
        // The name and colour of the highest level among the quantities
        // crossing it (their names may differ).
        for (const calc::Crossing& c : s.crossings)
            if (c.levelNo == s.state) {
                const calc::TriggerLevel& l = levels.of(c.quantity).level[size_t(s.state)];
                row.state = l.name.isEmpty() ? calc::defaultLevelName(s.state) : l.name;
                row.stateColour = l.colour;
                break;
            }
    }
    row.worst = calc::worstValue(frame, levels, v, rate);
    if (row.worst) {
        const QString unit = unitOf(row.worst->quantity, loadUnit);
        row.worstText = calc::quantityName(row.worst->quantity) + u' ' + QString::number(row.worst->index) +
                        QStringLiteral(": ") + Format(row.worst->value, QStringLiteral("##0.00")) +
                        (unit.isEmpty() ? QString() : u' ' + unit);
    }
}

} // namespace

std::vector<SiteStatusRow> siteStatus(store::Connection& conn, const QDateTime& now, int overdue)
{
    QString mineId;
    {
        store::Recordset prefs;
        prefs.open(QStringLiteral("SELECT Prefs.* FROM Prefs;"), conn);
        if (!prefs.eof())
            mineId = prefs.text(QStringLiteral("MineID"));
    }
    store::Recordset types;
    types.open(QStringLiteral("SELECT * FROM Configuration ORDER BY SensorType"), conn);
    const QHash<QString, sensors::ScopeLevels> scopes = sensors::readAllLevels(conn);
    const qint64 nowMs = readings::readingMs(now);

    std::vector<SiteStatusRow> out;
    store::Recordset sensors;
    sensors.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), conn);
    for (; !sensors.eof(); sensors.moveNext()) {
        SiteStatusRow row;
        row.instrumentId = sensors.text(QStringLiteral("InstrumentID"));
        row.sensor = mineId + row.instrumentId;
        row.level = sensors.text(QStringLiteral("Level"));
        row.location = sensors.text(QStringLiteral("Location"));
        const bool destroyed = sensors.text(QStringLiteral("Destroyed")) == QStringLiteral("Yes");
        const QString type = sensors.text(QStringLiteral("SensorType"));
        try {
            row.readings = readings::readingCount(conn, row.instrumentId);
            if (row.readings > 0) {
                const auto last = readings::latestReading(conn, row.instrumentId, false);
                if (last) {
                    row.lastReading = readings::readingDateTime(last->ms);
                    row.daysSince = double(nowMs - last->ms) / calc::kMsPerDay;
                    row.overdue = !destroyed && nowMs - last->ms > qint64(overdue) * calc::kMsPerDay;
                }
                row.kind = SiteStatusRow::Kind::Ok;
                row.state = QStringLiteral("OK");
                types.moveFirst();
                if (!types.eof())
                    types.find(QStringLiteral("SensorType = ") + store::quoted(type));
                if (!types.eof()) {
                    const sensors::LevelsInForce inForce =
                        sensors::levelsInForce(scopes.value(row.instrumentId), scopes.value(type));
                    judge(conn, inForce, sensors::levelFrame(sensors::geometryOf(sensors, types)),
                          types.text(QStringLiteral("Units1")), last, row);
                }
            } else {
                row.kind = SiteStatusRow::Kind::NoReadings;
                row.state = QStringLiteral("No Readings");
            }
        } catch (const store::DbError&) {
            // A sensor whose table is missing or unreadable has nothing to show.
            SiteStatusRow bare;
            bare.instrumentId = row.instrumentId;
            bare.sensor = row.sensor;
            bare.level = row.level;
            bare.location = row.location;
            row = std::move(bare);
            row.kind = SiteStatusRow::Kind::NoReadings;
            row.state = QStringLiteral("No Readings");
        }
        if (destroyed) {
            row.kind = SiteStatusRow::Kind::Destroyed;
            row.stateLevel = 0;
            row.state = QStringLiteral("Destroyed");
            row.stateColour.clear();
        }
        out.push_back(std::move(row));
    }
    std::stable_sort(out.begin(), out.end(), [](const SiteStatusRow& a, const SiteStatusRow& b) {
        const int ra = rank(a), rb = rank(b);
        if (ra != rb)
            return ra > rb;
        if (a.daysSince.has_value() != b.daysSince.has_value())
            return a.daysSince.has_value();
        if (a.daysSince && *a.daysSince != *b.daysSince)
            return *a.daysSince > *b.daysSince;
        return a.instrumentId < b.instrumentId;
    });
    return out;
}

QStringList siteStatusHeaders()
{
    return {QStringLiteral("Sensor"),       QStringLiteral("Level"),      QStringLiteral("Location"),
            QStringLiteral("Readings"),     QStringLiteral("Last Reading"), QStringLiteral("Days Since"),
            QStringLiteral("State"),        QStringLiteral("Worst Value")};
}

QStringList siteStatusCells(const SiteStatusRow& row)
{
    QString days;
    if (row.daysSince) {
        days = QString::number(qint64(std::floor(std::max(0.0, *row.daysSince))));
        if (row.overdue)
            days += QStringLiteral(" (Overdue)");
    }
    return {row.sensor,
            row.level,
            row.location,
            QString::number(row.readings),
            row.lastReading ? Format(*row.lastReading, QStringLiteral("yyyy/MM/dd HH:mm:ss")) : QString(),
            days,
            row.state,
            row.worstText};
}

} // namespace rv::reports
