// The main window's controls: every control the program drives exists with
// its name, the captions are the program's own, and nothing overlaps.
#include "ui/ui_borehole.h"
#include "ui/ui_clickable_label.h"
#include "ui/ui_main_layout.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolButton>
#include <gtest/gtest.h>
#include <qcustomplot.h>

#include <memory>
#include <utility>
#include <vector>

using namespace rv;

namespace {

class MainLayout : public ::testing::Test {
protected:
    void SetUp() override
    {
        window = std::make_unique<QWidget>();
        buildMainUi(window.get(), ui);
        // The pages get their size when the tab control is first shown.
        window->show();
        QCoreApplication::processEvents();
    }

    std::unique_ptr<QWidget> window;
    MainUi ui;
};

// Every control of MainUi, by the name it must carry.
std::vector<std::pair<QWidget*, QString>> namedControls(const MainUi& ui)
{
    std::vector<std::pair<QWidget*, QString>> all;
#define RV_CONTROL(m) all.emplace_back(reinterpret_cast<QWidget*>(ui.m), QStringLiteral(#m))
    RV_CONTROL(SSTab1);
    RV_CONTROL(cboSensors); RV_CONTROL(imgAddSensor); RV_CONTROL(imgDelete);
    RV_CONTROL(imgPrevious); RV_CONTROL(imgNext); RV_CONTROL(Label57); RV_CONTROL(Label55);
    RV_CONTROL(Label56); RV_CONTROL(Label59); RV_CONTROL(txtSnav); RV_CONTROL(txtSensor);
    RV_CONTROL(txtMineID); RV_CONTROL(txtDateID); RV_CONTROL(txtTypeID); RV_CONTROL(txtSensorNo);
    RV_CONTROL(txtFamily); RV_CONTROL(lblLocation); RV_CONTROL(txtLengthofCable);
    RV_CONTROL(chkPlate); RV_CONTROL(Option1); RV_CONTROL(Option2); RV_CONTROL(cboDestroyed);
    RV_CONTROL(txtDestructionDate); RV_CONTROL(imgheart); RV_CONTROL(imgalive); RV_CONTROL(imgdead);
    RV_CONTROL(txtSensor2); RV_CONTROL(txtLevel); RV_CONTROL(txtLocation); RV_CONTROL(txtBorehole);
    RV_CONTROL(txtInstallDate); RV_CONTROL(txtInstallBy); RV_CONTROL(txtPurpose);
    RV_CONTROL(txtNotes); RV_CONTROL(lblNotes); RV_CONTROL(txtRecess); RV_CONTROL(lblRecess);
    RV_CONTROL(txtHead); RV_CONTROL(lblHead); RV_CONTROL(lbloption); RV_CONTROL(imgHead);
    RV_CONTROL(imgCollar); RV_CONTROL(imgToe);
    RV_CONTROL(txtSensor3); RV_CONTROL(txtReadingID); RV_CONTROL(dtpRdate); RV_CONTROL(dtpRtime);
    RV_CONTROL(txtChannelT); RV_CONTROL(lblTemp); RV_CONTROL(Label47); RV_CONTROL(chkTemporal);
    RV_CONTROL(chkSpatial); RV_CONTROL(txtRcount); RV_CONTROL(imgFirst); RV_CONTROL(imgPrevData);
    RV_CONTROL(imgNextData); RV_CONTROL(imgLast); RV_CONTROL(imgAddReading);
    RV_CONTROL(imgDeleteReading); RV_CONTROL(imgDatasheet); RV_CONTROL(imgReport);
    RV_CONTROL(imgAddSlugData); RV_CONTROL(Label61); RV_CONTROL(Label62); RV_CONTROL(Label60);
    RV_CONTROL(Label64); RV_CONTROL(Label63); RV_CONTROL(Label65); RV_CONTROL(Label45);
    RV_CONTROL(Label46); RV_CONTROL(cboSlugInt); RV_CONTROL(lblError);
    RV_CONTROL(ChartT); RV_CONTROL(cmdTHelp); RV_CONTROL(imgPrintT); RV_CONTROL(ChartT2);
    RV_CONTROL(mgPrintR); RV_CONTROL(ChartS); RV_CONTROL(imgPrintS); RV_CONTROL(ChartDvL);
    RV_CONTROL(lblRecStatus); RV_CONTROL(cmdDisp); RV_CONTROL(cmdTemp); RV_CONTROL(cmdRate);
    RV_CONTROL(cmdSpat); RV_CONTROL(cmdDvl); RV_CONTROL(lblW15);
    RV_CONTROL(imgAbout); RV_CONTROL(imgHelp); RV_CONTROL(imgInternet); RV_CONTROL(imgBackup);
    RV_CONTROL(imgRestore); RV_CONTROL(Image4); RV_CONTROL(Label42); RV_CONTROL(Label27);
    RV_CONTROL(Label66); RV_CONTROL(Label40); RV_CONTROL(Label29); RV_CONTROL(lstFiles);
    RV_CONTROL(txtFilterType); RV_CONTROL(txtFilterLevel); RV_CONTROL(txtFilterLocation);
    RV_CONTROL(txtStartDate); RV_CONTROL(txtEndDate); RV_CONTROL(chkDontShowDestroyed);
    RV_CONTROL(imgFilter); RV_CONTROL(imgApplyFilter); RV_CONTROL(imgRemoveFilter);
    RV_CONTROL(lblFilterState); RV_CONTROL(lblFilter); RV_CONTROL(txtSCount);
#undef RV_CONTROL
    auto array = [&](QWidget* const* elements, int last, const char* name) {
        EXPECT_EQ(elements[0], nullptr) << name << " element 0 must stay empty";
        for (int i = 1; i <= last; ++i)
            all.emplace_back(elements[i], QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(i));
    };
    array(reinterpret_cast<QWidget* const*>(ui.txtNode), 6, "txtNode");
    array(reinterpret_cast<QWidget* const*>(ui.txtSGCenter), 5, "txtSGCenter");
    array(reinterpret_cast<QWidget* const*>(ui.txtRelSGanchor), 6, "txtRelSGanchor");
    array(reinterpret_cast<QWidget* const*>(ui.txtRelSGCenter), 5, "txtRelSGCenter");
    array(reinterpret_cast<QWidget* const*>(ui.txtChannel), 5, "txtChannel");
    array(reinterpret_cast<QWidget* const*>(ui.lbln), 5, "lbln");
    array(reinterpret_cast<QWidget* const*>(ui.lblmm), 5, "lblmm");
    return all;
}

QString labelText(QWidget* w)
{
    return static_cast<QLabel*>(w)->text();
}

// The static captions of a page, to find the ones the program names.
QStringList captionsOn(QWidget* root)
{
    QStringList texts;
    for (auto* l : root->findChildren<QLabel*>())
        texts << l->text();
    for (auto* b : root->findChildren<QAbstractButton*>())
        texts << b->text();
    return texts;
}

// The children of a page that are shown, with the hidden picture sources and
// the labels the program shows only on occasion left out.
std::vector<QWidget*> shownControls(QWidget* page)
{
    std::vector<QWidget*> shown;
    for (auto* w : page->findChildren<QWidget*>(Qt::FindDirectChildrenOnly))
        if (!w->isHidden())
            shown.push_back(w);
    return shown;
}

void expectNoOverlap(QWidget* page, const char* what)
{
    const auto shown = shownControls(page);
    const QRect inside(QPoint(0, 0), page->size());
    for (size_t i = 0; i < shown.size(); ++i) {
        EXPECT_TRUE(inside.contains(shown[i]->geometry()))
            << what << ": " << qPrintable(shown[i]->objectName()) << " "
            << qPrintable(labelText(shown[i])) << " leaves the page";
        for (size_t j = i + 1; j < shown.size(); ++j)
            EXPECT_FALSE(shown[i]->geometry().intersects(shown[j]->geometry()))
                << what << ": " << qPrintable(shown[i]->objectName()) << "/"
                << qPrintable(shown[i]->metaObject()->className()) << " overlaps "
                << qPrintable(shown[j]->objectName()) << "/"
                << qPrintable(shown[j]->metaObject()->className());
    }
}

void moveTo(QWidget* w, int twips)
{
    w->move(w->x(), twips / kTwipsPerPixel);
}

void applyGeometry(MainUi& ui, bool headAtCollar)
{
    const RelBoxTops& tops = relBoxTops(headAtCollar);
    moveTo(ui.lblHead, tops.head);
    moveTo(ui.txtHead, tops.head);
    for (int k = 1; k <= 6; ++k)
        moveTo(ui.txtRelSGanchor[k], tops.anchors[k]);
    for (int k = 1; k <= 5; ++k)
        moveTo(ui.txtRelSGCenter[k], tops.centres[k]);
}

} // namespace

