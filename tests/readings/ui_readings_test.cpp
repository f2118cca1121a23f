// The Readings page through the real window: showing and moving between
// readings, typing into the boxes, the pickers' checks, adding, saving and
// deleting.
#include "readings_fixture.h"
#include "common/dates.h"
#include "readings/reading_rules.h"

#include <QCheckBox>
#include <QThread>
#include <QTimer>
#include <functional>

using namespace rv;
using namespace rv::test;

namespace {

// Waits for the start of a fresh second, so two clicks fall inside one.
void startOfSecond()
{
    const int ms = QTime::currentTime().msec();
    if (ms > 100)
        QThread::msleep(static_cast<unsigned long>(1005 - ms));
}

} // namespace

TEST_F(ReadingsPageTest, EmptyTableShowsTheNoticeAndButtonsDoNothing)
{
    toReadings();
    EXPECT_EQ(text("txtRcount"), "0 of 0");
    EXPECT_TRUE(errorShown());
    EXPECT_EQ(text("lblError"), "0 Readings - Click the Add button to add a reading");
    EXPECT_EQ(pickedDate(), QDate::currentDate());
    EXPECT_EQ(pickedTime(), QTime(12, 0, 0));
    for (const char* b : {"imgFirst", "imgPrevData", "imgNextData", "imgLast"})
        click(b);
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(text("txtRcount"), "0 of 0");
}

TEST_F(ReadingsPageTest, EntryShowsTheLatestAndTheButtonsStopAtBothEnds)
{
    putReading("2026/05/02 09:00:00", "2");
    putReading("2026/05/01 09:00:00", "1");
    putReading("2026/05/03 09:00:00", "3");
    toReadings();
    EXPECT_EQ(text("txtRcount"), "3 of 3");
    EXPECT_EQ(text("txtReadingID"), id + " 2026/05/03 09:00:00");
    EXPECT_EQ(text("txtChannel(1)"), "3");
    EXPECT_FALSE(errorShown());

    click("imgNextData");
    click("imgLast");
    EXPECT_EQ(pr.messageTexts(), (QStringList{"End of readings", "End of readings"}));
    EXPECT_EQ(pr.messages()[0].title, "Rockvane");
    EXPECT_EQ(pr.messages()[0].icon, MsgIcon::None);
    EXPECT_EQ(text("txtRcount"), "3 of 3");

    click("imgFirst");
    EXPECT_EQ(text("txtRcount"), "1 of 3");
    EXPECT_EQ(pickedDate(), QDate(2026, 5, 1));
    EXPECT_EQ(pickedTime(), QTime(9, 0, 0));
    pr.clear();
    click("imgPrevData");
    click("imgFirst");
    EXPECT_EQ(pr.messageTexts(), (QStringList{"Start of readings", "Start of readings"}));

    // The caption labels run the same moves.
    mouseClick(w<QLabel>("Label60"));
    EXPECT_EQ(text("txtRcount"), "2 of 3");
    mouseClick(w<QLabel>("Label64"));
    EXPECT_EQ(text("txtRcount"), "3 of 3");
    mouseClick(w<QLabel>("Label62"));
    mouseClick(w<QLabel>("Label61"));
    EXPECT_EQ(text("txtChannel(1)"), "1");
}

TEST_F(ReadingsPageTest, OneReadingRefusesEveryMove)
{
    putReading("2026/05/01 09:00:00");
    toReadings();
    EXPECT_EQ(text("txtRcount"), "1 of 1");
    for (const char* b : {"imgFirst", "imgPrevData", "imgNextData", "imgLast"})
        click(b);
    EXPECT_EQ(pr.messageTexts(),
              (QStringList{"Start of readings", "Start of readings", "End of readings", "End of readings"}));
}

TEST_F(ReadingsPageTest, FlagsShowNullAsTickedAndStoreTheBoxes)
{
    putReading("2026/05/01 09:00:00");
    putReading("2026/05/02 09:00:00");
    sqlite3_exec(st->conn->handle(), ("UPDATE \"" + id + "\" SET Plottemporal = NULL").toUtf8().constData(),
                 nullptr, nullptr, nullptr);
    toReadings();
    click("imgFirst");
    EXPECT_TRUE(w<QCheckBox>("chkTemporal")->isChecked()) << "a null flag shows ticked";
    EXPECT_FALSE(w<QCheckBox>("chkSpatial")->isChecked());
    mouseClick(w<QCheckBox>("chkTemporal"));
    mouseClick(w<QCheckBox>("chkSpatial"));
    click("imgNextData");
    EXPECT_EQ(stored("2026/05/01 09:00:00", "Plottemporal"), QVariant(false));
    EXPECT_EQ(stored("2026/05/01 09:00:00", "PlotSpatial"), QVariant(true));
}

