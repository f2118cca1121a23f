#include "readings/level_readings.h"

#include "store/query.h"
#include "store/sqltext.h"

namespace rv::readings {

namespace {

QStringList readingFields()
{
    QStringList f{QStringLiteral("DateTimeKey"), QStringLiteral("FullDate"), QStringLiteral("Plottemporal")};
    for (int k = 1; k <= 10; ++k)
        f << QStringLiteral("Channel%1").arg(k);
    return f;
}

// A channel field as a number; an empty field, or a text that is no number,
// has no value.
std::optional<double> channelOf(const QVariant& v)
{
    if (v.isNull() || !v.isValid())
        return std::nullopt;
    bool ok = false;
    const double x = v.toDouble(&ok);
    if (!ok)
        return std::nullopt;
    return x;
}

StoredReading readingOf(const store::Row& r)
{
    StoredReading s;
    s.key = r[0].toString();
    s.ms = readingMs(r[1].toDateTime());
    s.temporal = r[2].toBool();
    for (int k = 1; k <= 10; ++k)
        s.channel[size_t(k)] = channelOf(r[size_t(k) + 2]);
    return s;
}

// A moment as the dialect writes a date literal.
QString literal(qint64 ms)
{
    return u'#' + readingDateTime(ms).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) + u'#';
}

QString from(const QString& id)
{
    return QStringLiteral("SELECT * FROM ") + store::tableName(id);
}

std::optional<StoredReading> first(store::Connection& conn, const QString& sql)
{
    const std::vector<store::Row> rows = store::selectRows(conn, sql, readingFields(), 1);
    if (rows.empty())
        return std::nullopt;
    return readingOf(rows.front());
}

} // namespace

qint64 readingMs(const QDateTime& fullDate)
{
    if (!fullDate.isValid())
        return 0;
    return QDateTime(fullDate.date(), fullDate.time(), Qt::UTC).toMSecsSinceEpoch();
}

QDateTime readingDateTime(qint64 ms)
{
    const QDateTime utc = QDateTime::fromMSecsSinceEpoch(ms, Qt::UTC);
    return QDateTime(utc.date(), utc.time());
}

qint64 readingCount(store::Connection& conn, const QString& instrumentId)
{
    return store::countRows(conn, from(instrumentId));
}

std::optional<StoredReading> zeroReading(store::Connection& conn, const QString& instrumentId)
{
    return first(conn, from(instrumentId) + QStringLiteral(" WHERE Plottemporal = True ORDER BY FullDate"));
}

std::optional<StoredReading> latestReading(store::Connection& conn, const QString& instrumentId,
                                           bool timeFlaggedOnly)
{
    return first(conn, from(instrumentId) +
                           (timeFlaggedOnly ? QStringLiteral(" WHERE Plottemporal = True") : QString()) +
                           QStringLiteral(" ORDER BY FullDate DESC"));
}

std::optional<StoredReading> latestFlaggedAtOrBefore(store::Connection& conn, const QString& instrumentId,
                                                     qint64 ms)
{
    return first(conn, from(instrumentId) + QStringLiteral(" WHERE Plottemporal = True AND FullDate <= ") +
                           literal(ms) + QStringLiteral(" ORDER BY FullDate DESC"));
}

std::vector<StoredReading> flaggedBetween(store::Connection& conn, const QString& instrumentId, qint64 fromMs,
                                          qint64 toMs)
{
    std::vector<StoredReading> out;
    for (const store::Row& r : store::selectRows(
             conn,
             from(instrumentId) + QStringLiteral(" WHERE Plottemporal = True AND FullDate >= ") + literal(fromMs) +
                 QStringLiteral(" AND FullDate < ") + literal(toMs) + QStringLiteral(" ORDER BY FullDate"),
             readingFields()))
        out.push_back(readingOf(r));
    return out;
}

qint64 countBetween(store::Connection& conn, const QString& instrumentId, qint64 fromMs, qint64 toMs)
{
    return store::countRows(conn, from(instrumentId) + QStringLiteral(" WHERE FullDate >= ") + literal(fromMs) +
                                      QStringLiteral(" AND FullDate <= ") + literal(toMs));
}

void setZeroFromTable(store::Connection& conn, const QString& instrumentId, calc::LevelFrame& frame)
{
    const auto z = zeroReading(conn, instrumentId);
    if (z)
        frame.zero = calc::offsetsOf(z->channel);
    else
        frame.zero.reset();
}

} // namespace rv::readings
