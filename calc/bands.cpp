#include "calc/bands.h"

#include "common/numbers.h"

#include <cmath>

namespace rv::calc {

namespace {

bool in(double v, double from, double to)
{
    return v >= from && v <= to;
}

// A rounded value plus a short step, kept to the two decimals it is written
// with (2.2 + 0.1 gives 2.3, not 2.3000000000000003).
double plus(double rounded, double step)
{
    return std::round((rounded + step) * 100) / 100;
}

} // namespace

AxisBand timeAxisBand(double hi)
{
    if (in(hi, 0, 0.099))
        return {0.01, 0.1};
    if (in(hi, 0.1, 0.99))
        return {0.1, 1};
    if (in(hi, 1, 1.99))
        return {0.1, plus(Round(hi, 1), 0.05)};
    if (in(hi, 2, 2.99))
        return {0.1, plus(Round(hi, 1), 0.1)};
    if (in(hi, 3, 9.99))
        return {0.5, plus(Round(hi, 1), 0.5)};
    if (in(hi, 10, 15.99))
        return {1, Round(hi, 0) + 1};
    if (in(hi, 16, 30))
        return {2, Round(hi, 0) + 2};
    return {10, Round(hi, 0) + 5};
}

AxisBand lengthAxisBand(double m)
{
    if (in(m, 0, 0.099))
        return {0.01, 0.1};
    if (in(m, 0.1, 0.99))
        return {0.1, 1};
    if (in(m, 1, 1.99))
        return {0.1, plus(Round(m, 1), 0.05)};
    if (in(m, 2, 2.99))
        return {0.1, plus(Round(m, 1), 0.1)};
    if (in(m, 3, 9.99))
        return {0.5, plus(Round(m, 1), 0.5)};
    struct Row {
        double from, to, increment, maximum;
    };
    static constexpr Row rows[] = {
        {10, 14.99, 1, 15},   {15, 19.99, 2, 20},   {20, 29.99, 2, 30},   {30, 39.99, 5, 40},
        {40, 49.99, 5, 50},   {50, 59.99, 5, 60},   {60, 69.99, 10, 70},  {70, 79.99, 10, 80},
        {80, 89.99, 10, 90},  {90, 99.99, 10, 100}, {100, 119.99, 10, 120}, {120, 125, 10, 130},
    };
    for (const Row& r : rows) {
        if (in(m, r.from, r.to))
            return {r.increment, r.maximum};
    }
    return {10, Round(m, 0) + 0.0};
}

double axisMinimum(double lo)
{
    return lo < 0 ? Round(lo, 2) : 0.0;
}

double distanceAxisMaximum(double largestX)
{
    return largestX >= 1 ? std::floor(largestX + 0.999) : 1.0;
}

} // namespace rv::calc
