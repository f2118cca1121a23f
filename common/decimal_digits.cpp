#include "common/decimal_digits.h"

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <system_error>

namespace rv::detail {

DecimalDigits toDecimalDigits(double v, int significant)
{
    DecimalDigits d;
    if (v == 0.0 || !std::isfinite(v))
        return d;
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::scientific,
                                   significant - 1);
    const std::string text(buf, res.ptr);
    size_t i = 0;
    if (text[i] == '-') {
        d.negative = true;
        ++i;
    }
    const size_t ePos = text.find('e');
    for (size_t k = i; k < ePos; ++k)
        if (text[k] != '.')
            d.digits.push_back(text[k]);
    const int exp10 = std::atoi(text.c_str() + ePos + 1);
    d.pointPos = exp10 + 1;
    while (!d.digits.empty() && d.digits.back() == '0')
        d.digits.pop_back();
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
