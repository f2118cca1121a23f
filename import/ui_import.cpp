#include "import/ui_import.h"

namespace rv::importing {

void wireImport(MainContext&, QObject*)
{
}

} // namespace rv::importing
