#pragma once
// Which rows of a readout file are offered for import: the first row, then
// every row at least `spacing` hour boundaries after the last row offered,
// each row's date read in the layout the append will use.
#include "import/readout_append.h"
#include "import/readout_file.h"
#include <QDateTime>
#include <optional>
#include <vector>

namespace rv::importing {

// The date and time a logger writes for a reading it could not time.
inline const QString kNoTimeMarker = QStringLiteral("2000/01/01 00:00:80");

// The number of hour boundaries between a and b (negative when b is earlier),
// the way a calendar counts them: 10:59 to 11:00 is one.
qint64 hourBoundaries(const QDateTime& a, const QDateTime& b);

// SlugDate read by the general date parser; nullopt when it is not a date
// (the marker included). A time alone is not a reading's date.
std::optional<QDateTime> slugDateTime(QStringView slugDate);

// SlugDate read the way the append reads it in layout: the date and time the
// reading would be stored under; nullopt when the append would skip the row.
std::optional<QDateTime> slugDateTime(QStringView slugDate, DateLayout layout);

// The caption of a layout as the review window shows it ("YYYY/MM/DD", ...),
// which is also how the layout last used for a sensor is kept; and back
// (nullopt for an unknown text).
QString layoutName(DateLayout layout);
std::optional<DateLayout> layoutFromName(const QString& name);

// The name in `Settings` (scope: the sensor) under which the layout last
// appended with is kept, by layoutName().
inline const QString kLayoutSetting = QStringLiteral("ImportDateLayout");

// A row more than this after the present is taken for a logger's clock
// gone wrong rather than a reading.
constexpr qint64 kFutureSlackSecs = 24 * 3600;

struct Preselection {
    std::vector<char> ticked;  // offered for import
    std::vector<char> future;  // dated more than a day after now: never offered
};

// The preselection, one flag per row in file order, dates read in layout. A
// row whose date cannot be read (the marker, a header line) or that lies more
// than a day after now is never offered and does not move the last offered
// date; a row earlier than the last offered one is not offered.
Preselection preselectRows(const ReadoutRecords& records, int spacingHours, DateLayout layout,
                           const QDateTime& now);

// The same, year first, against the present clock: the ticks only.
std::vector<char> preselect(const ReadoutRecords& records, int spacingHours,
                            DateLayout layout = DateLayout::YearFirst);

// The present as a readout file writes it: the local clock's date and time
// kept as written.
QDateTime clockAsWritten();

// Whether the file's dates are plainly written in another layout: most rows
// that some layout reads cannot be read in `selected` (year first counts
// only dates that start with the year), and every one of them reads in the
// layouts returned. Empty when the selected layout is fine.
std::vector<DateLayout> betterLayouts(const ReadoutRecords& records, DateLayout selected);

// The spacing as the main window's box gives it: its leading whole number.
int spacingHours(const QString& text);

} // namespace rv::importing
