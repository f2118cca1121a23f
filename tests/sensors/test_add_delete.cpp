// Adding and deleting sensors through the real window.
#include "common/dates.h"
#include "main_window_fixture.h"
#include "store/connection.h"
#include "store/sqltext.h"

using namespace rv;
using namespace rv::test;

class AddDeleteTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(start());
        pr.clear();
    }
};

TEST_F(AddDeleteTest, AddingWritesTheRowTheTableAndTheNetworkRow)
{
    addSensor("250045042");
    EXPECT_EQ(pr.messageTexts(), QStringList{"Do you want to add new Sensor 250045042 to the database?"});
    const auto q = pr.messages().front();
    EXPECT_EQ(q.title, "Quillon's Rockvane");
    EXPECT_EQ(q.buttons, MsgButtons::YesNo);
    ASSERT_EQ(pr.records().front().kind, PromptRecord::Kind::Input);
    EXPECT_EQ(pr.records().front().text, "Enter new Sensor No:");
    EXPECT_EQ(pr.records().front().title, "Add New Sensor");

    auto v = [&](const char* f) { return data.valueOf("Sensors", "InstrumentID", "250045042", f); };
    EXPECT_EQ(v("DateID").toString(), "2500");
    EXPECT_EQ(v("SensorType").toString(), "45") << "type code is characters 5-6";
    EXPECT_EQ(v("TypeID").toString(), "45");
    EXPECT_EQ(v("Family").toString(), "TENDON");
    EXPECT_EQ(v("Model").toString(), "x3TENDON");
    EXPECT_EQ(v("SensorNo").toString(), "042");
    EXPECT_EQ(v("Destroyed").toString(), "No");
    EXPECT_TRUE(v("HeadLocation").toBool());
    EXPECT_EQ(v("InstallDate").toDate(), QDate::currentDate());
    EXPECT_TRUE(data.hasTable("250045042"));
    EXPECT_EQ(data.rowCount("250045042"), 0);
    EXPECT_EQ(data.valueOf("NetworkConfig", "SensorID", "250045042", "MasterID").toString(), "NA");
    EXPECT_EQ(data.valueOf("NetworkConfig", "SensorID", "250045042", "TimeConfig").toInt(), 24);
    EXPECT_EQ(w<QComboBox>("cboSensors")->count(), 1);
    EXPECT_EQ(text("cboSensors"), "250045042");
    EXPECT_EQ(text("txtSCount"), "1");
    EXPECT_EQ(text("txtSensor"), "RV250045042");
}

TEST_F(AddDeleteTest, UnknownTypeIsRefusedBeforeAnyQuestion)
{
    pr.answerInput(QString("250010001"));
    click("imgAddSensor");
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Sensors database error!!!");
    EXPECT_EQ(m[0].title, "Rockvane");
    EXPECT_EQ(data.rowCount("Sensors"), 0);
}

TEST_F(AddDeleteTest, MalformedNumbersAreRefusedInOrder)
{
    struct Case { const char* number; const char* message; };
    const Case cases[] = {
        {"25004500", "Sensor # must be 9 digits"},
        {"2500450011", "Sensor # must be 9 digits"},
        {"2500a5001", "Sensor # must be a numeric value"},
        {"25004500", "Sensor # must be 9 digits"},
        {"250045000", "Last 3 digits must be between 001 and 999"},
        {"2500'5001", "Sensor # must be a numeric value"},
    };
    for (const Case& k : cases) {
        pr.clear();
        pr.answerInput(QString(k.number));
        click("imgAddSensor");
        const auto m = pr.messages();
        ASSERT_EQ(m.size(), 1u) << k.number;
        EXPECT_EQ(m[0].text, k.message) << k.number;
        EXPECT_EQ(m[0].title, "Invalid Sensor Number");
        EXPECT_EQ(m[0].icon, MsgIcon::None);
    }
    EXPECT_EQ(data.rowCount("Sensors"), 0);
}

TEST_F(AddDeleteTest, EmptyAnswerOrCancelAddsNothing)
{
    pr.answerInput(std::nullopt);
    click("imgAddSensor");
    pr.answerInput(QString(""));
    click("imgAddSensor");
    EXPECT_EQ(pr.messageTexts(), (QStringList{"No sensor entered", "No sensor entered"}));
    EXPECT_EQ(data.rowCount("Sensors"), 0);
}

TEST_F(AddDeleteTest, AnsweringNoAddsNothing)
{
    pr.answerInput(QString("250045001"));
    pr.answer(MsgResult::No);
    click("imgAddSensor");
    EXPECT_EQ(data.rowCount("Sensors"), 0);
    EXPECT_FALSE(data.hasTable("250045001"));
}

