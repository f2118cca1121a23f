// The readout file parser on arbitrary bytes, every row's date read in the
// three layouts and every channel read as the append reads it.
#include "import/readout_append.h"
#include "import/readout_file.h"

#include <cstddef>
#include <cstdint>

using namespace rv::importing;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const ReadoutRecords r = parseReadout(bytes);
    for (int row = 0; row < r.recordCount() && row < 64; ++row) {
        for (int f = 0; f < kReadoutFields; ++f)
            (void)r.fieldView(row, f).size();
        for (DateLayout layout : {DateLayout::YearFirst, DateLayout::DayFirst, DateLayout::MonthFirst})
            (void)readingStamp(QStringLiteral("250045001"), r.fieldView(row, 0), layout);
        for (int f = 1; f < kReadoutFields; ++f)
            (void)channelValue(r.fieldView(row, f), QStringLiteral("##0.00"));
    }
    return 0;
}
