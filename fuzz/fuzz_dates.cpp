// The date parsers: the general one (boxes, criteria, stored texts) and the
// readout file's positional layouts, on arbitrary text.
#include "common/dates.h"
#include "common/format.h"
#include "import/readout_append.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    if (const auto d = rv::parseDate(text)) {
        const QDateTime dt = d->dateTime();
        (void)rv::generalDate(dt);
        (void)rv::Format(dt, QStringLiteral("yyyy/mm/dd hh:nn:ss"));
    }
    (void)rv::IsDate(text);
    using rv::importing::DateLayout;
    for (DateLayout layout : {DateLayout::YearFirst, DateLayout::DayFirst, DateLayout::MonthFirst})
        (void)rv::importing::readingStamp(QStringLiteral("250045001"), text, layout);
    return 0;
}