TEST_F(ReadingsPageTest, TypedChannelsAreFilteredAndFormattedOnTheMove)
{
    putReading("2026/05/01 09:00:00");
    putReading("2026/05/02 09:00:00", "4.5");
    toReadings();
    key("txtChannel(1)", Qt::Key_A, Qt::ControlModifier);
    keys("txtChannel(1)", "12.345");
    keys("txtChannel(2)", "7 x");
    keys("txtChannel(3)", "-1,5ab");
    keys("txtChannelT", "21.5C");
    EXPECT_EQ(text("txtChannel(2)"), "7") << "space and letters are refused";
    EXPECT_EQ(text("txtChannel(3)"), "-1,5");
    EXPECT_EQ(text("txtChannelT"), "21.5");
    click("imgPrevData");
    const QString when = "2026/05/02 09:00:00";
    EXPECT_DOUBLE_EQ(stored(when, "Channel1").toDouble(), 12.35);
    EXPECT_DOUBLE_EQ(stored(when, "Channel2").toDouble(), 7.0);
    EXPECT_DOUBLE_EQ(stored(when, "ChannelT").toDouble(), 21.5);
    EXPECT_TRUE(stored(when, "Channel4").isNull()) << "an empty box stores null";
    // "-1,5" is not a number: that box alone is kept and reported.
    EXPECT_TRUE(stored(when, "Channel3").isNull());
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].title, "Quillon's Rockvane");
    EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Warning);
    EXPECT_TRUE(pr.messages()[0].text.contains("Channel 3")) << pr.messages()[0].text.toStdString();
    EXPECT_EQ(text("txtRcount"), "1 of 2") << "the move goes on";
}

TEST_F(ReadingsPageTest, NotANumberKeepsTheStoredValueAndSavesTheRest)
{
    putReading("2026/05/01 09:00:00", "4.5");
    putReading("2026/05/02 09:00:00");
    toReadings();
    click("imgFirst");
    // The filter takes every character of "1..2" and "1-2".
    keys("txtChannel(1)", "..2");
    keys("txtChannel(2)", "1-2");
    keys("txtChannel(5)", "9");
    mouseClick(w<QCheckBox>("chkSpatial"));
    EXPECT_EQ(text("txtChannel(1)"), "4.5..2");
    click("imgNextData");
    const QString when = "2026/05/01 09:00:00";
    EXPECT_DOUBLE_EQ(stored(when, "Channel1").toDouble(), 4.5) << "the bad box keeps its stored value";
    EXPECT_TRUE(stored(when, "Channel2").isNull());
    EXPECT_DOUBLE_EQ(stored(when, "Channel5").toDouble(), 9.0) << "later boxes are still saved";
    EXPECT_EQ(stored(when, "PlotSpatial"), QVariant(true)) << "and so are the flags";
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_TRUE(pr.messages()[0].text.contains("Channel 1"));
    EXPECT_TRUE(pr.messages()[0].text.contains("Channel 2"));
    EXPECT_TRUE(data.readLog().contains(" G_SaveReadings\n"));
}

TEST_F(ReadingsPageTest, AddingToAnEmptyTableAndTwiceInOneSecond)
{
    toReadings();
    startOfSecond();
    click("imgAddReading");
    click("imgAddReading");
    EXPECT_EQ(readingCount(), 1);
    EXPECT_EQ(text("txtRcount"), "1 of 1");
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages()[0].text, "There is already a reading with that date and time");
    EXPECT_EQ(pr.messages()[0].title, "Duplicate Reading");

    const QString key = text("txtReadingID");
    ASSERT_TRUE(key.startsWith(id + " " + QDate::currentDate().toString("yyyy/MM/dd") + " "));
    const QString when = key.mid(id.size() + 1);
    EXPECT_EQ(stored(when, "Plottemporal"), QVariant(true));
    EXPECT_EQ(stored(when, "PlotSpatial"), QVariant(false));
    EXPECT_EQ(stored(when, "IsDirty"), QVariant(true));
    EXPECT_EQ(stored(when, "ReadingTime").toTime().toString("HH:mm:ss"), when.mid(11));
    EXPECT_FALSE(errorShown());

    // The typed values of the new reading are saved by the next add.
    keys("txtChannel(1)", "3.1");
    QThread::msleep(1100);
    click("imgAddReading");
    EXPECT_EQ(readingCount(), 2);
    EXPECT_EQ(text("txtRcount"), "2 of 2");
    EXPECT_DOUBLE_EQ(stored(when, "Channel1").toDouble(), 3.1);
    EXPECT_EQ(text("txtChannel(1)"), "");
}

