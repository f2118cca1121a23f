// The report button and its choices dialog, through the real main window.
#include "main_window_fixture.h"
#include "reports/frmReport.h"
#include "reports_support.h"
#include "reports_window_support.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QSignalSpy>

using namespace rv;
using namespace rv::test;

namespace {

const QString kId = QStringLiteral("250045001");

} // namespace

class ReportTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        addSensor(kId);
        // Node positions, so that the displacement graphs can be computed.
        type("txtLengthofCable", "8");
        for (int k = 1; k <= 4; ++k)
            type(QString("txtNode(%1)").arg(k), QString::number(k));
        page(1);
        page(0);
        // Two readings for each graph.
        addReading(kId, "2026/05/01 10:00:00", true, true);
        addReading(kId, "2026/05/02 10:00:00", true, true);
        page(2);
        pr.clear();
    }

    QStringList reports() const
    {
        return QDir(data.folder()).entryList({"Report *.odt"}, QDir::Files, QDir::Name);
    }
    std::vector<QString> openedFiles() const
    {
        std::vector<QString> out;
        for (const auto& r : pr.records())
            if (r.kind == PromptRecord::Kind::OpenWith)
                out.push_back(r.text);
        return out;
    }
    // Clicks the report button; `choose` works the dialog while it is up.
    void report(std::function<void(QDialog*)> choose)
    {
        onModal("frmReport", std::move(choose));
        click("imgReport");
    }
    static void ok(QDialog* d) { keyIn(d, "cmdOK", Qt::Key_Space); }
};

TEST_F(ReportTest, CancelMakesNothingAndKeepsThePage)
{
    QSignalSpy pages(w<QTabWidget>("SSTab1"), &QTabWidget::currentChanged);
    report([](QDialog* d) { keyIn(d, "chkTemp", Qt::Key_Escape); });
    EXPECT_TRUE(reports().isEmpty());
    EXPECT_TRUE(openedFiles().empty());
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(pages.count(), 0);
    EXPECT_EQ(currentPage(), 2);

    report([](QDialog* d) { keyIn(d, "cmdCancel", Qt::Key_Space); });
    EXPECT_TRUE(reports().isEmpty());
    EXPECT_EQ(currentPage(), 2);
}

TEST_F(ReportTest, OnlyDispVLengthVisitsItsPageAndTheChoicesPersist)
{
    QSignalSpy pages(w<QTabWidget>("SSTab1"), &QTabWidget::currentChanged);
    bool allTicked = false;
    report([&](QDialog* d) {
        allTicked = true;
        for (const char* n : {"chkCover", "chkTemp", "chkRate", "chkSpatial", "chkDvL"})
            allTicked = allTicked && d->findChild<QCheckBox*>(n)->isChecked();
        keyIn(d, "chkTemp", Qt::Key_Space);
        keyIn(d, "chkRate", Qt::Key_Space);
        keyIn(d, "chkSpatial", Qt::Key_Space);
        ok(d);
    });
    EXPECT_TRUE(allTicked) << "every box is ticked the first time";
    // Page 6 and back to the Readings page.
    ASSERT_EQ(pages.count(), 2);
    EXPECT_EQ(pages[0][0].toInt(), 6);
    EXPECT_EQ(pages[1][0].toInt(), 2);
    EXPECT_EQ(currentPage(), 2);
    EXPECT_TRUE(QFileInfo::exists(data.folder() + "/DvL.jpg"));
    EXPECT_FALSE(QFileInfo::exists(data.folder() + "/Temporal.jpg"));

    ASSERT_EQ(reports().size(), 1);
    const QString file = data.folder() + "/" + reports().first();
    EXPECT_TRUE(reports().first().startsWith("Report " + kId + " "));
    ASSERT_EQ(openedFiles().size(), 1u);
    EXPECT_EQ(openedFiles()[0], file);
    EXPECT_TRUE(pr.messages().empty());

    // The information page and one graph page.
    const auto ps = readOdtParagraphs(file);
    ASSERT_GE(ps.size(), 15u);
    EXPECT_EQ(ps[1].text, "REPORT " + kId);
    EXPECT_TRUE(ps[1].bold);
    EXPECT_TRUE(ps[3].text.startsWith("   Date: "));
    EXPECT_EQ(ps[4].text, "   Sensor Number: " + kId);
    int breaks = 0;
    for (const auto& p : ps)
        breaks += p.pageBreakBefore;
    EXPECT_EQ(breaks, 1);
    EXPECT_EQ(ps[12].text, "Disp v Length");
    EXPECT_TRUE(ps[13].text.startsWith("[image "));
    EXPECT_EQ(ps[14].text, "   Notes:");

    // The next dialog of the run opens with the last choices.
    bool kept = false;
    report([&](QDialog* d) {
        kept = !d->findChild<QCheckBox*>("chkTemp")->isChecked() && !d->findChild<QCheckBox*>("chkRate")->isChecked() &&
               !d->findChild<QCheckBox*>("chkSpatial")->isChecked() && d->findChild<QCheckBox*>("chkDvL")->isChecked() &&
               d->findChild<QCheckBox*>("chkCover")->isChecked();
        keyIn(d, "cmdCancel", Qt::Key_Space);
    });
    EXPECT_TRUE(kept);
    EXPECT_EQ(reports().size(), 1);
}

