#include "maintenance/ui_utilities.h"

namespace rv::maintenance {

void wireUtilities(MainContext&, QObject*)
{
}

} // namespace rv::maintenance
