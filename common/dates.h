#pragma once
// The system date and time forms, and the general date parser.
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QTime>
#include <optional>

namespace rv {

// The "system" forms on this platform.
inline const QString kShortDate = QStringLiteral("yyyy/MM/dd");
inline const QString kTimeForm = QStringLiteral("HH:mm:ss");
inline const QString kGeneralDate = QStringLiteral("yyyy/MM/dd HH:mm:ss");

QString shortDate(const QDate& d);           // "yyyy/MM/dd"
QString timeText(const QTime& t);            // "HH:mm:ss"
QString generalDate(const QDateTime& dt);    // "yyyy/MM/dd HH:mm:ss"
// Today in the short date form.
QString todayText();

struct ParsedDate {
    QDate date;     // valid when hasDate
    QTime time;     // valid when hasTime
    bool hasDate = false;
    bool hasTime = false;
    QDateTime dateTime() const;  // date (or 1899/12/30 when none) plus time (or 00:00)
};

// "yyyy/mm/dd", "yyyy-mm-dd", "#...#", or a date with the year last
// (month/day/year, taken as day/month/year when the month would be over 12),
// each optionally followed by a blank and "hh:nn" or "hh:nn:ss" (hours 0-23,
// minutes and seconds 0-59); or a time alone. Leading and trailing blanks
// are ignored. nullopt when the text is not a date.
std::optional<ParsedDate> parseDate(const QString& text);
bool IsDate(const QString& text);

} // namespace rv
