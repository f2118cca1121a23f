#pragma once
// The trigger levels kept in the database (`TriggerLevels`): a sensor's own
// levels (scope = its InstrumentID) or the defaults of every sensor of a
// type (scope = the two-digit type code). For each quantity a sensor's own
// rows win over its type's.
#include "calc/levels.h"
#include "store/connection.h"

#include <QHash>
#include <QString>
#include <array>
#include <optional>

namespace rv::store {
class Recordset;
}

namespace rv::sensors {

// The rows of one scope. A level without a row has its default name and
// colour and no value; hasRows tells, per quantity, whether the scope has
// any row for it.
struct ScopeLevels {
    calc::Levels levels = calc::defaultLevels();
    std::array<bool, 3> hasRows{};
    bool any() const { return hasRows[0] || hasRows[1] || hasRows[2]; }
};
ScopeLevels readScopeLevels(store::Connection& conn, const QString& scope);

// The levels in force for a sensor: per quantity, the sensor's own rows when
// it has any, otherwise its type's.
struct LevelsInForce {
    calc::Levels levels = calc::defaultLevels();
    std::array<bool, 3> sensorOwn{};  // per quantity: the sensor's own rows apply
    bool anySensorOwn() const { return sensorOwn[0] || sensorOwn[1] || sensorOwn[2]; }
};
LevelsInForce levelsInForce(store::Connection& conn, const QString& instrumentId, const QString& sensorType);
LevelsInForce levelsInForce(const ScopeLevels& own, const ScopeLevels& type);

// Every scope's rows at once (for the whole site), by scope.
QHash<QString, ScopeLevels> readAllLevels(store::Connection& conn);

// Replaces every row of the scope by the levels given, in one transaction
// (joining the caller's when there is one): the three rows of each quantity
// that has a level set; a quantity without any keeps no rows. Throws
// DbError when the file cannot be written; nothing is changed then.
void writeScopeLevels(store::Connection& conn, const QString& scope, const calc::Levels& levels);

// Deletes every row of the scope (a sensor's own rows when it is cleared or
// deleted). Runs in the caller's transaction when there is one.
void deleteScopeLevels(store::Connection& conn, const QString& scope);

// The user's clearing of a scope's levels: deleteScopeLevels with its row of
// the change log (writeScopeLevels writes one too), in one transaction.
void clearScopeLevels(store::Connection& conn, const QString& scope);

// What the comparison needs of a sensor's installation and type, as the
// Installation page shows them.
struct SensorGeometry {
    bool headAtCollar = true;
    QString recess;
    QString lengthOfCable;
    std::array<QString, 7> nodes;  // NodeLocation1..6, element 0 unused
    QString numChannels;           // the type's NumChannels
    QString numNodes;              // the type's NumNodes
};
// The sensor record's and its type's current rows (a catalogue and a types
// record set positioned on them).
SensorGeometry geometryOf(const store::Recordset& sensor, const store::Recordset& type);
// Node positions relative to the roof as the Installation page computes
// them, and the type's counts; the frame has no zero reading yet.
calc::LevelFrame levelFrame(const SensorGeometry& g);

// One sensor with everything needed to judge its readings.
struct SensorLevels {
    QString instrumentId;
    QString sensorType;
    QString mineId;
    QString loadUnit;  // the type's Units1 (the load graphs' channel unit)
    QString level;
    QString location;
    bool destroyed = false;
    calc::LevelFrame frame;  // without the zero reading
    LevelsInForce inForce;
};
// Reads the sensor's catalogue row, its type and its levels; nullopt when
// the catalogue has no such sensor.
std::optional<SensorLevels> loadSensorLevels(store::Connection& conn, const QString& instrumentId);

} // namespace rv::sensors
