#pragma once
// The nine-digit sensor number: date code (1-4), type code (5-6), serial (7-9).
#include <QString>

namespace rv::sensors {

enum class NumberCheck { Ok, NotNumeric, NotNineDigits, BadSerial };

// The refusals in the order they are tested. Only plain digits count as
// numeric: a sign, a decimal mark or an exponent would make a table name and
// a serial that mean nothing.
NumberCheck checkSensorNumber(const QString& s);
QString refusalText(NumberCheck c);

inline QString dateCode(const QString& s) { return s.mid(0, 4); }
inline QString typeCode(const QString& s) { return s.mid(4, 2); }
inline QString serialCode(const QString& s) { return s.mid(6, 3); }

} // namespace rv::sensors
