#include "maintenance/ui_server_backups.h"
#include "common/log.h"
#include "maintenance/backup_db.h"
#include "maintenance/backups.h"
#include "maintenance/ui_backups.h"
#include "store/dberror.h"
#include "ui/ui_progress.h"

#include <QDir>
#include <QTabWidget>

namespace rv {

namespace {

// Thrown out of the copy when the user cancels it: the copy's transaction
// is rolled back and nothing is kept.
struct Cancelled {};

// The progress dialog counts tables; the copy tells of rows now and then, so
// the dialog stays responsive during a long table too.
class TableProgress {
public:
    TableProgress(QWidget* parent, const QString& label, qint64 tables) : m_progress(parent)
    {
        m_progress.begin(label, tables);
    }
    ~TableProgress() { m_progress.end(); }
    SiteCopyProgress callback()
    {
        return [this](const QString& table, qint64) {
            if (table != m_table) {
                m_table = table;
                ++m_done;
            }
            if (!m_progress.advance(m_done - 1))
                throw Cancelled{};
        };
    }

private:
    importing::QtProgress m_progress;
    QString m_table;
    qint64 m_done = 0;
};

QWidget* mainWindow(MainContext& c)
{
    return c.ui.SSTab1 ? c.ui.SSTab1->window() : nullptr;
}

// The reason of the failure being handled, as a line for the user.
QString reasonLine()
{
    int number = 0;
    QString description;
    describeCurrentException(number, description);
    return description.isEmpty() ? QString() : "\n" + description;
}

} // namespace

void backupServerSiteClick(MainContext& c)
{
    const QString shown = store::redactedLocation(c.st.DatabasePath);
    const QString owner = backupOwner(c.st.DatabasePath, c.st.DataFolder);
    try {
        qint64 tables = 0;
        tables = c.st.conn->tableNames().size();
        TableProgress progress(mainWindow(c), QStringLiteral("Backing up the site on the server..."), tables);
        backupServerSite(*c.st.conn, owner, QDate::currentDate(), progress.callback());
    } catch (const Cancelled&) {
        c.pr.message(QStringLiteral("The backup was cancelled; no backup was made."), MsgIcon::None, MsgButtons::Ok,
                     kAppTitle);
        GListBackups(c);
        return;
    } catch (...) {
        logCurrentException(c.st.DataFolder, "GBackupDB");
        c.pr.message("Error encountered during backup process of " + shown + reasonLine()
                         + QStringLiteral("\nNo backup was made."),
                     MsgIcon::None, MsgButtons::Ok, kAppTitle);
        GListBackups(c);
        return;
    }
    c.pr.message("Backup was successful", MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
    GListBackups(c);
}

void restoreServerSiteClick(MainContext& c, const QString& name)
{
    const QString shown = store::redactedLocation(c.st.DatabasePath);
    const QString owner = backupOwner(c.st.DatabasePath, c.st.DataFolder);
    const QString file = backupFolderOf(owner) + "/" + name;
    // Only a Rockvane database may replace the site; anything else in the
    // backup folder is refused before the questions.
    const DatabaseCheck check = checkDatabase(file);
    if (check != DatabaseCheck::Good) {
        c.pr.message("Cannot restore from " + name + "\n" + checkText(check)
                         + "\nThe site on the server has not been changed.",
                     MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        return;
    }
    // The server's site is shared: everyone working on it loses what it
    // holds now. Asked twice, and a stray Enter never agrees.
    if (!c.pr.ask("Restoring Rockvane from backup " + name + "\nwill replace the whole site on the server " + shown
                      + "\nwith the backup's: every sensor, reading and change stored there now is lost, "
                        "for everyone using it. Continue?",
                  "Quillon's ROCKVANE", MsgIcon::Warning, MsgResult::No))
        return;
    if (!c.pr.ask("Are you sure? The site on the server " + shown + " will be replaced by the backup " + name
                      + ".\nThis cannot be undone.",
                  "Quillon's ROCKVANE", MsgIcon::Warning, MsgResult::No))
        return;
    // The server stays connected; only the window's own record sets are
    // closed, so that none of them reads a table while it is replaced.
    attempt([&] { c.st.rsReadings.close(); });
    attempt([&] { c.st.rsGraph.close(); });
    attempt([&] { c.st.rsSensors.close(); });
    attempt([&] { c.st.rsConfig.close(); });
    bool restored = false;
    try {
        qint64 tables = 0;
        {
            store::Connection backup;
            backup.open(file);
            tables = backup.tableNames().size();
        }
        TableProgress progress(mainWindow(c), QStringLiteral("Restoring the site on the server..."), tables);
        restoreServerSite(file, *c.st.conn, progress.callback());
        restored = true;
    } catch (const Cancelled&) {
        c.pr.message(QStringLiteral("The restore was cancelled; the site on the server has not been changed."),
                     MsgIcon::None, MsgButtons::Ok, kAppTitle);
    } catch (...) {
        logCurrentException(c.st.DataFolder, "G_CompactDB");
        c.pr.message("Error encountered during restore process" + reasonLine()
                         + QStringLiteral("\nThe site on the server has not been changed."),
                     MsgIcon::None, MsgButtons::Ok, kAppTitle);
    }
    if (restored)
        c.pr.message("Restore was successful", MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
    // Restored or not, the window shows the site as the server now holds it.
    reloadAfterRestore(c, c.st.DatabasePath);
}

} // namespace rv
