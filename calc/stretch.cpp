#include "calc/stretch.h"

#include "common/numbers.h"

#include <algorithm>

namespace rv::calc {

Anchors readAnchors(bool headAtCollar, int numChannels, const std::array<QString, 7>& relAnchor)
{
    Anchors a;
    a.headAtCollar = headAtCollar;
    // There are boxes for six nodes, so at most five sections.
    a.sections = std::clamp(numChannels, 0, 5);
    for (size_t k = 1; k <= 6; ++k)
        a.r[k] = toNumber(relAnchor[k]);
    return a;
}

StretchResult CalcStretch(const Anchors& a, const SectionValues& zero)
{
    StretchResult out;
    for (int k = 1; k <= a.sections; ++k) {
        const auto& lo = a.r[size_t(k)];
        const auto& hi = a.r[size_t(k) + 1];
        if (!lo || !hi) {
            out.failedSection = k;
            return out;
        }
        const auto& z = zero[size_t(k)];
        if (!z)
            continue;
        const double s = (*z / 3) * (*hi - *lo);
        // Adding 0.0 turns a negative zero into 0, which is what is meant.
        out.stretch[size_t(k)] = (a.headAtCollar ? s : -s) + 0.0;
    }
    return out;
}

NodeValues CalcDisp(const Anchors& a, const SectionValues& stretch)
{
    NodeValues d;
    const int n = a.sections;
    auto sum = [](const std::optional<double>& x, const std::optional<double>& y) -> std::optional<double> {
        if (!x || !y)
            return std::nullopt;
        return *x + *y;
    };
    if (a.headAtCollar) {
        d[size_t(n) + 1] = 0.0;
        for (int k = n; k >= 1; --k)
            d[size_t(k)] = sum(d[size_t(k) + 1], stretch[size_t(k)]);
    } else {
        d[1] = 0.0;
        for (int k = 1; k <= n; ++k)
            d[size_t(k) + 1] = sum(d[size_t(k)], stretch[size_t(k)]);
    }
    return d;
}

} // namespace rv::calc
