// The filter and find criteria: parsed, bound to the columns of a reading
// table and written as SQL, on arbitrary text; and the statement parser.
#include "store/criteria.h"
#include "store/dberror.h"
#include "store/dialect.h"

#include <cstddef>
#include <cstdint>

using namespace rv::store;
using namespace rv::store::detail;

namespace {

std::vector<ColumnInfo> columns()
{
    std::vector<ColumnInfo> c;
    auto add = [&](const char* name, ColType t) {
        ColumnInfo i;
        i.name = QString::fromLatin1(name);
        i.type = t;
        c.push_back(i);
    };
    add("DateTimeKey", ColType::Text);
    add("ReadingDate", ColType::Date);
    add("ReadingTime", ColType::Time);
    add("Channel1", ColType::Double);
    add("FullDate", ColType::DateTime);
    add("Plottemporal", ColType::YesNo);
    add("SensorType", ColType::Text);
    add("TimeConfig", ColType::Long);
    return c;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::vector<ColumnInfo> cols = columns();
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    try {
        const Criteria c = parseCriteria(text);
        const BoundCriteria b = bindCriteria(c, cols, [](const QString& f) {
            for (size_t k = 0; k < cols.size(); ++k)
                if (cols[k].name.compare(f, Qt::CaseInsensitive) == 0)
                    return static_cast<int>(k);
            return -1;
        });
        (void)sqlWhere(b, cols);
    } catch (const DbError&) {
        // A malformed criterion is refused: that is the expected answer.
    }
    try {
        (void)parseStatement(text);
    } catch (const DbError&) {
    }
    return 0;
}
