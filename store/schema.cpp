#include "store/schema.h"

#include "store/coltype.h"
#include "store/connection.h"
#include "store/filesync.h"
#include "store/sqlerror.h"
#include "store/backend.h"
#include "store/cell.h"
#include "store/statement.h"
#include "store/tableinfo.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QFileInfo>
#include <QVariant>
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

QString createSql(const Backend& b, const QString& table, const std::vector<Column>& cols)
{
    QStringList parts;
    for (const Column& c : cols) {
        QString def = quoteIdent(c.name) + u' ' + b.columnType(c.type);
        // A new row's Yes/No fields start as No rather than null.
        if (c.type == ColType::YesNo && c.extra.isEmpty())
            def += b.engine() == Engine::Postgres ? QStringLiteral(" DEFAULT false") : QStringLiteral(" DEFAULT 0");
        if (!c.extra.isEmpty())
            def += u' ' + c.extra;
        parts << def;
    }
    return QStringLiteral("CREATE TABLE %1 (%2%3)")
        .arg(quoteIdent(table), b.rowKeyDefinition(), parts.join(QStringLiteral(", ")));
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
void insertRow(Backend& db, const QString& table, const std::vector<std::pair<QString, QVariant>>& values)
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
    const auto st = db.prepare(sql, false);
    for (size_t k = 0; k < values.size(); ++k)
        bindValue(*st, static_cast<int>(k) + 1, values[k].second);
    st->step();
}

void fillDefaults(Backend& db)
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

QString createWithKey(const Backend& b, const QString& table, const std::vector<Column>& cols, const QString& key)
{
    QString sql = createSql(b, table, cols);
    sql.chop(1);
    return sql + QStringLiteral(", PRIMARY KEY (%1))").arg(key);
}

// The reading tables of the file: every table but the template that has
// the template's sort field.
QStringList readingTables(Backend& db)
{
    QStringList out;
    const QStringList names = db.tableNames();
    for (const QString& n : names) {
        if (n.compare(QStringLiteral("sensordata"), Qt::CaseInsensitive) == 0)
            continue;
        for (const ColumnInfo& c : db.tableColumns(n))
            if (c.name.compare(QStringLiteral("FullDate"), Qt::CaseInsensitive) == 0) {
                out << n;
                break;
            }
    }
    return out;
}

void createDateIndex(Backend& db, const QString& table)
{
    const QString sql = QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (\"FullDate\")")
                            .arg(quoteIdent(readingDateIndexName(table)), quoteIdent(table));
    db.exec(sql.toUtf8());
}

// Version 1 to 2. Runs inside the caller's transaction.
void upgradeTo2(Backend& db, const UpgradeProgress& progress)
{
    db.exec(createWithKey(db, QStringLiteral("TriggerLevels"), triggerLevelsColumns(),
                              QStringLiteral("\"Scope\", \"Quantity\", \"LevelNo\""))
                    .replace(QStringLiteral("CREATE TABLE"), QStringLiteral("CREATE TABLE IF NOT EXISTS"))
                    .toUtf8());
    db.exec(createWithKey(db, QStringLiteral("Settings"), settingsColumns(), QStringLiteral("\"Scope\", \"Name\""))
                    .replace(QStringLiteral("CREATE TABLE"), QStringLiteral("CREATE TABLE IF NOT EXISTS"))
                    .toUtf8());
    const QStringList tables = readingTables(db);
    for (qsizetype k = 0; k < tables.size(); ++k) {
        createDateIndex(db, tables[k]);
        if (progress)
            progress(k + 1, tables.size());
    }
    db.setSchemaVersion(2);
}

// Version 2 to 3. Runs inside the caller's transaction. The key column is
// SQLite's row number, so rows are numbered in the order they are written.
void upgradeTo3(Backend& db)
{
    std::vector<Column> cols = auditLogColumns();
    // A server numbers the rows itself, so that two writers never take the
    // same number.
    if (db.engine() == Engine::Postgres)
        cols.front().extra = QStringLiteral("GENERATED BY DEFAULT AS IDENTITY PRIMARY KEY");
    db.exec(createSql(db, QStringLiteral("AuditLog"), cols)
                .replace(QStringLiteral("CREATE TABLE"), QStringLiteral("CREATE TABLE IF NOT EXISTS"))
                .toUtf8());
    // One sensor's history, newest first, without reading the others'.
    db.exec("CREATE INDEX IF NOT EXISTS \"AuditLog_Sensor\" ON \"AuditLog\" (\"InstrumentID\", \"AuditID\")");
    db.setSchemaVersion(3);
}

} // namespace

namespace detail {

void buildSite(Backend& db)
{
    db.begin();
    try {
        fillSite(db);
        db.commit();
    } catch (...) {
        db.tryExec("ROLLBACK");
        throw;
    }
}

void fillSite(Backend& db)
{
    {
        const std::pair<const char*, std::vector<Column>> tables[] = {
            {"Sensors", sensorsColumns()},
            {"Configuration", configurationColumns()},
            {"Prefs", prefsColumns()},
            {"NetworkConfig", networkColumns()},
            {"sensordata", readingTableColumns()},
        };
        for (const auto& [name, cols] : tables)
            db.exec(createSql(db, QString::fromLatin1(name), cols).toUtf8());
        fillDefaults(db);
        db.setSchemaVersion(1);
        upgradeTo2(db, {});
        upgradeTo3(db);
    }
}

} // namespace detail

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
    try {
        {
            const auto db = createSqlite(work);
            buildSite(*db);
        }
        syncToDisk(work);
        // Never over a file that appeared meanwhile.
        QFile f(work);
        if (!f.rename(path))
            throw DbError(err::CannotOpen,
                          QStringLiteral("Could not put the new database in place as '%1': %2.")
                              .arg(path, f.errorString()));
        syncToDisk(QFileInfo(path).absolutePath());
    } catch (...) {
        QFile::remove(work);
        QFile::remove(work + QStringLiteral("-journal"));
        throw;
    }
}

void createSiteTables(Connection& conn)
{
    Connection::Transaction t(conn);
    fillSite(conn.backend());
    t.commit();
}

int schemaVersion(const Connection& conn)
{
    return conn.state() ? conn.backend().schemaVersion() : 0;
}

QString readingDateIndexName(const QString& table)
{
    return table + QStringLiteral("_FullDate");
}

void upgradeSchema(Connection& conn, const UpgradeProgress& progress)
{
    if (!conn.state())
        throw DbError(err::ObjectClosed, QStringLiteral("The database is not open."));
    Backend& db = conn.backend();
    if (db.schemaVersion() >= kSchemaVersion)
        return;
    // Taken for writing at once, so that two programs opening an old site at
    // the same moment cannot both upgrade it (on a server the second waits
    // for the first's lock and then finds the work done).
    Connection::Transaction t(conn);
    if (conn.isServer())
        db.exec("SELECT pg_advisory_xact_lock(4242)");
    const int v = db.schemaVersion();
    if (v < 2)
        upgradeTo2(db, progress);
    if (v < 3)
        upgradeTo3(db);
    t.commit();
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
