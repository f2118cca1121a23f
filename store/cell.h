#pragma once
// Compact in-memory form of one field value. A record set holds every row of
// its table in memory, so a field takes 16 bytes here instead of a QVariant's
// 32; texts live in a side pool owned by the record set.
#include "store/coltype.h"

#include <QVariant>
#include <cstdint>
#include <optional>
#include <vector>

namespace rv::store::detail {

class Stmt;

enum class Tag : std::uint8_t { Null, Text, Double, Long, Bool, Date, Time, DateTime };

constexpr qint64 kMsPerDay = 86400000;

struct Cell {
    union {
        double d;
        qint64 i;  // Text: pool index; Date: Julian day; Time: ms of day;
                   // DateTime: Julian day * kMsPerDay + ms of day; Bool: 0/1
    };
    Tag tag = Tag::Null;
    Cell() : i(0) {}
};

using TextPool = std::vector<QString>;

// Reads column col of the current result row of st, stored for a column of
// type t. A stored value that does not fit the type (a file edited by another
// tool) is kept as text rather than lost.
Cell readCell(const Stmt& st, int col, ColType t, TextPool& pool);

// Stores an already converted value (convertForColumn) into c, reusing c's
// pool slot when it holds a text.
void assignCell(Cell& c, const QVariant& v, TextPool& pool);

QVariant cellValue(const Cell& c, const TextPool& pool);
// A date-time in its plain storage form ("YYYY-MM-DD HH:MM:SS", n bytes at
// p) as a DateTime cell holds it (Julian day * kMsPerDay + ms of day);
// nullopt for any other text.
std::optional<qint64> plainDateTime(const char* p, int n);
// The cell as a serial day number (days since 1899-12-30, the fraction the
// time of day), a number as itself; nullopt for null and text.
std::optional<double> cellNumber(const Cell& c);

// Binds a converted value in the plain storage form of its type: ISO dates,
// times and date-times as text, Yes/No as 0/1, numbers as REAL.
void bindValue(Stmt& st, int param, const QVariant& v);

// The storage texts of the date types.
QByteArray isoDate(const QDate& d);
QByteArray isoTime(const QTime& t);
QByteArray isoDateTime(const QDate& d, const QTime& t);

// The text a box shows for a value (null gives "").
QString displayText(const QVariant& v);
QString cellText(const Cell& c, const TextPool& pool);

} // namespace rv::store::detail
