#include "sensors/filter_criteria.h"
#include "common/dates.h"
#include <QRegularExpression>
#include <QStringList>

namespace rv::sensors {

QString filterTypeCode(const QString& typeText)
{
    const QString t = typeText.trimmed();
    if (t.isEmpty())
        return QString("");
    static const QStringList items = {"25: x1TENDON", "45: x3TENDON", "55: x4TENDON", "65: x5TENDON"};
    static const QStringList codes = {"25", "45", "55", "65"};
    for (int i = 0; i < items.size(); ++i)
        if (t == items[i] || t == codes[i])
            return codes[i];
    return QString();
}

namespace {

// User text inside a quoted criterion: a quote is doubled so it cannot end
// the literal early.
QString escaped(const QString& s)
{
    QString r = s;
    r.replace('\'', "''");
    return r;
}

// A typed date as it goes into the criterion. The plain year-first forms go
// in as typed; any other form the user may type (day or month first, with a
// time) is delimited as a date literal so that it is read as one date.
QString dateLiteral(const QString& typed)
{
    static const QRegularExpression plain(R"(^\s*\d{4}[/-]\d{1,2}[/-]\d{1,2}\s*$)");
    static const QRegularExpression delimited(R"(^\s*#.*#\s*$)");
    if (plain.match(typed).hasMatch() || delimited.match(typed).hasMatch())
        return typed.trimmed();
    return "#" + typed.trimmed() + "#";
}

} // namespace

FilterBuild buildFilterCriteria(const FilterInput& in, const QString& today)
{
    FilterBuild out;
    const QString T = filterTypeCode(in.typeText);
    if (T.isNull()) {
        out.outcome = FilterBuild::Outcome::BadType;
        return out;
    }
    const QString L = in.level.trimmed();
    const QString O = in.location.trimmed();
    QString S = in.start;
    QString E = in.end;
    if (!S.isEmpty() && !IsDate(S)) {
        out.outcome = FilterBuild::Outcome::BadStart;
        return out;
    }
    if (!E.isEmpty() && !IsDate(E)) {
        out.outcome = FilterBuild::Outcome::BadEnd;
        return out;
    }
    if (!S.isEmpty() && E.isEmpty())
        E = today;
    else if (!E.isEmpty() && S.isEmpty())
        S = "1999/01/01";

    if (T.isEmpty() && L.isEmpty() && O.isEmpty() && S.isEmpty()) {
        if (!in.hideDestroyed) {
            out.outcome = FilterBuild::Outcome::NoCriteria;
            return out;
        }
        out.criteria = "Destroyed = 'No'";
        return out;
    }

    QStringList pieces;
    if (in.hideDestroyed)
        pieces << "Destroyed = 'No'";
    if (!T.isEmpty())
        pieces << "SensorType ='" + T + "'";
    const QString levelPiece = "Level ='" + escaped(L) + "'";
    const QString locationPiece = "Location ='" + escaped(O) + "'";
    if (!L.isEmpty() && !O.isEmpty() && T.isEmpty() && !in.hideDestroyed) {
        pieces << locationPiece << levelPiece;
    } else {
        if (!L.isEmpty())
            pieces << levelPiece;
        if (!O.isEmpty())
            pieces << locationPiece;
    }
    if (!S.isEmpty())
        pieces << "InstallDate >= " + dateLiteral(S) + " AND InstallDate <= " + dateLiteral(E);
    out.criteria = pieces.join(" AND ");
    return out;
}

QString filterRefusalText(FilterBuild::Outcome o)
{
    switch (o) {
    case FilterBuild::Outcome::BadType:
        return "Sensor Type is not recognized\n\nPlease choose a sensor from the list, or enter the 2 digit sensor #";
    case FilterBuild::Outcome::BadStart:
        return "Start date is not a valid date\nPlease enter a date in the format yyyy/mm/dd";
    case FilterBuild::Outcome::BadEnd:
        return "End date is not a valid date\nPlease enter a date in the format yyyy/mm/dd";
    case FilterBuild::Outcome::NoCriteria:
        return "You must enter criteria to filter sensors on";
    case FilterBuild::Outcome::Ok:
        break;
    }
    return QString();
}

} // namespace rv::sensors
