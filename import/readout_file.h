#pragma once
// The data logger's readout file: comma-separated text, one reading a line,
// up to 16 text fields named SlugDate, C1 .. C15. Loading copies the file
// into the data folder as "datafile.txt" and reads it into memory.
#include "common/progress.h"
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <vector>

namespace rv::importing {

constexpr int kReadoutFields = 16;

// The rows of a loaded readout file, every field kept as text. The texts of
// all fields share one buffer so that a file of a hundred thousand lines
// stays small in memory.
class ReadoutRecords {
public:
    bool isOpen() const { return m_open; }
    void setOpen(bool open) { m_open = open; }
    // Back to a new, unopened record set.
    void clear();

    int recordCount() const { return static_cast<int>(m_spans.size() / kReadoutFields); }
    // Field f (0 = SlugDate, 1 = C1, ...) of row r (0-based); "" for a field
    // the line did not have.
    QStringView fieldView(int r, int f) const;
    QString field(int r, int f) const { return fieldView(r, f).toString(); }
    QString slugDate(int r) const { return field(r, 0); }

    // Builds a row from its fields (at most kReadoutFields are kept).
    void appendRow(const std::vector<QString>& fields);
    void reserve(qsizetype bytes, int rows);

private:
    struct Span {
        quint32 start = 0;
        quint32 length = 0;
    };
    QString m_text;
    std::vector<Span> m_spans;  // kReadoutFields per row
    bool m_open = false;
};

// Splits the bytes of a readout file into rows: every line is a row (a
// header line too), fields split at commas, a field that starts with a
// double quote runs to its closing quote with "" standing for one quote,
// missing trailing fields are empty and fields after the 16th are dropped.
// Lines end with LF, CR or CRLF; a last line without a line end is still a row;
// an empty file gives no rows. A line that is not valid UTF-8 is read as
// Latin-1. False when progress asked to stop (records then hold the rows
// read so far).
bool parseReadout(const QByteArray& bytes, ReadoutRecords& records, Progress& progress);
ReadoutRecords parseReadout(const QByteArray& bytes);

// The 20 lines of "Schema.ini" that describe "datafile.txt" to a
// delimited-text reader.
QStringList schemaIniLines();

// What a load ended with.
enum class LoadResult { Loaded, NotFound, Cancelled };

// Loads the readout file at path for the import: writes "Schema.ini" in the
// data folder, copies the file to "datafile.txt" there (overwriting), reads
// it into records and deletes "Schema.ini" again, whatever happened.
// records is cleared first and is open only when the file was loaded.
// A working file the data folder refuses (read-only, full) is written to a
// folder of the system's temporary folder instead, or left out; either is
// told in workNote (empty when both were written where they belong) and
// does not stop the load. Throws std::runtime_error when the file cannot be
// read.
LoadResult LoadReadoutFile(const QString& dataFolder, const QString& path,
                           ReadoutRecords& records, Progress& progress, QString* workNote = nullptr);

} // namespace rv::importing
