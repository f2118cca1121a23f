// Showing and saving the current sensor, the type configuration and the
// positions relative to the roof, through the real window.
#include "common/dates.h"
#include "main_window_fixture.h"

#include <QClipboard>

using namespace rv;
using namespace rv::test;

class RecordTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        addSensor("250045001");  // 3 channels, 4 nodes
        pr.clear();
    }
    QVariant stored(const char* field) const
    {
        return data.valueOf("Sensors", "InstrumentID", "250045001", field);
    }
    void leavePage0() { page(7); page(0); }
};

TEST_F(RecordTest, NumberBoxesAreStoredThroughTheirFormats)
{
    type("txtLengthofCable", "12");
    type("txtNode(1)", "1");
    type("txtNode(2)", "2.567");
    type("txtNode(3)", "2.5");
    type("txtNode(4)", "4.5");
    leavePage0();
    EXPECT_DOUBLE_EQ(stored("LengthofCable").toDouble(), 12.0);
    EXPECT_DOUBLE_EQ(stored("NodeLocation2").toDouble(), 2.57);
    EXPECT_DOUBLE_EQ(stored("NodeLocation3").toDouble(), 2.5);
    EXPECT_TRUE(stored("NodeLocation5").isNull()) << "an empty box stores null";
    // The centres lie midway between the nodes, always two decimals.
    EXPECT_EQ(text("txtSGCenter(1)"), "1.79");
    EXPECT_EQ(text("txtSGCenter(2)"), "2.54");
    EXPECT_EQ(text("txtSGCenter(3)"), "3.50");
    EXPECT_EQ(text("txtSGCenter(4)"), "");
    EXPECT_TRUE(pr.messages().empty());
}

TEST_F(RecordTest, EmptyNodeBoxesDoNotStopTheSave)
{
    type("txtLevel", "Level 12");
    type("txtLocation", "North drive");
    leavePage0();
    EXPECT_EQ(stored("Level").toString(), "Level 12");
    EXPECT_EQ(stored("Location").toString(), "North drive");
    EXPECT_TRUE(pr.messages().empty());
}

TEST_F(RecordTest, ABadNumberKeepsItsStoredValueSavesTheRestAndSaysWhich)
{
    type("txtLengthofCable", "8");
    leavePage0();
    type("txtLengthofCable", "abc");
    type("txtBorehole", "BH-7");
    leavePage0();
    EXPECT_DOUBLE_EQ(stored("LengthofCable").toDouble(), 8.0);
    EXPECT_EQ(stored("Borehole").toString(), "BH-7");
    const auto m = pr.messages();
    ASSERT_FALSE(m.empty());
    EXPECT_EQ(m[0].text, "The Length of cable could not be saved: 'abc' is not a number.");
    EXPECT_EQ(m[0].icon, MsgIcon::Warning);
    EXPECT_EQ(m[0].title, "Quillon's Rockvane");
    EXPECT_TRUE(data.readLog().contains(" G_savefields\n"));
    // Showing the sensor again brings back what is stored.
    EXPECT_EQ(text("txtLengthofCable"), "8");
}

TEST_F(RecordTest, TypeConfiguresTheBoxes)
{
    // Type 45: four nodes, three channels.
    for (int i = 1; i <= 6; ++i)
        EXPECT_EQ(w<QLineEdit>(QString("txtNode(%1)").arg(i))->isEnabled(), i <= 4) << i;
    for (int i = 1; i <= 5; ++i) {
        auto* ch = w<QLineEdit>(QString("txtChannel(%1)").arg(i));
        EXPECT_EQ(ch->isEnabled(), i <= 3) << i;
        EXPECT_EQ(ch->palette().color(QPalette::Base), i <= 3 ? QColor(0xFFFFFF) : QColor(0xE0E0E0)) << i;
        EXPECT_EQ(text(QString("lbln(%1)").arg(i)), i <= 3 ? QString(" m") : QString()) << i;
    }
    EXPECT_EQ(text("lblLocation"), "Manufacturing Configuration: x3TENDON");
    EXPECT_TRUE(w<QLineEdit>("txtChannelT")->isEnabled());
}

TEST_F(RecordTest, PositionsRelativeToTheRoofFollowTheHead)
{
    type("txtRecess", "0.5");
    type("txtLengthofCable", "8");
    for (int i = 1; i <= 4; ++i)
        type(QString("txtNode(%1)").arg(i), QString::number(i));
    leavePage0();
    EXPECT_EQ(text("txtHead"), "0.50");
    EXPECT_EQ(text("txtRelSGanchor(1)"), "1.50");
    EXPECT_EQ(text("txtRelSGanchor(4)"), "4.50");
    EXPECT_EQ(text("txtRelSGanchor(5)"), "");
    EXPECT_EQ(text("txtRelSGCenter(1)"), "2.00");
    EXPECT_EQ(text("txtRelSGCenter(3)"), "4.00");

    w<QRadioButton>("Option2")->setChecked(true);
    leavePage0();
    EXPECT_FALSE(stored("HeadLocation").toBool());
    EXPECT_EQ(text("txtHead"), "7.50");
    EXPECT_EQ(text("txtRelSGanchor(1)"), "6.50");
    EXPECT_EQ(text("txtRelSGanchor(4)"), "3.50");
    EXPECT_EQ(text("txtRelSGCenter(1)"), "6.00");
}

