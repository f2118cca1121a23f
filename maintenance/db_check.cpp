#include "maintenance/db_check.h"
#include "common/log.h"
#include "store/connection.h"
#include "store/integrity.h"
#include "store/recordset.h"

#include <QSet>

namespace rv {

const QStringList& fixedTableNames()
{
    static const QStringList names{QStringLiteral("Sensors"),       QStringLiteral("Configuration"),
                                   QStringLiteral("Prefs"),         QStringLiteral("NetworkConfig"),
                                   QStringLiteral("sensordata"),    QStringLiteral("TriggerLevels"),
                                   QStringLiteral("Settings"),      QStringLiteral("AuditLog")};
    return names;
}

namespace {

QString currentError()
{
    int number = 0;
    QString description;
    describeCurrentException(number, description);
    return description;
}

// The texts of one column of a fixed table, every row.
QStringList columnOf(store::Connection& conn, const QString& table, const QString& field)
{
    store::Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM ") + table, conn);
    QStringList out;
    if (rs.recordCount() < 1)
        return out;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        out << rs.text(field);
    return out;
}

} // namespace

QStringList databaseProblems(store::Connection& conn)
{
    QStringList problems;
    try {
        const QStringList lines = store::integrityCheck(conn);
        if (lines != QStringList{QStringLiteral("ok")})
            for (const QString& l : lines)
                problems << QStringLiteral("integrity check: ") + l;
    } catch (...) {
        problems << QStringLiteral("integrity check: ") + currentError();
    }

    QStringList tables;
    try {
        tables = conn.tableNames();
    } catch (...) {
        problems << QStringLiteral("table list: ") + currentError();
        return problems;
    }
    QSet<QString> fixedLower;
    bool catalogueReadable = true;
    for (const QString& t : fixedTableNames()) {
        fixedLower.insert(t.toLower());
        bool found = false;
        for (const QString& have : tables)
            found = found || have.compare(t, Qt::CaseInsensitive) == 0;
        if (!found) {
            problems << QStringLiteral("missing table %1").arg(t);
            if (t == QLatin1String("Sensors") || t == QLatin1String("NetworkConfig"))
                catalogueReadable = false;
        }
    }
    if (!catalogueReadable)
        return problems;

    QStringList sensors;
    QStringList network;
    try {
        sensors = columnOf(conn, QStringLiteral("Sensors"), QStringLiteral("InstrumentID"));
        network = columnOf(conn, QStringLiteral("NetworkConfig"), QStringLiteral("SensorID"));
    } catch (...) {
        problems << QStringLiteral("the catalogue could not be read: ") + currentError();
        return problems;
    }
    const QSet<QString> sensorSet(sensors.cbegin(), sensors.cend());
    const QSet<QString> networkSet(network.cbegin(), network.cend());
    QSet<QString> readingTables;
    for (const QString& t : tables) {
        if (!fixedLower.contains(t.toLower()) && !t.startsWith(QLatin1String("MSys")))
            readingTables.insert(t);
    }
    for (const QString& id : sensors) {
        if (!readingTables.contains(id))
            problems << QStringLiteral("sensor %1 has no reading table").arg(id);
        if (!networkSet.contains(id))
            problems << QStringLiteral("sensor %1 has no NetworkConfig row").arg(id);
    }
    QStringList orphans(readingTables.cbegin(), readingTables.cend());
    orphans.sort();
    for (const QString& t : orphans)
        if (!sensorSet.contains(t))
            problems << QStringLiteral("reading table %1 has no catalogue row").arg(t);
    QStringList strays(networkSet.cbegin(), networkSet.cend());
    strays.sort();
    for (const QString& id : strays)
        if (!sensorSet.contains(id))
            problems << QStringLiteral("NetworkConfig row %1 has no catalogue row").arg(id);
    return problems;
}

} // namespace rv