TEST_F(ReadingsPageTest, PickerEditThatCollidesIsRefusedAndReset)
{
    putReading("2026/05/01 10:00:00");
    putReading("2026/05/01 11:00:00");
    toReadings();
    // The hour of 11:00:00 down by one is the other reading's time.
    key("dtpRtime", Qt::Key_Home);
    keyToFocus(Qt::Key_Down);
    ASSERT_EQ(pr.messageTexts(), QStringList{"There is already a reading on 2026/05/01 at 10:00:00"});
    EXPECT_EQ(pr.messages()[0].title, "Duplicate Reading");
    EXPECT_EQ(pickedTime(), QTime(11, 0, 0)) << "the picker is reset";
    EXPECT_EQ(readingCount(), 2);
    EXPECT_EQ(stored("2026/05/01 11:00:00", "ReadingTime").toTime(), QTime(11, 0, 0));
    EXPECT_EQ(text("txtRcount"), "2 of 2");
    QWidget* f = QApplication::focusWidget();
    EXPECT_TRUE(f == w<QWidget>("dtpRdate") || (f && f->parentWidget() == w<QWidget>("dtpRdate")));
}

TEST_F(ReadingsPageTest, PickerEditReKeysAndMovesTheReading)
{
    putReading("2026/05/01 10:00:00", "1");
    putReading("2026/05/01 11:00:00", "2");
    toReadings();
    click("imgFirst");
    // Leaving the picker unchanged changes nothing.
    key("dtpRtime", Qt::Key_Return);
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(text("txtReadingID"), id + " 2026/05/01 10:00:00");
    // Only the seconds: 10:00:00 -> 10:00:01 is a new key. What was typed
    // into the reading before survives its new display.
    key("txtChannel(2)", Qt::Key_A, Qt::ControlModifier);
    keys("txtChannel(2)", "8.5");
    key("dtpRtime", Qt::Key_End);
    keyToFocus(Qt::Key_Up);
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(text("txtReadingID"), id + " 2026/05/01 10:00:01");
    EXPECT_EQ(stored("2026/05/01 10:00:01", "ReadingTime").toTime(), QTime(10, 0, 1));
    EXPECT_EQ(stored("2026/05/01 10:00:01", "FullDate").toDateTime(), QDateTime(QDate(2026, 5, 1), QTime(10, 0, 1)));
    EXPECT_TRUE(stored("2026/05/01 10:00:00", "Channel1").isNull()) << "the old key is gone";
    EXPECT_EQ(text("txtChannel(2)"), "8.5");

    // A day later it moves behind the other reading and stays shown.
    key("dtpRdate", Qt::Key_End);
    keyToFocus(Qt::Key_Up);
    EXPECT_EQ(text("txtReadingID"), id + " 2026/05/02 10:00:01");
    EXPECT_EQ(text("txtRcount"), "2 of 2");
    EXPECT_EQ(text("txtChannel(1)"), "1");
    EXPECT_EQ(stored("2026/05/02 10:00:01", "ReadingDate").toDate(), QDate(2026, 5, 2));
    click("imgFirst");
    EXPECT_EQ(text("txtChannel(1)"), "2");
    EXPECT_EQ(readingCount(), 2);
    EXPECT_DOUBLE_EQ(stored("2026/05/02 10:00:01", "Channel2").toDouble(), 8.5);
}

TEST_F(ReadingsPageTest, FutureDateIsWarnedWheneverShownOrEdited)
{
    const QDate today = QDate::currentDate();
    putReading(today.toString("yyyy/MM/dd") + " 08:00:00");
    toReadings();
    EXPECT_FALSE(errorShown()) << "today is not the future";
    key("dtpRdate", Qt::Key_End);
    keyToFocus(Qt::Key_Up);
    EXPECT_TRUE(errorShown());
    EXPECT_EQ(text("lblError"), "Warning: Reading Date is in the future");
    const QString tomorrow = today.addDays(1).toString("yyyy/MM/dd") + " 08:00:00";
    EXPECT_EQ(stored(tomorrow, "ReadingDate").toDate(), today.addDays(1)) << "the date is kept";
    page(7);
    page(2);
    EXPECT_TRUE(errorShown());
}

