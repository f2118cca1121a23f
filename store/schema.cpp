#include "store/schema.h"

#include "store/coltype.h"
#include "store/connection.h"
#include "store/filesync.h"
#include "store/sqlerror.h"
#include "store/cell.h"
#include "store/statement.h"
#include "store/tableinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QFileInfo>
#include <QVariant>
#include <sqlite3.h>
#include <utility>
#include <vector>

namespace rv::store {

using namespace detail;

namespace {

struct Column {
    QString name;
    ColType type;
    QString extra;  // constraint text after the type
};

std::vector<Column> numbered(const QString& stem, int from, int to, ColType type)
{
    std::vector<Column> out;
    for (int k = from; k <= to; ++k)
        out.push_back({stem + QString::number(k), type, {}});
    return out;
}

void append(std::vector<Column>& to, std::vector<Column> more)
{
    for (auto& c : more)
        to.push_back(std::move(c));
}

QString createSql(const QString& table, const std::vector<Column>& cols)
{
    QStringList parts;
    for (const Column& c : cols) {
        QString def = quoteIdent(c.name) + u' ' + declaredName(c.type);
        // A new row's Yes/No fields start as No rather than null.
        if (c.type == ColType::YesNo && c.extra.isEmpty())
            def += QStringLiteral(" DEFAULT 0");
        if (!c.extra.isEmpty())
            def += u' ' + c.extra;
        parts << def;
    }
    return QStringLiteral("CREATE TABLE %1 (%2)").arg(quoteIdent(table), parts.join(QStringLiteral(", ")));
}

std::vector<Column> sensorsColumns()
{
    std::vector<Column> c = {
        {QStringLiteral("InstrumentID"), ColType::Text, QStringLiteral("NOT NULL UNIQUE")},
        {QStringLiteral("DateID"), ColType::Text, {}},
        {QStringLiteral("SensorType"), ColType::Text, {}},
        {QStringLiteral("TypeID"), ColType::Text, {}},
        {QStringLiteral("SensorNo"), ColType::Text, {}},
        {QStringLiteral("Family"), ColType::Text, {}},
        {QStringLiteral("Model"), ColType::Text, {}},
        {QStringLiteral("LengthofCable"), ColType::Double, {}},
        {QStringLiteral("Recess"), ColType::Double, {}},
        {QStringLiteral("HeadLocation"), ColType::YesNo, {}},
        {QStringLiteral("Plate"), ColType::YesNo, {}},
    };
    append(c, numbered(QStringLiteral("NodeLocation"), 1, 6, ColType::Double));
    append(c, {
                  {QStringLiteral("Level"), ColType::Text, {}},
                  {QStringLiteral("Location"), ColType::Text, {}},
                  {QStringLiteral("Borehole"), ColType::Text, {}},
                  {QStringLiteral("InstallDate"), ColType::Date, {}},
                  {QStringLiteral("InstallBy"), ColType::Text, {}},
                  {QStringLiteral("Purpose"), ColType::Text, {}},
                  {QStringLiteral("Notes"), ColType::Text, {}},
                  {QStringLiteral("Destroyed"), ColType::Text, {}},
                  {QStringLiteral("DestructionDate"), ColType::Text, {}},
              });
    return c;
}

std::vector<Column> configurationColumns()
{
    std::vector<Column> c = {
        {QStringLiteral("SensorType"), ColType::Text, QStringLiteral("NOT NULL UNIQUE")},
        {QStringLiteral("Family"), ColType::Text, {}},
        {QStringLiteral("Model"), ColType::Text, {}},
        {QStringLiteral("NumChannels"), ColType::Long, {}},
        {QStringLiteral("NumNodes"), ColType::Long, {}},
        {QStringLiteral("usenodes"), ColType::YesNo, {}},
    };
    append(c, numbered(QStringLiteral("Units"), 1, 5, ColType::Text));
    append(c, {
                  {QStringLiteral("lblLocation"), ColType::Text, {}},
                  {QStringLiteral("lblNotes"), ColType::Text, {}},
                  {QStringLiteral("Temp"), ColType::Text, {}},
                  {QStringLiteral("TempChannel"), ColType::YesNo, {}},
                  {QStringLiteral("templow"), ColType::Double, {}},
                  {QStringLiteral("temphigh"), ColType::Double, {}},
                  {QStringLiteral("lowval"), ColType::Double, {}},
                  {QStringLiteral("highval"), ColType::Double, {}},
                  {QStringLiteral("TemporalYaxis"), ColType::Text, {}},
              });
    return c;
}

std::vector<Column> prefsColumns()
{
    std::vector<Column> c;
    for (const char* n : {"MineID", "MaxY", "MinY", "MinX", "MaxX"})
        c.push_back({QString::fromLatin1(n), ColType::Text, {}});
    return c;
}

std::vector<Column> networkColumns()
{
    std::vector<Column> c;
    for (const char* n : {"SensorID", "MasterID", "SlaveID", "SlotID"})
        c.push_back({QString::fromLatin1(n), ColType::Text, {}});
    c.push_back({QStringLiteral("TimeConfig"), ColType::Long, {}});
    return c;
}

std::vector<Column> readingTableColumns()
{
    std::vector<Column> c = {
        {QStringLiteral("DateTimeKey"), ColType::Text, QStringLiteral("NOT NULL UNIQUE")},
        {QStringLiteral("ReadingDate"), ColType::Date, {}},
        {QStringLiteral("ReadingTime"), ColType::Time, {}},
        {QStringLiteral("ChannelT"), ColType::Double, {}},
    };
    append(c, numbered(QStringLiteral("Channel"), 1, 10, ColType::Double));
    append(c, {
                  {QStringLiteral("FullDate"), ColType::DateTime, {}},
                  {QStringLiteral("Plottemporal"), ColType::YesNo, {}},
                  {QStringLiteral("PlotSpatial"), ColType::YesNo, {}},
                  {QStringLiteral("DoNotPlot"), ColType::YesNo, {}},
                  {QStringLiteral("IsDirty"), ColType::YesNo, {}},
              });
    append(c, numbered(QStringLiteral("zero"), 1, 10, ColType::Double));
    c.push_back({QStringLiteral("NumTemp"), ColType::Double, {}});
    append(c, numbered(QStringLiteral("Stretch"), 1, 5, ColType::Double));
    append(c, numbered(QStringLiteral("Disp"), 1, 6, ColType::Double));
    return c;
}

// Inserts one row of named values.
void insertRow(sqlite3* db, const QString& table, const std::vector<std::pair<QString, QVariant>>& values)
{
    QStringList names, params;
    for (size_t k = 0; k < values.size(); ++k) {
        names << quoteIdent(values[k].first);
        params << QStringLiteral("?%1").arg(k + 1);
    }
    const QByteArray sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                               .arg(quoteIdent(table), names.join(QStringLiteral(", ")),
                                    params.join(QStringLiteral(", ")))
                               .toUtf8();
    sqlite3_stmt* st = nullptr;
    int rc = sqlite3_prepare_v2(db, sql.constData(), static_cast<int>(sql.size()), &st, nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        throwSqlite(db, rc);
    }
    for (size_t k = 0; k < values.size(); ++k)
        bindValue(st, static_cast<int>(k) + 1, values[k].second);
    rc = sqlite3_step(st);
    sqlite3_finalize(st);
    if (rc != SQLITE_DONE)
        throwSqlite(db, rc);
}

void fillDefaults(sqlite3* db)
{
    struct Type {
        const char* code;
        const char* model;
        int channels;
    };
    for (const Type& t : {Type{"25", "x1TENDON", 1}, Type{"45", "x3TENDON", 3}, Type{"55", "x4TENDON", 4},
                          Type{"65", "x5TENDON", 5}}) {
        const QString model = QString::fromLatin1(t.model);
        std::vector<std::pair<QString, QVariant>> v = {
            {QStringLiteral("SensorType"), QString::fromLatin1(t.code)},
            {QStringLiteral("Family"), QStringLiteral("TENDON")},
            {QStringLiteral("Model"), model},
            {QStringLiteral("NumChannels"), qint64(t.channels)},
            {QStringLiteral("NumNodes"), qint64(t.channels + 1)},
            {QStringLiteral("usenodes"), true},
            {QStringLiteral("lblLocation"), QStringLiteral("Manufacturing Configuration: ") + model},
            {QStringLiteral("lblNotes"), QStringLiteral("Notes:")},
            {QStringLiteral("Temp"), QStringLiteral("°C")},
            {QStringLiteral("TempChannel"), true},
            {QStringLiteral("templow"), -20.0},
            {QStringLiteral("temphigh"), 60.0},
            {QStringLiteral("lowval"), 0.0},
            {QStringLiteral("highval"), 100.0},
            {QStringLiteral("TemporalYaxis"), QStringLiteral("Load (tonnes)")},
        };
        for (int k = 1; k <= t.channels; ++k)
            v.push_back({QStringLiteral("Units%1").arg(k), QStringLiteral("tonnes")});
        insertRow(db, QStringLiteral("Configuration"), v);
    }
    insertRow(db, QStringLiteral("Prefs"),
              {{QStringLiteral("MineID"), QStringLiteral("RV")},
               {QStringLiteral("MaxY"), QStringLiteral("100")},
               {QStringLiteral("MinY"), QStringLiteral("-100")},
               {QStringLiteral("MinX"), QStringLiteral("0")},
               {QStringLiteral("MaxX"), QStringLiteral("100")}});
}

std::vector<Column> triggerLevelsColumns()
{
    return {
        {QStringLiteral("Scope"), ColType::Text, QStringLiteral("NOT NULL")},
        {QStringLiteral("Quantity"), ColType::Text, QStringLiteral("NOT NULL")},
        {QStringLiteral("LevelNo"), ColType::Long, QStringLiteral("NOT NULL")},
        {QStringLiteral("LevelName"), ColType::Text, {}},
        {QStringLiteral("LevelValue"), ColType::Double, {}},
        {QStringLiteral("Colour"), ColType::Text, {}},
    };
}

// Values the program keeps for the site (Scope empty) or for one sensor
// (Scope = its InstrumentID), by name.
std::vector<Column> settingsColumns()
{
    return {
        {QStringLiteral("Scope"), ColType::Text, QStringLiteral("NOT NULL")},
        {QStringLiteral("Name"), ColType::Text, QStringLiteral("NOT NULL")},
        {QStringLiteral("Value"), ColType::Text, {}},
    };
}

// The change log: one row per change, numbered in the order written.
std::vector<Column> auditLogColumns()
{
    return {
        {QStringLiteral("AuditID"), ColType::Long, QStringLiteral("PRIMARY KEY")},
        {QStringLiteral("ChangedAt"), ColType::DateTime, {}},
        {QStringLiteral("ChangedBy"), ColType::Text, {}},
        {QStringLiteral("Machine"), ColType::Text, {}},
        {QStringLiteral("InstrumentID"), ColType::Text, {}},
        {QStringLiteral("ReadingKey"), ColType::Text, {}},
        {QStringLiteral("Action"), ColType::Text, QStringLiteral("NOT NULL")},
        {QStringLiteral("OldValues"), ColType::Text, {}},
        {QStringLiteral("NewValues"), ColType::Text, {}},
    };
}

QString createWithKey(const QString& table, const std::vector<Column>& cols, const QString& key)
{
    QString sql = createSql(table, cols);
    sql.chop(1);
    return sql + QStringLiteral(", PRIMARY KEY (%1))").arg(key);
}

int userVersion(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    int version = 0;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr) == SQLITE_OK && sqlite3_step(st) == SQLITE_ROW)
        version = sqlite3_column_int(st, 0);
    sqlite3_finalize(st);
    return version;
}

