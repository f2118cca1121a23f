// Moving between sensors: buttons, list choice and completion while typing.
#include "main_window_fixture.h"

using namespace rv;
using namespace rv::test;

class NavigationTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        for (const char* n : {"250045001", "250045002", "260055001"})
            addSensor(n);
        click("imgPrevious");
        click("imgPrevious");
        pr.clear();
    }
};

TEST_F(NavigationTest, ButtonsStopAtBothEnds)
{
    EXPECT_EQ(text("txtSnav"), "1 of 3");
    click("imgPrevious");
    EXPECT_EQ(pr.messageTexts(), QStringList{"Start of Sensors"});
    EXPECT_EQ(pr.messages()[0].title, "Rockvane");
    click("imgNext");
    EXPECT_EQ(text("txtSnav"), "2 of 3");
    EXPECT_EQ(text("cboSensors"), "250045002");
    click("imgNext");
    click("imgNext");
    EXPECT_EQ(pr.messageTexts(), (QStringList{"Start of Sensors", "End of sensors"}));
    EXPECT_EQ(text("txtSnav"), "3 of 3");
    EXPECT_EQ(text("txtTypeID"), "55");
}

TEST_F(NavigationTest, MovingSavesTheShownSensor)
{
    type("txtPurpose", "Roof monitoring");
    click("imgNext");
    EXPECT_EQ(data.valueOf("Sensors", "InstrumentID", "250045001", "Purpose").toString(), "Roof monitoring");
    EXPECT_EQ(text("txtPurpose"), "");
}

TEST_F(NavigationTest, ChoosingFromTheList)
{
    auto* cbo = w<QComboBox>("cboSensors");
    cbo->setCurrentIndex(2);
    emit cbo->activated(2);
    EXPECT_EQ(text("txtSnav"), "3 of 3");
    EXPECT_EQ(text("txtSensor"), "RV260055001");
}

TEST_F(NavigationTest, UnknownNumberGivesBothMessages)
{
    auto* cbo = w<QComboBox>("cboSensors");
    cbo->setEditText("999999999");
    emit cbo->activated(-1);
    EXPECT_EQ(pr.messageTexts(), (QStringList{"Error: Could not find data on the chosen sensor",
                                              "Either you are at the first record or the last record."}));
    EXPECT_EQ(pr.messages()[1].title, "Cannot Fill Fields");
}

TEST_F(NavigationTest, QuoteInATypedNumberIsSearchedSafely)
{
    auto* cbo = w<QComboBox>("cboSensors");
    cbo->setEditText("25'0045001");
    emit cbo->activated(-1);
    EXPECT_EQ(pr.messageTexts().value(0), "Error: Could not find data on the chosen sensor");
    EXPECT_FALSE(data.readLog().contains("cboSensors_Click"));
}

TEST_F(NavigationTest, TypingCompletesFromTheList)
{
    auto* cbo = w<QComboBox>("cboSensors");
    cbo->setEditText(QString());
    keys("cboSensors", "26");
    // The search before the "6" ran on "2"; the one before "2" on "" — from
    // the second entry on. The prefix "26" is completed by the next key.
    key("cboSensors", Qt::Key_Return);
    EXPECT_EQ(text("txtSensor"), "RV260055001");
    EXPECT_EQ(cbo->lineEdit()->text(), "260055001");
    EXPECT_EQ(cbo->lineEdit()->selectedText(), "0055001");
}

TEST_F(NavigationTest, TypingAPrefixShowsTheFirstMatchingSensor)
{
    auto* cbo = w<QComboBox>("cboSensors");
    cbo->setEditText(QString());
    keys("cboSensors", "2600");
    EXPECT_EQ(text("txtSensor"), "RV260055001");
    EXPECT_EQ(text("txtSnav"), "3 of 3");
    EXPECT_EQ(cbo->currentText(), "2600");
}

TEST_F(NavigationTest, BackspaceStopsCompletionUntilAnotherKey)
{
    auto* cbo = w<QComboBox>("cboSensors");
    focusOn("cboSensors");
    cbo->setEditText("2600");
    cbo->lineEdit()->setCursorPosition(4);
    keyToFocus(Qt::Key_Backspace);
    EXPECT_EQ(cbo->currentText(), "260");
    EXPECT_EQ(text("txtSnav"), "1 of 3") << "no completion after Backspace";
    keyToFocus(Qt::Key_Return);
    EXPECT_EQ(text("txtSnav"), "1 of 3") << "Enter keeps the flag";
}

TEST_F(NavigationTest, TypingLimitKeepsTenCharacters)
{
    auto* cbo = w<QComboBox>("cboSensors");
    focusOn("cboSensors");
    cbo->setEditText("1234567890");
    cbo->lineEdit()->setCursorPosition(10);
    keyToFocus(Qt::Key_Backspace);  // completion off
    QTest::keyClicks(QApplication::focusWidget(), "12");
    EXPECT_LE(cbo->currentText().size(), 10);
    EXPECT_EQ(cbo->currentText(), "1234567891");
}
