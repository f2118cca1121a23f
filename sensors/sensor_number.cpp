#include "sensors/sensor_number.h"
#include "common/numbers.h"

namespace rv::sensors {

NumberCheck checkSensorNumber(const QString& s)
{
    bool digits = !s.isEmpty();
    for (QChar ch : s)
        digits = digits && ch >= '0' && ch <= '9';
    if (!digits)
        return NumberCheck::NotNumeric;
    if (s.size() != 9)
        return NumberCheck::NotNineDigits;
    const double serial = Val(serialCode(s));
    if (serial < 1 || serial > 999)
        return NumberCheck::BadSerial;
    return NumberCheck::Ok;
}

QString refusalText(NumberCheck c)
{
    switch (c) {
    case NumberCheck::NotNumeric: return QStringLiteral("Sensor # must be a numeric value");
    case NumberCheck::NotNineDigits: return QStringLiteral("Sensor # must be 9 digits");
    case NumberCheck::BadSerial: return QStringLiteral("Last 3 digits must be between 001 and 999");
    case NumberCheck::Ok: break;
    }
    return QString();
}

} // namespace rv::sensors
