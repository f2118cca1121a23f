// The Readings page of the main window.
#include "ui/ui_layout_parts.h"

#include "ui/ui_clickable_label.h"
#include "ui/ui_icons.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QTimeEdit>
#include <QToolButton>

namespace rv::layout {

namespace {

constexpr int kRow = 24;
constexpr int kButton = 40;

struct Captioned {
    const char* button;
    const char* themeIcon;
    QStyle::StandardPixmap fallback;
    const char* label;
    const char* text;
    QToolButton* MainUi::*buttonMember;
    ClickableLabel* MainUi::*labelMember;
};

// A row of image buttons, each followed by its caption label.
void buttonRow(QWidget* page, MainUi& ui, const Captioned* items, int count, int x, int y,
               int labelWidth)
{
    for (int i = 0; i < count; ++i) {
        const Captioned& c = items[i];
        const QString text = QString::fromLatin1(c.text);
        ui.*c.buttonMember = imageButton(page, QString::fromLatin1(c.button),
                                         buttonIcon(QString::fromLatin1(c.themeIcon), c.fallback),
                                         QRect(x, y, kButton, kButton), text);
        ui.*c.labelMember = buttonCaption(page, QString::fromLatin1(c.label), text,
                                          QRect(x + kButton + 4, y + 8, labelWidth, kRow));
        x += kButton + 8 + labelWidth;
    }
}

} // namespace

void buildReadingsPage(QWidget* page, MainUi& ui)
{
    // Which reading is shown.
    caption(page, QStringLiteral("Instrument ID:"), QRect(16, 16, 120, kRow));
    ui.txtSensor3 = textBox(page, QStringLiteral("txtSensor3"), QRect(140, 16, 180, kRow), true);
    caption(page, QStringLiteral("Reading ID:"), QRect(16, 52, 120, kRow));
    ui.txtReadingID = textBox(page, QStringLiteral("txtReadingID"), QRect(140, 52, 280, kRow), true);
    caption(page, QStringLiteral("Reading Date:"), QRect(16, 88, 120, kRow));
    ui.dtpRdate = new QDateEdit(page);
    ui.dtpRdate->setObjectName(QStringLiteral("dtpRdate"));
    ui.dtpRdate->setGeometry(140, 88, 130, kRow);
    ui.dtpRdate->setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    ui.dtpRdate->setCalendarPopup(true);
    caption(page, QStringLiteral("Reading Time:"), QRect(16, 124, 120, kRow));
    ui.dtpRtime = new QTimeEdit(page);
    ui.dtpRtime->setObjectName(QStringLiteral("dtpRtime"));
    ui.dtpRtime->setGeometry(140, 124, 130, kRow);
    ui.dtpRtime->setDisplayFormat(QStringLiteral("HH:mm:ss"));

    // The channels: each with the position of its gauge and its unit.
    caption(page, QStringLiteral("Gauge at"), QRect(16, 170, 110, 20), Qt::AlignRight | Qt::AlignVCenter);
    caption(page, QStringLiteral("Reading"), QRect(140, 170, 110, 20), Qt::AlignCenter);
    caption(page, QStringLiteral("Units"), QRect(258, 170, 110, 20));
    for (int i = 1; i <= 5; ++i) {
        const int y = 194 + (i - 1) * 34;
        ui.lbln[i] = namedLabel(page, element("lbln", i), QString(), QRect(16, y, 110, kRow));
        ui.lbln[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        ui.txtChannel[i] = textBox(page, element("txtChannel", i), QRect(140, y, 110, kRow));
        ui.lblmm[i] = namedLabel(page, element("lblmm", i), QString(), QRect(258, y, 110, kRow));
    }
    ui.Label47 = namedLabel(page, QStringLiteral("Label47"), QStringLiteral("Temperature:"),
                            QRect(16, 370, 110, kRow));
    ui.Label47->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui.txtChannelT = textBox(page, QStringLiteral("txtChannelT"), QRect(140, 370, 110, kRow));
    ui.lblTemp = namedLabel(page, QStringLiteral("lblTemp"), QString(), QRect(258, 370, 110, kRow));

    ui.chkTemporal = new QCheckBox(QStringLiteral("Plot Temporal"), page);
    ui.chkTemporal->setObjectName(QStringLiteral("chkTemporal"));
    ui.chkTemporal->setGeometry(16, 414, 140, kRow);
    ui.chkSpatial = new QCheckBox(QStringLiteral("Plot Spatial"), page);
    ui.chkSpatial->setObjectName(QStringLiteral("chkSpatial"));
    ui.chkSpatial->setGeometry(170, 414, 140, kRow);

    // The one message line of the page.
    ui.lblError = namedLabel(page, QStringLiteral("lblError"), QStringLiteral("Error:"),
                             QRect(16, 460, 960, 40));
    ui.lblError->setWordWrap(true);
    ui.lblError->setStyleSheet(QStringLiteral("color: red; font-weight: bold;"));

    // Moving through the readings, on the right.
    const int rightX = 460;
    const Captioned nav[] = {
        {"imgFirst", "go-first", QStyle::SP_MediaSkipBackward, "Label61", "First",
         &MainUi::imgFirst, &MainUi::Label61},
        {"imgPrevData", "go-previous", QStyle::SP_ArrowBack, "Label62", "Previous",
         &MainUi::imgPrevData, &MainUi::Label62},
        {"imgNextData", "go-next", QStyle::SP_ArrowForward, "Label60", "Next",
         &MainUi::imgNextData, &MainUi::Label60},
        {"imgLast", "go-last", QStyle::SP_MediaSkipForward, "Label64", "Last",
         &MainUi::imgLast, &MainUi::Label64},
    };
    buttonRow(page, ui, nav, 4, rightX, 16, 68);
    caption(page, QStringLiteral("Reading:"), QRect(rightX, 70, 70, kRow));
    ui.txtRcount = textBox(page, QStringLiteral("txtRcount"), QRect(rightX + 76, 70, 120, kRow), true);

    const Captioned edit[] = {
        {"imgAddReading", "list-add", QStyle::SP_FileIcon, "Label63", "Add New",
         &MainUi::imgAddReading, &MainUi::Label63},
        {"imgDeleteReading", "edit-delete", QStyle::SP_TrashIcon, "Label65", "Delete/Batch",
         &MainUi::imgDeleteReading, &MainUi::Label65},
    };
    buttonRow(page, ui, edit, 2, rightX, 116, 100);

    caption(page, QStringLiteral("Datasheet View:"), QRect(rightX, 184, 200, kRow));
    const Captioned views[] = {
        {"imgDatasheet", "x-office-spreadsheet", QStyle::SP_FileDialogDetailedView, "Label45",
         "Datasheet", &MainUi::imgDatasheet, &MainUi::Label45},
        {"imgReport", "x-office-document", QStyle::SP_FileDialogContentsView, "Label46",
         "Report", &MainUi::imgReport, &MainUi::Label46},
    };
    buttonRow(page, ui, views, 2, rightX, 210, 100);

    caption(page, QStringLiteral("Import Datafiles:"), QRect(rightX, 278, 200, kRow));
    ui.imgAddSlugData = imageButton(page, QStringLiteral("imgAddSlugData"),
                                    buttonIcon(QStringLiteral("document-open"),
                                               QStyle::SP_DialogOpenButton),
                                    QRect(rightX, 304, kButton, kButton),
                                    QStringLiteral("Import a readout file"));
    caption(page, QStringLiteral("Spacing (hours):"), QRect(rightX + 52, 312, 110, kRow));
    ui.cboSlugInt = new QComboBox(page);
    ui.cboSlugInt->setObjectName(QStringLiteral("cboSlugInt"));
    ui.cboSlugInt->setGeometry(rightX + 166, 312, 70, kRow);
    ui.cboSlugInt->addItems({QStringLiteral("1"), QStringLiteral("8"), QStringLiteral("24")});
    ui.cboSlugInt->setCurrentText(QStringLiteral("24"));
}

} // namespace rv::layout
