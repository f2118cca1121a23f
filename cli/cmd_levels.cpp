#include "cli/cli_context.h"
#include "cli/exceedance_json.h"

#include "common/format.h"
#include "import/exceedance_check.h"
#include "readings/level_readings.h"
#include "reports/site_status.h"
#include "sensors/trigger_levels.h"
#include "store/dberror.h"
#include "store/recordset.h"

#include <QDate>
#include <QDateTime>

namespace rv::cli {

namespace {

QString currentError()
{
    try {
        throw;
    } catch (const store::DbError& e) {
        return e.description();
    } catch (const std::exception& e) {
        return QString::fromUtf8(e.what());
    } catch (...) {
        return QStringLiteral("unknown error");
    }
}

// Columns padded to their widest cell, for the summary.
QStringList table(const QStringList& headers, const QList<QStringList>& rows)
{
    QList<qsizetype> width;
    for (const QString& h : headers)
        width << h.size();
    for (const QStringList& r : rows)
        for (qsizetype i = 0; i < r.size() && i < width.size(); ++i)
            width[i] = std::max(width[i], r[i].size());
    auto line = [&](const QStringList& cells) {
        QString out;
        for (qsizetype i = 0; i < cells.size(); ++i) {
            if (i > 0)
                out += QStringLiteral("  ");
            out += i + 1 < cells.size() ? cells[i].leftJustified(width.value(i)) : cells[i];
        }
        return out;
    };
    QStringList out{line(headers).trimmed()};
    for (const QStringList& r : rows)
        out << line(r).trimmed();
    return out;
}

} // namespace

int cmdLevels(CliContext& c)
{
    const QString id = c.inv.operands.value(0);
    c.json.insert(QStringLiteral("sensor"), id);
    std::optional<sensors::SensorLevels> s;
    try {
        s = sensors::loadSensorLevels(c.conn, id);
    } catch (...) {
        const QString why = currentError();
        c.warn(QStringLiteral("the levels could not be read: ") + why);
        c.json.insert(QStringLiteral("error"), why);
        return kExitDatabase;
    }
    if (!s || s->instrumentId != id)
        return unknownSensor(c, id);

    QJsonArray quantities;
    QList<QStringList> rows;
    for (calc::Quantity q : calc::kAllQuantities) {
        const calc::QuantityLevels& ql = s->inForce.levels.of(q);
        const bool own = s->inForce.sensorOwn[size_t(q)];
        const QString source = ql.anySet() ? (own ? QStringLiteral("sensor") : QStringLiteral("type")) : QStringLiteral("none");
        QJsonArray levels;
        for (int n = 1; n <= calc::kLevelCount; ++n) {
            const calc::TriggerLevel& l = ql.level[size_t(n)];
            QJsonObject o;
            o.insert(QStringLiteral("level"), n);
            o.insert(QStringLiteral("name"), l.name);
            o.insert(QStringLiteral("value"), l.value ? QJsonValue(*l.value) : QJsonValue());
            o.insert(QStringLiteral("colour"), l.colour);
            levels.append(o);
            rows << QStringList{calc::quantityName(q), QString::number(n), l.name,
                                l.value ? Format(*l.value, QStringLiteral("##0.00")) : QStringLiteral("-"), l.colour,
                                source};
        }
        QJsonObject qo;
        qo.insert(QStringLiteral("quantity"), calc::quantityName(q));
        qo.insert(QStringLiteral("source"), source);
        qo.insert(QStringLiteral("levels"), levels);
        quantities.append(qo);
    }
    c.json.insert(QStringLiteral("sensorType"), s->sensorType);
    c.json.insert(QStringLiteral("quantities"), quantities);
    c.say(QStringLiteral("Trigger levels of sensor %1 (type %2):").arg(id, s->sensorType));
    for (const QString& l : table({QStringLiteral("Quantity"), QStringLiteral("Level"), QStringLiteral("Name"),
                                   QStringLiteral("Value"), QStringLiteral("Colour"), QStringLiteral("Set for")},
                                  rows))
        c.say(l);
    return kExitDone;
}

int cmdExceedances(CliContext& c)
{
    // Bounds the date criteria of the store can write.
    qint64 fromMs = readings::readingMs(QDateTime(QDate(1900, 1, 1), QTime(0, 0), Qt::UTC));
    const qint64 toMs = readings::readingMs(QDateTime(QDate(9999, 12, 31), QTime(0, 0), Qt::UTC));
    const QString since = c.inv.options.value(QStringLiteral("since"));
    if (c.inv.options.contains(QStringLiteral("since"))) {
        QDate d = QDate::fromString(since, QStringLiteral("yyyy/MM/dd"));
        if (!d.isValid())
            d = QDate::fromString(since, Qt::ISODate);
        if (!d.isValid()) {
            const QString why = QStringLiteral("--since needs a date as yyyy/mm/dd, not '%1'").arg(since);
            c.warn(why + QStringLiteral("\n\n") + usageText(c.inv.command));
            c.json.insert(QStringLiteral("error"), why);
            return kExitUsage;
        }
        fromMs = readings::readingMs(QDateTime(d, QTime(0, 0), Qt::UTC));
        c.json.insert(QStringLiteral("since"), d.toString(QStringLiteral("yyyy/MM/dd")));
    }

    QStringList ids = c.inv.operands;
    try {
        if (ids.isEmpty()) {
            store::Recordset rs;
            rs.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), c.conn);
            if (rs.recordCount() > 0)
                for (rs.moveFirst(); !rs.eof(); rs.moveNext())
                    ids << rs.text(QStringLiteral("InstrumentID"));
        } else {
            for (const QString& id : ids)
                if (!sensorInCatalogue(c.conn, id))
                    return unknownSensor(c, id);
        }
    } catch (...) {
        const QString why = currentError();
        c.warn(QStringLiteral("the catalogue could not be read: ") + why);
        c.json.insert(QStringLiteral("error"), why);
        return kExitDatabase;
    }

    QJsonArray all;
    QList<QStringList> rows;
    QStringList failed;
    for (const QString& id : ids) {
        try {
            const auto s = sensors::loadSensorLevels(c.conn, id);
            if (!s || !c.conn.hasTable(id))
                continue;
            std::vector<importing::AppendedReading> checked;
            for (const readings::StoredReading& r :
                 readings::flaggedBetween(c.conn, id, fromMs, toMs))
                checked.push_back({r.key, {r.ms, r.channel}});
            if (checked.empty())
                continue;
            for (const importing::ExceedanceRow& e : importing::checkAppendedReadings(c.conn, *s, checked)) {
                all.append(exceedanceJson(e));
                rows << importing::exceedanceCells(e, s->mineId);
            }
        } catch (...) {
            failed << id;
            c.warn(QStringLiteral("sensor %1: the readings could not be checked: %2").arg(id, currentError()));
        }
    }
    c.json.insert(QStringLiteral("sensors"), QJsonArray::fromStringList(ids));
    c.json.insert(QStringLiteral("exceedances"), all);
    if (rows.isEmpty())
        c.say(QStringLiteral("No reading crosses a trigger level."));
    else
        for (const QString& l : table(importing::exceedanceHeaders(), rows))
            c.say(l);
    if (!failed.isEmpty())
        return kExitIncomplete;
    return rows.isEmpty() ? kExitDone : kExitLevels;
}

