// The Utilities page of the main window: help and contact, database
// maintenance, and the sensor filter.
#include "ui/ui_layout_parts.h"

#include "ui/ui_clickable_label.h"
#include "ui/ui_icons.h"
#include "ui/ui_pictures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

namespace rv::layout {

namespace {

constexpr int kRow = 24;
constexpr int kButton = 40;

QLabel* heading(QWidget* page, const QString& text, const QRect& r)
{
    auto* l = caption(page, text, r);
    QFont f = l->font();
    f.setBold(true);
    l->setFont(f);
    return l;
}

QToolButton* button(QWidget* page, const QString& name, const QIcon& icon, int x, int y,
                    const QString& tip)
{
    return imageButton(page, name, icon, QRect(x, y, kButton, kButton), tip);
}

ClickableLabel* besideButton(QWidget* page, const QString& name, const QString& text, int x,
                             int y, int width)
{
    return buttonCaption(page, name, text, QRect(x + kButton + 6, y + 8, width, kRow));
}

} // namespace

void buildUtilitiesPage(QWidget* page, MainUi& ui)
{
    // Help and contact.
    const int leftX = 16;
    heading(page, QStringLiteral("Help and Contact"), QRect(leftX, 12, 300, kRow));
    const QString about = QStringLiteral("About Quillon's Rockvane");
    ui.imgAbout = button(page, QStringLiteral("imgAbout"),
                         buttonIcon(QStringLiteral("help-about"), QStyle::SP_MessageBoxInformation),
                         leftX, 40, about);
    ui.Label29 = besideButton(page, QStringLiteral("Label29"), about, leftX, 40, 260);
    const QString manual = QStringLiteral("View Rockvane Manual");
    ui.imgHelp = button(page, QStringLiteral("imgHelp"),
                        buttonIcon(QStringLiteral("help-contents"), QStyle::SP_DialogHelpButton),
                        leftX, 88, manual);
    ui.Label66 = besideButton(page, QStringLiteral("Label66"), manual, leftX, 88, 260);
    const QString web = QStringLiteral("Visit the Quillon website");
    ui.imgInternet = button(page, QStringLiteral("imgInternet"),
                            buttonIcon(QStringLiteral("internet-web-browser"), QStyle::SP_DirHomeIcon),
                            leftX, 136, web);
    ui.Label40 = besideButton(page, QStringLiteral("Label40"), web, leftX, 136, 260);

    // Database maintenance.
    heading(page, QStringLiteral("Database Maintenance"), QRect(leftX, 200, 300, kRow));
    const QString backup = QStringLiteral("Backup Database");
    ui.imgBackup = button(page, QStringLiteral("imgBackup"),
                          buttonIcon(QStringLiteral("document-save"), QStyle::SP_DialogSaveButton),
                          leftX, 228, backup);
    ui.Label42 = besideButton(page, QStringLiteral("Label42"), backup, leftX, 228, 260);
    const QString restore = QStringLiteral("Restore from Backup");
    ui.imgRestore = button(page, QStringLiteral("imgRestore"),
                           buttonIcon(QStringLiteral("document-revert"), QStyle::SP_BrowserReload),
                           leftX, 276, restore);
    ui.Label27 = besideButton(page, QStringLiteral("Label27"), restore, leftX, 276, 260);
    caption(page, QStringLiteral("Choose an mdb file to restore from:"), QRect(leftX, 326, 400, kRow));
    ui.lstFiles = new QListWidget(page);
    ui.lstFiles->setObjectName(QStringLiteral("lstFiles"));
    ui.lstFiles->setGeometry(leftX, 352, 420, 210);
    const QString relocate = QStringLiteral("Change Database Location");
    ui.Image4 = button(page, QStringLiteral("Image4"),
                       buttonIcon(QStringLiteral("folder-open"), QStyle::SP_DirIcon),
                       leftX, 578, relocate);
    caption(page, relocate, QRect(leftX + kButton + 6, 586, 200, kRow));
    // The second way in: a site database on a PostgreSQL server.
    ui.cmdConnectServer = new QPushButton(QStringLiteral("Connect to Server..."), page);
    ui.cmdConnectServer->setObjectName(QStringLiteral("cmdConnectServer"));
    ui.cmdConnectServer->setGeometry(leftX + 266, 582, 154, 30);

    // The sensor filter.
    const int rightX = 500;
    const int fieldX = 680;
    heading(page, QStringLiteral("Sensor Filter"), QRect(rightX, 12, 300, kRow));
    caption(page, QStringLiteral("Filter by Sensor Type:"), QRect(rightX, 44, 170, kRow));
    ui.txtFilterType = new QComboBox(page);
    ui.txtFilterType->setObjectName(QStringLiteral("txtFilterType"));
    ui.txtFilterType->setGeometry(fieldX, 44, 200, kRow);
    ui.txtFilterType->setEditable(true);
    ui.txtFilterType->setInsertPolicy(QComboBox::NoInsert);
    ui.txtFilterType->addItems({QStringLiteral("25: x1TENDON"), QStringLiteral("45: x3TENDON"),
                                QStringLiteral("55: x4TENDON"), QStringLiteral("65: x5TENDON")});
    ui.txtFilterType->setCurrentIndex(-1);
    ui.txtFilterType->setEditText(QString());
    caption(page, QStringLiteral("Level:"), QRect(rightX, 80, 170, kRow));
    ui.txtFilterLevel = textBox(page, QStringLiteral("txtFilterLevel"), QRect(fieldX, 80, 200, kRow));
    caption(page, QStringLiteral("Location:"), QRect(rightX, 116, 170, kRow));
    ui.txtFilterLocation = textBox(page, QStringLiteral("txtFilterLocation"),
                                   QRect(fieldX, 116, 200, kRow));
    caption(page, QStringLiteral("Installed between:"), QRect(rightX, 152, 170, kRow));
    ui.txtStartDate = textBox(page, QStringLiteral("txtStartDate"), QRect(fieldX, 152, 110, kRow));
    caption(page, QStringLiteral("and"), QRect(fieldX + 114, 152, 36, kRow), Qt::AlignCenter);
    ui.txtEndDate = textBox(page, QStringLiteral("txtEndDate"), QRect(fieldX + 154, 152, 110, kRow));
    caption(page, QStringLiteral("(yyyy/mm/dd)"), QRect(fieldX, 176, 200, 20));
    ui.chkDontShowDestroyed = new QCheckBox(QStringLiteral("Do Not Show Destroyed Sensors"), page);
    ui.chkDontShowDestroyed->setObjectName(QStringLiteral("chkDontShowDestroyed"));
    ui.chkDontShowDestroyed->setGeometry(rightX, 206, 320, kRow);

    ui.imgApplyFilter = pictureSource(page, QStringLiteral("imgApplyFilter"), filterPixmap(false));
    ui.imgRemoveFilter = pictureSource(page, QStringLiteral("imgRemoveFilter"), filterPixmap(true));
    ui.imgFilter = button(page, QStringLiteral("imgFilter"), QIcon(ui.imgApplyFilter->pixmap()),
                          rightX, 244, QStringLiteral("Apply or remove the filter"));
    ui.lblFilterState = besideButton(page, QStringLiteral("lblFilterState"),
                                     QStringLiteral("Apply Filter"), rightX, 244, 120);
    ui.lblFilter = namedLabel(page, QStringLiteral("lblFilter"), QStringLiteral("* Filter Applied *"),
                              QRect(fieldX, 252, 200, kRow));
    ui.lblFilter->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));
    ui.lblFilter->hide();

    caption(page, QStringLiteral("# of Instruments:"), QRect(rightX, 312, 170, kRow));
    ui.txtSCount = textBox(page, QStringLiteral("txtSCount"), QRect(fieldX, 312, 80, kRow), true);

    // The whole site at a glance.
    heading(page, QStringLiteral("Site Monitoring"), QRect(rightX, 370, 300, kRow));
    ui.cmdSiteStatus = new QPushButton(QStringLiteral("Site Status"), page);
    ui.cmdSiteStatus->setObjectName(QStringLiteral("cmdSiteStatus"));
    ui.cmdSiteStatus->setGeometry(rightX, 400, 160, 32);
    ui.cmdAuditLog = new QPushButton(QStringLiteral("Change Log"), page);
    ui.cmdAuditLog->setObjectName(QStringLiteral("cmdAuditLog"));
    ui.cmdAuditLog->setGeometry(rightX + 176, 400, 160, 32);
}

} // namespace rv::layout
