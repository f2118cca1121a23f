#pragma once
// Which rows of a readout file are offered for import: the first row, then
// every row at least `spacing` hour boundaries after the last row offered.
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

// The preselection, one flag per row in file order. A row whose date cannot
// be read (the marker, a header line) is never offered and does not move the
// last offered date; a row earlier than the last offered one is not offered.
std::vector<char> preselect(const ReadoutRecords& records, int spacingHours);

// The spacing as the main window's box gives it: its leading whole number.
int spacingHours(const QString& text);

} // namespace rv::importing
