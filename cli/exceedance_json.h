#pragma once
// An exceedance as the command line's JSON documents give it.
#include "calc/levels.h"
#include "import/exceedance_check.h"
#include "readings/level_readings.h"

#include <QJsonObject>

namespace rv::cli {

inline QJsonObject exceedanceJson(const importing::ExceedanceRow& e)
{
    QJsonObject o;
    o.insert(QStringLiteral("sensor"), e.sensor);
    o.insert(QStringLiteral("reading"), e.key);
    o.insert(QStringLiteral("date"), readings::readingDateTime(e.ms).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
    o.insert(QStringLiteral("quantity"), calc::quantityName(e.quantity));
    o.insert(QStringLiteral("channel"), e.index);
    o.insert(QStringLiteral("value"), e.value);
    o.insert(QStringLiteral("level"), e.levelNo);
    o.insert(QStringLiteral("levelName"), e.levelName);
    o.insert(QStringLiteral("colour"), e.colour);
    return o;
}

} // namespace rv::cli
