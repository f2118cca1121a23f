#include "maintenance/ui_utilities.h"
#include "ui/ui_clickable_label.h"
#include "common/log.h"
#include "maintenance/manual.h"
#include "maintenance/ui_backups.h"

#include <QFileInfo>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>

namespace rv::maintenance {

void wireUtilities(MainContext& c, QObject* owner)
{
    auto& u = c.ui;
    auto on = [&c, owner](auto* sender, auto signal, void (*proc)(MainContext&)) {
        QObject::connect(sender, signal, owner, [&c, proc] { proc(c); });
    };
    on(u.imgBackup, &QToolButton::clicked, imgBackupClick);
    on(u.Label42, &ClickableLabel::clicked, imgBackupClick);
    on(u.imgRestore, &QToolButton::clicked, imgRestoreClick);
    on(u.Label27, &ClickableLabel::clicked, imgRestoreClick);
    on(u.Image4, &QToolButton::clicked, Image4Click);
    on(u.cmdConnectServer, &QPushButton::clicked, cmdConnectServerClick);
    on(u.imgHelp, &QToolButton::clicked, imgHelpClick);
    on(u.Label66, &ClickableLabel::clicked, imgHelpClick);
    on(u.imgInternet, &QToolButton::clicked, imgInternetClick);
    on(u.Label40, &ClickableLabel::clicked, imgInternetClick);
    on(u.imgAbout, &QToolButton::clicked, imgAboutClick);
    on(u.Label29, &ClickableLabel::clicked, imgAboutClick);
}

void imgHelpClick(MainContext& c)
{
    // A manual deleted from the data folder (or left by an older version)
    // is written again before it is opened.
    attempt([&] { installManual(c.st.DataFolder); });
    const QString path = c.st.DataFolder + "/" + kManualFileName;
    if (c.pr.openWithDesktop(path))
        return;
    // The user pressed a button: without a viewer, at least where the manual is.
    if (QFileInfo::exists(path))
        c.pr.message("No PDF viewer could be found to open the manual.\nThe manual is at:\n" + path,
                     MsgIcon::Information, MsgButtons::Ok, kQuillonTitle);
    else
        c.pr.message("The manual could not be written to\n" + path, MsgIcon::Warning, MsgButtons::Ok,
                     kQuillonTitle);
}

void imgInternetClick(MainContext& c)
{
    c.pr.openWithDesktop(kMakerWebSite);
}

void imgAboutClick(MainContext& c)
{
    if (c.showAbout)
        c.showAbout();
}

} // namespace rv::maintenance
