#include "readings/ui_readings.h"

namespace rv::readings {

void wireReadingsPage(MainContext&, QObject*)
{
}

void fillreadings(MainContext&)
{
}

void SaveReadings(MainContext&)
{
}

} // namespace rv::readings
