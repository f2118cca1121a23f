#pragma once
// Number helpers shared by the windows and the calculations.
#include <QString>
#include <optional>
#include <string>

namespace rv {

// Rounds x to d decimals, a half going to the even neighbour, judged on the
// decimal value as written (2.25 -> 2.2, -0.456 -> -0.46).
double Round(double x, int d);

// The leading number of a text: leading blanks skipped, "." the only decimal
// mark, stops at the first character that cannot continue a number
// ("21,5" -> 21, "abc" -> 0, "" -> 0).
double Val(const QString& text);
// The same leading number, or nullopt when the text has none (no digit
// before the first character that cannot start a number: "", "abc", "NaN",
// "inf", "-") or it is out of the double range ("1e400").
std::optional<double> leadingNumber(const QString& text);

// Whether a typed text is a number: optional blanks around, optional sign,
// digits with "." as decimal mark, an optional exponent; a comma only as a
// correctly placed thousands separator ("1,234.5" yes, "1,23" no).
bool IsNumeric(const QString& text);

// The number a numeric text stands for (the IsNumeric rules); nullopt otherwise.
std::optional<double> toNumber(const QString& text);

// The shortest text that reads back as the same double (15 significant
// digits, like the classic runtime's conversion of a double to text).
QString numberText(double v);
// The same text appended to s (ASCII), for writing many numbers without a
// QString each.
void appendNumberText(std::string& s, double v);

} // namespace rv
