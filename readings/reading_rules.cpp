#include "readings/reading_rules.h"
#include "common/dates.h"
#include "common/format.h"
#include "common/numbers.h"

namespace rv::readings {

QString readingKey(const QString& instrumentId, const QDate& d, const QTime& t)
{
    return instrumentId + u' ' + d.toString(QStringLiteral("yyyy/MM/dd")) + u' '
        + t.toString(QStringLiteral("HH:mm:ss"));
}

QString positionText(qint64 position, qint64 count)
{
    return QString::number(position) + QStringLiteral(" of ") + QString::number(count);
}

bool isFutureDate(const QDate& d, const QDate& today)
{
    return d.isValid() && d > today;
}

namespace {

bool isDigit(char16_t c) { return c >= u'0' && c <= u'9'; }

} // namespace

KeyAction numberBoxKey(char16_t code)
{
    if (isDigit(code))
        return KeyAction::Accept;
    switch (code) {
    case u',':
    case u'-':
    case u'.':
    case 8:
    case 9:
    case 13:
    case 127:
        return KeyAction::Accept;
    default:
        return KeyAction::Refuse;
    }
}

KeyAction recessKey(char16_t code)
{
    if (isDigit(code) || code == u'.' || code == 9 || code == 13)
        return KeyAction::SaveThenAccept;
    // 217 in the old code page is the letter shown as U+00D9.
    if (code == 8 || code == u',' || code == 0x00D9)
        return KeyAction::Accept;
    return KeyAction::Refuse;
}

std::optional<QVariant> channelValue(const QString& typed)
{
    const QString t = typed.trimmed();
    if (t.isEmpty())
        return QVariant();
    const std::optional<double> n = toNumber(t);
    if (!n)
        return std::nullopt;
    // Rounded on the number as typed, so 12.345 gives 12.35.
    const QString f = Format(t, QStringLiteral("##0.00"));
    return QVariant(toNumber(f) ? f : Format(*n, QStringLiteral("##0.00")));
}

std::optional<QVariant> temperatureValue(const QString& typed)
{
    const QString t = typed.trimmed();
    if (t.isEmpty())
        return QVariant();
    const std::optional<double> n = toNumber(t);
    if (!n)
        return std::nullopt;
    return QVariant(*n);
}

bool inBatchRange(const QDate& reading, const QDate& start, const QDate& end)
{
    return reading.isValid() && reading >= start && reading <= end;
}

QString batchDeletedMessage(int count, const QDate& start, const QDate& end)
{
    return QString::number(count) + QStringLiteral(" readings were deleted from ") + shortDate(start)
        + QStringLiteral(" and ") + shortDate(end);
}

} // namespace rv::readings
