// The whole road of a readout file import through the real windows: the
// file dialog, the name check, the review window with its ticks and date
// layouts, the append with its duplicate messages, and the return to the
// Readings page.
#include "import/ui_import.h"
#include "import_support.h"
#include "main_window_fixture.h"
#include "common/scripted_progress.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QDir>
#include <QTemporaryDir>

using namespace rv;
using namespace rv::test;
using namespace rv::importing;

namespace {
const QString kSensor = QStringLiteral("250045001");
}

class ImportTest : public MainWindowTest {
protected:
    QTemporaryDir files;   // where the logger's files lie; also the archive root
    ScriptedProgress progress;
    ImportSession* session = nullptr;

    void SetUp() override
    {
        ASSERT_TRUE(start());
        addSensor(kSensor);
        page(2);
        session = importSession(win.get());
        ASSERT_NE(session, nullptr);
        session->setProgress(&progress);
        // Never the real root of the file system in a test.
        session->archiveRoot = [this](const QString&) { return files.path(); };
        pr.clear();
    }
    QString readout(const QByteArray& bytes, const QString& name = kSensor + ".txt")
    {
        const QString path = files.path() + "/" + name;
        writeReadout(path, bytes);
        return path;
    }
    // Clicks the import button; act runs inside the review window.
    bool importFile(const QString& path, std::function<void(FrmSlugData&)> act = {})
    {
        pr.answerFile(path);
        ReviewWindowHook hook([&](FrmSlugData& w) { if (act) act(w); });
        click("imgAddSlugData");
        return hook.ran();
    }
    // Presses the append button from the keyboard and answers its question.
    static void pressAppend(FrmSlugData& w)
    {
        w.cmdAppend->setFocus();
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        QApplication::processEvents();
    }
    static void clickCell(FrmSlugData& w, int row, int col)
    {
        QTableView* g = w.MSFlexGrid1;
        const QModelIndex i = g->model()->index(row, col);
        g->scrollTo(i);
        QTest::mouseClick(g->viewport(), Qt::LeftButton, {}, g->visualRect(i).center());
        QApplication::processEvents();
    }
    std::vector<QString> storedKeys()
    {
        std::vector<QString> out;
        store::Recordset rs;
        rs.open("SELECT * FROM `" + kSensor + "` ORDER BY FullDate", *st->conn);
        for (; !rs.eof(); rs.moveNext())
            out.push_back(rs.text("DateTimeKey"));
        return out;
    }
};

TEST_F(ImportTest, SpacingBoxOffersOneEightAndTwentyFour)
{
    auto* box = w<QComboBox>("cboSlugInt");
    ASSERT_EQ(box->count(), 3);
    EXPECT_EQ(box->itemText(0), "1");
    EXPECT_EQ(box->itemText(1), "8");
    EXPECT_EQ(box->itemText(2), "24");
    EXPECT_EQ(box->currentText(), "24");
}

TEST_F(ImportTest, NameCheckCancelAndMissingFile)
{
    // Cancelling the dialog does nothing at all.
    EXPECT_FALSE(importFile(QString()));
    EXPECT_TRUE(pr.messages().empty());
    const auto dialogs = pr.records();
    ASSERT_FALSE(dialogs.empty());
    EXPECT_EQ(dialogs.front().kind, PromptRecord::Kind::OpenFile);
    EXPECT_EQ(dialogs.front().text, "Text (*.txt) | *.txt");

    // A name differing only in case is warned about; No leaves everything.
    const QString wrong = readout(hourlyReadout(3), kSensor + ".TXT");
    pr.answer(MsgResult::No);
    EXPECT_FALSE(importFile(wrong));
    ASSERT_EQ(pr.messages().size(), 1u);
    const PromptRecord m = pr.messages().front();
    EXPECT_EQ(m.text, "WARNING:\n250045001.TXT is not a match for the current sensor of 250045001\n"
                      "Are you sure you want to append this data to the database?\n\n"
                      "This may cause undesirable results including corruption and loss of database");
    EXPECT_EQ(m.title, "Quillon's ROCKVANE");
    EXPECT_EQ(m.icon, MsgIcon::Warning);
    EXPECT_EQ(m.buttons, MsgButtons::YesNo);
    EXPECT_EQ(m.defaultButton, MsgResult::No);
    EXPECT_FALSE(QFile::exists(st->DataFolder + "/datafile.txt"));
    EXPECT_FALSE(QFile::exists(st->DataFolder + "/Schema.ini"));
    EXPECT_EQ(st->CurrentSensorID, kSensor);

    // Yes goes on to the review window.
    pr.clear();
    pr.answer(MsgResult::Yes);
    EXPECT_TRUE(importFile(wrong));

    // A file gone by load time is told, and no window opens.
    pr.clear();
    EXPECT_FALSE(importFile(files.path() + "/" + kSensor + "_gone/" + kSensor + ".txt"));
    ASSERT_EQ(pr.messages().size(), 1u);
    EXPECT_EQ(pr.messages().front().text, "There was no data found for this sensor.");
    EXPECT_EQ(pr.messages().front().icon, MsgIcon::Information);
    EXPECT_TRUE(session->ReadoutNotFound);
    EXPECT_FALSE(QFile::exists(st->DataFolder + "/Schema.ini"));
}