// The reading tables of the file: every table but the template that has
// the template's sort field.
QStringList readingTables(sqlite3* db)
{
    QStringList out;
    sqlite3_stmt* st = nullptr;
    const int rc = sqlite3_prepare_v2(
        db, "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT LIKE 'sqlite_%' ORDER BY name", -1, &st,
        nullptr);
    if (rc != SQLITE_OK) {
        sqlite3_finalize(st);
        throwSqlite(db, rc);
    }
    QStringList names;
    while (sqlite3_step(st) == SQLITE_ROW)
        names << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    sqlite3_finalize(st);
    for (const QString& n : names) {
        if (n.compare(QStringLiteral("sensordata"), Qt::CaseInsensitive) == 0)
            continue;
        for (const ColumnInfo& c : tableColumns(db, n))
            if (c.name.compare(QStringLiteral("FullDate"), Qt::CaseInsensitive) == 0) {
                out << n;
                break;
            }
    }
    return out;
}

void createDateIndex(sqlite3* db, const QString& table)
{
    const QString sql = QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (\"FullDate\")")
                            .arg(quoteIdent(readingDateIndexName(table)), quoteIdent(table));
    execSql(db, sql.toUtf8().constData());
}

void setUserVersion(sqlite3* db, int v)
{
    execSql(db, QByteArray("PRAGMA user_version = ").append(QByteArray::number(v)).constData());
}

