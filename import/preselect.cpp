#include "import/preselect.h"
#include "common/dates.h"
#include "common/numbers.h"

#include <array>
#include <cmath>

namespace rv::importing {

namespace {

qint64 hourIndex(const QDateTime& t)
{
    return t.date().toJulianDay() * 24 + t.time().hour();
}

const std::array<DateLayout, 3> kLayouts = {DateLayout::YearFirst, DateLayout::DayFirst, DateLayout::MonthFirst};

// Whether the row's date is written in layout. The general parser behind
// the year-first layout also reads dates with the year last (swapping day
// and month where it must), so for the question "is this file written year
// first" only a date that starts with its year counts.
bool writtenIn(QStringView slug, DateLayout layout)
{
    if (slug == kNoTimeMarker || !slugDateTime(slug, layout))
        return false;
    if (layout != DateLayout::YearFirst)
        return true;
    const QStringView t = slug.trimmed();
    const qsizetype start = t.startsWith(u'#') ? 1 : 0;
    if (t.size() < start + 5)
        return false;
    for (qsizetype k = start; k < start + 4; ++k)
        if (!t[k].isDigit())
            return false;
    return !t[start + 4].isDigit();
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

std::optional<QDateTime> slugDateTime(QStringView slugDate, DateLayout layout)
{
    const auto stamp = readingStamp(QString(), slugDate, layout);
    if (!stamp)
        return std::nullopt;
    return stamp->full;
}

QString layoutName(DateLayout layout)
{
    switch (layout) {
    case DateLayout::DayFirst:
        return QStringLiteral("DD/MM/YYYY");
    case DateLayout::MonthFirst:
        return QStringLiteral("MM/DD/YYYY");
    case DateLayout::YearFirst:
        break;
    }
    return QStringLiteral("YYYY/MM/DD");
}

std::optional<DateLayout> layoutFromName(const QString& name)
{
    for (DateLayout l : kLayouts)
        if (layoutName(l) == name.trimmed())
            return l;
    return std::nullopt;
}

Preselection preselectRows(const ReadoutRecords& records, int spacingHours, DateLayout layout,
                           const QDateTime& now)
{
    const int n = records.recordCount();
    Preselection out;
    out.ticked.assign(static_cast<size_t>(n), 0);
    out.future.assign(static_cast<size_t>(n), 0);
    const QDateTime latest = now.isValid() ? now.addSecs(kFutureSlackSecs) : QDateTime();
    std::optional<QDateTime> last;
    for (int r = 0; r < n; ++r) {
        const QStringView slug = records.fieldView(r, 0);
        if (slug == kNoTimeMarker)
            continue;
        const auto when = slugDateTime(slug, layout);
        if (!when)
            continue;
        // One reading from a logger whose clock jumped years ahead must not
        // stand as "the last offered" and hide every reading after it.
        if (latest.isValid() && *when > latest) {
            out.future[static_cast<size_t>(r)] = 1;
            continue;
        }
        if (last && hourBoundaries(*last, *when) < spacingHours)
            continue;
        out.ticked[static_cast<size_t>(r)] = 1;
        last = when;
    }
    return out;
}

std::vector<char> preselect(const ReadoutRecords& records, int spacingHours, DateLayout layout)
{
    return preselectRows(records, spacingHours, layout, clockAsWritten()).ticked;
}

QDateTime clockAsWritten()
{
    const QDateTime local = QDateTime::currentDateTime();
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

std::vector<DateLayout> betterLayouts(const ReadoutRecords& records, DateLayout selected)
{
    const int n = records.recordCount();
    int considered = 0;
    std::array<int, 3> reads{};
    for (int r = 0; r < n; ++r) {
        const QStringView slug = records.fieldView(r, 0);
        std::array<bool, 3> in{};
        bool any = false;
        for (size_t k = 0; k < kLayouts.size(); ++k) {
            in[k] = writtenIn(slug, kLayouts[k]);
            any = any || in[k];
        }
        // A header line or the marker is read by none and says nothing.
        if (!any)
            continue;
        ++considered;
        for (size_t k = 0; k < kLayouts.size(); ++k)
            reads[k] += in[k] ? 1 : 0;
    }
    std::vector<DateLayout> out;
    const int selectedReads = reads[static_cast<size_t>(selected)];
    if (considered == 0 || selectedReads * 2 >= considered)
        return out;
    for (size_t k = 0; k < kLayouts.size(); ++k)
        if (kLayouts[k] != selected && reads[k] == considered)
            out.push_back(kLayouts[k]);
    return out;
}

int spacingHours(const QString& text)
{
    const double v = Val(text);
    if (!std::isfinite(v))
        return 0;
    return static_cast<int>(std::trunc(v));
}

} // namespace rv::importing
