#pragma once
// The decimal digits of a double as the classic runtime writes it (15
// significant digits), and decimal rounding on those digits. Rounding the
// written digits rather than the binary value is what makes 1.005 round to
// 1.01 and 2.675 to 2.68, as users expect from the figures they typed.
#include <string>

namespace rv::detail {

struct DecimalDigits {
    bool negative = false;
    std::string digits;  // significant digits, no leading or trailing zeros; empty for zero
    int pointPos = 0;    // number of digits before the decimal point (may be <= 0 or > size)

    bool isZero() const { return digits.empty(); }
};

enum class HalfRule { AwayFromZero, ToEven };

// v must be finite.
DecimalDigits toDecimalDigits(double v, int significant = 15);

// Rounds to `decimals` places after the point. Returns false when nothing had
// to be dropped (the digits are unchanged).
bool roundDecimal(DecimalDigits& d, int decimals, HalfRule rule);

double toDouble(const DecimalDigits& d);

// Parses plain decimal text ("-12.5e3", no blanks or commas) with the C
// locale; false when it is not such a text or is out of the double range.
bool parsePlainDecimal(const std::string& text, double& out);

} // namespace rv::detail
