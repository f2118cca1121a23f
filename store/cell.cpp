#include "store/cell.h"

#include "common/dates.h"
#include "common/numbers.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include "store/backend.h"
#include <cstdio>

namespace rv::store::detail {

namespace {

// Fixed-width digits at p; -1 when any is not a digit.
int digits(const unsigned char* p, int n)
{
    int v = 0;
    for (int k = 0; k < n; ++k) {
        if (p[k] < '0' || p[k] > '9')
            return -1;
        v = v * 10 + (p[k] - '0');
    }
    return v;
}

// The Julian day of a date of the Gregorian calendar, years 1 to 9999 (as
// QDate counts them); false when there is no such day. Worked out here
// rather than through QDate: it is done for every row of a long read.
bool julianDay(int y, int m, int d, qint64& out)
{
    static constexpr int kMonthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (y < 1 || m < 1 || m > 12 || d < 1)
        return false;
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    if (d > kMonthDays[m - 1] + (m == 2 && leap ? 1 : 0))
        return false;
    // Days from 1970-01-01 of the proleptic calendar (March-based years),
    // then the Julian day of that epoch.
    const int yy = y - (m <= 2 ? 1 : 0);
    const int era = yy / 400;
    const int yoe = yy - era * 400;
    const int doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    out = era * 146097LL + doe - 719468 + 2440588;
    return true;
}

// "YYYY-MM-DD" at p (exactly 10 characters available), as a Julian day.
bool isoDay(const unsigned char* p, qint64& out)
{
    if (p[4] != '-' || p[7] != '-')
        return false;
    const int y = digits(p, 4), m = digits(p + 5, 2), d = digits(p + 8, 2);
    if (y < 0 || m < 0 || d < 0)
        return false;
    return julianDay(y, m, d, out);
}

// "HH:MM:SS" at p (exactly 8 characters available).
bool isoClock(const unsigned char* p, int& ms)
{
    if (p[2] != ':' || p[5] != ':')
        return false;
    const int h = digits(p, 2), m = digits(p + 3, 2), s = digits(p + 6, 2);
    if (h < 0 || h > 23 || m < 0 || m > 59 || s < 0 || s > 59)
        return false;
    ms = ((h * 60 + m) * 60 + s) * 1000;
    return true;
}

Cell textCell(const QString& s, TextPool& pool)
{
    Cell c;
    c.tag = Tag::Text;
    c.i = static_cast<qint64>(pool.size());
    pool.push_back(s);
    return c;
}

QString columnText(const Stmt& st, int col)
{
    const char* p = st.text(col);
    return QString::fromUtf8(p, st.bytes(col));
}

Cell dateLike(const Stmt& st, int col, ColType t, TextPool& pool)
{
    const auto* p = reinterpret_cast<const unsigned char*>(st.text(col));
    const int n = st.bytes(col);
    Cell c;
    qint64 day = 0;
    int ms = 0;
    if (t == ColType::Date && n == 10 && isoDay(p, day)) {
        c.tag = Tag::Date;
        c.i = day;
        return c;
    }
    if (t == ColType::Time && n == 8 && isoClock(p, ms)) {
        c.tag = Tag::Time;
        c.i = ms;
        return c;
    }
    if (t == ColType::DateTime) {
        if (const auto v = plainDateTime(reinterpret_cast<const char*>(p), n)) {
            c.tag = Tag::DateTime;
            c.i = *v;
            return c;
        }
    }
    // Not the plain form: a value typed in by another tool. Take any date the
    // general parser understands, keep anything else as it stands.
    const QString s = columnText(st, col);
    QVariant v;
    try {
        v = convertForColumn(s, t);
    } catch (...) {
        return textCell(s, pool);
    }
    assignCell(c, v, pool);
    return c;
}

} // namespace

std::optional<qint64> plainDateTime(const char* text, int n)
{
    const auto* p = reinterpret_cast<const unsigned char*>(text);
    qint64 day = 0;
    int ms = 0;
    if (p && n == 19 && p[10] == ' ' && isoDay(p, day) && isoClock(p + 11, ms))
        return day * kMsPerDay + ms;
    return std::nullopt;
}

Cell readCell(const Stmt& st, int col, ColType t, TextPool& pool)
{
    Cell c;
    if (t == ColType::Double) {
        // The common cell of a reading table, read in one call.
        double d = 0;
        const int k = st.typedNumber(col, &d);
        if (k == kNull)
            return c;
        if (k == kInteger || k == kFloat) {
            c.tag = Tag::Double;
            c.d = d;
            return c;
        }
    }
    const int kind = st.type(col);
    if (kind == kNull)
        return c;
    switch (t) {
    case ColType::Text:
        return textCell(columnText(st, col), pool);
    case ColType::Double:
    case ColType::Long:
        if (kind == kInteger && t == ColType::Long) {
            c.tag = Tag::Long;
            c.i = st.int64(col);
            return c;
        }
        if (kind == kInteger || kind == kFloat) {
            c.tag = Tag::Double;
            c.d = st.real(col);
            return c;
        }
        if (const auto n = toNumber(columnText(st, col))) {
            c.tag = Tag::Double;
            c.d = *n;
            return c;
        }
        return textCell(columnText(st, col), pool);
    case ColType::YesNo:
        if (kind == kInteger || kind == kFloat) {
            c.tag = Tag::Bool;
            c.i = st.real(col) != 0.0 ? 1 : 0;
            return c;
        }
        try {
            assignCell(c, convertForColumn(columnText(st, col), t), pool);
            return c;
        } catch (...) {
            return textCell(columnText(st, col), pool);
        }
    case ColType::Date:
    case ColType::Time:
    case ColType::DateTime:
        if (kind == kText)
            return dateLike(st, col, t, pool);
        return textCell(columnText(st, col), pool);
    }
    return c;
}

void assignCell(Cell& c, const QVariant& v, TextPool& pool)
{
    const qint64 slot = c.tag == Tag::Text ? c.i : -1;
    if (!v.isValid() || v.isNull()) {
        c.tag = Tag::Null;
        c.i = 0;
        return;
    }
    switch (v.metaType().id()) {
    case QMetaType::QString:
        c.tag = Tag::Text;
        if (slot >= 0) {
            c.i = slot;
            pool[static_cast<size_t>(slot)] = v.toString();
        } else {
            c.i = static_cast<qint64>(pool.size());
            pool.push_back(v.toString());
        }
        return;
    case QMetaType::Double:
        c.tag = Tag::Double;
        c.d = v.toDouble();
        return;
    case QMetaType::LongLong:
        c.tag = Tag::Long;
        c.i = v.toLongLong();
        return;
    case QMetaType::Bool:
        c.tag = Tag::Bool;
        c.i = v.toBool() ? 1 : 0;
        return;
    case QMetaType::QDate:
        c.tag = Tag::Date;
        c.i = v.toDate().toJulianDay();
        return;
    case QMetaType::QTime:
        c.tag = Tag::Time;
        c.i = v.toTime().msecsSinceStartOfDay();
        return;
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        c.tag = Tag::DateTime;
        c.i = dt.date().toJulianDay() * kMsPerDay + dt.time().msecsSinceStartOfDay();
        return;
    }
    default:
        assignCell(c, v.toString(), pool);
        return;
    }
}

