// The Identification and Installation pages of the main window.
#include "ui/ui_layout_parts.h"

#include "ui/ui_borehole.h"
#include "ui/ui_clickable_label.h"
#include "ui/ui_icons.h"
#include "ui/ui_pictures.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QToolButton>

namespace rv::layout {

namespace {

constexpr int kRow = 24;         // height of a text box or a caption
constexpr int kCaptionX = 16;
constexpr int kFieldX = 190;
constexpr int kButton = 40;      // image buttons are square

QComboBox* comboBox(QWidget* page, const QString& name, const QRect& r)
{
    auto* c = new QComboBox(page);
    c->setObjectName(name);
    c->setGeometry(r);
    c->setEditable(true);
    return c;
}

// An image button with its caption label on the right.
QToolButton* captionedButton(QWidget* page, const QString& name, const QString& themeIcon,
                             QStyle::StandardPixmap fallback, const QString& labelName,
                             const QString& text, int x, int y, int labelWidth,
                             ClickableLabel*& label)
{
    auto* b = imageButton(page, name, buttonIcon(themeIcon, fallback),
                          QRect(x, y, kButton, kButton), text);
    label = buttonCaption(page, labelName, text,
                          QRect(x + kButton + 4, y + (kButton - kRow) / 2, labelWidth, kRow));
    return b;
}

} // namespace

void buildIdentificationPage(QWidget* page, MainUi& ui)
{
    // Choosing the sensor.
    caption(page, QStringLiteral("Add or Select Sensor:"), QRect(kCaptionX, 24, 170, kRow));
    ui.cboSensors = comboBox(page, QStringLiteral("cboSensors"), QRect(kFieldX, 24, 170, kRow));
    // Completion while typing is the program's own (it selects the entry and
    // so changes the sensor); the box neither completes nor adds entries.
    ui.cboSensors->setInsertPolicy(QComboBox::NoInsert);
    ui.cboSensors->setCompleter(nullptr);
    caption(page, QStringLiteral("Record Navigation:"), QRect(kCaptionX, 60, 170, kRow));
    ui.txtSnav = textBox(page, QStringLiteral("txtSnav"), QRect(kFieldX, 60, 170, kRow), true);

    ui.imgAddSensor = captionedButton(page, QStringLiteral("imgAddSensor"),
                                      QStringLiteral("list-add"), QStyle::SP_FileIcon,
                                      QStringLiteral("Label57"), QStringLiteral("Add New"),
                                      400, 16, 70, ui.Label57);
    ui.imgDelete = captionedButton(page, QStringLiteral("imgDelete"),
                                   QStringLiteral("edit-delete"), QStyle::SP_TrashIcon,
                                   QStringLiteral("Label55"), QStringLiteral("Delete"),
                                   520, 16, 60, ui.Label55);
    ui.imgPrevious = captionedButton(page, QStringLiteral("imgPrevious"),
                                     QStringLiteral("go-previous"), QStyle::SP_ArrowBack,
                                     QStringLiteral("Label56"), QStringLiteral("Previous"),
                                     630, 16, 70, ui.Label56);
    ui.imgNext = captionedButton(page, QStringLiteral("imgNext"), QStringLiteral("go-next"),
                                 QStyle::SP_ArrowForward, QStringLiteral("Label59"),
                                 QStringLiteral("Next"), 750, 16, 60, ui.Label59);

    // The sensor number and its parts.
    caption(page, QStringLiteral("Sensor:"), QRect(kCaptionX, 112, 170, kRow));
    ui.txtSensor = textBox(page, QStringLiteral("txtSensor"), QRect(kFieldX, 112, 170, kRow), true);
    const struct {
        const char* name;
        const char* text;
        int x, w;
    } parts[] = {{"txtMineID", "Mine ID", kFieldX, 80},
                 {"txtDateID", "Date ID", 280, 70},
                 {"txtTypeID", "S Type", 360, 60},
                 {"txtSensorNo", "S Number", 430, 80}};
    QLineEdit** partBoxes[] = {&ui.txtMineID, &ui.txtDateID, &ui.txtTypeID, &ui.txtSensorNo};
    for (int i = 0; i < 4; ++i) {
        caption(page, QString::fromLatin1(parts[i].text), QRect(parts[i].x, 146, parts[i].w, 20));
        *partBoxes[i] = textBox(page, QString::fromLatin1(parts[i].name),
                                QRect(parts[i].x, 166, parts[i].w, kRow));
    }
    ui.txtMineID->setReadOnly(true);
    // The parts of the sensor number are fixed when the sensor is added: the
    // number names its reading table and its type its configuration.
    ui.txtDateID->setReadOnly(true);
    ui.txtTypeID->setReadOnly(true);
    ui.txtSensorNo->setReadOnly(true);

    // What kind of cable it is.
    caption(page, QStringLiteral("Family:"), QRect(kCaptionX, 214, 170, kRow));
    ui.txtFamily = textBox(page, QStringLiteral("txtFamily"), QRect(kFieldX, 214, 170, kRow));
    ui.lblLocation = namedLabel(page, QStringLiteral("lblLocation"),
                                QStringLiteral("Manufacturing Configuration:"),
                                QRect(400, 214, 570, kRow));
    caption(page, QStringLiteral("Length of cable (m):"), QRect(kCaptionX, 250, 170, kRow));
    ui.txtLengthofCable = textBox(page, QStringLiteral("txtLengthofCable"),
                                  QRect(kFieldX, 250, 100, kRow));
    ui.chkPlate = new QCheckBox(QStringLiteral("Cable Bolt Plate"), page);
    ui.chkPlate->setObjectName(QStringLiteral("chkPlate"));
    ui.chkPlate->setGeometry(400, 250, 200, kRow);

    auto* geometry = new QGroupBox(QStringLiteral("Head Location"), page);
    geometry->setGeometry(kCaptionX, 290, 500, 84);
    // "&&" shows a single "&" on a button.
    ui.Option1 = new QRadioButton(QStringLiteral("Option 1 && 2 - Head at collar"), geometry);
    ui.Option1->setObjectName(QStringLiteral("Option1"));
    ui.Option1->setGeometry(12, 24, 470, kRow);
    ui.Option1->setChecked(true);
    ui.Option2 = new QRadioButton(QStringLiteral("Option 3 - Head at toe"), geometry);
    ui.Option2->setObjectName(QStringLiteral("Option2"));
    ui.Option2->setGeometry(12, 52, 470, kRow);

    // Nodes along the cable, with each gauge centre between its two nodes.
    caption(page, QStringLiteral("Nodal Points:"), QRect(kCaptionX, 410, 170, kRow));
    caption(page, QStringLiteral("Strain Gauge Centers:"), QRect(kCaptionX, 450, 170, kRow));
    caption(page, QStringLiteral("(metres from the head)"), QRect(kCaptionX, 474, 170, 20));
    for (int k = 1; k <= 6; ++k) {
        const int x = kFieldX + (k - 1) * 90;
        caption(page, QStringLiteral("Node %1").arg(k), QRect(x, 390, 70, 20), Qt::AlignCenter);
        ui.txtNode[k] = textBox(page, element("txtNode", k), QRect(x, 410, 70, kRow));
    }
    for (int k = 1; k <= 5; ++k) {
        const int x = kFieldX + 45 + (k - 1) * 90;
        ui.txtSGCenter[k] = textBox(page, element("txtSGCenter", k), QRect(x, 450, 70, kRow));
        caption(page, QStringLiteral("Gauge %1").arg(k), QRect(x, 474, 70, 20), Qt::AlignCenter);
    }

    // In service or destroyed.
    caption(page, QStringLiteral("Destroyed:"), QRect(kCaptionX, 530, 170, kRow));
    ui.cboDestroyed = comboBox(page, QStringLiteral("cboDestroyed"), QRect(kFieldX, 530, 80, kRow));
    ui.cboDestroyed->addItems({QStringLiteral("Yes"), QStringLiteral("No")});
    ui.cboDestroyed->setCompleter(nullptr);
    ui.cboDestroyed->setInsertPolicy(QComboBox::NoInsert);
    ui.cboDestroyed->setCurrentIndex(-1);   // empty until a sensor is shown
    caption(page, QStringLiteral("Date:"), QRect(290, 530, 50, kRow), Qt::AlignRight | Qt::AlignVCenter);
    ui.txtDestructionDate = textBox(page, QStringLiteral("txtDestructionDate"),
                                    QRect(346, 530, 110, kRow));
    ui.imgalive = pictureSource(page, QStringLiteral("imgalive"), aliveStatusPixmap());
    ui.imgdead = pictureSource(page, QStringLiteral("imgdead"), deadStatusPixmap());
    ui.imgheart = new QLabel(page);
    ui.imgheart->setObjectName(QStringLiteral("imgheart"));
    ui.imgheart->setGeometry(476, 518, 48, 48);
    ui.imgheart->setPixmap(ui.imgalive->pixmap());
}

void buildInstallationPage(QWidget* page, MainUi& ui)
{
    // The installation record, on the left.
    const int captionW = 150;
    const int fieldX = 170;
    caption(page, QStringLiteral("Instrument ID:"), QRect(kCaptionX, 16, captionW, kRow));
    ui.txtSensor2 = textBox(page, QStringLiteral("txtSensor2"), QRect(fieldX, 16, 180, kRow), true);
    const struct {
        const char* caption;
        const char* name;
        int width;
        QLineEdit* MainUi::*box;
    } fields[] = {{"Level:", "txtLevel", 180, &MainUi::txtLevel},
                  {"Location:", "txtLocation", 300, &MainUi::txtLocation},
                  {"Borehole:", "txtBorehole", 180, &MainUi::txtBorehole},
                  {"Install Date:", "txtInstallDate", 110, &MainUi::txtInstallDate},
                  {"Installed By:", "txtInstallBy", 180, &MainUi::txtInstallBy},
                  {"Purpose:", "txtPurpose", 300, &MainUi::txtPurpose}};
    int y = 56;
    for (const auto& f : fields) {
        caption(page, QString::fromLatin1(f.caption), QRect(kCaptionX, y, captionW, kRow));
        ui.*f.box = textBox(page, QString::fromLatin1(f.name), QRect(fieldX, y, f.width, kRow));
        y += 36;
    }
    caption(page, QStringLiteral("(yyyy/mm/dd)"), QRect(fieldX + 116, 164, 120, kRow));
    ui.lblNotes = namedLabel(page, QStringLiteral("lblNotes"), QStringLiteral("Notes:"),
                             QRect(kCaptionX, y, captionW, kRow));
    ui.txtNotes = textBox(page, QStringLiteral("txtNotes"), QRect(fieldX, y, 300, kRow));
    y += 36;
    caption(page, QStringLiteral("Recess:"), QRect(kCaptionX, y, captionW, kRow));
    ui.txtRecess = textBox(page, QStringLiteral("txtRecess"), QRect(fieldX, y, 70, kRow));
    ui.lblRecess = namedLabel(page, QStringLiteral("lblRecess"), QStringLiteral("m recess"),
                              QRect(fieldX + 76, y, 250, kRow));

    // The geometry: the drawing with the positions relative to the roof in
    // two columns beside it. The boxes move with the geometry (the page
    // entry code sets their tops); their columns and sizes stay.
    const QRect drawing = boreholeRect();
    ui.lbloption = namedLabel(page, QStringLiteral("lbloption"),
                              QStringLiteral("Option 1 and 2 - Head at Borehole Collar"),
                              QRect(drawing.left(), 16, 470, kRow));
    QFont bold = ui.lbloption->font();
    bold.setBold(true);
    ui.lbloption->setFont(bold);

    ui.imgCollar = pictureSource(page, QStringLiteral("imgCollar"),
                                 drawBorehole(true, drawing.size()));
    ui.imgToe = pictureSource(page, QStringLiteral("imgToe"), drawBorehole(false, drawing.size()));
    ui.imgHead = new QLabel(page);
    ui.imgHead->setObjectName(QStringLiteral("imgHead"));
    ui.imgHead->setGeometry(drawing);
    ui.imgHead->setPixmap(ui.imgCollar->pixmap());

    const int anchorX = drawing.right() + 52;
    const int centreX = anchorX + 108;
    const int boxW = 80;
    auto* nodesHeader = caption(page, QStringLiteral("Nodes rel. to roof (m)"),
                                QRect(anchorX - 10, 130, boxW + 20, 40), Qt::AlignCenter);
    nodesHeader->setWordWrap(true);
    auto* centresHeader = caption(page, QStringLiteral("Gauge centres rel. to roof (m)"),
                                  QRect(centreX - 14, 130, boxW + 28, 40), Qt::AlignCenter);
    centresHeader->setWordWrap(true);

    const RelBoxTops& tops = relBoxTops(true);
    auto top = [](int twips) { return twips / kTwipsPerPixel; };
    ui.lblHead = namedLabel(page, QStringLiteral("lblHead"), QStringLiteral("HEAD"),
                            QRect(drawing.right() + 4, top(tops.head), 44, kRelBoxHeight));
    ui.lblHead->setFont(bold);
    ui.lblHead->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    ui.txtHead = textBox(page, QStringLiteral("txtHead"),
                         QRect(anchorX, top(tops.head), boxW, kRelBoxHeight), true);
    for (int k = 1; k <= 6; ++k)
        ui.txtRelSGanchor[k] = textBox(page, element("txtRelSGanchor", k),
                                       QRect(anchorX, top(tops.anchors[k]), boxW, kRelBoxHeight),
                                       true);
    for (int k = 1; k <= 5; ++k)
        ui.txtRelSGCenter[k] = textBox(page, element("txtRelSGCenter", k),
                                       QRect(centreX, top(tops.centres[k]), boxW, kRelBoxHeight),
                                       true);
}

} // namespace rv::layout
