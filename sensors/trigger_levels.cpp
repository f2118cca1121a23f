#include "sensors/trigger_levels.h"

#include "calc/rel_to_roof.h"
#include "common/format.h"
#include "common/numbers.h"
#include "store/audit.h"
#include "store/recordset.h"
#include "store/sqltext.h"

#include <algorithm>

namespace rv::sensors {

namespace {

const QString kTable = QStringLiteral("TriggerLevels");

QString scopeSql(const QString& scope)
{
    return QStringLiteral("SELECT * FROM ") + store::tableName(kTable) + QStringLiteral(" WHERE Scope = ") +
           store::quoted(scope);
}

// A type's defaults have a two-digit scope; a sensor's own levels its
// nine-digit number.
bool isTypeScope(const QString& scope)
{
    return scope.size() <= 2;
}

// The levels of a scope as the change log keeps them: per quantity that has
// rows, each level as "<Quantity><n>=<name> <value> <colour>" (no value when
// the level is not set).
QString levelsText(const ScopeLevels& s)
{
    store::AuditPairs p;
    for (calc::Quantity q : calc::kAllQuantities) {
        if (!s.hasRows[size_t(q)])
            continue;
        for (int n = 1; n <= calc::kLevelCount; ++n) {
            const calc::TriggerLevel& l = s.levels.of(q).level[size_t(n)];
            QStringList parts{l.name};
            if (l.value)
                parts << store::auditValueText(*l.value);
            parts << l.colour;
            p.addText(calc::quantityName(q) + QString::number(n), parts.join(u' '));
        }
    }
    return p.text();
}

// One row of the change log for a scope whose levels went from `before` to
// what the table now holds; none when nothing changed.
void auditLevels(store::Connection& conn, const QString& scope, const ScopeLevels& before, const ScopeLevels& after)
{
    QString oldText = levelsText(before);
    QString newText = levelsText(after);
    if (oldText == newText)
        return;
    QString sensor = scope;
    if (isTypeScope(scope)) {
        // The defaults of a type belong to no one sensor.
        sensor.clear();
        const QString type = store::AuditPairs().addText(QStringLiteral("Type"), scope).text();
        oldText = oldText.isEmpty() ? type : type + QStringLiteral("; ") + oldText;
        newText = newText.isEmpty() ? type : type + QStringLiteral("; ") + newText;
    }
    store::writeAudit(conn, {sensor, QString(), store::audit::Levels, oldText, newText});
}

} // namespace

namespace {

// Adds the record set's current row to the scope levels.
void addRow(const store::Recordset& rs, ScopeLevels& out)
{
    const auto q = calc::quantityFromName(rs.value(QStringLiteral("Quantity")).toString());
    bool ok = false;
    const int no = rs.value(QStringLiteral("LevelNo")).toInt(&ok);
    if (!q || !ok || no < 1 || no > calc::kLevelCount)
        return;  // a row another tool wrote that means nothing here
    out.hasRows[size_t(*q)] = true;
    calc::TriggerLevel& l = out.levels.of(*q).level[size_t(no)];
    const QVariant name = rs.value(QStringLiteral("LevelName"));
    if (!name.isNull())
        l.name = name.toString();
    const QVariant v = rs.value(QStringLiteral("LevelValue"));
    if (!v.isNull()) {
        bool okValue = false;
        const double x = v.toDouble(&okValue);
        if (okValue)
            l.value = x;
    }
    const QVariant colour = rs.value(QStringLiteral("Colour"));
    if (!colour.isNull() && !colour.toString().isEmpty())
        l.colour = colour.toString();
}

} // namespace

ScopeLevels readScopeLevels(store::Connection& conn, const QString& scope)
{
    ScopeLevels out;
    if (scope.isEmpty())
        return out;
    store::Recordset rs;
    rs.open(scopeSql(scope), conn);
    for (; !rs.eof(); rs.moveNext())
        addRow(rs, out);
    return out;
}

QHash<QString, ScopeLevels> readAllLevels(store::Connection& conn)
{
    QHash<QString, ScopeLevels> out;
    store::Recordset rs;
    rs.open(QStringLiteral("SELECT * FROM ") + store::tableName(kTable), conn);
    for (; !rs.eof(); rs.moveNext())
        addRow(rs, out[rs.text(QStringLiteral("Scope"))]);
    return out;
}

LevelsInForce levelsInForce(const ScopeLevels& own, const ScopeLevels& type)
{
    LevelsInForce out;
    for (calc::Quantity q : calc::kAllQuantities) {
        const size_t i = size_t(q);
        out.sensorOwn[i] = own.hasRows[i];
        out.levels.of(q) = own.hasRows[i] ? own.levels.of(q) : type.levels.of(q);
    }
    return out;
}

LevelsInForce levelsInForce(store::Connection& conn, const QString& instrumentId, const QString& sensorType)
{
    const ScopeLevels own = readScopeLevels(conn, instrumentId);
    if (own.hasRows[0] && own.hasRows[1] && own.hasRows[2])
        return levelsInForce(own, ScopeLevels());
    return levelsInForce(own, readScopeLevels(conn, sensorType));
}

void deleteScopeLevels(store::Connection& conn, const QString& scope)
{
    if (scope.isEmpty())
        return;
    conn.execute(QStringLiteral("DELETE * FROM ") + store::tableName(kTable) + QStringLiteral(" WHERE Scope = ") +
                 store::quoted(scope));
}

void clearScopeLevels(store::Connection& conn, const QString& scope)
{
    store::Connection::Transaction tx(conn);
    const ScopeLevels before = readScopeLevels(conn, scope);
    deleteScopeLevels(conn, scope);
    auditLevels(conn, scope, before, ScopeLevels());
    tx.commit();
}

void writeScopeLevels(store::Connection& conn, const QString& scope, const calc::Levels& levels)
{
    store::Connection::Transaction tx(conn);
    const ScopeLevels before = readScopeLevels(conn, scope);
    deleteScopeLevels(conn, scope);
    store::Recordset rs;
    rs.open(scopeSql(scope), conn);
    for (calc::Quantity q : calc::kAllQuantities) {
        const calc::QuantityLevels& ql = levels.of(q);
        if (!ql.anySet())
            continue;
        for (int n = 1; n <= calc::kLevelCount; ++n) {
            const calc::TriggerLevel& l = ql.level[size_t(n)];
            rs.addNew();
            rs.setValue(QStringLiteral("Scope"), scope);
            rs.setValue(QStringLiteral("Quantity"), calc::quantityName(q));
            rs.setValue(QStringLiteral("LevelNo"), n);
            rs.setValue(QStringLiteral("LevelName"), l.name);
            rs.setValue(QStringLiteral("LevelValue"), l.value ? QVariant(*l.value) : QVariant());
            rs.setValue(QStringLiteral("Colour"), l.colour);
            rs.update();
        }
    }
    rs.close();
    auditLevels(conn, scope, before, readScopeLevels(conn, scope));
    tx.commit();
}

SensorGeometry geometryOf(const store::Recordset& sensor, const store::Recordset& type)
{
    SensorGeometry g;
    const QVariant head = sensor.value(QStringLiteral("HeadLocation"));
    g.headAtCollar = head.isNull() || head.toBool();
    g.recess = sensor.text(QStringLiteral("Recess"));
    g.lengthOfCable = sensor.text(QStringLiteral("LengthofCable"));
    for (int k = 1; k <= 6; ++k)
        g.nodes[size_t(k)] = sensor.text(QStringLiteral("NodeLocation%1").arg(k));
    g.numChannels = type.text(QStringLiteral("NumChannels"));
    g.numNodes = type.text(QStringLiteral("NumNodes"));
    return g;
}

calc::LevelFrame levelFrame(const SensorGeometry& g)
{
    calc::LevelFrame f;
    const int channels = int(Val(g.numChannels));
    f.numChannels = std::clamp(channels, 0, 10);
    f.numNodes = std::clamp(int(Val(g.numNodes)), 0, 6);
    // The Installation page's conversion: gauge centres halfway between the
    // nodes, then positions relative to the roof as two-decimal texts, read
    // back by the displacement pass.
    calc::RelToRoofInput in;
    in.headAtCollar = g.headAtCollar;
    in.recess = g.recess;
    in.lengthOfCable = g.lengthOfCable;
    in.nodes = g.nodes;
    in.numChannels = g.numChannels;
    for (int k = 1; k <= std::min(channels, 5); ++k) {
        const auto a = toNumber(g.nodes[size_t(k)]);
        const auto b = toNumber(g.nodes[size_t(k) + 1]);
        if (a && b)
            in.centres[size_t(k)] = Format((*a + *b) / 2, QStringLiteral("##0.00"));
    }
    const calc::RelToRoofResult r = calc::CalcReltoRoof(in);
    f.anchors = calc::readAnchors(g.headAtCollar, channels, r.anchors);
    return f;
}

std::optional<SensorLevels> loadSensorLevels(store::Connection& conn, const QString& instrumentId)
{
    store::Recordset sensor;
    sensor.open(QStringLiteral("SELECT * FROM ") + store::tableName(QStringLiteral("Sensors")) +
                    QStringLiteral(" WHERE InstrumentID = ") + store::quoted(instrumentId),
                conn);
    if (sensor.eof())
        return std::nullopt;
    SensorLevels out;
    out.instrumentId = sensor.text(QStringLiteral("InstrumentID"));
    out.sensorType = sensor.text(QStringLiteral("SensorType"));
    out.level = sensor.text(QStringLiteral("Level"));
    out.location = sensor.text(QStringLiteral("Location"));
    out.destroyed = sensor.text(QStringLiteral("Destroyed")) == QStringLiteral("Yes");
    store::Recordset type;
    type.open(QStringLiteral("SELECT * FROM ") + store::tableName(QStringLiteral("Configuration")) +
                  QStringLiteral(" WHERE SensorType = ") + store::quoted(out.sensorType),
              conn);
    if (!type.eof()) {
        out.loadUnit = type.text(QStringLiteral("Units1"));
        out.frame = levelFrame(geometryOf(sensor, type));
    }
    store::Recordset prefs;
    prefs.open(QStringLiteral("SELECT Prefs.* FROM Prefs;"), conn);
    if (!prefs.eof())
        out.mineId = prefs.text(QStringLiteral("MineID"));
    out.inForce = levelsInForce(conn, out.instrumentId, out.sensorType);
    return out;
}

} // namespace rv::sensors