TEST_F(ReadingsPageTest, LeavingThePageSavesAndComingBackShowsTheSameReading)
{
    putReading("2026/05/01 09:00:00");
    putReading("2026/05/02 09:00:00");
    putReading("2026/05/03 09:00:00");
    toReadings();
    click("imgPrevData");
    keys("txtChannel(4)", "44");
    page(7);
    EXPECT_DOUBLE_EQ(stored("2026/05/02 09:00:00", "Channel4").toDouble(), 44.0);
    page(2);
    EXPECT_EQ(text("txtRcount"), "2 of 3");
    page(0);
    page(2);
    EXPECT_EQ(text("txtRcount"), "3 of 3") << "page 0 forgets the reading";
}

TEST_F(ReadingsPageTest, BoxesAreNeverSavedIntoAnotherReading)
{
    putReading("2026/05/01 09:00:00", "1");
    putReading("2026/05/02 09:00:00", "2");
    putReading("2026/05/03 09:00:00", "3");
    putReading("2026/05/04 09:00:00", "4");
    toReadings();
    keys("txtChannel(3)", "33");
    // The shown reading deleted behind the page's back, the set moved on:
    // the boxes still show the deleted reading.
    auto& rs = st->rsReadings;
    rs.deleteCurrent();
    rs.moveLast();
    page(7);
    EXPECT_DOUBLE_EQ(stored("2026/05/03 09:00:00", "Channel1").toDouble(), 3.0) << "not re-keyed, not overwritten";
    EXPECT_TRUE(stored("2026/05/03 09:00:00", "Channel3").isNull());
    EXPECT_FALSE(stored("2026/05/04 09:00:00", "Channel1").isValid());
    EXPECT_EQ(readingCount(), 3);

    // The add button saves the shown reading first: the same holds.
    page(2);
    ASSERT_EQ(text("txtReadingID"), id + " 2026/05/03 09:00:00");
    keys("txtChannel(3)", "55");
    rs.deleteCurrent();
    rs.moveLast();
    click("imgAddReading");
    EXPECT_EQ(readingCount(), 3);
    EXPECT_DOUBLE_EQ(stored("2026/05/02 09:00:00", "Channel1").toDouble(), 2.0);
    EXPECT_TRUE(stored("2026/05/02 09:00:00", "Channel3").isNull());
    EXPECT_TRUE(pr.messages().empty()) << pr.messageTexts().join("|").toStdString();
}

TEST_F(ReadingsPageTest, ClosingTheWindowSavesTheShownReading)
{
    putReading("2026/05/01 09:00:00");
    toReadings();
    keys("txtChannel(2)", "5.5");
    stop();
    EXPECT_DOUBLE_EQ(stored("2026/05/01 09:00:00", "Channel2").toDouble(), 5.5);
}

TEST_F(ReadingsPageTest, DateEditWorksPastThe16BitPosition)
{
    putHourlyReadings(33000, QDateTime(QDate(2020, 1, 1), QTime(0, 0)));
    toReadings();
    EXPECT_EQ(text("txtRcount"), "33000 of 33000");
    const QString last = text("txtReadingID").mid(id.size() + 1);
    key("dtpRtime", Qt::Key_End);
    keyToFocus(Qt::Key_Up);
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(text("txtRcount"), "33000 of 33000");
    const QDateTime moved = QDateTime::fromString(last, "yyyy/MM/dd HH:mm:ss").addSecs(1);
    EXPECT_EQ(text("txtReadingID"), id + " " + moved.toString("yyyy/MM/dd HH:mm:ss"));
    EXPECT_EQ(readingCount(), 33000);
    click("imgPrevData");
    EXPECT_EQ(text("txtRcount"), "32999 of 33000");
}

TEST_F(ReadingsPageTest, DeletingTheOnlyReadingLeavesTheNotice)
{
    putReading("2026/05/01 09:00:00");
    toReadings();
    deleteWith([&](FrmBatchDel* d) { pressIn(d, "cmdSingleDel"); });
    EXPECT_EQ(readingCount(), 0);
    EXPECT_EQ(text("txtRcount"), "0 of 0");
    EXPECT_TRUE(errorShown());
    EXPECT_EQ(text("lblError"), readings::kEmptyTableNotice);
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(st->SavedReadingBookmark, 0);
}