// Version 1 to 2. Runs inside the caller's transaction.
void upgradeTo2(sqlite3* db, const UpgradeProgress& progress)
{
    execSql(db, createWithKey(QStringLiteral("TriggerLevels"), triggerLevelsColumns(),
                              QStringLiteral("\"Scope\", \"Quantity\", \"LevelNo\""))
                    .replace(QStringLiteral("CREATE TABLE"), QStringLiteral("CREATE TABLE IF NOT EXISTS"))
                    .toUtf8()
                    .constData());
    execSql(db, createWithKey(QStringLiteral("Settings"), settingsColumns(), QStringLiteral("\"Scope\", \"Name\""))
                    .replace(QStringLiteral("CREATE TABLE"), QStringLiteral("CREATE TABLE IF NOT EXISTS"))
                    .toUtf8()
                    .constData());
    const QStringList tables = readingTables(db);
    for (qsizetype k = 0; k < tables.size(); ++k) {
        createDateIndex(db, tables[k]);
        if (progress)
            progress(k + 1, tables.size());
    }
    setUserVersion(db, 2);
}

// Version 2 to 3. Runs inside the caller's transaction. The key column is
// SQLite's row number, so rows are numbered in the order they are written.
void upgradeTo3(sqlite3* db)
{
    execSql(db, createSql(QStringLiteral("AuditLog"), auditLogColumns())
                    .replace(QStringLiteral("CREATE TABLE"), QStringLiteral("CREATE TABLE IF NOT EXISTS"))
                    .toUtf8()
                    .constData());
    // One sensor's history, newest first, without reading the others'.
    execSql(db, "CREATE INDEX IF NOT EXISTS \"AuditLog_Sensor\" ON \"AuditLog\" (\"InstrumentID\", \"AuditID\")");
    setUserVersion(db, 3);
}