TEST_F(RecordTest, DestroyedByTypingYStoresYesAndToday)
{
    auto* cbo = w<QComboBox>("cboDestroyed");
    key("cboDestroyed", Qt::Key_Y);
    EXPECT_EQ(cbo->currentText(), "Yes");
    EXPECT_EQ(text("txtDestructionDate"), todayText());
    EXPECT_EQ(stored("Destroyed").toString(), "Yes");
    EXPECT_EQ(stored("DestructionDate").toString(), todayText());
    EXPECT_EQ(QApplication::focusWidget(), w<QWidget>("txtDestructionDate"));
    key("cboDestroyed", Qt::Key_Q);
    EXPECT_EQ(cbo->currentText(), "Yes") << "other letters change nothing";

    key("cboDestroyed", Qt::Key_N);
    EXPECT_EQ(stored("Destroyed").toString(), "No");
    EXPECT_EQ(text("txtDestructionDate"), "");
    // The stored date is kept: an empty box is not written.
    EXPECT_EQ(stored("DestructionDate").toString(), todayText());
}

TEST_F(RecordTest, DestroyedTakesNoPasteCutOrEditingKeys)
{
    auto* cbo = w<QComboBox>("cboDestroyed");
    QApplication::clipboard()->setText("Maybe'); DROP TABLE Sensors; --");
    key("cboDestroyed", Qt::Key_End);
    keyToFocus(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(cbo->currentText(), "No") << "paste changes nothing";
    keyToFocus(Qt::Key_A, Qt::ControlModifier);
    keyToFocus(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(cbo->currentText(), "No") << "cut changes nothing";
    keyToFocus(Qt::Key_Backspace);
    keyToFocus(Qt::Key_Delete);
    EXPECT_EQ(cbo->currentText(), "No");
    leavePage0();
    EXPECT_EQ(stored("Destroyed").toString(), "No");
    EXPECT_EQ(data.rowCount("Sensors"), 1);

    // Whatever text the box is made to show, only the two words are stored.
    cbo->setEditText("Maybe");
    leavePage0();
    EXPECT_EQ(stored("Destroyed").toString(), "No");
    cbo->setEditText(QString());
    leavePage0();
    EXPECT_EQ(stored("Destroyed").toString(), "No");
}

TEST_F(RecordTest, DestroyedByListChoice)
{
    auto* cbo = w<QComboBox>("cboDestroyed");
    cbo->setCurrentIndex(cbo->findText("Yes"));
    emit cbo->activated(cbo->currentIndex());
    EXPECT_EQ(stored("Destroyed").toString(), "Yes");
    EXPECT_EQ(text("txtDestructionDate"), todayText());
}

TEST_F(RecordTest, NodeAndRecessBoxesFilterTheKeysAsTyped)
{
    w<QLineEdit>("txtNode(1)")->clear();
    keys("txtNode(1)", "-1.5a ");
    EXPECT_EQ(text("txtNode(1)"), "-1.5");
    keys("txtNode(2)", "2,5/");
    EXPECT_EQ(text("txtNode(2)"), "2,5");

    page(1);
    type("txtLevel", "L3");
    w<QLineEdit>("txtRecess")->clear();
    keys("txtRecess", "-");
    EXPECT_EQ(text("txtRecess"), "") << "no minus sign";
    EXPECT_TRUE(stored("Level").toString().isEmpty()) << "a refused key saves nothing";
    keys("txtRecess", "0.5x");
    EXPECT_EQ(text("txtRecess"), "0.5");
    // A digit saves the sensor before it lands in the box.
    EXPECT_EQ(stored("Level").toString(), "L3");
}

TEST_F(RecordTest, NumberPartsTakeNoTyping)
{
    // Typing into the type box of a type-45 sensor changes nothing stored.
    for (const char* box : {"txtDateID", "txtTypeID", "txtSensorNo"}) {
        key(box, Qt::Key_End);
        keys(box, "65");
        keyToFocus(Qt::Key_Backspace);
        EXPECT_TRUE(w<QLineEdit>(box)->isReadOnly()) << box;
    }
    EXPECT_EQ(text("txtDateID"), "2500");
    EXPECT_EQ(text("txtTypeID"), "45");
    EXPECT_EQ(text("txtSensorNo"), "001");
    leavePage0();
    EXPECT_EQ(stored("TypeID").toString(), "45");
    EXPECT_EQ(stored("SensorType").toString(), "45");
    EXPECT_EQ(stored("DateID").toString(), "2500");
    EXPECT_EQ(stored("SensorNo").toString(), "001");
}
