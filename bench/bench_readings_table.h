#pragma once
// Reading tables of any size for the benchmarks, filled by SQLite itself
// (one INSERT ... SELECT), so that a million readings take seconds to make;
// and the resident memory of the running program.
#include "store/connection.h"

#include <QFile>
#include <QString>
#include <sqlite3.h>
#include <stdexcept>

namespace rv::bench {

// rows readings in table id (which must exist), one every spacing seconds
// up to 2020/01/01 (a past date, as on a real site, so that a reading added
// now goes after all of them), written newest first so that the date order
// is not the file's; five channels and the temperature set, plotted in time.
inline void fillReadings(store::Connection& c, const QString& id, int rows, int spacing = 3600)
{
    const QByteArray sql = QStringLiteral(
        "WITH RECURSIVE n(k) AS (SELECT %1 UNION ALL SELECT k - 1 FROM n WHERE k > 0), "
        "t(k, at) AS (SELECT k, datetime('2020-01-01', '-' || ((%1 - k) * %3) || ' seconds') FROM n) "
        "INSERT INTO \"%2\" (DateTimeKey, ReadingDate, ReadingTime, ChannelT, Channel1, Channel2, Channel3, "
        "Channel4, Channel5, FullDate, Plottemporal, PlotSpatial, IsDirty) "
        "SELECT '%2 ' || strftime('%Y/%m/%d %H:%M:%S', at), date(at), time(at), 20.0 + k % 7, 100.0 + k * 0.01, "
        "200.0 + k * 0.01, 300.0 + k * 0.01, 400.0 + k * 0.01, 500.0 + k * 0.01, at, 1, 0, 1 FROM t")
                              .arg(rows - 1)
                              .arg(id)
                              .arg(spacing)
                              .toUtf8();
    char* err = nullptr;
    if (sqlite3_exec(c.handle(), sql.constData(), nullptr, nullptr, &err) != SQLITE_OK) {
        const std::string m = err ? err : "fill failed";
        sqlite3_free(err);
        throw std::runtime_error(m);
    }
}

// The program's resident memory now and at its peak, in MB.
inline double residentMb(const char* field = "VmRSS:")
{
    QFile f(QStringLiteral("/proc/self/status"));
    if (!f.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : f.readAll().split('\n'))
        if (line.startsWith(field))
            return line.mid(static_cast<int>(qstrlen(field))).trimmed().split(' ').value(0).toDouble() / 1024.0;
    return 0;
}

} // namespace rv::bench