int cmdStatus(CliContext& c)
{
    std::vector<reports::SiteStatusRow> status;
    int overdue = reports::kDefaultOverdueDays;
    try {
        overdue = reports::overdueDays(c.conn);
        status = reports::siteStatus(c.conn, QDateTime::currentDateTime(), overdue);
    } catch (...) {
        const QString why = currentError();
        c.warn(QStringLiteral("the site status could not be read: ") + why);
        c.json.insert(QStringLiteral("error"), why);
        return kExitDatabase;
    }
    QJsonArray jsonRows;
    QList<QStringList> rows;
    bool crossing = false;
    for (const reports::SiteStatusRow& r : status) {
        rows << reports::siteStatusCells(r);
        crossing = crossing || r.kind == reports::SiteStatusRow::Kind::Level;
        QJsonObject o;
        o.insert(QStringLiteral("sensor"), r.instrumentId);
        o.insert(QStringLiteral("level"), r.level);
        o.insert(QStringLiteral("location"), r.location);
        o.insert(QStringLiteral("readings"), r.readings);
        o.insert(QStringLiteral("lastReading"), r.lastReading ? QJsonValue(r.lastReading->toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")))
                                                              : QJsonValue());
        o.insert(QStringLiteral("daysSince"), r.daysSince ? QJsonValue(*r.daysSince) : QJsonValue());
        o.insert(QStringLiteral("overdue"), r.overdue);
        o.insert(QStringLiteral("state"), r.state);
        o.insert(QStringLiteral("stateLevel"), r.stateLevel);
        o.insert(QStringLiteral("stateColour"), r.stateColour.isEmpty() ? QJsonValue() : QJsonValue(r.stateColour));
        o.insert(QStringLiteral("worstValue"), r.worstText.isEmpty() ? QJsonValue() : QJsonValue(r.worstText));
        jsonRows.append(o);
    }
    c.json.insert(QStringLiteral("overdueDays"), overdue);
    c.json.insert(QStringLiteral("sensors"), jsonRows);
    for (const QString& l : table(reports::siteStatusHeaders(), rows))
        c.say(l);
    return crossing ? kExitLevels : kExitDone;
}

} // namespace rv::cli
