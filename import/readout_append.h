#pragma once
// Appending the ticked rows of a readout file to the current sensor's
// reading table: the date layouts, the reading key, the channel fields and
// the append itself, one transaction with the duplicate test.
#include "common/progress.h"
#include "import/exceedance_check.h"
#include "import/readout_file.h"
#include "store/connection.h"
#include <QDate>
#include <QDateTime>
#include <QTime>
#include <functional>
#include <optional>
#include <vector>

namespace rv::importing {

// How the file writes the date in front of the time.
enum class DateLayout { YearFirst = 0, DayFirst = 1, MonthFirst = 2 };

// A reading's key and dates, as written to the table.
struct ReadingStamp {
    QString key;   // InstrumentID + " " + "YYYY/MM/DD HH:NN:SS"
    QDate date;
    QTime time;
    QDateTime full;
};

// The stamp of a row from its SlugDate. "YYYY/MM/DD" reads SlugDate with the
// general date parser; the other two take the date's parts by position
// (characters 1-2, 4-5 and 7-10) and the time from characters 12 to 19.
// nullopt when the date or the time cannot be read (the "no time" marker
// among them): such a row would get a broken key.
std::optional<ReadingStamp> readingStamp(const QString& instrumentId, QStringView slugDate,
                                         DateLayout layout);

// Where a sensor type's channels sit in a readout row.
struct ChannelMap {
    bool temperature = false;  // C4 is the temperature channel
    int firstField = 4;        // field index of channel 1 (4 = C4, 5 = C5)
    int count = 0;             // channels written: the type's first digit, at most 10
};
ChannelMap channelMap(const QString& sensorType, bool tempChannel);

// The stored value of a channel text: its leading number formatted with the
// picture ("##0.0" temperature, "##0.00" channels). nullopt when the text
// has no number (empty, cut off, "NaN", "inf") or one out of range: such a
// channel is stored as null, never as a reading of zero.
std::optional<double> channelValue(QStringView text, const QString& picture);

struct AppendTarget {
    QString instrumentId;
    QString sensorType;
    bool tempChannel = false;
    // The file the rows came from, for the change log.
    QString sourceFile;
};

struct AppendOutcome {
    int appended = 0;
    int badDates = 0;    // ticked rows whose date and time could not be read
    int duplicates = 0;  // ticked rows whose key the table already held
    int partialRows = 0; // appended rows with a channel that had no value (stored null)
    int emptyRows = 0;   // ticked rows skipped because none of their channels had a value
    bool cancelled = false;
    // The readings appended, in file order (empty when none was kept), for
    // the check against the sensor's trigger levels.
    AppendedReadings rows;
};

// Told of each duplicate key in turn. An empty notice skips and counts.
using DuplicateNotice = std::function<void(const QString& key)>;

// Appends the rows whose flag is set, in file order, to the target sensor's
// reading table in one transaction. A row whose key the table holds (also
// one that another import stored while this one ran), or an earlier row of
// this append gave, is refused and told to onDuplicate; a row
// whose date cannot be read is skipped; a row none of whose channels has a
// value is skipped. When progress asks to stop, nothing is kept (cancelled
// is set). The outcome's rows hold each reading written, with the channel
// values stored. Record sets open on the table do not see the new rows
// until they are read again. An append that keeps readings writes one row
// of the change log (the file and the counts) in the same transaction.
// Throws when the table cannot be written; nothing is kept then either.
AppendOutcome appendReadings(store::Connection& conn, const ReadoutRecords& records,
                             const std::vector<char>& ticked, const AppendTarget& target, DateLayout layout,
                             const DuplicateNotice& onDuplicate, Progress& progress);

} // namespace rv::importing