TEST_F(ImportTest, ReviewTickAppendAndReturn)
{
    QByteArray bytes = hourlyReadout(50);
    bytes.insert(0, "2000/01/01 00:00:80,SLUG01,45,001,1,1,1,1,1\n");
    const QString path = readout(bytes);
    writeReadout(files.path() + "/RV" + kSensor + ".txt", "logger copy\n");

    const bool shown = importFile(path, [&](FrmSlugData& w) {
        EXPECT_EQ(w.windowTitle(), "Import DataFiles");
        EXPECT_EQ(w.lblHeader->text(), "Click to download textfile data to Sensor 250045001");
        EXPECT_TRUE(w.cmdAppend->isEnabled());
        EXPECT_EQ(w.cmdAppend->text(), "append");
        EXPECT_TRUE(w.optDateFormat[0]->isChecked());
        EXPECT_TRUE(QFile::exists(st->DataFolder + "/datafile.txt"));
        EXPECT_FALSE(QFile::exists(st->DataFolder + "/Schema.ini"));

        QAbstractItemModel* m = w.MSFlexGrid1->model();
        ASSERT_EQ(m->rowCount(), 51);
        ASSERT_EQ(m->columnCount(), 13);
        EXPECT_EQ(m->headerData(0, Qt::Horizontal).toString(), "Reading Date & Time");
        EXPECT_EQ(m->headerData(4, Qt::Horizontal).toString(), "ChannelT");
        EXPECT_EQ(m->headerData(11, Qt::Horizontal).toString(), "Append");
        EXPECT_EQ(m->headerData(12, Qt::Horizontal).toString(), "Note");
        EXPECT_EQ(w.note(0), "No time");
        EXPECT_EQ(w.lblTicked->text(), "3 of 51 rows ticked");
        EXPECT_TRUE(w.lblLayoutHint->isHidden());
        EXPECT_EQ(w.MSFlexGrid1->horizontalHeader()->sectionSize(0), 19 * 8);
        EXPECT_EQ(m->index(1, 0).data().toString(), "2024/03/01 00:00:00");
        EXPECT_EQ(m->index(1, 4).data().toString(), "16.25");

        // Spacing 24: the marker never, then the first reading and every 24th.
        EXPECT_FALSE(w.ticked(0));
        EXPECT_TRUE(w.ticked(1));
        EXPECT_FALSE(w.ticked(2));
        EXPECT_TRUE(w.ticked(25));
        EXPECT_TRUE(w.ticked(49));

        // A click ticks and unticks; the space bar does the same.
        clickCell(w, 2, 11);
        EXPECT_TRUE(w.ticked(2));
        EXPECT_EQ(w.lblTicked->text(), "4 of 51 rows ticked");
        clickCell(w, 25, 11);
        EXPECT_FALSE(w.ticked(25));
        clickCell(w, 3, 5);  // not the Append column
        EXPECT_FALSE(w.ticked(3));
        w.MSFlexGrid1->setFocus();
        w.MSFlexGrid1->setCurrentIndex(m->index(3, 11));
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_TRUE(w.ticked(3));

        pr.answer(MsgResult::Yes);
        pressAppend(w);
        EXPECT_FALSE(w.isVisible());
    });
    ASSERT_TRUE(shown);

    const auto msgs = pr.messages();
    ASSERT_EQ(msgs.size(), 2u);
    EXPECT_EQ(msgs[0].text, "All the checked data will be added to sensor:  250045001 ?");
    EXPECT_EQ(msgs[0].buttons, MsgButtons::YesNo);
    EXPECT_EQ(msgs[0].icon, MsgIcon::None);
    EXPECT_EQ(msgs[1].text, " 4 records appended to 250045001");
    EXPECT_EQ(storedKeys(), (std::vector<QString>{"250045001 2024/03/01 00:00:00", "250045001 2024/03/01 01:00:00",
                                                  "250045001 2024/03/01 02:00:00", "250045001 2024/03/03 00:00:00"}));
    EXPECT_DOUBLE_EQ(data.valueOf(kSensor, "DateTimeKey", "250045001 2024/03/01 01:00:00", "Channel1").toDouble(),
                     2.01);

    // The logger's copy is archived, dated, and gone from the root.
    EXPECT_FALSE(QFile::exists(files.path() + "/RV" + kSensor + ".txt"));
    EXPECT_TRUE(QFile::exists(files.path() + "/TENDONbackup/RV" + kSensor + "_"
                              + QDate::currentDate().toString("yyyy-MM-dd") + ".txt"));

    // Back on the Readings page with the readings as a fresh read gives them.
    EXPECT_EQ(currentPage(), 2);
    EXPECT_EQ(st->rsReadings.recordCount(), 4);
    EXPECT_EQ(text("txtRcount"), "4 of 4");
    EXPECT_FALSE(session->ReadoutData.isOpen());
}

