#pragma once
// The application-wide state: the data folder, the database in use, the
// shared connection and the record sets that live for the run, the site
// preferences and the values the windows share. One object, created by
// main() and handed by reference to the code that needs it.
#include "store/connection.h"
#include "store/recordset.h"
#include <QString>
#include <array>
#include <memory>

namespace rv {

inline const QString kDefaultDatabaseName = QStringLiteral("RockvaneTENDON.mdb");
inline const QString kLocationFileName = QStringLiteral("tendon_location.txt");

struct SitePrefs {
    QString MineID;
    QString MaxY;
    QString MinY;
    QString MinX;
    QString MaxX;
};

class AppState {
public:
    explicit AppState(QString dataFolder) : DataFolder(std::move(dataFolder)) {}

    // The data folder (no trailing "/").
    QString DataFolder;
    // The database file in use and its connection text.
    QString DatabasePath;
    QString ConnectString;

    std::unique_ptr<store::Connection> conn = std::make_unique<store::Connection>();
    // Sensor types, current row = the current sensor's type.
    store::Recordset rsConfig;
    // Sensor catalogue, current row = the current sensor.
    store::Recordset rsSensors;
    // The current sensor's readings.
    store::Recordset rsReadings;
    // The selection of the last graph data pass.
    store::Recordset rsGraph;

    SitePrefs prefs;

    // True while the main window loads; selection handlers do nothing then.
    bool Firstload = false;
    // This copy found another one running: it neither saves nor compacts.
    bool RefusedCopy = false;

    QString CurrentSensorID;
    qint64 SavedReadingBookmark = 0;
    std::array<QString, 11> Offset;       // 1..10
    std::array<QString, 12> SeriesTitle;  // 0..11
    // The three batch-deletion choice flags.
    std::array<bool, 3> BatchChoice{};

    QString defaultDatabasePath() const { return DataFolder + "/" + kDefaultDatabaseName; }
    QString locationFilePath() const { return DataFolder + "/" + kLocationFileName; }
};

} // namespace rv
