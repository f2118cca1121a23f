#include "calc/zeros.h"

#include "common/numbers.h"

namespace rv::calc {

namespace {

bool isText(const QVariant& v)
{
    return v.metaType().id() == QMetaType::QString;
}

bool isEmptyValue(const QVariant& v)
{
    return !v.isValid() || v.isNull() || (isText(v) && v.toString().isEmpty());
}

// The value concatenated with an empty text.
QString textOf(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    switch (v.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
        return numberText(v.toDouble());
    case QMetaType::Bool:
        return v.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return v.toString();
    }
}

// A channel value as a number for the subtraction; a text that is not a
// number cannot be subtracted.
std::optional<double> numberOf(const QVariant& v)
{
    switch (v.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return v.toDouble();
    case QMetaType::Bool:
        return v.toBool() ? -1.0 : 0.0;
    default:
        return toNumber(v.toString());
    }
}

} // namespace

ChannelTexts GetOffsets(const ChannelValues& zeroReading)
{
    ChannelTexts out;
    for (size_t k = 1; k <= 10; ++k)
        out[k] = textOf(zeroReading[k]);
    return out;
}

ZeroOffsets readOffsets(const ChannelTexts& offset)
{
    ZeroOffsets out;
    for (size_t k = 1; k <= 10; ++k)
        out.value[k] = offset[k].isEmpty() ? std::nullopt : toNumber(offset[k]);
    return out;
}

ZeroRow SetZeros(const ChannelValues& channel, const QVariant& channelT, const ZeroOffsets& offsets)
{
    ZeroRow row;
    for (size_t k = 1; k <= 10; ++k) {
        const QVariant& v = channel[k];
        if (isEmptyValue(v)) {
            row.zero[k] = 0;
            continue;
        }
        const std::optional<double> x = numberOf(v);
        if (!x || !offsets.value[k]) {
            row.failedChannel = int(k);
            return row;
        }
        // x - x is +0 for the zero reading itself; a difference is never -0.
        row.zero[k] = (*x - *offsets.value[k]) + 0.0;
    }
    row.numTemp = isEmptyValue(channelT) ? 0.0 : Val(textOf(channelT)) + 0.0;
    return row;
}

} // namespace rv::calc
