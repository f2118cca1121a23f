// The number readers and formatters on arbitrary text: the first line is
// the number, a second line (when there is one) a format picture.
#include "common/format.h"
#include "common/numbers.h"

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString all = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype nl = all.indexOf(QLatin1Char('\n'));
    const QString text = nl < 0 ? all : all.left(nl);
    const QString picture = nl < 0 ? QStringLiteral("##0.00") : all.mid(nl + 1).left(40);
    const double v = rv::Val(text);
    (void)rv::IsNumeric(text);
    if (const auto n = rv::toNumber(text)) {
        (void)rv::numberText(*n);
        (void)rv::Round(*n, 2);
    }
    if (std::isfinite(v)) {
        (void)rv::numberText(v);
        (void)rv::Format(v, picture);
    }
    (void)rv::Format(text, picture);
    return 0;
}
