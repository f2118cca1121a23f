#include "maintenance/ui_backups.h"
#include "common/log.h"
#include "maintenance/backups.h"
#include <QListWidget>

namespace rv {

void GListBackups(MainContext& c)
{
    try {
        QListWidget* list = c.ui.lstFiles;
        list->clear();
        const QStringList names = backupFileNames(c.st.DataFolder);
        if (names.isEmpty())
            return;
        list->addItem("List of Backups:");
        list->addItems(names);
        list->setCurrentRow(0);
    } catch (...) {
        c.logError("GListBackups");
    }
}

} // namespace rv