TEST_F(ReportTest, AllGraphsInOrderFromTheReportLabel)
{
    report([](QDialog* d) { keyIn(d, "chkDvL", Qt::Key_Return); });  // Enter presses OK
    ASSERT_EQ(reports().size(), 1);
    std::vector<QString> captions;
    for (const auto& p : readOdtParagraphs(data.folder() + "/" + reports().first()))
        if (p.pageBreakBefore)
            captions.push_back(p.text);
    EXPECT_EQ(captions, (std::vector<QString>{"Load v Time", "Disp v Time", "Load v Length", "Disp v Length"}));
    for (const char* f : {"Temporal.jpg", "Rate.jpg", "Spatial.jpg", "DvL.jpg"})
        EXPECT_TRUE(QFileInfo::exists(data.folder() + "/" + f)) << f;
    EXPECT_EQ(currentPage(), 2);

    // The caption beside the button does the same; a second report never
    // overwrites the first.
    onModal("frmReport", ok);
    QTest::mouseClick(w<QLabel>("Label46"), Qt::LeftButton);
    QApplication::processEvents();
    EXPECT_EQ(reports().size(), 2);
}

TEST_F(ReportTest, WithoutTheCoverPageTheReportStartsWithTheFirstGraph)
{
    report([](QDialog* d) {
        keyIn(d, "chkCover", Qt::Key_Space);
        keyIn(d, "chkRate", Qt::Key_Space);
        keyIn(d, "chkSpatial", Qt::Key_Space);
        keyIn(d, "chkDvL", Qt::Key_Space);
        ok(d);
    });
    ASSERT_EQ(reports().size(), 1);
    const auto ps = readOdtParagraphs(data.folder() + "/" + reports().first());
    ASSERT_GE(ps.size(), 3u);
    EXPECT_EQ(ps[0].text, "Load v Time");
    EXPECT_FALSE(ps[0].pageBreakBefore);
    EXPECT_TRUE(ps[1].text.startsWith("[image "));

    // Nothing chosen at all: told, nothing written.
    pr.clear();
    report([](QDialog* d) {
        keyIn(d, "chkTemp", Qt::Key_Space);
        ok(d);
    });
    EXPECT_EQ(reports().size(), 1);
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_TRUE(pr.messages()[0].text.startsWith("There is nothing to put in the report."));
}

TEST_F(ReportTest, AGraphWithTooFewReadingsIsLeftOutNotDrawnStale)
{
    // A second sensor whose readings are marked for the time graphs only.
    page(0);
    addSensor("250045002");
    addReading("250045002", "2026/05/01 10:00:00", true, false);
    addReading("250045002", "2026/05/02 10:00:00", true, false);
    page(2);
    pr.clear();
    report(ok);
    EXPECT_EQ(currentPage(), 2);
    ASSERT_EQ(reports().size(), 1);
    EXPECT_TRUE(reports().first().startsWith("Report 250045002 "));
    std::vector<QString> captions;
    for (const auto& p : readOdtParagraphs(data.folder() + "/" + reports().first()))
        if (p.pageBreakBefore)
            captions.push_back(p.text);
    EXPECT_EQ(captions, (std::vector<QString>{"Load v Time", "Disp v Time"}));
    // The two length pages told why they would not open.
    const QStringList texts = pr.messageTexts();
    EXPECT_EQ(texts.filter("You must have at least 2 readings to view the plot.").size(), 2);
}

TEST_F(ReportTest, NoWordProcessorTellsWhereTheReportIs)
{
    pr.setOpenWithResult(false);
    report(ok);
    ASSERT_EQ(reports().size(), 1);
    ASSERT_EQ(pr.messages().size(), 1u) << pr.messageTexts().join(" | ").toStdString();
    const auto m = pr.messages()[0];
    EXPECT_TRUE(m.text.endsWith(data.folder() + "/" + reports().first()));
    EXPECT_EQ(m.title, "Quillon's Rockvane");
}

TEST_F(ReportTest, AReportThatCannotBeWrittenIsToldAndLogged)
{
    // The data folder's pictures cannot be written where a folder stands in
    // their way; the program goes on.
    QDir(data.folder()).mkdir("Temporal.jpg");
    report(ok);
    EXPECT_TRUE(reports().isEmpty());
    ASSERT_FALSE(pr.messages().empty());
    EXPECT_TRUE(pr.messages().back().text.startsWith("The report could not be made."));
    EXPECT_EQ(pr.messages().back().icon, MsgIcon::Warning);
    EXPECT_TRUE(data.readLog().contains(" imgReport_Click"));
    EXPECT_EQ(currentPage(), 2);
    EXPECT_TRUE(win->isVisible());
}

// The datasheet window's export button: the grid as shown, into a workbook.
TEST_F(ReportTest, DatasheetExportButtonWritesTheGrid)
{
    QString xlsx;
    bool enabled = false;
    onModal("frmDatasheet", [&](QDialog* d) {
        enabled = d->findChild<QToolButton*>("Image1")->isEnabled();
        keyIn(d, "Image1", Qt::Key_Space);
        for (const auto& r : pr.records())
            if (r.kind == PromptRecord::Kind::OpenWith)
                xlsx = r.text;
        d->reject();
    });
    focusOn("imgDatasheet");
    keyToFocus(Qt::Key_Space);
    EXPECT_TRUE(enabled);
    ASSERT_FALSE(xlsx.isEmpty());
    EXPECT_TRUE(xlsx.startsWith(data.folder() + "/" + kId + " "));
    EXPECT_EQ(sheetNameOf(xlsx), kId);
    const SheetCells s = readSheet(xlsx);
    EXPECT_EQ(s.rows, 3);
    EXPECT_EQ(s.cells["A1"].value, "DateTime Key");
    EXPECT_EQ(s.cells["A3"].value, kId + " 2026/05/02 10:00:00");
}
