#pragma once
// A sensor's readings written to a file as the datasheet shows them, for
// use without a window: the spreadsheet as the datasheet's export button
// writes it, or comma-separated text.
#include <QString>

namespace rv::store {
class Connection;
}

namespace rv::reports {

struct ReadingsExportResult {
    bool ok = false;
    QString error;
    qint64 readings = 0;  // rows written below the header
    qint64 columns = 0;
};

// Writes the readings of sensor id (its reading table, in date order) to
// path as an xlsx workbook: the datasheet's caption row and rows, its first
// ten columns, the sheet named after the sensor, exactly as the datasheet's
// export.
ReadingsExportResult exportReadingsXlsx(store::Connection& conn, const QString& id, const QString& path);

// The same rows as comma-separated text (UTF-8, lines ended by CRLF as
// RFC 4180 has it): a header row of the datasheet's captions, every column
// of the datasheet (the two plot flags included, as "True" or "False"),
// dates as yyyy/mm/dd, numbers with the decimal mark ".". A field holding a
// comma, a quote or a line end is quoted.
ReadingsExportResult exportReadingsCsv(store::Connection& conn, const QString& id, const QString& path);

// One CSV field, quoted when it must be.
QString csvField(const QString& text);

} // namespace rv::reports