void build(sqlite3* db)
{
    execSql(db, "PRAGMA journal_mode = DELETE");
    execSql(db, "PRAGMA synchronous = FULL");
    execSql(db, "BEGIN IMMEDIATE");
    try {
        const std::pair<const char*, std::vector<Column>> tables[] = {
            {"Sensors", sensorsColumns()},
            {"Configuration", configurationColumns()},
            {"Prefs", prefsColumns()},
            {"NetworkConfig", networkColumns()},
            {"sensordata", readingTableColumns()},
        };
        for (const auto& [name, cols] : tables)
            execSql(db, createSql(QString::fromLatin1(name), cols).toUtf8().constData());
        fillDefaults(db);
        setUserVersion(db, 1);
        upgradeTo2(db, {});
        upgradeTo3(db);
        execSql(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

} // namespace

const QStringList& readingColumns()
{
    static const QStringList names = [] {
        QStringList out;
        for (const Column& c : readingTableColumns())
            out << c.name;
        return out;
    }();
    return names;
}

void createDefaultDatabase(const QString& path)
{
    if (QFileInfo::exists(path))
        throw DbError(kDatabaseExists, QStringLiteral("Database '%1' already exists.").arg(path));
    // Built under a name of its own beside the final one and renamed into
    // place only when complete: a start killed half-way leaves a work file,
    // never a partial database under the name every later start opens.
    const QString work = path + u'.' + QString::number(QCoreApplication::applicationPid()) + u'-' +
                         QStringLiteral("%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')) +
                         kNewDatabaseSuffix;
    {
        QFile f(work);
        if (!f.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            throw DbError(err::CannotOpen,
                          QStringLiteral("Could not create '%1': %2.").arg(path, f.errorString()));
    }
    sqlite3* db = nullptr;
    try {
        const QByteArray name = QFile::encodeName(work);
        const int rc = sqlite3_open_v2(name.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        if (rc != SQLITE_OK)
            throwSqlite(db, rc);
        sqlite3_extended_result_codes(db, 1);
        build(db);
        sqlite3_close(db);
        db = nullptr;
        syncToDisk(work);
        // Never over a file that appeared meanwhile.
        QFile f(work);
        if (!f.rename(path))
            throw DbError(err::CannotOpen,
                          QStringLiteral("Could not put the new database in place as '%1': %2.")
                              .arg(path, f.errorString()));
        syncToDisk(QFileInfo(path).absolutePath());
    } catch (...) {
        sqlite3_close(db);
        QFile::remove(work);
        QFile::remove(work + QStringLiteral("-journal"));
        throw;
    }
}

int schemaVersion(const Connection& conn)
{
    return conn.handle() ? userVersion(conn.handle()) : 0;
}

QString readingDateIndexName(const QString& table)
{
    return table + QStringLiteral("_FullDate");
}

void upgradeSchema(Connection& conn, const UpgradeProgress& progress)
{
    sqlite3* db = conn.handle();
    if (!db)
        throw DbError(err::ObjectClosed, QStringLiteral("The database is not open."));
    if (userVersion(db) >= kSchemaVersion)
        return;
    // Taken for writing at once, so that two programs opening an old file at
    // the same moment cannot both upgrade it.
    execSql(db, "BEGIN IMMEDIATE");
    try {
        const int v = userVersion(db);
        if (v < 2)
            upgradeTo2(db, progress);
        if (v < 3)
            upgradeTo3(db);
        execSql(db, "COMMIT");
    } catch (...) {
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
        throw;
    }
}

QStringList missingFixedTables(const Connection& conn)
{
    const QStringList have = conn.tableNames();
    QStringList missing;
    for (const char* t : {"Sensors", "Configuration", "Prefs", "NetworkConfig", "sensordata"})
        if (!have.contains(QLatin1String(t), Qt::CaseInsensitive))
            missing << QLatin1String(t);
    return missing;
}

void removeUnfinishedDatabases(const QString& path)
{
    const QFileInfo info(path);
    QDir dir = info.absoluteDir();
    const QStringList left = dir.entryList(
        {info.fileName() + QStringLiteral(".*") + kNewDatabaseSuffix,
         info.fileName() + QStringLiteral(".*") + kNewDatabaseSuffix + QStringLiteral("-journal")},
        QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& f : left)
        dir.remove(f);
}

} // namespace rv::store
