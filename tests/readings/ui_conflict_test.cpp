// Two users on one server site: the Readings page and the datasheet saving
// a reading that someone else changed or deleted since it was shown.
#include "readings_fixture.h"
#include "server_window_fixture.h"

#include "store/audit.h"

using namespace rv;
using namespace rv::test;

namespace {

class ServerReadingsTest : public ReadingsPageTest {
protected:
    ServerWindow srv;

    void SetUp() override
    {
        srv.setUp(data);
        ASSERT_FALSE(HasFatalFailure());
        ASSERT_TRUE(start());
        ASSERT_TRUE(st->conn->isServer());
        addSensor(id);
        putReading("2026/05/01 09:00:00", "1");
        putReading("2026/05/02 09:00:00", "2");
        pr.clear();
        srv.openOther();
    }
    void TearDown() override
    {
        stop();
        srv.tearDown();
    }

    QString sql(const QString& when) const
    {
        return "SELECT * FROM `" + id + "` WHERE DateTimeKey = '" + id + " " + when + "'";
    }
    QVariant storedAt(const QString& when, const QString& field) { return srv.value(sql(when), field); }
    // Another user changes the latest reading, as the page shows it.
    void theyChange(const std::vector<std::pair<QString, QVariant>>& values)
    {
        srv.edit(sql("2026/05/02 09:00:00"), id, id + " 2026/05/02 09:00:00", values);
    }
    // The user types over channel 1 of the shown reading and moves away,
    // which saves it.
    void iTypeAndMove(const QString& channel1)
    {
        key("txtChannel(1)", Qt::Key_A, Qt::ControlModifier);
        keys("txtChannel(1)", channel1);
        click("imgFirst");
    }
};

TEST_F(ServerReadingsTest, ReloadingShowsTheOtherUsersValuesAndDropsTheEdit)
{
    toReadings();
    ASSERT_EQ(text("txtChannel(1)"), "2");
    theyChange({{"Channel1", 7.0}});
    pr.answer(MsgResult::Yes);
    iTypeAndMove("5");

    ASSERT_EQ(pr.messages().size(), 1u) << lastMessage().toStdString();
    const auto m = pr.messages().front();
    EXPECT_EQ(m.title, "Changed by Another User");
    EXPECT_EQ(m.buttons, MsgButtons::YesNo);
    EXPECT_EQ(m.defaultButton, MsgResult::Yes);
    EXPECT_TRUE(m.text.startsWith("Reading " + id + " 2026/05/02 09:00:00 was changed by another user after you "
                                                     "opened it.\nChanged by "
                                  + store::auditUser(*st->conn) + " on " + store::auditMachine() + " at "))
        << m.text.toStdString();
    EXPECT_TRUE(m.text.contains("\n  Channel 1: 7   (yours: 5)\n")) << m.text.toStdString();
    EXPECT_FALSE(m.text.contains("Channel 2")) << m.text.toStdString();
    // The page stays on the reading, showing what is stored.
    EXPECT_EQ(text("txtReadingID"), id + " 2026/05/02 09:00:00");
    EXPECT_EQ(text("txtChannel(1)"), "7");
    EXPECT_EQ(storedAt("2026/05/02 09:00:00", "Channel1").toDouble(), 7.0);

    // A save after the reload is an ordinary one.
    pr.clear();
    iTypeAndMove("8");
    EXPECT_TRUE(pr.messages().empty()) << lastMessage().toStdString();
    EXPECT_EQ(storedAt("2026/05/02 09:00:00", "Channel1").toDouble(), 8.0);
    EXPECT_EQ(text("txtReadingID"), id + " 2026/05/01 09:00:00");
}

TEST_F(ServerReadingsTest, KeepingTheEditWritesOnlyTheUsersFieldsOnTheSecondSave)
{
    toReadings();
    theyChange({{"Channel1", 7.0}, {"Channel2", 3.0}});
    pr.answer(MsgResult::No);
    iTypeAndMove("5");
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_TRUE(pr.messages().front().text.contains("  Channel 1: 7   (yours: 5)"));
    // Nothing written; the user's box keeps the edit, the other boxes show
    // what the other user stored.
    EXPECT_EQ(storedAt("2026/05/02 09:00:00", "Channel1").toDouble(), 7.0);
    EXPECT_EQ(text("txtReadingID"), id + " 2026/05/02 09:00:00");
    EXPECT_EQ(text("txtChannel(1)"), "5");
    EXPECT_EQ(text("txtChannel(2)"), "3");

    pr.clear();
    click("imgFirst");
    EXPECT_TRUE(pr.messages().empty()) << lastMessage().toStdString();
    EXPECT_EQ(storedAt("2026/05/02 09:00:00", "Channel1").toDouble(), 5.0);
    EXPECT_EQ(storedAt("2026/05/02 09:00:00", "Channel2").toDouble(), 3.0);
    EXPECT_EQ(text("txtReadingID"), id + " 2026/05/01 09:00:00");
}

TEST_F(ServerReadingsTest, AReadingDeletedMeanwhileIsNotWrittenBackAndThePageMovesOn)
{
    putReading("2026/05/03 09:00:00", "3");
    toReadings();
    ASSERT_EQ(text("txtChannel(1)"), "3");
    srv.remove(sql("2026/05/03 09:00:00"));
    iTypeAndMove("5");
    ASSERT_EQ(pr.messages().size(), 1u);
    const auto m = pr.messages().front();
    EXPECT_EQ(m.text, "Reading " + id + " 2026/05/03 09:00:00 was deleted by another user after you opened it.\n"
                      "Who deleted it and when is not known: the change log has no entry for it.\n\n"
                      "Your changes could not be saved.");
    EXPECT_EQ(m.buttons, MsgButtons::Ok);
    EXPECT_EQ(srv.count(id), 2);
    EXPECT_TRUE(storedAt("2026/05/03 09:00:00", "Channel1").isNull());
    EXPECT_EQ(text("txtRcount"), "2 of 2");
    EXPECT_EQ(text("txtReadingID"), id + " 2026/05/02 09:00:00");
}

TEST_F(ServerReadingsTest, ADeletionOfAReadingChangedMeanwhileDeletesNothing)
{
    toReadings();
    theyChange({{"Channel3", 4.5}});
    deleteWith([&](FrmBatchDel* dlg) { pressIn(dlg, "cmdSingleDel"); });
    ASSERT_FALSE(pr.messages().empty());
    const QString m = pr.messages().back().text;
    EXPECT_TRUE(m.contains("was changed by another user")) << m.toStdString();
    EXPECT_TRUE(m.contains("  Channel 3: 4.5   (was: (empty))")) << m.toStdString();
    EXPECT_TRUE(m.contains("It has not been deleted.")) << m.toStdString();
    EXPECT_EQ(srv.count(id), 2);
    EXPECT_EQ(text("txtChannel(3)"), "4.5");
    // Deleted deliberately the second time.
    pr.clear();
    deleteWith([&](FrmBatchDel* dlg) { pressIn(dlg, "cmdSingleDel"); });
    EXPECT_EQ(srv.count(id), 1);
}

TEST_F(ServerReadingsTest, ANewDateForAReadingChangedMeanwhileAsksFirst)
{
    toReadings();
    theyChange({{"Channel1", 7.0}});
    pr.answer(MsgResult::Yes);
    auto* date = w<QDateEdit>("dtpRdate");
    focusOn("dtpRdate");
    date->setDate(QDate(2026, 4, 30));
    QApplication::processEvents();
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_TRUE(pr.messages().front().text.contains("  Date: 2026/05/02   (yours: 2026/04/30)"))
        << pr.messages().front().text.toStdString();
    EXPECT_EQ(pickedDate(), QDate(2026, 5, 2));
    EXPECT_EQ(text("txtChannel(1)"), "7");
    EXPECT_TRUE(srv.value(sql("2026/04/30 09:00:00"), "Channel1").isNull());
    EXPECT_EQ(srv.count(id), 2);
}

} // namespace