TEST_F(MainLayout, EveryControlExistsOnceWithItsName)
{
    for (const auto& [w, name] : namedControls(ui)) {
        ASSERT_NE(w, nullptr) << qPrintable(name) << " was not created";
        EXPECT_EQ(w->objectName(), name);
        EXPECT_EQ(window->findChildren<QWidget*>(name).size(), 1)
            << qPrintable(name) << " must be found by its name exactly once";
    }
}

TEST_F(MainLayout, TabControlHasTheEightPagesPlacedInTheWindow)
{
    const QStringList captions = {"1. Identification", "2. Installation", "3. Readings",
                                  "4. Load v Time",    "5. Disp v Time",  "6. Load v Length",
                                  "7. Disp v Length",  "8. Utilities"};
    ASSERT_EQ(ui.SSTab1->count(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(ui.SSTab1->tabText(i), captions[i]);
        EXPECT_EQ(ui.SSTab1->widget(i), ui.page[i]);
    }
    EXPECT_EQ(ui.SSTab1->currentIndex(), 0);
    EXPECT_EQ(ui.SSTab1->pos(), QPoint(8, 8));
    EXPECT_EQ(window->size(), ui.SSTab1->size() + QSize(16, 16));
    EXPECT_EQ(ui.SSTab1->parentWidget(), window.get());
    EXPECT_EQ(ui.SSTab1->minimumSize(), ui.SSTab1->size()) << "the design size is the least the tab control has";
}

TEST_F(MainLayout, ControlsSitOnTheirPages)
{
    EXPECT_TRUE(ui.page[0]->isAncestorOf(ui.Option1));
    EXPECT_TRUE(ui.page[0]->isAncestorOf(ui.imgheart));
    EXPECT_TRUE(ui.page[1]->isAncestorOf(ui.txtRelSGanchor[6]));
    EXPECT_TRUE(ui.page[2]->isAncestorOf(ui.lblError));
    EXPECT_TRUE(ui.page[3]->isAncestorOf(ui.cmdTHelp));
    EXPECT_TRUE(ui.page[4]->isAncestorOf(ui.mgPrintR));
    EXPECT_TRUE(ui.page[5]->isAncestorOf(ui.imgPrintS));
    EXPECT_TRUE(ui.page[6]->isAncestorOf(ui.cmdDisp));
    EXPECT_TRUE(ui.page[7]->isAncestorOf(ui.txtSCount));
}

TEST_F(MainLayout, ButtonCaptionLabelsReadAsTheProgramNamesThem)
{
    const std::pair<ClickableLabel*, const char*> labels[] = {
        {ui.Label57, "Add New"},   {ui.Label55, "Delete"},           {ui.Label56, "Previous"},
        {ui.Label59, "Next"},      {ui.Label61, "First"},            {ui.Label62, "Previous"},
        {ui.Label60, "Next"},      {ui.Label64, "Last"},             {ui.Label63, "Add New"},
        {ui.Label65, "Delete/Batch"}, {ui.Label45, "Datasheet"},     {ui.Label46, "Report"},
        {ui.Label42, "Backup Database"}, {ui.Label27, "Restore from Backup"},
        {ui.lblFilterState, "Apply Filter"}, {ui.Label66, "View Rockvane Manual"},
        {ui.Label40, "Visit the Quillon website"}, {ui.Label29, "About Quillon's Rockvane"},
    };
    for (const auto& [label, text] : labels)
        EXPECT_EQ(label->text(), QString::fromUtf8(text)) << qPrintable(label->objectName());
}

TEST_F(MainLayout, CaptionsOfEachPageAreThere)
{
    const std::pair<int, QStringList> pages[] = {
        {0, {"Add or Select Sensor:", "Record Navigation:", "Mine ID", "Date ID", "S Type",
             "S Number", "Family:", "Manufacturing Configuration:", "Length of cable (m):",
             "Cable Bolt Plate", "Option 1 && 2 - Head at collar", "Option 3 - Head at toe",
             "Nodal Points:", "Strain Gauge Centers:", "Destroyed:", "Date:"}},
        {1, {"Instrument ID:", "HEAD"}},
        {2, {"Reading ID:", "Reading Date:", "Reading Time:", "Temperature:", "Plot Temporal",
             "Plot Spatial", "Datasheet View:", "Import Datafiles:", "Error:"}},
        {7, {"Choose an mdb file to restore from:", "Change Database Location",
             "Filter by Sensor Type:", "Do Not Show Destroyed Sensors", "* Filter Applied *",
             "Apply Filter", "# of Instruments:"}},
    };
    for (const auto& [index, wanted] : pages) {
        const QStringList have = captionsOn(ui.page[index]);
        for (const QString& text : wanted)
            EXPECT_TRUE(have.contains(text)) << "page " << index << " lacks " << qPrintable(text);
    }
    EXPECT_EQ(ui.cmdTHelp->text(), "?");
    EXPECT_EQ(ui.cmdDisp->text(), "Displacement Values");
    for (QPushButton* b : {ui.cmdTemp, ui.cmdRate, ui.cmdSpat, ui.cmdDvl})
        EXPECT_EQ(b->text(), "Export as JPG");
}

TEST_F(MainLayout, BoxesAndListsStartAsTheProgramExpects)
{
    for (QLineEdit* e : {ui.txtSnav, ui.txtSensor, ui.txtSensor2, ui.txtSensor3, ui.txtMineID,
                         ui.txtSCount, ui.txtHead, ui.txtReadingID, ui.txtRcount})
        EXPECT_TRUE(e->isReadOnly()) << qPrintable(e->objectName());
    for (int k = 1; k <= 6; ++k)
        EXPECT_TRUE(ui.txtRelSGanchor[k]->isReadOnly());
    for (int k = 1; k <= 5; ++k)
        EXPECT_TRUE(ui.txtRelSGCenter[k]->isReadOnly());
    EXPECT_FALSE(ui.txtLevel->isReadOnly());
    EXPECT_FALSE(ui.txtNode[1]->isReadOnly());

    EXPECT_TRUE(ui.cboSensors->isEditable());
    EXPECT_EQ(ui.cboSensors->insertPolicy(), QComboBox::NoInsert);
    EXPECT_EQ(ui.cboSensors->completer(), nullptr);
    EXPECT_TRUE(ui.cboDestroyed->isEditable());
    ASSERT_EQ(ui.cboDestroyed->count(), 2);
    EXPECT_EQ(ui.cboDestroyed->itemText(0), "Yes");
    EXPECT_EQ(ui.cboDestroyed->itemText(1), "No");

    EXPECT_FALSE(ui.cboSlugInt->isEditable());
    ASSERT_EQ(ui.cboSlugInt->count(), 3);
    EXPECT_EQ(ui.cboSlugInt->itemText(0), "1");
    EXPECT_EQ(ui.cboSlugInt->itemText(1), "8");
    EXPECT_EQ(ui.cboSlugInt->itemText(2), "24");
    EXPECT_EQ(ui.cboSlugInt->currentText(), "24");

    EXPECT_TRUE(ui.txtFilterType->isEditable());
    EXPECT_EQ(ui.txtFilterType->currentText(), "");
    const QStringList types = {"25: x1TENDON", "45: x3TENDON", "55: x4TENDON", "65: x5TENDON"};
    ASSERT_EQ(ui.txtFilterType->count(), 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(ui.txtFilterType->itemText(i), types[i]);

    EXPECT_EQ(ui.dtpRdate->displayFormat(), "yyyy/MM/dd");
    EXPECT_TRUE(ui.dtpRdate->calendarPopup());
    EXPECT_EQ(ui.dtpRtime->displayFormat(), "HH:mm:ss");
    EXPECT_TRUE(ui.Option1->isChecked());
    EXPECT_FALSE(ui.Option2->isChecked());
    ui.lblError->ensurePolished();
    EXPECT_EQ(ui.lblError->palette().color(QPalette::WindowText), QColor(Qt::red));
}

TEST_F(MainLayout, PictureSourcesAreHiddenAndTheShownPicturesStartFromThem)
{
    for (QLabel* source : {ui.imgalive, ui.imgdead, ui.imgCollar, ui.imgToe, ui.imgApplyFilter,
                           ui.imgRemoveFilter}) {
        EXPECT_TRUE(source->isHidden()) << qPrintable(source->objectName());
        EXPECT_FALSE(source->pixmap().isNull()) << qPrintable(source->objectName());
    }
    EXPECT_TRUE(ui.lblFilter->isHidden());
    EXPECT_TRUE(ui.lblW15->isHidden());
    EXPECT_FALSE(ui.imgHead->isHidden());
    EXPECT_EQ(ui.imgheart->pixmap().toImage(), ui.imgalive->pixmap().toImage());
    EXPECT_NE(ui.imgalive->pixmap().toImage(), ui.imgdead->pixmap().toImage());
    EXPECT_EQ(ui.imgHead->pixmap().toImage(), ui.imgCollar->pixmap().toImage());
    EXPECT_NE(ui.imgCollar->pixmap().toImage(), ui.imgToe->pixmap().toImage());
    EXPECT_NE(ui.imgApplyFilter->pixmap().toImage(), ui.imgRemoveFilter->pixmap().toImage());
    EXPECT_FALSE(ui.imgFilter->icon().isNull());
    for (QToolButton* b : {ui.imgAddSensor, ui.imgFirst, ui.imgPrintT, ui.mgPrintR, ui.Image4})
        EXPECT_FALSE(b->icon().isNull()) << qPrintable(b->objectName());
}

TEST_F(MainLayout, InstallationBoxesStartInTheHeadAtCollarPlaces)
{
    EXPECT_EQ(ui.lblHead->y(), 8880 / 15);
    EXPECT_EQ(ui.txtHead->y(), 8880 / 15);
    const int anchors[] = {7920, 7080, 6240, 5400, 4560, 3720};
    const int centres[] = {7440, 6600, 5760, 4920, 4080};
    for (int k = 1; k <= 6; ++k)
        EXPECT_EQ(ui.txtRelSGanchor[k]->y(), anchors[k - 1] / 15) << k;
    for (int k = 1; k <= 5; ++k)
        EXPECT_EQ(ui.txtRelSGCenter[k]->y(), centres[k - 1] / 15) << k;
    EXPECT_EQ(ui.imgHead->geometry(), boreholeRect());
}

TEST_F(MainLayout, NothingOverlapsOnAnyPage)
{
    for (int i = 0; i < 8; ++i) {
        ui.SSTab1->setCurrentIndex(i);
        QCoreApplication::processEvents();
        expectNoOverlap(ui.page[i], qPrintable(QStringLiteral("page %1").arg(i)));
    }
    ui.SSTab1->setCurrentIndex(1);
    applyGeometry(ui, false);
    expectNoOverlap(ui.page[1], "page 1, head at toe");
    applyGeometry(ui, true);
    expectNoOverlap(ui.page[1], "page 1, head at collar");
}

TEST_F(MainLayout, CaptionsFitTheirControls)
{
    for (auto* l : window->findChildren<QLabel*>()) {
        if (l->wordWrap() || l->text().isEmpty() || l->isHidden())
            continue;
        EXPECT_LE(l->sizeHint().width(), l->width() + 1)
            << qPrintable(l->objectName()) << " '" << qPrintable(l->text()) << "' is cut off";
    }
    for (auto* b : window->findChildren<QAbstractButton*>()) {
        if (b->text().isEmpty() || qobject_cast<QToolButton*>(b))
            continue;
        // A push button's size hint has a style minimum; only its text counts.
        const int needed = qobject_cast<QPushButton*>(b)
            ? b->fontMetrics().horizontalAdvance(b->text()) + 12
            : b->sizeHint().width();
        EXPECT_LE(needed, b->width() + 1)
            << qPrintable(b->objectName()) << " '" << qPrintable(b->text()) << "' is cut off";
    }
    // The longest captions the program gives these labels must fit as well.
    ui.lblRecess->setText("m protruding from hole for plating");
    EXPECT_LE(ui.lblRecess->sizeHint().width(), ui.lblRecess->width());
    ui.lbloption->setText("Option 1 and 2 - Head at Borehole Collar");
    EXPECT_LE(ui.lbloption->sizeHint().width(), ui.lbloption->width());
    ui.lblFilterState->setText("Remove Filter");
    EXPECT_LE(ui.lblFilterState->sizeHint().width(), ui.lblFilterState->width());
}

TEST_F(MainLayout, TheDrawingMarksEachNodeAtTheHeightOfItsBox)
{
    // Node marks are drawn in the anchor colour; find one on the row through
    // the middle of each box, in both geometries.
    const QColor mark(215, 160, 50);
    for (bool collar : {true, false}) {
        const QImage img = drawBorehole(collar, boreholeRect().size()).toImage();
        ASSERT_EQ(img.size(), boreholeRect().size());
        const RelBoxTops& tops = relBoxTops(collar);
        for (int k = 1; k <= 6; ++k) {
            const int row = tops.anchors[k] / kTwipsPerPixel + kRelBoxHeight / 2 - boreholeRect().top();
            bool found = false;
            for (int x = 0; x < img.width() && !found; ++x)
                found = img.pixelColor(x, row) == mark;
            EXPECT_TRUE(found) << (collar ? "collar" : "toe") << " node " << k;
        }
    }
    EXPECT_EQ(drawBorehole(true, QSize(100, 237)).size(), QSize(100, 237));
}

TEST(ClickableLabel, ClicksOnALeftReleaseInsideOnly)
{
    ClickableLabel label("Next");
    label.resize(80, 24);
    int clicks = 0;
    QObject::connect(&label, &ClickableLabel::clicked, [&] { ++clicks; });
    auto release = [&](QPoint at, Qt::MouseButton button) {
        QMouseEvent e(QEvent::MouseButtonRelease, QPointF(at), label.mapToGlobal(QPointF(at)), button,
                      Qt::NoButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&label, &e);
    };
    release(QPoint(10, 10), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    release(QPoint(10, 10), Qt::RightButton);
    release(QPoint(200, 10), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
}