TEST_F(ImportTest, SecondImportRefusesEveryRow)
{
    const QString path = readout(hourlyReadout(49));
    pr.answer(MsgResult::Yes);
    ASSERT_TRUE(importFile(path, pressAppend));
    EXPECT_EQ(storedKeys().size(), 3u);

    // Without the check box: one message per duplicate, each with its box.
    pr.clear();
    pr.answer(MsgResult::Yes);
    ASSERT_TRUE(importFile(path, pressAppend));
    auto msgs = pr.messages();
    ASSERT_EQ(msgs.size(), 5u);
    EXPECT_EQ(msgs[1].text, "250045001 2024/03/01 00:00:00 is a duplicate reading and cannot be appended.");
    EXPECT_EQ(msgs[1].checkText, "Do not show this message again for this import");
    EXPECT_EQ(msgs[1].buttons, MsgButtons::Ok);
    EXPECT_EQ(msgs[3].text, "250045001 2024/03/03 00:00:00 is a duplicate reading and cannot be appended.");
    EXPECT_EQ(msgs[4].text, " No data was found to append");

    // Ticking the box silences the rest of this append, and the count says how many.
    pr.clear();
    pr.answer(MsgResult::Yes);
    pr.answerCheck(true);
    ASSERT_TRUE(importFile(path, pressAppend));
    msgs = pr.messages();
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(msgs[2].text, " No data was found to append\n\n3 rows were refused as duplicates.");
    EXPECT_EQ(storedKeys().size(), 3u);
    EXPECT_EQ(st->rsReadings.recordCount(), 3);
}

TEST_F(ImportTest, DayFirstLayoutSpacingAndSkippedRows)
{
    // With spacing 8, a day-first file read by position, and a ticked
    // marker row that is skipped and told.
    QByteArray bytes = "01/03/2024 00:00:00,S,45,001,1,1\n"
                       "01/03/2024 09:00:00,S,45,001,1,1\n"
                       "2000/01/01 00:00:80,S,45,001,1,1\n"
                       "13/03/2024 10:00:00,S,45,001,1,1\n";
    const QString path = readout(bytes);
    w<QComboBox>("cboSlugInt")->setCurrentText("8");
    ASSERT_TRUE(importFile(path, [&](FrmSlugData& w) {
        EXPECT_TRUE(w.ticked(0));
        EXPECT_TRUE(w.ticked(1));
        EXPECT_FALSE(w.ticked(2));
        clickCell(w, 2, 11);
        // The layout is chosen from the keyboard; the hand-ticked row is kept.
        pr.answer(MsgResult::Yes);
        w.optDateFormat[1]->setFocus();
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_TRUE(w.optDateFormat[1]->isChecked());
        EXPECT_EQ(w.dateLayout(), DateLayout::DayFirst);
        pr.answer(MsgResult::Yes);
        pressAppend(w);
    }));
    EXPECT_EQ(lastMessage(), " 3 records appended to 250045001\n\n"
                             "1 ticked row was skipped because its date and time could not be read.");
    EXPECT_EQ(storedKeys(), (std::vector<QString>{"250045001 2024/03/01 00:00:00", "250045001 2024/03/01 09:00:00",
                                                  "250045001 2024/03/13 10:00:00"}));
    // Nothing to archive at the root: only the folder is made.
    EXPECT_TRUE(QDir(files.path() + "/TENDONbackup").exists());
}

