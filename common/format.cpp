#include "common/format.h"

#include "common/dates.h"
#include "common/decimal_digits.h"
#include "common/numbers.h"

#include <QLocale>
#include <cmath>
#include <string>
#include <vector>

namespace rv {

namespace {

bool isNumberPicture(const QString& picture)
{
    if (picture.isEmpty())
        return false;
    for (QChar c : picture)
        if (c != u'#' && c != u'0' && c != u'.' && c != u',')
            return false;
    return true;
}

struct NumberPicture {
    int minInt = 0;     // "0" places before the point
    int minDec = 0;     // "0" places after the point
    int maxDec = 0;     // all places after the point
    bool grouping = false;
};

NumberPicture readNumberPicture(const QString& picture)
{
    NumberPicture p;
    const qsizetype point = picture.indexOf(u'.');
    const QString intPart = point < 0 ? picture : picture.left(point);
    const QString decPart = point < 0 ? QString() : picture.mid(point + 1);
    for (QChar c : intPart) {
        if (c == u'0')
            ++p.minInt;
        else if (c == u',')
            p.grouping = true;
    }
    // The leftmost "0" sets how many integer digits are always shown.
    const qsizetype firstZero = intPart.indexOf(u'0');
    if (firstZero >= 0) {
        p.minInt = 0;
        for (qsizetype i = firstZero; i < intPart.size(); ++i)
            if (intPart[i] == u'0' || intPart[i] == u'#')
                ++p.minInt;
    }
    // Decimals: up to the last "0" they are required, the rest optional.
    int places = 0;
    for (QChar c : decPart) {
        if (c == u'0' || c == u'#') {
            ++places;
            if (c == u'0')
                p.minDec = places;
        }
    }
    p.maxDec = places;
    return p;
}

QString formatNumber(double value, const QString& picture)
{
    if (!std::isfinite(value))
        return numberText(value);
    const NumberPicture p = readNumberPicture(picture);
    detail::DecimalDigits d = detail::toDecimalDigits(value);
    detail::roundDecimal(d, p.maxDec, detail::HalfRule::AwayFromZero);

    std::string intDigits;
    std::string decDigits;
    if (!d.isZero()) {
        const long size = long(d.digits.size());
        for (long i = 0; i < d.pointPos; ++i)
            intDigits.push_back(i < size ? d.digits[size_t(i)] : '0');
        for (long i = d.pointPos; i < size; ++i)
            if (i >= 0)
                decDigits.push_back(d.digits[size_t(i)]);
        if (d.pointPos < 0)
            decDigits.insert(0, size_t(-d.pointPos), '0');
    }
    if (int(intDigits.size()) < p.minInt)
        intDigits.insert(0, size_t(p.minInt) - intDigits.size(), '0');
    if (int(decDigits.size()) < p.minDec)
        decDigits.append(size_t(p.minDec) - decDigits.size(), '0');
    if (p.grouping) {
        for (long i = long(intDigits.size()) - 3; i > 0; i -= 3)
            intDigits.insert(size_t(i), 1, ',');
    }

    if (intDigits.empty() && decDigits.empty())
        return QStringLiteral("0");
    std::string s;
    // A value that rounds to zero shows no minus sign.
    if (d.negative && !d.isZero())
        s.push_back('-');
    s += intDigits;
    if (!decDigits.empty()) {
        s.push_back('.');
        s += decDigits;
    }
    return QString::fromStdString(s);
}

bool isDatePicture(const QString& picture)
{
    for (QChar c : picture) {
        const QChar l = c.toLower();
        if (l == u'y' || l == u'm' || l == u'd' || l == u'h' || l == u'n' || l == u's')
            return true;
    }
    return false;
}

QString pad2(int v)
{
    return QStringLiteral("%1").arg(v, 2, 10, QLatin1Char('0'));
}

// Date and time pictures: y year, m month (minutes right after an hour or
// right before seconds), d day, h hour (24-hour clock), n minute, s second;
// letters are case-insensitive. Anything else is written as it stands.
QString formatDateTime(const QDate& date, const QTime& time, const QString& picture)
{
    struct Token {
        QChar letter;  // lower case; null for literal text
        int count = 0;
        QString literal;
    };
    std::vector<Token> tokens;
    for (qsizetype i = 0; i < picture.size();) {
        const QChar c = picture[i].toLower();
        if (c == u'y' || c == u'm' || c == u'd' || c == u'h' || c == u'n' || c == u's') {
            qsizetype j = i;
            while (j < picture.size() && picture[j].toLower() == c)
                ++j;
            tokens.push_back({c, int(j - i), QString()});
            i = j;
        } else if (c == u'\\' && i + 1 < picture.size()) {
            tokens.push_back({QChar(), 0, QString(picture[i + 1])});
            i += 2;
        } else {
            tokens.push_back({QChar(), 0, QString(picture[i])});
            ++i;
        }
    }
    // Decide which "m" runs are minutes.
    QChar lastField;
    for (size_t k = 0; k < tokens.size(); ++k) {
        Token& t = tokens[k];
        if (t.letter.isNull())
            continue;
        if (t.letter == u'm' && t.count <= 2) {
            bool beforeSeconds = false;
            for (size_t j = k + 1; j < tokens.size(); ++j) {
                if (tokens[j].letter.isNull())
                    continue;
                beforeSeconds = tokens[j].letter == u's';
                break;
            }
            if (lastField == u'h' || beforeSeconds)
                t.letter = u'n';
        }
        lastField = t.letter;
    }

    const QLocale c = QLocale::c();
    QString out;
    for (const Token& t : tokens) {
        if (t.letter.isNull()) {
            out += t.literal;
        } else if (t.letter == u'y') {
            if (t.count <= 2)
                out += pad2(date.year() % 100);
            else
                out += QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
        } else if (t.letter == u'm') {
            if (t.count == 1)
                out += QString::number(date.month());
            else if (t.count == 2)
                out += pad2(date.month());
            else if (t.count == 3)
                out += c.monthName(date.month(), QLocale::ShortFormat);
            else
                out += c.monthName(date.month(), QLocale::LongFormat);
        } else if (t.letter == u'd') {
            if (t.count == 1)
                out += QString::number(date.day());
            else if (t.count == 2)
                out += pad2(date.day());
            else if (t.count == 3)
                out += c.dayName(date.dayOfWeek(), QLocale::ShortFormat);
            else
                out += c.dayName(date.dayOfWeek(), QLocale::LongFormat);
        } else {
            const int v = t.letter == u'h' ? time.hour() : t.letter == u'n' ? time.minute() : time.second();
            out += t.count == 1 ? QString::number(v) : pad2(v);
        }
    }
    return out;
}

} // namespace

QString Format(const QString& text, const QString& picture)
{
    if (text.isEmpty())
        return text;
    if (isNumberPicture(picture)) {
        const auto v = toNumber(text);
        return v ? formatNumber(*v, picture) : text;
    }
    if (!isDatePicture(picture))
        return text;
    const auto parsed = parseDate(text);
    if (!parsed)
        return text;
    // Taken apart rather than through a local QDateTime, so that a time in a
    // daylight-saving gap is written as typed.
    const QDate d = parsed->hasDate ? parsed->date : QDate(1899, 12, 30);
    const QTime t = parsed->hasTime ? parsed->time : QTime(0, 0);
    return formatDateTime(d, t, picture);
}

QString Format(double value, const QString& picture)
{
    if (isNumberPicture(picture))
        return formatNumber(value, picture);
    if (!isDatePicture(picture) || !std::isfinite(value) || std::fabs(value) > 3e6)
        return numberText(value);
    // A date picture reads the number as a date serial: whole days since
    // 1899/12/30, the fraction (taken without its sign) the time of day,
    // to the nearest second.
    qint64 days = qint64(std::trunc(value));
    qint64 seconds = qint64(std::llround(std::fabs(value - double(days)) * 86400.0));
    if (seconds >= 86400) {
        days += value < 0 ? -1 : 1;
        seconds -= 86400;
    }
    const QDate date = QDate(1899, 12, 30).addDays(days);
    return formatDateTime(date, QTime(0, 0).addSecs(int(seconds)), picture);
}

QString Format(const QDate& d, const QString& picture)
{
    if (!d.isValid())
        return QString();
    return formatDateTime(d, QTime(0, 0), picture);
}

QString Format(const QTime& t, const QString& picture)
{
    if (!t.isValid())
        return QString();
    return formatDateTime(QDate(1899, 12, 30), t, picture);
}

QString Format(const QDateTime& dt, const QString& picture)
{
    if (!dt.isValid())
        return QString();
    return formatDateTime(dt.date(), dt.time(), picture);
}

} // namespace rv
