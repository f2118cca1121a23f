#include "store/coltype.h"

#include "common/dates.h"
#include "common/numbers.h"
#include "store/sqlerror.h"

#include <QDate>
#include <QDateTime>
#include <QTime>
#include <cmath>

namespace rv::store {

QString declaredName(ColType t)
{
    switch (t) {
    case ColType::Text: return QStringLiteral("TEXT");
    case ColType::Double: return QStringLiteral("DOUBLE");
    case ColType::Long: return QStringLiteral("INTEGER");
    case ColType::YesNo: return QStringLiteral("YESNO");
    case ColType::Date: return QStringLiteral("DATE");
    case ColType::Time: return QStringLiteral("TIME");
    case ColType::DateTime: return QStringLiteral("DATETIME");
    }
    return QStringLiteral("TEXT");
}

ColType fromDeclared(const QString& declared)
{
    const QString d = declared.trimmed().toUpper();
    if (d == u"DOUBLE" || d == u"REAL" || d == u"FLOAT")
        return ColType::Double;
    if (d == u"INTEGER" || d == u"INT" || d == u"LONG")
        return ColType::Long;
    if (d == u"YESNO" || d == u"BOOLEAN")
        return ColType::YesNo;
    if (d == u"DATE")
        return ColType::Date;
    if (d == u"TIME")
        return ColType::Time;
    if (d == u"DATETIME")
        return ColType::DateTime;
    return ColType::Text;
}

namespace {

bool isNumberType(int id)
{
    switch (id) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return false;
    }
}

bool isTextType(int id)
{
    return id == QMetaType::QString || id == QMetaType::QByteArray || id == QMetaType::QChar;
}

// The number a value stands for, as the classic engine converts it:
// True is -1, numeric text through the shared number rules.
double numberOf(const QVariant& v, int id)
{
    if (isNumberType(id))
        return v.toDouble();
    if (id == QMetaType::Bool)
        return v.toBool() ? -1.0 : 0.0;
    if (isTextType(id)) {
        if (const auto n = toNumber(v.toString()))
            return *n;
    }
    throw detail::typeMismatch();
}

QVariant toYesNo(const QVariant& v, int id)
{
    if (id == QMetaType::Bool)
        return v.toBool();
    if (isNumberType(id))
        return v.toDouble() != 0.0;
    if (isTextType(id)) {
        const QString s = v.toString().trimmed();
        for (const char* yes : {"true", "yes", "on"})
            if (s.compare(QLatin1String(yes), Qt::CaseInsensitive) == 0)
                return true;
        for (const char* no : {"false", "no", "off"})
            if (s.compare(QLatin1String(no), Qt::CaseInsensitive) == 0)
                return false;
        if (const auto n = toNumber(s))
            return *n != 0.0;
    }
    throw detail::typeMismatch();
}

std::optional<ParsedDate> parsedOf(const QVariant& v, int id)
{
    if (isTextType(id))
        return parseDate(v.toString());
    return std::nullopt;
}

QVariant toDate(const QVariant& v, int id)
{
    if (id == QMetaType::QDate && v.toDate().isValid())
        return v.toDate();
    if (id == QMetaType::QDateTime && v.toDateTime().isValid())
        return v.toDateTime().date();
    if (const auto p = parsedOf(v, id); p && p->hasDate)
        return p->date;
    throw detail::typeMismatch();
}

QVariant toTime(const QVariant& v, int id)
{
    if (id == QMetaType::QTime && v.toTime().isValid())
        return v.toTime();
    if (id == QMetaType::QDateTime && v.toDateTime().isValid())
        return v.toDateTime().time();
    if (const auto p = parsedOf(v, id); p && p->hasTime)
        return p->time;
    throw detail::typeMismatch();
}

QVariant toDateTime(const QVariant& v, int id)
{
    if (id == QMetaType::QDateTime && v.toDateTime().isValid())
        return v.toDateTime();
    if (id == QMetaType::QDate && v.toDate().isValid())
        return QDateTime(v.toDate(), QTime(0, 0));
    if (id == QMetaType::QTime && v.toTime().isValid())
        return QDateTime(QDate(1899, 12, 30), v.toTime());
    if (const auto p = parsedOf(v, id))
        return p->dateTime();
    throw detail::typeMismatch();
}

QString toText(const QVariant& v, int id)
{
    switch (id) {
    case QMetaType::QString: return v.toString();
    case QMetaType::Bool: return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    case QMetaType::Double:
    case QMetaType::Float: return numberText(v.toDouble());
    case QMetaType::QDate: return shortDate(v.toDate());
    case QMetaType::QTime: return timeText(v.toTime());
    case QMetaType::QDateTime: return shortDate(v.toDateTime().date()) + u' ' + timeText(v.toDateTime().time());
    default: break;
    }
    if (isNumberType(id) || isTextType(id))
        return v.toString();
    throw detail::typeMismatch();
}

} // namespace

QVariant convertForColumn(const QVariant& v, ColType t)
{
    if (!v.isValid() || v.isNull())
        return QVariant();
    const int id = v.metaType().id();
    if (t == ColType::Text)
        return toText(v, id);
    // An empty text clears any other column, as an emptied box does.
    if (isTextType(id) && v.toString().trimmed().isEmpty())
        return QVariant();
    switch (t) {
    case ColType::Double:
        return numberOf(v, id);
    case ColType::Long: {
        const double x = numberOf(v, id);
        // Whole-number columns round to the even neighbour, like the classic
        // engine's conversion to a Long.
        const double r = std::nearbyint(x);
        if (!std::isfinite(r) || r < -9.2e18 || r > 9.2e18)
            throw detail::typeMismatch();
        return static_cast<qint64>(r);
    }
    case ColType::YesNo: return toYesNo(v, id);
    case ColType::Date: return toDate(v, id);
    case ColType::Time: return toTime(v, id);
    case ColType::DateTime: return toDateTime(v, id);
    case ColType::Text: break;
    }
    return QVariant();
}

} // namespace rv::store