TEST_F(ImportTest, NoAndCancelAppendNothing)
{
    const QString path = readout(hourlyReadout(600));
    w<QComboBox>("cboSlugInt")->setCurrentText("1");

    // No to the question closes the window without appending.
    pr.answer(MsgResult::No);
    ASSERT_TRUE(importFile(path, pressAppend));
    EXPECT_TRUE(storedKeys().empty());
    EXPECT_EQ(pr.messages().size(), 1u);

    // Cancelling the progress rolls the whole append back and says so.
    pr.clear();
    progress.cancelAt(2, 300);  // pieces: load, load, append
    pr.answer(MsgResult::Yes);
    ASSERT_TRUE(importFile(path, pressAppend));
    EXPECT_TRUE(storedKeys().empty());
    EXPECT_EQ(lastMessage(), "The append was cancelled. Nothing was appended to 250045001.");
    EXPECT_EQ(st->rsReadings.recordCount(), 0);
    EXPECT_EQ(text("txtRcount"), "0 of 0");

    // Closing the window with Escape ends it like any other ending.
    pr.clear();
    ASSERT_TRUE(importFile(path, [](FrmSlugData& w) {
        w.MSFlexGrid1->setFocus();
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        EXPECT_FALSE(w.isVisible());
    }));
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_FALSE(session->ReadoutData.isOpen());
    EXPECT_EQ(st->rsReadings.state(), 1);
}

TEST_F(ImportTest, EmptyFileShowsNoReadings)
{
    const QString path = readout(QByteArray());
    ASSERT_TRUE(importFile(path, [&](FrmSlugData& w) {
        EXPECT_EQ(w.MSFlexGrid1->model()->headerData(0, Qt::Horizontal).toString(), "No Readings");
        EXPECT_EQ(w.MSFlexGrid1->model()->rowCount(), 0);
        pr.answer(MsgResult::Yes);
        pressAppend(w);
    }));
    EXPECT_EQ(lastMessage(), " No data was found to append");
}

TEST_F(ImportTest, ArchiveFailureIsToldAndLoggedAfterTheAppend)
{
    // A root where the backup folder cannot be made: the readings stay
    // appended, the user is told and the log has it.
    const QString blocked = files.path() + "/blocked";
    QDir().mkpath(blocked);
    writeReadout(blocked + "/TENDONbackup", "a file, not a folder\n");
    writeReadout(blocked + "/RV" + kSensor + ".txt", "logger copy\n");
    session->archiveRoot = [&](const QString&) { return blocked; };
    const QString path = readout(hourlyReadout(2));
    pr.answer(MsgResult::Yes);
    ASSERT_TRUE(importFile(path, pressAppend));
    const auto msgs = pr.messages();
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(msgs[1].text, " 1 records appended to 250045001");
    EXPECT_TRUE(msgs[2].text.startsWith("The logger's readout file could not be archived."));
    EXPECT_EQ(msgs[2].icon, MsgIcon::Warning);
    EXPECT_TRUE(data.readLog().contains("cmdAppend_Click"));
    EXPECT_TRUE(QFile::exists(blocked + "/RV" + kSensor + ".txt"));
    EXPECT_EQ(storedKeys().size(), 1u);
}

namespace {

// Ninety days every 30 minutes from 1 September 2026, written day first
// with a header line and CR LF line ends, as a day-first logger writes them.
QByteArray dayFirstReadout(int count = 4320)
{
    QByteArray out = "Date Time,Slug,Type,No,T,C1,C2,C3,C4\r\n";
    const QDateTime start(QDate(2026, 9, 1), QTime(0, 0), Qt::UTC);
    for (int k = 0; k < count; ++k)
        out += start.addSecs(1800 * k).toString("dd/MM/yyyy HH:mm:ss").toUtf8() + ",SLUG01,45,001,16.2,"
            + QByteArray::number(1 + k * 0.001, 'f', 3) + ",2,3,4\r\n";
    return out;
}

struct PresentForTests {
    explicit PresentForTests(const QDateTime& now) { FrmSlugData::setPresentForTests(now); }
    ~PresentForTests() { FrmSlugData::setPresentForTests({}); }
};

} // namespace

