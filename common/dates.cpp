#include "common/dates.h"

#include <QStringList>

namespace rv {

QString shortDate(const QDate& d)
{
    return d.isValid() ? d.toString(kShortDate) : QString();
}

QString timeText(const QTime& t)
{
    return t.isValid() ? t.toString(kTimeForm) : QString();
}

QString generalDate(const QDateTime& dt)
{
    return dt.isValid() ? dt.toString(kGeneralDate) : QString();
}

QString todayText()
{
    return shortDate(QDate::currentDate());
}

QDateTime ParsedDate::dateTime() const
{
    const QDate d = hasDate ? date : QDate(1899, 12, 30);
    const QTime t = hasTime ? time : QTime(0, 0);
    return QDateTime(d, t);
}

namespace {

// A run of 1..maxLen ASCII digits and nothing else.
bool digitsOnly(const QString& s, int minLen, int maxLen, int& value)
{
    if (s.size() < minLen || s.size() > maxLen)
        return false;
    value = 0;
    for (QChar c : s) {
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c.unicode() - u'0');
    }
    return true;
}

std::optional<QTime> parseTime(const QString& s)
{
    const QStringList parts = s.split(u':');
    if (parts.size() < 2 || parts.size() > 3)
        return std::nullopt;
    int h = 0, m = 0, sec = 0;
    if (!digitsOnly(parts[0], 1, 2, h) || !digitsOnly(parts[1], 1, 2, m))
        return std::nullopt;
    if (parts.size() == 3 && !digitsOnly(parts[2], 1, 2, sec))
        return std::nullopt;
    if (h > 23 || m > 59 || sec > 59)
        return std::nullopt;
    return QTime(h, m, sec);
}

std::optional<QDate> parseDay(const QString& s)
{
    QChar sep;
    if (s.contains(u'/'))
        sep = u'/';
    else if (s.contains(u'-'))
        sep = u'-';
    else
        return std::nullopt;
    const QStringList parts = s.split(sep);
    if (parts.size() != 3)
        return std::nullopt;
    int a = 0, b = 0, c = 0;
    QDate d;
    if (digitsOnly(parts[0], 4, 4, a)) {
        // Year first: year, month, day.
        if (!digitsOnly(parts[1], 1, 2, b) || !digitsOnly(parts[2], 1, 2, c))
            return std::nullopt;
        d = QDate(a, b, c);
    } else if (digitsOnly(parts[2], 4, 4, c)) {
        // Year last: month/day/year, or day/month/year when the first
        // number cannot be a month.
        if (!digitsOnly(parts[0], 1, 2, a) || !digitsOnly(parts[1], 1, 2, b))
            return std::nullopt;
        d = a > 12 ? QDate(c, b, a) : QDate(c, a, b);
    } else {
        return std::nullopt;
    }
    // The classic date range is the years 100 to 9999.
    if (!d.isValid() || d.year() < 100)
        return std::nullopt;
    return d;
}

} // namespace

std::optional<ParsedDate> parseDate(const QString& text)
{
    QString s = text.trimmed();
    if (s.size() >= 2 && s.startsWith(u'#') && s.endsWith(u'#'))
        s = s.mid(1, s.size() - 2).trimmed();
    if (s.isEmpty())
        return std::nullopt;

    ParsedDate out;
    const qsizetype blank = s.indexOf(u' ');
    const QString first = blank < 0 ? s : s.left(blank);
    const QString rest = blank < 0 ? QString() : s.mid(blank + 1).trimmed();

    if (rest.isEmpty() && first.contains(u':')) {
        const auto t = parseTime(first);
        if (!t)
            return std::nullopt;
        out.time = *t;
        out.hasTime = true;
        return out;
    }
    const auto d = parseDay(first);
    if (!d)
        return std::nullopt;
    out.date = *d;
    out.hasDate = true;
    if (!rest.isEmpty()) {
        const auto t = parseTime(rest);
        if (!t)
            return std::nullopt;
        out.time = *t;
        out.hasTime = true;
    }
    return out;
}

bool IsDate(const QString& text)
{
    return parseDate(text).has_value();
}

} // namespace rv
