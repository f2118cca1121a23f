#pragma once
// The picture formatting the program uses for numbers, dates and times.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>

namespace rv {

// Number pictures ("##0.00", "##0.0#", "###0.00", "##0.0", "0"): at least the
// "0" digits, at most the "#" decimals, no grouping, the minus sign kept,
// rounding half away from zero on the decimal value as written
// (12.345 -> "12.35", 2.567 with "##0.0#" -> "2.57", 2.5 -> "2.5").
// Date and time pictures ("yyyy/MM/dd", "YYYY/MM/DD", "yyyy/mm/dd", "HH:mm:ss",
// "HH:NN:SS", "hh:nn", "yyyy-mm-dd", "YYYY/MM/DD HH:NN:SS") format a text that
// parses as a date or time.
// A text that is neither comes back unchanged; an empty text stays empty.
QString Format(const QString& text, const QString& picture);
QString Format(double value, const QString& picture);
QString Format(const QDate& d, const QString& picture);
QString Format(const QTime& t, const QString& picture);
QString Format(const QDateTime& dt, const QString& picture);

} // namespace rv
