#include "import/readout_append.h"
#include "common/dates.h"
#include "common/format.h"
#include "common/numbers.h"
#include "import/preselect.h"
#include "readings/level_readings.h"

#include <QSet>
#include <algorithm>

namespace rv::importing {

using readings::readingMs;

namespace {

const QString kDatePicture = QStringLiteral("yyyy/MM/dd");
const QString kTimePicture = QStringLiteral("HH:mm:ss");

} // namespace

std::optional<ReadingStamp> readingStamp(const QString& instrumentId, QStringView slugDate,
                                         DateLayout layout)
{
    ReadingStamp s;
    if (layout == DateLayout::YearFirst) {
        if (slugDate == kNoTimeMarker)
            return std::nullopt;
        const auto when = slugDateTime(slugDate);
        if (!when)
            return std::nullopt;
        s.date = when->date();
        s.time = when->time();
    } else {
        // Positions as the logger writes them: "DD/MM/YYYY HH:NN:SS" or
        // "MM/DD/YYYY HH:NN:SS".
        const QStringView first = slugDate.mid(0, 2);
        const QStringView second = slugDate.mid(3, 2);
        const QString dateText = slugDate.mid(6, 4).toString() + u'/'
            + (layout == DateLayout::DayFirst ? second : first).toString() + u'/'
            + (layout == DateLayout::DayFirst ? first : second).toString();
        s.date = QDate::fromString(dateText, kDatePicture);
        s.time = QTime::fromString(slugDate.mid(11, 8).toString(), kTimePicture);
        if (!s.date.isValid() || !s.time.isValid())
            return std::nullopt;
    }
    if (!s.date.isValid() || !s.time.isValid())
        return std::nullopt;
    s.full = QDateTime(s.date, s.time, Qt::UTC);
    s.key = instrumentId + u' ' + s.date.toString(kDatePicture) + u' ' + s.time.toString(kTimePicture);
    return s;
}

ChannelMap channelMap(const QString& sensorType, bool tempChannel)
{
    ChannelMap m;
    m.temperature = tempChannel;
    m.firstField = tempChannel ? 5 : 4;
    const double digit = sensorType.isEmpty() ? 0 : Val(sensorType.left(1));
    m.count = std::clamp(static_cast<int>(digit), 0, 10);
    // Never past the last field of a row.
    m.count = std::min(m.count, kReadoutFields - m.firstField);
    return m;
}

double channelValue(QStringView text, const QString& picture)
{
    return Format(Val(text.toString()), picture).toDouble();
}

AppendOutcome appendReadings(store::Connection& conn, store::Recordset& readings,
                             const ReadoutRecords& records, const std::vector<char>& ticked,
                             const AppendTarget& target, DateLayout layout,
                             const DuplicateNotice& onDuplicate, Progress& progress)
{
    AppendOutcome out;
    const ChannelMap map = channelMap(target.sensorType, target.tempChannel);

    // The keys the table holds, read once: a search of the whole table for
    // every row would make a long file take hours.
    QSet<QString> keys;
    keys.reserve(readings.recordCount() + records.recordCount());
    const int keyField = readings.fieldIndex(QStringLiteral("DateTimeKey"));
    if (readings.recordCount() > 0) {
        for (readings.moveFirst(); !readings.eof(); readings.moveNext())
            keys.insert(readings.value(keyField).toString());
    }

    const int fDate = readings.fieldIndex(QStringLiteral("ReadingDate"));
    const int fTime = readings.fieldIndex(QStringLiteral("ReadingTime"));
    const int fFull = readings.fieldIndex(QStringLiteral("FullDate"));
    const int fTemp = readings.fieldIndex(QStringLiteral("ChannelT"));
    const int fDirty = readings.fieldIndex(QStringLiteral("IsDirty"));
    const int fSpatial = readings.fieldIndex(QStringLiteral("PlotSpatial"));
    const int fTemporal = readings.fieldIndex(QStringLiteral("Plottemporal"));
    std::vector<int> fChannel;
    for (int k = 1; k <= map.count; ++k)
        fChannel.push_back(readings.fieldIndex(QStringLiteral("Channel%1").arg(k)));

    const int n = std::min<int>(records.recordCount(), static_cast<int>(ticked.size()));
    qint64 toDo = 0;
    for (int r = 0; r < n; ++r)
        toDo += ticked[static_cast<size_t>(r)] ? 1 : 0;

    progress.begin(QStringLiteral("Appending readings to ") + target.instrumentId + QStringLiteral("..."), toDo);
    try {
        store::Connection::Transaction group(conn);
        qint64 done = 0;
        for (int r = 0; r < n; ++r) {
            if (!ticked[static_cast<size_t>(r)])
                continue;
            if ((++done & 0xFF) == 0 && !progress.advance(done)) {
                out.cancelled = true;
                break;
            }
            const auto stamp = readingStamp(target.instrumentId, records.fieldView(r, 0), layout);
            if (!stamp) {
                ++out.badDates;
                continue;
            }
            if (keys.contains(stamp->key)) {
                ++out.duplicates;
                if (onDuplicate)
                    onDuplicate(stamp->key);
                continue;
            }
            readings.addNew();
            readings.setValue(keyField, stamp->key);
            readings.setValue(fDate, stamp->date);
            readings.setValue(fTime, stamp->time);
            readings.setValue(fFull, stamp->full);
            if (map.temperature)
                readings.setValue(fTemp, channelValue(records.fieldView(r, 4), QStringLiteral("##0.0")));
            AppendedReading kept{stamp->key, {readingMs(stamp->full), {}}};
            for (int k = 0; k < map.count; ++k) {
                const double v = channelValue(records.fieldView(r, map.firstField + k), QStringLiteral("##0.00"));
                readings.setValue(fChannel[static_cast<size_t>(k)], v);
                kept.reading.channel[size_t(k) + 1] = v;
            }
            readings.setValue(fDirty, true);
            readings.setValue(fSpatial, false);
            readings.setValue(fTemporal, true);
            readings.update();
            keys.insert(stamp->key);
            out.rows.push_back(std::move(kept));
            ++out.appended;
        }
        if (!out.cancelled && progress.advance(toDo))
            group.commit();
        else
            out.cancelled = true;
    } catch (...) {
        progress.end();
        try {
            readings.cancelUpdate();
            readings.requery();
        } catch (...) {
        }
        throw;
    }
    progress.end();
    if (out.cancelled) {
        out.appended = 0;
        out.rows.clear();
    }
    // The rows appended, or those given up, must show as the table now has them.
    readings.requery();
    return out;
}

} // namespace rv::importing