TEST_F(ReadingsPageTest, SingleDeleteShowsTheLatestRemaining)
{
    putReading("2026/05/01 09:00:00");
    putReading("2026/05/02 09:00:00");
    putReading("2026/05/03 09:00:00");
    toReadings();
    click("imgFirst");
    deleteWith([&](FrmBatchDel* d) { pressIn(d, "cmdSingleDel"); });
    EXPECT_EQ(readingCount(), 2);
    EXPECT_TRUE(stored("2026/05/01 09:00:00", "ReadingDate").isNull());
    EXPECT_EQ(text("txtRcount"), "2 of 2");
    EXPECT_EQ(text("txtReadingID"), id + " 2026/05/03 09:00:00");
}

TEST_F(ReadingsPageTest, BatchDeleteTakesWholeDaysAndReportsTheCount)
{
    putReading("2026/05/01 23:59:59");
    putReading("2026/05/02 00:00:00");
    putReading("2026/05/02 18:30:00");
    putReading("2026/05/03 00:00:00");
    toReadings();
    deleteWith([&](FrmBatchDel* d) {
        d->findChild<QCalendarWidget*>("DelStart")->setSelectedDate(QDate(2026, 5, 2));
        d->findChild<QCalendarWidget*>("DelEnd")->setSelectedDate(QDate(2026, 5, 2));
        pressIn(d, "OKButton");
    });
    EXPECT_EQ(readingCount(), 2);
    EXPECT_EQ(pr.messageTexts(), QStringList{"2 readings were deleted from 2026/05/02 and 2026/05/02"});
    EXPECT_EQ(pr.messages()[0].title, "Rockvane");
    EXPECT_EQ(text("txtRcount"), "2 of 2");

    // A start after the end matches nothing, and says so.
    pr.clear();
    deleteWith([&](FrmBatchDel* d) {
        d->findChild<QCalendarWidget*>("DelStart")->setSelectedDate(QDate(2026, 5, 3));
        d->findChild<QCalendarWidget*>("DelEnd")->setSelectedDate(QDate(2026, 5, 1));
        pressIn(d, "OKButton");
    });
    EXPECT_EQ(readingCount(), 2);
    EXPECT_EQ(pr.messageTexts(), QStringList{"0 readings were deleted from 2026/05/03 and 2026/05/01"});

    // The whole table: the notice, and still the count.
    pr.clear();
    deleteWith([&](FrmBatchDel* d) {
        d->findChild<QCalendarWidget*>("DelStart")->setSelectedDate(QDate(2026, 1, 1));
        pressIn(d, "OKButton");
    });
    EXPECT_EQ(readingCount(), 0);
    EXPECT_EQ(text("txtRcount"), "0 of 0");
    EXPECT_TRUE(errorShown());
    EXPECT_EQ(pr.messageTexts().value(0).left(2), "2 ");
}

TEST_F(ReadingsPageTest, CancelCloseAndDeleteAll)
{
    putReading("2026/05/01 09:00:00");
    putReading("2026/05/02 09:00:00");
    toReadings();
    deleteWith([&](FrmBatchDel* d) { pressIn(d, "CancelButton"); });
    deleteWith([&](FrmBatchDel* d) { d->close(); });
    deleteWith([&](FrmBatchDel* d) {
        d->activateWindow();
        QApplication::setActiveWindow(d);
        d->findChild<QPushButton*>("CancelButton")->setFocus();
        keyToFocus(Qt::Key_Escape);
    });
    EXPECT_EQ(readingCount(), 2);
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(text("txtRcount"), "2 of 2");

    deleteWith([&](FrmBatchDel* d) {
        EXPECT_EQ(d->windowTitle(), "SensorData Deletion");
        EXPECT_EQ(d->findChild<QCalendarWidget*>("DelStart")->selectedDate(), QDate(2026, 5, 2)) << "the shown reading's day";
        pressIn(d, "Command1");
    });
    EXPECT_EQ(readingCount(), 0);
    EXPECT_TRUE(data.hasTable(id)) << "only the rows go";
    EXPECT_EQ(text("txtRcount"), "0 of 0");
    EXPECT_TRUE(errorShown());
}

