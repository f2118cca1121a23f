#pragma once
// The few readings of a sensor's table that decide what its trigger levels
// see, each read alone through the table's index on FullDate: the zero
// reading, the latest reading, the reading a rate is taken from.
#include "calc/levels.h"
#include "store/connection.h"

#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

namespace rv::readings {

// A FullDate as the ms of its wall-clock date and time (taken as UTC, so
// that day lengths are never bent by a clock change).
qint64 readingMs(const QDateTime& fullDate);
QDateTime readingDateTime(qint64 ms);

struct StoredReading {
    QString key;  // DateTimeKey
    qint64 ms = 0;
    bool temporal = false;  // Plottemporal
    calc::Channels channel;
};

// The number of readings of the table. Throws DbError (err::InputTableMissing
// when the sensor has no table).
qint64 readingCount(store::Connection& conn, const QString& instrumentId);

// The earliest time-flagged reading: the zero reading of the time graphs.
std::optional<StoredReading> zeroReading(store::Connection& conn, const QString& instrumentId);

// The latest reading (any flag, or time-flagged only).
std::optional<StoredReading> latestReading(store::Connection& conn, const QString& instrumentId,
                                           bool timeFlaggedOnly);

// The latest time-flagged reading at or before ms.
std::optional<StoredReading> latestFlaggedAtOrBefore(store::Connection& conn, const QString& instrumentId,
                                                     qint64 ms);

// The time-flagged readings from fromMs (inclusive) to toMs (exclusive), in
// time order.
std::vector<StoredReading> flaggedBetween(store::Connection& conn, const QString& instrumentId, qint64 fromMs,
                                          qint64 toMs);

// The number of readings (any flag) from fromMs to toMs, both inclusive.
qint64 countBetween(store::Connection& conn, const QString& instrumentId, qint64 fromMs, qint64 toMs);

// The frame's zero reading set from the table.
void setZeroFromTable(store::Connection& conn, const QString& instrumentId, calc::LevelFrame& frame);

} // namespace rv::readings
