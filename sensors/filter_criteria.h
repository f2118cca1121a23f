#pragma once
// Turning the filter boxes of the Utilities page into the catalogue's filter text.
#include <QString>

namespace rv::sensors {

struct FilterInput {
    QString typeText;      // txtFilterType
    QString level;         // txtFilterLevel
    QString location;      // txtFilterLocation
    QString start;         // txtStartDate, as typed
    QString end;           // txtEndDate, as typed
    bool hideDestroyed = false;
};

struct FilterBuild {
    enum class Outcome { Ok, BadType, BadStart, BadEnd, NoCriteria } outcome = Outcome::Ok;
    QString criteria;
};

// The type code of a filter type text: "45: x3TENDON" or "45" give "45", an
// empty text gives "", anything else a null text.
QString filterTypeCode(const QString& typeText);

// today is the short-date text that completes a range given only its start.
FilterBuild buildFilterCriteria(const FilterInput& in, const QString& today);

// The messages of the refusals.
QString filterRefusalText(FilterBuild::Outcome o);

} // namespace rv::sensors
