// The catalogue filter of the Utilities page: the criteria texts and the window.
#include "common/dates.h"
#include "main_window_fixture.h"
#include "sensors/filter_criteria.h"

using namespace rv;
using namespace rv::sensors;
using namespace rv::test;

namespace {

FilterBuild build(const QString& type, const QString& level, const QString& location, const QString& start,
                  const QString& end, bool hide)
{
    return buildFilterCriteria({type, level, location, start, end, hide}, "2026/12/08");
}

} // namespace

TEST(FilterCriteria, PiecesInTheirOrder)
{
    EXPECT_EQ(build("45", "12", "", "", "", true).criteria, "Destroyed = 'No' AND SensorType ='45' AND Level ='12'");
    EXPECT_EQ(build("45: x3TENDON", "", "", "", "", false).criteria, "SensorType ='45'");
    EXPECT_EQ(build("", "", "", "", "", true).criteria, "Destroyed = 'No'");
    EXPECT_EQ(build(" 65 ", " L2 ", "", "", "", false).criteria, "SensorType ='65' AND Level ='L2'");
}

TEST(FilterCriteria, LocationComesFirstOnlyWithoutTypeAndCheckBox)
{
    EXPECT_EQ(build("", "12", "North", "", "", false).criteria, "Location ='North' AND Level ='12'");
    EXPECT_EQ(build("", "12", "North", "", "", true).criteria,
              "Destroyed = 'No' AND Level ='12' AND Location ='North'");
    EXPECT_EQ(build("25", "12", "North", "", "", false).criteria,
              "SensorType ='25' AND Level ='12' AND Location ='North'");
}

TEST(FilterCriteria, DateRangesAndHalfRanges)
{
    EXPECT_EQ(build("", "", "", "2005/01/01", "2005/12/31", false).criteria,
              "InstallDate >= 2005/01/01 AND InstallDate <= 2005/12/31");
    EXPECT_EQ(build("", "", "", "", "2005/12/31", false).criteria,
              "InstallDate >= 1999/01/01 AND InstallDate <= 2005/12/31");
    EXPECT_EQ(build("", "", "", "2005/01/01", "", false).criteria,
              "InstallDate >= 2005/01/01 AND InstallDate <= 2026/12/08");
    // Forms other than year-first are delimited so they read as one date.
    EXPECT_EQ(build("", "", "", "31/12/2004", "", false).criteria,
              "InstallDate >= #31/12/2004# AND InstallDate <= 2026/12/08");
}

TEST(FilterCriteria, RefusalsAndQuotes)
{
    EXPECT_EQ(build("35", "", "", "", "", false).outcome, FilterBuild::Outcome::BadType);
    EXPECT_EQ(build("", "", "", "", "", false).outcome, FilterBuild::Outcome::NoCriteria);
    EXPECT_EQ(build("", "", "", "2005/13/45", "", false).outcome, FilterBuild::Outcome::BadStart);
    EXPECT_EQ(build("", "", "", "2005/01/01", "soon", false).outcome, FilterBuild::Outcome::BadEnd);
    EXPECT_EQ(build("", "O'Brien's", "", "", "", false).criteria, "Level ='O''Brien''s'");
}

class FilterWindowTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        struct S { const char* id; const char* level; const char* location; const char* installed; };
        const S sensors[] = {
            {"250045001", "12", "North", "2005/03/01"},
            {"250045002", "12", "South", "2006/03/01"},
            {"250025003", "14", "North", "2005/12/31"},
            {"250065004", "O'Brien's", "North", "2004/06/15"},
        };
        for (const S& s : sensors) {
            addSensor(s.id);
            type("txtLevel", s.level);
            type("txtLocation", s.location);
            type("txtInstallDate", s.installed);
            page(1);
            page(0);
        }
        page(7);
        pr.clear();
    }
};

TEST_F(FilterWindowTest, ApplyingAndRemoving)
{
    w<QComboBox>("txtFilterType")->setEditText("45");
    type("txtFilterLevel", "12");
    click("imgFilter");
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(st->rsSensors.filter(), "SensorType ='45' AND Level ='12'");
    EXPECT_EQ(text("txtSCount"), "2");
    EXPECT_EQ(w<QComboBox>("cboSensors")->count(), 2);
    EXPECT_EQ(text("lblFilterState"), "Remove Filter");
    EXPECT_TRUE(w<QLabel>("lblFilter")->isVisible());
    EXPECT_EQ(text("txtSnav"), "1 of 2");

    click("imgFilter");
    EXPECT_FALSE(st->rsSensors.isFiltered());
    EXPECT_EQ(text("txtSCount"), "4");
    EXPECT_EQ(text("lblFilterState"), "Apply Filter");
    EXPECT_FALSE(w<QLabel>("lblFilter")->isVisible());
    EXPECT_EQ(text("txtFilterType"), "");
    EXPECT_EQ(text("txtFilterLevel"), "");
}

