#pragma once
// The site at a glance: one row per sensor of the catalogue with its latest
// reading and the highest trigger level that reading crosses, the sensors
// that need attention first. Reads only the few rows each sensor needs
// (its count, its latest reading, its zero reading and the reading a day
// before), never a whole reading table.
#include "calc/levels.h"
#include "store/connection.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace rv::reports {

// Days after which a live sensor's latest reading is overdue: kept in the
// `Settings` table (empty scope) under this name.
inline const QString kOverdueDaysSetting = QStringLiteral("OverdueDays");
constexpr int kDefaultOverdueDays = 7;
// The kept value, or the default when none (or an unusable one) is kept.
int overdueDays(store::Connection& conn);
void setOverdueDays(store::Connection& conn, int days);

struct SiteStatusRow {
    enum class Kind { Level, Ok, NoReadings, Destroyed };
    QString instrumentId;
    QString sensor;  // the site identifier followed by the number
    QString level;
    QString location;
    qint64 readings = 0;
    std::optional<QDateTime> lastReading;  // the latest reading of any flag
    std::optional<double> daysSince;       // days from it to now
    bool overdue = false;                  // live, and older than the overdue days
    Kind kind = Kind::Ok;
    int stateLevel = 0;   // 1..3 when kind is Level
    QString state;        // the level's name, "OK", "No Readings" or "Destroyed"
    QString stateColour;  // "#rrggbb" of the level, empty otherwise
    std::optional<calc::Crossing> worst;  // of the latest time-flagged reading
    QString worstText;    // e.g. "Load 2: 23.40 tonnes"
};

// Every sensor of the catalogue, in the window's order: the highest state
// first (Action, Alarm, Alert, then OK, No Readings, Destroyed), then the
// longest since the last reading (none last), then by sensor number. The
// state judges the latest time-flagged reading, whose values the time
// graphs plot. Throws DbError when the catalogue cannot be read; a sensor
// whose table cannot be read shows "No Readings".
std::vector<SiteStatusRow> siteStatus(store::Connection& conn, const QDateTime& now, int overdueDays);

// The grid's columns and the texts of a row: "Sensor", "Level", "Location",
// "Readings", "Last Reading", "Days Since", "State", "Worst Value". "Days
// Since" shows whole days, followed by " (Overdue)" when overdue.
QStringList siteStatusHeaders();
QStringList siteStatusCells(const SiteStatusRow& row);

} // namespace rv::reports
