#include "maintenance/compact_db.h"
#include "common/log.h"
#include "store/compact.h"
#include "store/dbfile.h"

#include <QFileInfo>

namespace rv {

bool G_CompactDB(const QString& folder, const QString& name, Prompter& pr,
                 const QString& dataFolder)
{
    try {
        // A work file left by an earlier compaction is reported whatever
        // there is to reclaim: it may be the only good copy.
        if (!QFileInfo::exists(folder + QStringLiteral("Copy_") + name)) {
            QString why;
            if (!store::worthCompacting(store::fileSpace(folder + name), &why)) {
                writeLog(dataFolder, why + QStringLiteral(" (") + folder + name + QStringLiteral(")"));
                return true;
            }
        }
        store::compactDatabase(folder, name);
        return true;
    } catch (...) {
        pr.message("Error compacting " + name, MsgIcon::None, MsgButtons::Ok, kAppTitle);
        logCurrentException(dataFolder, "G_CompactDB");
        return false;
    }
}

} // namespace rv
