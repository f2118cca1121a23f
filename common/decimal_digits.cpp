#include "common/decimal_digits.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <system_error>

namespace rv::detail {

namespace {

// Fills d from a scientific text ("-1.25e+02") of [p, end).
void fromScientific(DecimalDigits& d, const char* p, const char* end)
{
    if (p < end && *p == '-') {
        d.negative = true;
        ++p;
    }
    const char* e = p;
    while (e < end && *e != 'e')
        ++e;
    for (const char* k = p; k < e; ++k)
        if (*k != '.')
            d.digits.push_back(*k);
    int exp10 = 0;
    if (e < end)
        std::from_chars(e + 1 + (e[1] == '+' ? 1 : 0), end, exp10);
    d.pointPos = exp10 + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
}

} // namespace

DecimalDigits toDecimalDigits(double v, int significant)
{
    DecimalDigits d;
    if (v == 0.0 || !std::isfinite(v))
        return d;
    char buf[64];
    // (Not for the subnormal numbers, whose last place is far coarser.)
    if (significant <= 15 && std::fabs(v) >= std::numeric_limits<double>::min()) {
        // The shortest digits that read back as v. When there are no more of
        // them than asked for, they are also v rounded to that many digits:
        // v lies within half a unit in the last place of a double of them,
        // far less than half a unit of the 15th significant digit. Found far
        // quicker than a rounding to a fixed number of digits.
        const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific);
        int digits = 0;
        for (const char* k = buf; k < res.ptr && *k != 'e'; ++k)
            digits += (*k >= '0' && *k <= '9') ? 1 : 0;
        if (digits <= significant) {
            fromScientific(d, buf, res.ptr);
            return d;
        }
    }
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific, significant - 1);
    fromScientific(d, buf, res.ptr);
    return d;
}

bool roundDecimal(DecimalDigits& d, int decimals, HalfRule rule)
{
    const long keep = long(d.pointPos) + decimals;
    if (keep >= long(d.digits.size()))
        return false;
    if (keep < 0) {
        // Even the first digit lies below half a unit of the last kept place.
        d.digits.clear();
        return true;
    }
    const std::string dropped = d.digits.substr(size_t(keep));
    std::string kept = d.digits.substr(0, size_t(keep));
    bool up = false;
    if (dropped[0] > '5') {
        up = true;
    } else if (dropped[0] == '5') {
        const bool exactHalf = dropped.find_first_not_of('0', 1) == std::string::npos;
        if (!exactHalf || rule == HalfRule::AwayFromZero)
            up = true;
        else
            up = !kept.empty() && ((kept.back() - '0') % 2 == 1);
    }
    if (up) {
        int i = int(kept.size()) - 1;
        while (i >= 0 && kept[size_t(i)] == '9') {
            kept[size_t(i)] = '0';
            --i;
        }
        if (i >= 0) {
            ++kept[size_t(i)];
        } else {
            kept.insert(kept.begin(), '1');
            ++d.pointPos;
        }
    }
    while (!kept.empty() && kept.back() == '0')
        kept.pop_back();
    d.digits = kept;
    return true;
}

double toDouble(const DecimalDigits& d)
{
    if (d.digits.empty())
        return d.negative ? -0.0 : 0.0;
    std::string text;
    if (d.negative)
        text.push_back('-');
    text += "0.";
    text += d.digits;
    text += 'e';
    text += std::to_string(d.pointPos);
    double out = 0.0;
    parsePlainDecimal(text, out);
    return out;
}

bool parsePlainDecimal(const std::string& text, double& out)
{
    if (text.empty())
        return false;
    const char* first = text.data();
    const char* last = first + text.size();
    // from_chars refuses a leading '+'.
    if (*first == '+')
        ++first;
    double v = 0.0;
    const auto res = std::from_chars(first, last, v, std::chars_format::general);
    if (res.ptr != last)
        return false;
    if (res.ec == std::errc::result_out_of_range) {
        // A value too small for a double reads as zero; one too large is refused.
        const size_t e = text.find_first_of("eE");
        if (e == std::string::npos || e + 1 >= text.size() || text[e + 1] != '-')
            return false;
        v = (text[0] == '-') ? -0.0 : 0.0;
    } else if (res.ec != std::errc() || !std::isfinite(v)) {
        return false;
    }
    out = v;
    return true;
}

} // namespace rv::detail
