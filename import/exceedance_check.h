#pragma once
// The check of readings just appended to a sensor against its trigger
// levels: which reading, quantity and channel or node crossed which level.
#include "calc/levels.h"
#include "sensors/trigger_levels.h"
#include "store/connection.h"

#include <QString>
#include <vector>

namespace rv::importing {

// A reading as it was appended (appended readings are always time-flagged).
struct AppendedReading {
    QString key;  // DateTimeKey
    calc::TimedReading reading;
};

// One reading, quantity and channel (Load) or node (Disp, Rate) at its
// highest crossed level.
struct ExceedanceRow {
    QString sensor;  // InstrumentID
    QString key;     // DateTimeKey
    qint64 ms = 0;   // FullDate (see readings::readingMs)
    calc::Quantity quantity = calc::Quantity::Load;
    int index = 0;
    double value = 0;
    int levelNo = 0;
    QString levelName;
    QString colour;
};

// The appended readings' crossings, highest levels first, then by date, then
// by quantity and channel. The readings must already be in the table: the
// zero reading is the table's earliest time-flagged reading and a rate goes
// back to the latest time-flagged reading at least 24 hours earlier, stored
// or appended. Empty when the sensor has no level set. Throws DbError when
// the table cannot be read.
std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const QString& instrumentId,
                                                 const std::vector<AppendedReading>& appended);
// The same for a sensor already loaded.
std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const sensors::SensorLevels& sensor,
                                                 const std::vector<AppendedReading>& appended);

// The rows as the exceedance grid and its export show them: "Sensor" (site
// identifier and number), "DateTime Key", "Quantity", "Channel/Node",
// "Value" (two decimals), "Level".
QStringList exceedanceHeaders();
QStringList exceedanceCells(const ExceedanceRow& row, const QString& mineId);

} // namespace rv::importing