TEST_F(ImportTest, DayFirstFileTicksFollowTheLayoutAndTheLayoutIsRemembered)
{
    const PresentForTests present(QDateTime(QDate(2026, 12, 8), QTime(9, 0), Qt::UTC));
    const QString path = readout(dayFirstReadout());
    w<QComboBox>("cboSlugInt")->setCurrentText("8");
    ASSERT_TRUE(importFile(path, [&](FrmSlugData& w) {
        // Opened year first: the hint says how the file is written.
        EXPECT_TRUE(w.optDateFormat[0]->isChecked());
        EXPECT_FALSE(w.lblLayoutHint->isHidden());
        EXPECT_TRUE(w.lblLayoutHint->text().contains("they are written DD/MM/YYYY")) << w.lblLayoutHint->text().toStdString();
        // Choosing the layout recomputes the ticks without a question (none
        // was changed by hand): three a day for ninety days.
        w.optDateFormat[1]->setFocus();
        QApplication::processEvents();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
        EXPECT_TRUE(pr.messages().empty());
        EXPECT_EQ(w.tickedCount(), 270);
        EXPECT_EQ(w.lblTicked->text(), "270 of 4321 rows ticked");
        EXPECT_TRUE(w.lblLayoutHint->isHidden());
        EXPECT_EQ(w.note(0), "Date not readable as DD/MM/YYYY");
        EXPECT_EQ(w.note(1), "");
        pr.answer(MsgResult::Yes);
        pressAppend(w);
    }));
    EXPECT_EQ(lastMessage(), " 270 records appended to 250045001");
    const auto keys = storedKeys();
    ASSERT_EQ(keys.size(), 270u);
    EXPECT_EQ(keys[1], "250045001 2026/09/01 08:00:00");
    EXPECT_EQ(keys.back(), "250045001 2026/11/29 16:00:00");
    EXPECT_EQ(data.valueOf("Settings", "Scope", kSensor, "Value").toString(), "DD/MM/YYYY");

    // The next import of this sensor opens on its layout, marks what is stored.
    pr.clear();
    ASSERT_TRUE(importFile(path, [&](FrmSlugData& w) {
        EXPECT_TRUE(w.optDateFormat[1]->isChecked());
        EXPECT_TRUE(w.lblLayoutHint->isHidden());
        EXPECT_EQ(w.note(1), "Already stored");
        EXPECT_EQ(w.note(17), "Already stored");
        EXPECT_EQ(w.note(2), "");
    }));
    EXPECT_TRUE(pr.messages().empty());
}

TEST_F(ImportTest, LayoutChangeAsksBeforeDroppingHandTicks)
{
    const PresentForTests present(QDateTime(QDate(2026, 12, 8), QTime(9, 0), Qt::UTC));
    const QString path = readout(dayFirstReadout(48 * 20));
    w<QComboBox>("cboSlugInt")->setCurrentText("24");
    ASSERT_TRUE(importFile(path, [&](FrmSlugData& w) {
        auto choose = [&](int k) {
            w.optDateFormat[k]->setFocus();
            QApplication::processEvents();
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
            QApplication::processEvents();
        };
        choose(1);
        EXPECT_EQ(w.tickedCount(), 20);
        // A hand change, then another layout: asked; No ticks afresh.
        clickCell(w, 5, 11);
        EXPECT_TRUE(w.ticked(5));
        pr.answer(MsgResult::No);
        choose(2);
        ASSERT_EQ(pr.messages().size(), 1u);
        EXPECT_TRUE(pr.messages()[0].text.startsWith("You have ticked or unticked some rows by hand."));
        EXPECT_EQ(pr.messages()[0].buttons, MsgButtons::YesNo);
        EXPECT_FALSE(w.ticked(5));
        // Again, Yes keeps the hand's ticks while the others follow the layout.
        choose(1);
        clickCell(w, 5, 11);
        clickCell(w, 1, 11);  // the first reading, unticked by hand
        pr.clear();
        pr.answer(MsgResult::Yes);
        choose(0);
        EXPECT_EQ(pr.messages().size(), 1u);
        EXPECT_TRUE(w.ticked(5));
        EXPECT_FALSE(w.ticked(1));
        // The kept ticks still count as the hand's: asked again.
        pr.clear();
        clickCell(w, 5, 11);
        clickCell(w, 5, 11);
        choose(1);
        EXPECT_EQ(pr.messages().size(), 1u);  // the kept ticks still differ
    }));
}

TEST_F(ImportTest, FarFutureRowDoesNotUntickTheRest)
{
    QByteArray bytes = hourlyReadout(72);
    const int at = bytes.indexOf("2024/03/02 06:00:00");
    bytes.insert(at, "2099/01/01 00:00:00,SLUG01,45,001,1,1,1,1,1\n");
    const QString path = readout(bytes);
    ASSERT_TRUE(importFile(path, [&](FrmSlugData& w) {
        EXPECT_TRUE(w.ticked(0));
        EXPECT_FALSE(w.ticked(30));
        EXPECT_EQ(w.note(30), "More than a day in the future");
        EXPECT_TRUE(w.ticked(24));
        EXPECT_TRUE(w.ticked(49));
        EXPECT_EQ(w.tickedCount(), 3);
    }));
}
