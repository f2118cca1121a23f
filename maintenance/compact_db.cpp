#include "maintenance/compact_db.h"
#include "common/log.h"
#include "store/compact.h"

namespace rv {

bool G_CompactDB(const QString& folder, const QString& name, Prompter& pr,
                 const QString& dataFolder)
{
    try {
        store::compactDatabase(folder, name);
        return true;
    } catch (...) {
        pr.message("Error compacting " + name, MsgIcon::None, MsgButtons::Ok, kAppTitle);
        logCurrentException(dataFolder, "G_CompactDB");
        return false;
    }
}

} // namespace rv