TEST_F(AddDeleteTest, ExistingNumberIsRefusedAndTheShownSensorStaysCurrent)
{
    addSensor("250045001");
    addSensor("250045002");
    type("txtLevel", "Level 5");
    pr.clear();
    pr.answerInput(QString("250045001"));
    click("imgAddSensor");
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Sensor 250045001 already exists\n"
                         "Type a new sensor number in the 'Add or Select Sensor' combo box\n"
                         "Then click 'Add New' or hit the Enter key");
    EXPECT_EQ(m[0].icon, MsgIcon::Information);
    // The edit of the shown sensor went to its own row, not the other's.
    EXPECT_EQ(data.valueOf("Sensors", "InstrumentID", "250045002", "Level").toString(), "Level 5");
    EXPECT_EQ(data.valueOf("Sensors", "InstrumentID", "250045001", "Level").toString(), "");
    click("imgPrevious");
    EXPECT_EQ(text("txtSensorNo"), "001");
}

TEST_F(AddDeleteTest, LeftOverTableWithoutCatalogueRowIsRefusedWithAMessage)
{
    st->conn->execute("SELECT * INTO `250045009` FROM sensordata WHERE DateTimeKey is null");
    pr.answerInput(QString("250045009"));
    click("imgAddSensor");
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_TRUE(m[0].text.contains("250045009"));
    EXPECT_EQ(m[0].icon, MsgIcon::Warning);
    EXPECT_EQ(data.rowCount("Sensors"), 0);
}

TEST_F(AddDeleteTest, AFailedAddWritesNothingAndSaysSo)
{
    // Without its network table the last write of the add fails.
    st->conn->execute("DROP TABLE NetworkConfig");
    addSensor("250045003");
    EXPECT_EQ(data.rowCount("Sensors"), 0);
    EXPECT_FALSE(data.hasTable("250045003"));
    const auto m = pr.messages();
    ASSERT_FALSE(m.empty());
    EXPECT_TRUE(m.back().text.startsWith("Sensor 250045003 could not be added")) << m.back().text.toStdString();
    EXPECT_TRUE(data.readLog().contains(" G_AddTypedSensor\n"));
}

TEST_F(AddDeleteTest, DeleteAskedNoKeepsEverything)
{
    addSensor("250045001");
    pr.clear();
    pr.answer(MsgResult::No);
    click("imgDelete");
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].text, "Permanently delete Sensor 250045001 from database?");
    EXPECT_EQ(m[0].title, "Quillon's ROCKVANE");
    EXPECT_EQ(m[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(data.rowCount("Sensors"), 1);
    EXPECT_TRUE(data.hasTable("250045001"));
    EXPECT_EQ(data.rowCount("NetworkConfig"), 1);
}

TEST_F(AddDeleteTest, DeleteRemovesAllThreeAndShowsTheFirstSensor)
{
    addSensor("250045001");
    addSensor("250045002");
    addSensor("250045003");
    // Show the second and delete it.
    click("imgPrevious");
    EXPECT_EQ(text("txtSnav"), "2 of 3");
    pr.answer(MsgResult::Yes);
    click("imgDelete");
    EXPECT_FALSE(data.hasTable("250045002"));
    EXPECT_EQ(data.rowCount("Sensors"), 2);
    EXPECT_EQ(data.rowCount("NetworkConfig"), 2);
    auto* cbo = w<QComboBox>("cboSensors");
    ASSERT_EQ(cbo->count(), 2);
    EXPECT_EQ(cbo->currentText(), "250045001");
    EXPECT_EQ(text("txtSnav"), "1 of 2");
    EXPECT_EQ(text("txtSCount"), "2");
    // The number is free again.
    addSensor("250045002");
    EXPECT_EQ(data.rowCount("Sensors"), 3);
}

TEST_F(AddDeleteTest, DeletingTheOnlySensorWithoutNetworkRowLeavesTheEmptyPages)
{
    addSensor("250045001");
    st->conn->execute("DELETE * FROM NetworkConfig");
    pr.answer(MsgResult::Yes);
    click("imgDelete");
    EXPECT_EQ(data.rowCount("Sensors"), 0);
    EXPECT_FALSE(data.hasTable("250045001"));
    EXPECT_EQ(w<QComboBox>("cboSensors")->count(), 0);
    EXPECT_EQ(text("txtSnav"), "No records");
    EXPECT_EQ(text("txtSensor"), "");
    EXPECT_EQ(text("txtSCount"), "0");
}

TEST_F(AddDeleteTest, AFailedDeleteRemovesNothingAndSaysSo)
{
    addSensor("250045001");
    addSensor("250045002");
    // Without its network table the delete cannot finish.
    st->conn->execute("DROP TABLE NetworkConfig");
    pr.clear();
    pr.answer(MsgResult::Yes);
    click("imgDelete");
    EXPECT_TRUE(data.hasTable("250045002"));
    EXPECT_EQ(data.rowCount("Sensors"), 2);
    const auto m = pr.messages();
    ASSERT_EQ(m.size(), 2u);
    EXPECT_TRUE(m[1].text.startsWith("Sensor 250045002 could not be deleted")) << m[1].text.toStdString();
    EXPECT_EQ(m[1].icon, MsgIcon::Warning);
    EXPECT_EQ(text("cboSensors"), "250045002");
    EXPECT_EQ(text("txtSensorNo"), "002");
    EXPECT_EQ(w<QComboBox>("cboSensors")->count(), 2);
}
