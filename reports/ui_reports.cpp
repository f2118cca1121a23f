#include "reports/ui_reports.h"

namespace rv::reports {

void wireReports(MainContext&, QObject*)
{
}

} // namespace rv::reports
