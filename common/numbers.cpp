#include "common/numbers.h"

#include "common/decimal_digits.h"

#include <cmath>
#include <string>

namespace rv {

using detail::DecimalDigits;

double Round(double x, int d)
{
    if (!std::isfinite(x))
        return x;
    DecimalDigits digits = detail::toDecimalDigits(x);
    if (!detail::roundDecimal(digits, d, detail::HalfRule::ToEven))
        return x;  // nothing to drop: keep the value exactly as it was
    const double r = detail::toDouble(digits);
    return r == 0.0 ? 0.0 : r;
}

namespace {

bool isBlank(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

} // namespace

double Val(const QString& text)
{
    return leadingNumber(text).value_or(0.0);
}

std::optional<double> leadingNumber(const QString& text)
{
    // The classic leading-number parse: blanks, tabs and line feeds are
    // skipped wherever they stand, and the number ends at the first other
    // character that cannot continue it.
    std::string s;
    int i = 0;
    const int n = int(text.size());
    auto skipBlanks = [&] {
        while (i < n && isBlank(text[i]))
            ++i;
    };
    skipBlanks();
    if (i < n && (text[i] == u'-' || text[i] == u'+')) {
        s.push_back(char(text[i].unicode()));
        ++i;
    }
    bool anyDigit = false;
    bool seenPoint = false;
    for (;; ++i) {
        skipBlanks();
        if (i >= n)
            break;
        const QChar c = text[i];
        if (isDigit(c)) {
            s.push_back(char(c.unicode()));
            anyDigit = true;
        } else if (c == u'.' && !seenPoint) {
            s.push_back('.');
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!anyDigit)
        return std::nullopt;
    // An exponent counts only when at least one digit follows its letter.
    if (i < n) {
        const QChar c = text[i];
        if (c == u'e' || c == u'E' || c == u'd' || c == u'D') {
            int j = i + 1;
            std::string e = "e";
            while (j < n && isBlank(text[j]))
                ++j;
            if (j < n && (text[j] == u'-' || text[j] == u'+')) {
                e.push_back(char(text[j].unicode()));
                ++j;
            }
            bool expDigit = false;
            for (;; ++j) {
                while (j < n && isBlank(text[j]))
                    ++j;
                if (j >= n || !isDigit(text[j]))
                    break;
                e.push_back(char(text[j].unicode()));
                expDigit = true;
            }
            if (expDigit)
                s += e;
        }
    }
    if (s.back() == '.')
        s.pop_back();
    double v = 0.0;
    if (!detail::parsePlainDecimal(s, v))
        return std::nullopt;  // out of the double range
    return v;
}

namespace {

// Checks the typed-number grammar and gives the plain text (commas removed)
// that the C conversion reads.
bool plainNumber(const QString& text, std::string& out)
{
    const QString t = text.trimmed();
    const int n = int(t.size());
    int i = 0;
    out.clear();
    if (i < n && (t[i] == u'-' || t[i] == u'+'))
        out.push_back(char(t[i++].unicode()));

    // Integer part: plain digits, or 1-3 digits followed by groups of ",ddd".
    int intDigits = 0;
    int groupLen = 0;
    bool grouped = false;
    while (i < n) {
        const QChar c = t[i];
        if (isDigit(c)) {
            out.push_back(char(c.unicode()));
            ++intDigits;
            ++groupLen;
            if (grouped && groupLen > 3)
                return false;
        } else if (c == u',') {
            if (intDigits == 0 || (grouped ? groupLen != 3 : groupLen > 3))
                return false;
            grouped = true;
            groupLen = 0;
        } else {
            break;
        }
        ++i;
    }
    if (grouped && groupLen != 3)
        return false;

    int fracDigits = 0;
    if (i < n && t[i] == u'.') {
        out.push_back('.');
        ++i;
        while (i < n && isDigit(t[i])) {
            out.push_back(char(t[i++].unicode()));
            ++fracDigits;
        }
    }
    if (intDigits + fracDigits == 0)
        return false;

    if (i < n && (t[i] == u'e' || t[i] == u'E')) {
        out.push_back('e');
        ++i;
        if (i < n && (t[i] == u'-' || t[i] == u'+'))
            out.push_back(char(t[i++].unicode()));
        int expDigits = 0;
        while (i < n && isDigit(t[i])) {
            out.push_back(char(t[i++].unicode()));
            ++expDigits;
        }
        if (expDigits == 0)
            return false;
    }
    return i == n;
}

} // namespace

std::optional<double> toNumber(const QString& text)
{
    std::string plain;
    if (!plainNumber(text, plain))
        return std::nullopt;
    if (plain.back() == '.')
        plain.pop_back();
    double v = 0.0;
    if (!detail::parsePlainDecimal(plain, v))
        return std::nullopt;
    return v;
}

bool IsNumeric(const QString& text)
{
    return toNumber(text).has_value();
}

void appendNumberText(std::string& s, double v)
{
    if (std::isnan(v))
        return void(s += "NaN");
    if (std::isinf(v))
        return void(s += v < 0 ? "-Infinity" : "Infinity");
    const DecimalDigits d = detail::toDecimalDigits(v);
    if (d.isZero())
        return void(s += '0');
    const int exp10 = d.pointPos - 1;
    if (d.negative)
        s.push_back('-');
    if (exp10 >= 15 || exp10 < -4) {
        // Scientific form as the classic runtime writes it: 1.5E+20, 1E-05.
        s.push_back(d.digits[0]);
        if (d.digits.size() > 1) {
            s.push_back('.');
            s.append(d.digits, 1, std::string::npos);
        }
        s.push_back('E');
        s.push_back(exp10 < 0 ? '-' : '+');
        const int a = std::abs(exp10);
        if (a < 10)
            s.push_back('0');
        s += std::to_string(a);
    } else if (d.pointPos <= 0) {
        s += "0.";
        s.append(size_t(-d.pointPos), '0');
        s += d.digits;
    } else if (size_t(d.pointPos) >= d.digits.size()) {
        s += d.digits;
        s.append(size_t(d.pointPos) - d.digits.size(), '0');
    } else {
        s.append(d.digits, 0, size_t(d.pointPos));
        s.push_back('.');
        s.append(d.digits, size_t(d.pointPos), std::string::npos);
    }
}

QString numberText(double v)
{
    std::string s;
    appendNumberText(s, v);
    return QString::fromStdString(s);
}

} // namespace rv