TEST_F(FilterWindowTest, DateRangeSelectsTheDaysWhateverTheForm)
{
    type("txtStartDate", "2005-01-01");
    type("txtEndDate", "31/12/2005");
    click("imgFilter");
    EXPECT_EQ(text("txtSCount"), "2") << st->rsSensors.filter().toStdString();
    click("imgFilter");
    type("txtEndDate", "2005/03/01");
    click("imgFilter");
    EXPECT_EQ(text("txtSCount"), "2") << "1999/01/01 to the day itself, inclusive";
}

TEST_F(FilterWindowTest, NoMatchWarnsAndKeepsTheWholeCatalogue)
{
    type("txtFilterLocation", "East");
    click("imgFilter");
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "There are no sensors that meet the criteria");
    EXPECT_EQ(m[0].icon, MsgIcon::Warning);
    EXPECT_FALSE(st->rsSensors.isFiltered());
    EXPECT_EQ(text("txtSCount"), "4");
    EXPECT_EQ(text("lblFilterState"), "Apply Filter");
}

TEST_F(FilterWindowTest, QuotesInALevelAreMatchedNotAnError)
{
    type("txtFilterLevel", "O'Brien's");
    click("imgFilter");
    EXPECT_EQ(text("txtSCount"), "1");
    EXPECT_EQ(text("cboSensors"), "250065004");
    EXPECT_EQ(data.readLog(), "");
}

TEST_F(FilterWindowTest, RefusalsLeaveTheStateAlone)
{
    w<QComboBox>("txtFilterType")->setEditText("35");
    click("imgFilter");
    w<QComboBox>("txtFilterType")->setEditText("");
    click("imgFilter");
    type("txtStartDate", "2005/02/30");
    click("imgFilter");
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 3u);
    EXPECT_EQ(m[0].text, "Sensor Type is not recognized\n\nPlease choose a sensor from the list, or enter the 2 digit sensor #");
    EXPECT_EQ(m[1].text, "You must enter criteria to filter sensors on");
    EXPECT_EQ(m[1].icon, MsgIcon::Information);
    EXPECT_EQ(m[2].text, "Start date is not a valid date\nPlease enter a date in the format yyyy/mm/dd");
    EXPECT_FALSE(st->rsSensors.isFiltered());
}

TEST_F(FilterWindowTest, HidingDestroyedSensorsAndNavigatingTheFilteredSet)
{
    page(0);
    auto* cbo = w<QComboBox>("cboDestroyed");
    cbo->setEditText("Yes");
    emit cbo->activated(0);
    page(7);
    w<QCheckBox>("chkDontShowDestroyed")->setChecked(true);
    click("imgFilter");
    EXPECT_EQ(st->rsSensors.filter(), "Destroyed = 'No'");
    EXPECT_EQ(text("txtSCount"), "3");
    page(0);
    click("imgNext");
    click("imgNext");
    EXPECT_EQ(text("txtSnav"), "3 of 3");
    pr.clear();
    click("imgNext");
    EXPECT_EQ(pr.messageTexts(), QStringList{"End of sensors"});
}

TEST_F(FilterWindowTest, DateBoxesAreCheckedWhenLeft)
{
    win->activateWindow();
    QApplication::setActiveWindow(win.get());
    auto* start = w<QLineEdit>("txtStartDate");
    auto* end = w<QLineEdit>("txtEndDate");
    start->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    start->setText("2005/02/30");
    end->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Start Date is not a valid date\nPlease type a date in the format yyyy/mm/dd");
    EXPECT_EQ(m[0].icon, MsgIcon::Warning);
    EXPECT_EQ(m[0].title, "Rockvane");
    EXPECT_TRUE(start->hasFocus());

    start->setText("2005/02/28");
    end->setFocus(Qt::TabFocusReason);
    end->setText("13/13/2005");
    start->setFocus(Qt::TabFocusReason);
    QApplication::processEvents();
    m = pr.messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[1].text, "End Date is not a valid date\nPlease type a date in the format dd/mm/yyyy");
    EXPECT_TRUE(end->hasFocus());
}

TEST_F(FilterWindowTest, DateBoxTypedAndLeftWithTab)
{
    page(7);
    keys("txtStartDate", "2005/02/30");
    keyToFocus(Qt::Key_Tab);
    ASSERT_EQ(pr.messageTexts(),
              QStringList{"Start Date is not a valid date\nPlease type a date in the format yyyy/mm/dd"});
    EXPECT_EQ(QApplication::focusWidget(), w<QWidget>("txtStartDate")) << "the focus goes back";

    // A valid date leaves without a word.
    pr.clear();
    key("txtStartDate", Qt::Key_A, Qt::ControlModifier);
    keys("txtStartDate", "2005/02/28");
    keyToFocus(Qt::Key_Tab);
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_NE(QApplication::focusWidget(), w<QWidget>("txtStartDate"));
}
