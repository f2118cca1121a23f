#include "ui/ui_context.h"
#include "common/log.h"

namespace rv {

void MainContext::logError(const QString& logName) const
{
    logCurrentException(st.DataFolder, logName);
}

} // namespace rv