namespace {

// Runs f on the datasheet window once the button has opened it, then closes it.
void onDatasheet(const std::function<void(QWidget*)>& f, bool& ran)
{
    QTimer::singleShot(0, [&ran, f] {
        QWidget* d = QApplication::activeModalWidget();
        if (!d)
            return;
        ran = true;
        d->activateWindow();
        QApplication::setActiveWindow(d);
        QApplication::processEvents();
        f(d);
        if (d->isVisible())
            d->close();
    });
}

} // namespace

TEST_F(ReadingsPageTest, LeavingTheTimeBoxForTheDatasheetIsNoDuplicate)
{
    // Types over the hours of the time box, as a user selecting them does.
    auto typeHours = [&](const char* hh) {
        key("dtpRtime", Qt::Key_Home);
        keyToFocus(Qt::Key_Right, Qt::ShiftModifier);
        keyToFocus(Qt::Key_Right, Qt::ShiftModifier);
        QTest::keyClicks(QApplication::focusWidget(), hh);
        QApplication::processEvents();
        ASSERT_EQ(w<QTimeEdit>("dtpRtime")->text().left(2), QString(hh));
    };
    putReading("2026/12/05 07:30:00");
    putReading("2026/12/05 08:00:00");
    putReading("2026/12/05 08:30:00");
    toReadings();
    ASSERT_EQ(text("txtRcount"), "3 of 3");

    // Into the time box, nothing changed, then the datasheet button.
    focusOn("dtpRtime");
    bool ran = false;
    onDatasheet([](QWidget*) {}, ran);
    mouseClick(w<QWidget>("imgDatasheet"));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(pr.messages().empty()) << pr.messageTexts().join("|").toStdString();
    EXPECT_EQ(text("txtReadingID"), id + " 2026/12/05 08:30:00");

    // New hours typed without Enter: the click re-keys the reading once,
    // without a word, and the datasheet still opens.
    typeHours("09");
    ran = false;
    onDatasheet([&](QWidget*) {
        EXPECT_EQ(stored("2026/12/05 09:30:00", "ReadingTime").toTime(), QTime(9, 30, 0));
    }, ran);
    mouseClick(w<QWidget>("imgDatasheet"));
    EXPECT_TRUE(ran);
    EXPECT_TRUE(pr.messages().empty()) << pr.messageTexts().join("|").toStdString();
    EXPECT_EQ(readingCount(), 3);
    EXPECT_EQ(text("txtReadingID"), id + " 2026/12/05 09:30:00");
    EXPECT_FALSE(stored("2026/12/05 08:30:00", "ReadingTime").isValid());

    // A real collision is still refused, once.
    typeHours("07");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QApplication::processEvents();
    EXPECT_EQ(pr.messageTexts(), QStringList{"There is already a reading on 2026/12/05 at 07:30:00"});
    EXPECT_EQ(text("txtReadingID"), id + " 2026/12/05 09:30:00");
}

TEST_F(ReadingsPageTest, EmptyTableClearsThePlotFlags)
{
    putReading("2026/05/01 09:00:00");
    toReadings();
    w<QCheckBox>("chkSpatial")->setChecked(true);
    ASSERT_TRUE(w<QCheckBox>("chkTemporal")->isChecked());
    // The only reading deleted: nothing left to plot.
    deleteWith([&](FrmBatchDel* dlg) { pressIn(dlg, "cmdSingleDel"); });
    EXPECT_EQ(readingCount(), 0);
    EXPECT_FALSE(w<QCheckBox>("chkTemporal")->isChecked());
    EXPECT_FALSE(w<QCheckBox>("chkSpatial")->isChecked());
}

TEST_F(ReadingsPageTest, DeletionCalendarsOpenOnTheShownReading)
{
    putReading("2025/02/10 09:00:00");
    putReading("2025/03/20 09:00:00");
    toReadings();
    click("imgFirst");
    deleteWith([&](FrmBatchDel* d) {
        for (const char* name : {"DelStart", "DelEnd"}) {
            auto* cal = d->findChild<QCalendarWidget*>(name);
            EXPECT_EQ(cal->selectedDate(), QDate(2025, 2, 10)) << name;
            EXPECT_EQ(cal->monthShown(), 2) << name;
            EXPECT_EQ(cal->yearShown(), 2025) << name;
        }
        d->reject();
    });
    EXPECT_EQ(readingCount(), 2);
}
