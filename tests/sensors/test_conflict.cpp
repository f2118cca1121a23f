// Two users on one server site: the Sensors page saving a sensor that
// someone else changed or deleted since it was shown.
#include "main_window_fixture.h"
#include "server_window_fixture.h"

using namespace rv;
using namespace rv::test;

namespace {

class ServerSensorsTest : public MainWindowTest {
protected:
    ServerWindow srv;
    const QString first = "250045001";
    const QString second = "250045002";

    void SetUp() override
    {
        srv.setUp(data);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(start());
        ASSERT_TRUE(st->conn->isServer());
        addSensor(first);
        addSensor(second);
        pr.clear();
        srv.openOther();
        // The first sensor is shown.
        click("imgPrevious");
        ASSERT_EQ(text("cboSensors"), first);
        pr.clear();
    }
    void TearDown() override
    {
        stop();
        srv.tearDown();
    }
    QString sql(const QString& sensor) const { return "SELECT * FROM Sensors WHERE InstrumentID = '" + sensor + "'"; }
    QVariant stored(const QString& field) { return srv.value(sql(first), field); }
    void theyChange(const std::vector<std::pair<QString, QVariant>>& values)
    {
        srv.edit(sql(first), first, QString(), values);
    }
    void iType(const QString& box, const QString& t)
    {
        key(box, Qt::Key_A, Qt::ControlModifier);
        keys(box, t);
    }
};

TEST_F(ServerSensorsTest, ReloadingShowsTheStoredSensorAndDropsTheEdit)
{
    theyChange({{"Level", "Theirs"}});
    pr.answer(MsgResult::Yes);
    iType("txtLevel", "Mine");
    click("imgNext");
    ASSERT_EQ(pr.messages().size(), 1u) << lastMessage().toStdString();
    const auto m = pr.messages().front();
    EXPECT_EQ(m.title, "Changed by Another User");
    EXPECT_EQ(m.buttons, MsgButtons::YesNo);
    EXPECT_TRUE(m.text.startsWith("Sensor " + first + " was changed by another user after you opened it.\nChanged by "
                                  + store::auditUser(*st->conn) + " on " + store::auditMachine() + " at "))
        << m.text.toStdString();
    EXPECT_TRUE(m.text.contains("\n  Level: Theirs   (yours: Mine)\n")) << m.text.toStdString();
    EXPECT_EQ(text("cboSensors"), first);
    EXPECT_EQ(text("txtLevel"), "Theirs");
    EXPECT_EQ(stored("Level").toString(), "Theirs");
    // Then an ordinary save and move.
    pr.clear();
    iType("txtLevel", "Mine 2");
    click("imgNext");
    EXPECT_TRUE(pr.messages().empty()) << lastMessage().toStdString();
    EXPECT_EQ(stored("Level").toString(), "Mine 2");
    EXPECT_EQ(text("cboSensors"), second);
}

TEST_F(ServerSensorsTest, KeepingTheEditWritesItDeliberatelyAndLeavesTheirOtherFields)
{
    theyChange({{"Level", "Theirs"}, {"Location", "North drive"}});
    pr.answer(MsgResult::No);
    iType("txtLevel", "Mine");
    click("imgNext");
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(stored("Level").toString(), "Theirs");
    EXPECT_EQ(text("cboSensors"), first);
    EXPECT_EQ(text("txtLevel"), "Mine");
    EXPECT_EQ(text("txtLocation"), "North drive");
    pr.clear();
    click("imgNext");
    EXPECT_TRUE(pr.messages().empty()) << lastMessage().toStdString();
    EXPECT_EQ(stored("Level").toString(), "Mine");
    EXPECT_EQ(stored("Location").toString(), "North drive");
    EXPECT_EQ(text("cboSensors"), second);
}

TEST_F(ServerSensorsTest, ASensorDeletedMeanwhileIsNotAddedBack)
{
    srv.remove(sql(first));
    iType("txtLevel", "Mine");
    click("imgNext");
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages().front().text.toStdString(),
              ("Sensor " + first + " was deleted by another user after you opened it.\n"
               "Who deleted it and when is not known: the change log has no entry for it.\n\n"
               "Your changes could not be saved.").toStdString());
    EXPECT_EQ(srv.count("Sensors"), 1);
    EXPECT_TRUE(stored("Level").isNull());
    EXPECT_EQ(text("cboSensors"), second);
    EXPECT_EQ(text("txtSCount"), "1");
}

} // namespace
