// The tab control's page changes: saves on leaving, entry actions, the
// graph pages' two-readings check and the placement of the Installation page.
#include "main_window_fixture.h"
#include "store/recordset.h"
#include <QDir>
#include <QListWidget>

using namespace rv;
using namespace rv::test;

class PagesTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        addSensor("250065001");
        pr.clear();
    }
    void addReading(const QString& when, bool temporal, bool spatial)
    {
        MainWindowTest::addReading("250065001", when, temporal, spatial);
    }
    int top(const QString& name) { return w<QWidget>(name)->y(); }
};

TEST_F(PagesTest, InstallationPageFollowsTheHeadLocation)
{
    page(1);
    EXPECT_EQ(text("lblRecess"), "m recess");
    EXPECT_EQ(text("lbloption"), "Option 1 and 2 - Head at Borehole Collar");
    EXPECT_EQ(top("txtHead"), 8880 / 15);
    EXPECT_EQ(top("lblHead"), 8880 / 15);
    EXPECT_EQ(top("txtRelSGanchor(1)"), 7920 / 15);
    EXPECT_EQ(top("txtRelSGanchor(6)"), 3720 / 15);
    EXPECT_EQ(top("txtRelSGCenter(5)"), 4080 / 15);
    EXPECT_GT(top("txtRelSGanchor(1)"), top("txtRelSGanchor(6)")) << "node 1 nearest the head at the bottom";

    page(0);
    w<QRadioButton>("Option2")->setChecked(true);
    page(1);
    EXPECT_EQ(text("lblRecess"), "m protruding from hole for plating");
    EXPECT_EQ(text("lbloption"), "Option 3 - Head at Toe");
    EXPECT_EQ(top("txtHead"), 3240 / 15);
    EXPECT_EQ(top("txtRelSGanchor(1)"), 4200 / 15);
    EXPECT_EQ(top("txtRelSGanchor(6)"), 8760 / 15);
    EXPECT_EQ(top("txtRelSGCenter(1)"), 4560 / 15);
    EXPECT_LT(top("txtRelSGanchor(1)"), top("txtRelSGanchor(6)"));
    EXPECT_FALSE(data.valueOf("Sensors", "InstrumentID", "250065001", "HeadLocation").toBool());
}

TEST_F(PagesTest, LeavingTheInstallationPageSavesIt)
{
    page(1);
    type("txtNotes", "Grouted 2 days late");
    page(3 - 1);  // the Readings page
    EXPECT_EQ(data.valueOf("Sensors", "InstrumentID", "250065001", "Notes").toString(), "Grouted 2 days late");
}

TEST_F(PagesTest, GraphPageWithOneReadingReturnsAndExplains)
{
    addReading("2026/05/01 10:00:00", true, true);
    addReading("2026/05/02 10:00:00", false, true);
    page(7);
    pr.clear();
    page(3);
    EXPECT_EQ(currentPage(), 7);
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "You must have at least 2 readings to view the plot.\n\n"
                         "If you have at least 2 readings in the database, ensure the Plot Temporal box on the "
                         "Readings Tab is checked in each case.");
    EXPECT_EQ(m[0].icon, MsgIcon::Information);
    EXPECT_EQ(m[0].title, "Quillon's Rockvane");

    // Two spatial readings pass the length graphs' check.
    pr.clear();
    page(5);
    EXPECT_EQ(currentPage(), 5);
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_TRUE(w<QWidget>("ChartS")->isVisible());
}

TEST_F(PagesTest, SpatialPagesNameTheSpatialBox)
{
    page(6);
    EXPECT_EQ(currentPage(), 0);
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_TRUE(pr.messages()[0].text.endsWith("ensure the Plot Spatial box on the Readings Tab is checked in each case."));
}

TEST_F(PagesTest, MissingReadingTableIsAnnouncedCreatedAndOpened)
{
    st->conn->execute("DROP TABLE `250065001`");
    page(2);
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "The data table for Sensor 250065001 could not be found\nA new table will be created");
    EXPECT_EQ(m[0].title, "Rockvane");
    EXPECT_TRUE(data.hasTable("250065001"));
    EXPECT_EQ(st->rsReadings.state(), 1);
    EXPECT_EQ(st->rsReadings.tableName(), "250065001");
    EXPECT_EQ(text("txtRcount"), "0 of 0");
}

TEST_F(PagesTest, ReadingsPageRemembersTheReadingUntilPageZero)
{
    addReading("2026/05/01 10:00:00", true, false);
    addReading("2026/05/02 10:00:00", true, false);
    addReading("2026/05/03 10:00:00", true, false);
    page(2);
    EXPECT_EQ(text("txtRcount"), "3 of 3") << "the latest reading first";
    st->rsReadings.moveFirst();
    page(7);
    page(2);
    EXPECT_EQ(text("txtRcount"), "1 of 3");
    page(0);
    page(2);
    EXPECT_EQ(text("txtRcount"), "3 of 3");
}

TEST_F(PagesTest, LeftOverImportFileIsRemovedOnEnteringReadings)
{
    data.writeFile("datafile.txt", "x");
    page(2);
    EXPECT_FALSE(QFile::exists(data.folder() + "/datafile.txt"));
}

TEST_F(PagesTest, UtilitiesPageListsTheBackups)
{
    page(7);
    auto* list = w<QListWidget>("lstFiles");
    EXPECT_EQ(list->count(), 0) << "no backup folder, no list";
    page(0);
    QDir().mkpath(data.folder() + "/TENDONbackup");
    data.writeFile("TENDONbackup/TENDONbackup2026-12-06.mdb", "x");
    data.writeFile("TENDONbackup/TENDONbackup2026-11-30.mdb", "x");
    page(7);
    ASSERT_EQ(list->count(), 3);
    EXPECT_EQ(list->item(0)->text(), "List of Backups:");
    EXPECT_EQ(list->item(1)->text(), "TENDONbackup2026-11-30.mdb");
    EXPECT_EQ(list->item(2)->text(), "TENDONbackup2026-12-06.mdb");
    EXPECT_EQ(list->currentRow(), 0);
}

TEST_F(PagesTest, PagesAndChartsGrowWithTheWindow)
{
    auto* tabs = w<QTabWidget>("SSTab1");
    auto* chartT = w<QWidget>("ChartT");
    auto* cmdTemp = w<QWidget>("cmdTemp");
    auto* cmdDisp = w<QWidget>("cmdDisp");
    const QSize designTabs = tabs->size();
    const QSize designChart = chartT->size();
    const QPoint designButton = cmdTemp->pos();
    const QPoint designDisp = cmdDisp->pos();

    win->resize(win->size() + QSize(400, 300));
    QApplication::processEvents();
    EXPECT_EQ(tabs->size(), designTabs + QSize(400, 300));
    EXPECT_EQ(chartT->size(), designChart + QSize(400, 300));
    EXPECT_EQ(w<QWidget>("ChartDvL")->size(), designChart + QSize(400, 300));
    EXPECT_EQ(cmdTemp->pos(), designButton + QPoint(0, 300)) << "the buttons stay under the chart";
    EXPECT_EQ(cmdDisp->pos(), designDisp + QPoint(0, 300));
    EXPECT_EQ(tabs->pos(), QPoint(8, 8));

    // Back to the design size: everything back in its place; never smaller.
    win->resize(win->size() - QSize(600, 500));
    QApplication::processEvents();
    EXPECT_EQ(tabs->size(), designTabs);
    EXPECT_EQ(chartT->size(), designChart);
    EXPECT_EQ(cmdTemp->pos(), designButton);
}
