#pragma once
// The check of readings just appended to a sensor against its trigger
// levels: which reading, quantity and channel or node crossed which level.
#include "calc/levels.h"
#include "sensors/trigger_levels.h"
#include "store/connection.h"

#include <QString>
#include <optional>
#include <vector>

namespace rv::importing {

// A reading as it was appended (appended readings are always time-flagged).
struct AppendedReading {
    QString key;  // DateTimeKey
    calc::TimedReading reading;
};

// The readings an append wrote, in file order, held compactly (an append may
// bring a million): each one's FullDate in ms and its channels 1..channels,
// NaN where the channel was stored empty. A reading's DateTimeKey is the one
// the import writes, the InstrumentID, a space and "yyyy/MM/dd HH:mm:ss" of
// the ms, unless it was added with a key of its own.
class AppendedReadings {
public:
    AppendedReadings() = default;
    AppendedReadings(const QString& instrumentId, int channels);
    AppendedReadings(const QString& instrumentId, const std::vector<AppendedReading>& readings);
    const QString& instrumentId() const { return m_instrumentId; }
    int channels() const { return m_channels; }
    void reserve(size_t n);
    void add(qint64 ms, const calc::Channels& channel);
    void add(const AppendedReading& reading);
    size_t size() const { return m_ms.size(); }
    bool empty() const { return m_ms.empty(); }
    void clear();
    qint64 ms(size_t i) const { return m_ms[i]; }
    calc::Channels channel(size_t i) const;
    QString key(size_t i) const;
    // Whether the table held, before the append, readings dated among the
    // appended ones (an import that fills a gap): unknown unless the append
    // could tell from the keys it had read; the check asks the table then.
    std::optional<bool> storedAmong() const { return m_storedAmong; }
    void setStoredAmong(bool among) { m_storedAmong = among; }
    AppendedReading operator[](size_t i) const { return AppendedReading{key(i), calc::TimedReading{ms(i), channel(i)}}; }

private:
    QString m_instrumentId;
    int m_channels = 10;
    std::vector<qint64> m_ms;
    std::vector<double> m_values;  // m_channels per reading
    std::vector<QString> m_keys;   // empty unless some reading came with a key
    std::optional<bool> m_storedAmong;
};

// The DateTimeKey the import gives a reading of the sensor at ms.
QString appendedKey(const QString& instrumentId, qint64 ms);

// One reading, quantity and channel (Load) or node (Disp, Rate) at its
// highest crossed level.
struct ExceedanceRow {
    QString sensor;  // InstrumentID
    QString key;     // DateTimeKey
    qint64 ms = 0;   // FullDate (see readings::readingMs)
    calc::Quantity quantity = calc::Quantity::Load;
    int index = 0;
    double value = 0;
    int levelNo = 0;
    QString levelName;
    QString colour;
};

// The appended readings' crossings, highest levels first, then by date, then
// by quantity and channel. The readings must already be in the table: the
// zero reading is the table's earliest time-flagged reading and a rate goes
// back to the latest time-flagged reading at least 24 hours earlier, stored
// or appended. Empty when the sensor has no level set. Throws DbError when
// the table cannot be read.
std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const QString& instrumentId,
                                                 const std::vector<AppendedReading>& appended);
// The same for a sensor already loaded.
std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const sensors::SensorLevels& sensor,
                                                 const std::vector<AppendedReading>& appended);
std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const QString& instrumentId,
                                                 const AppendedReadings& appended);
std::vector<ExceedanceRow> checkAppendedReadings(store::Connection& conn, const sensors::SensorLevels& sensor,
                                                 const AppendedReadings& appended);

// The rows as the exceedance grid and its export show them: "Sensor" (site
// identifier and number), "DateTime Key", "Quantity", "Channel/Node",
// "Value" (two decimals), "Level".
QStringList exceedanceHeaders();
QStringList exceedanceCells(const ExceedanceRow& row, const QString& mineId);

} // namespace rv::importing