QVariant cellValue(const Cell& c, const TextPool& pool)
{
    switch (c.tag) {
    case Tag::Null: return QVariant();
    case Tag::Text: return pool[static_cast<size_t>(c.i)];
    case Tag::Double: return c.d;
    case Tag::Long: return c.i;
    case Tag::Bool: return c.i != 0;
    case Tag::Date: return QDate::fromJulianDay(c.i);
    case Tag::Time: return QTime::fromMSecsSinceStartOfDay(static_cast<int>(c.i));
    case Tag::DateTime:
        return QDateTime(QDate::fromJulianDay(c.i / kMsPerDay),
                         QTime::fromMSecsSinceStartOfDay(static_cast<int>(c.i % kMsPerDay)));
    }
    return QVariant();
}

QByteArray isoDate(const QDate& d)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", d.year(), d.month(), d.day());
    return QByteArray(buf);
}

QByteArray isoTime(const QTime& t)
{
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d:%02d:%02d", t.hour(), t.minute(), t.second());
    return QByteArray(buf);
}

QByteArray isoDateTime(const QDate& d, const QTime& t)
{
    return isoDate(d) + ' ' + isoTime(t);
}

namespace {

void bindBytes(Stmt& st, int param, const QByteArray& b)
{
    st.bindText(param, b.constData(), b.size());
}

} // namespace

void bindValue(Stmt& st, int param, const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return st.bindNull(param);
    switch (v.metaType().id()) {
    case QMetaType::Double: return st.bindDouble(param, v.toDouble());
    case QMetaType::LongLong:
    case QMetaType::Int: return st.bindInt64(param, v.toLongLong());
    case QMetaType::Bool: return st.bindInt64(param, v.toBool() ? 1 : 0);
    case QMetaType::QDate: return bindBytes(st, param, isoDate(v.toDate()));
    case QMetaType::QTime: return bindBytes(st, param, isoTime(v.toTime()));
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return bindBytes(st, param, isoDateTime(dt.date(), dt.time()));
    }
    default: {
        return st.bindText(param, v.toString());
    }
    }
}

QString displayText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.metaType().id()) {
    case QMetaType::Double: return numberText(v.toDouble());
    case QMetaType::LongLong: return QString::number(v.toLongLong());
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::QDate: return shortDate(v.toDate());
    case QMetaType::QTime: return timeText(v.toTime());
    case QMetaType::QDateTime: {
        const QDateTime dt = v.toDateTime();
        return shortDate(dt.date()) + u' ' + timeText(dt.time());
    }
    default: return v.toString();
    }
}

QString cellText(const Cell& c, const TextPool& pool)
{
    // Formatted from the stored parts, so a date-time shows exactly what the
    // file holds whatever the local clock's daylight-saving rules say.
    if (c.tag == Tag::DateTime)
        return shortDate(QDate::fromJulianDay(c.i / kMsPerDay)) + u' '
            + timeText(QTime::fromMSecsSinceStartOfDay(static_cast<int>(c.i % kMsPerDay)));
    if (c.tag == Tag::Text)
        return pool[static_cast<size_t>(c.i)];
    return displayText(cellValue(c, pool));
}

std::optional<double> cellNumber(const Cell& c)
{
    constexpr qint64 kSerialEpoch = 2415019; // Julian day of 1899-12-30
    switch (c.tag) {
    case Tag::Double: return c.d;
    case Tag::Long:
    case Tag::Bool: return double(c.i);
    case Tag::Date: return double(c.i - kSerialEpoch);
    case Tag::Time: return c.i / double(kMsPerDay);
    case Tag::DateTime: return double(c.i / kMsPerDay - kSerialEpoch) + (c.i % kMsPerDay) / double(kMsPerDay);
    case Tag::Null:
    case Tag::Text: break;
    }
    return std::nullopt;
}

} // namespace rv::store::detail
