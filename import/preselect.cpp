#include "import/preselect.h"
#include "common/dates.h"
#include "common/numbers.h"

#include <cmath>

namespace rv::importing {

namespace {

qint64 hourIndex(const QDateTime& t)
{
    return t.date().toJulianDay() * 24 + t.time().hour();
}

} // namespace

qint64 hourBoundaries(const QDateTime& a, const QDateTime& b)
{
    return hourIndex(b) - hourIndex(a);
}

std::optional<QDateTime> slugDateTime(QStringView slugDate)
{
    const auto parsed = parseDate(slugDate.toString());
    if (!parsed || !parsed->hasDate)
        return std::nullopt;
    // Kept as written: a local clock's gaps and repeats must not move it.
    return QDateTime(parsed->date, parsed->hasTime ? parsed->time : QTime(0, 0), Qt::UTC);
}

std::vector<char> preselect(const ReadoutRecords& records, int spacingHours)
{
    const int n = records.recordCount();
    std::vector<char> ticked(static_cast<size_t>(n), 0);
    std::optional<QDateTime> last;
    for (int r = 0; r < n; ++r) {
        const QStringView slug = records.fieldView(r, 0);
        if (slug == kNoTimeMarker)
            continue;
        const auto when = slugDateTime(slug);
        if (!when)
            continue;
        if (last && hourBoundaries(*last, *when) < spacingHours)
            continue;
        ticked[static_cast<size_t>(r)] = 1;
        last = when;
    }
    return ticked;
}

int spacingHours(const QString& text)
{
    const double v = Val(text);
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::trunc(v));
}

} // namespace rv::importing
