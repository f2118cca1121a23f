// The real prompter: file filters in Qt's form, desktop addresses, and the
// boxes it shows, answered by clicking them while they run.
#include "ui/ui_qt_prompter.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace rv;

namespace {

// Runs `act` on the modal box once it is up; gives up after a few seconds so
// that a box that never shows fails the test instead of hanging it.
void whenModalShows(std::function<void(QWidget*)> act)
{
    auto* poll = new QTimer;
    auto tries = std::make_shared<int>(0);
    QObject::connect(poll, &QTimer::timeout, [poll, tries, act] {
        QWidget* box = QApplication::activeModalWidget();
        if (!box && ++*tries < 300)
            return;
        poll->stop();
        poll->deleteLater();
        if (box)
            act(box);
    });
    poll->start(10);
}

} // namespace

TEST(QtFileFilter, ClassicPairsBecomeQtFilters)
{
    EXPECT_EQ(qtFileFilter("TENDON Database (*.mdb) | *.mdb"), "TENDON Database (*.mdb)");
    EXPECT_EQ(qtFileFilter("Text files (*.txt)|*.txt"), "Text files (*.txt)");
    EXPECT_EQ(qtFileFilter("Text files|*.txt"), "Text files (*.txt)");
    EXPECT_EQ(qtFileFilter("Text (*.txt)|*.txt|All files|*.*"), "Text (*.txt);;All files (*.*)");
    EXPECT_EQ(qtFileFilter("Readouts | *.csv;*.txt"), "Readouts (*.csv *.txt)");
    EXPECT_EQ(qtFileFilter("Readouts (*.csv;*.txt)|*.csv;*.txt"), "Readouts (*.csv;*.txt)");
    // A description showing other patterns than the ones it filters on gets
    // the real ones; Qt filters on the last parentheses.
    EXPECT_EQ(qtFileFilter("Database (*.mdb)|*.mdb;*.db"), "Database (*.mdb) (*.mdb *.db)");
    // Patterns are compared without regard to case, as the file system of
    // the callers' habit does.
    EXPECT_EQ(qtFileFilter("Database (*.MDB)|*.mdb"), "Database (*.MDB)");
}

TEST(QtFileFilter, OddFiltersStillGiveUsableOnes)
{
    EXPECT_EQ(qtFileFilter(""), "");
    EXPECT_EQ(qtFileFilter("Images (*.png *.jpg)"), "Images (*.png *.jpg)");
    EXPECT_EQ(qtFileFilter("Text;;All (*)"), "Text;;All (*)");
    EXPECT_EQ(qtFileFilter("|*.txt"), "*.txt");
    EXPECT_EQ(qtFileFilter("Text files|"), "Text files (*)");
    EXPECT_EQ(qtFileFilter("Text files|*.txt|All files"), "Text files (*.txt);;All files (*)");
}

TEST(DesktopUrl, AddressesStayAddressesAndPathsBecomeFiles)
{
    const QUrl web = desktopUrl("http://www.example.com/rockvane");
    EXPECT_EQ(web.scheme(), "http");
    EXPECT_EQ(web.host(), "www.example.com");
    EXPECT_EQ(desktopUrl("HTTPS://example.com").scheme().toLower(), "https");
    EXPECT_EQ(desktopUrl("www.example.com").toString(), "http://www.example.com");

    const QUrl file = desktopUrl("/data/Quillon/Rockvane/Temporal.jpg");
    EXPECT_TRUE(file.isLocalFile());
    EXPECT_EQ(file.toLocalFile(), "/data/Quillon/Rockvane/Temporal.jpg");
    // A path with blanks or a "#" is a path, not an address with a fragment.
    const QUrl odd = desktopUrl("/data/my docs/report #2.pdf");
    EXPECT_TRUE(odd.isLocalFile());
    EXPECT_EQ(odd.toLocalFile(), "/data/my docs/report #2.pdf");
}

TEST(QtPrompter, MessageBoxShowsWhatWasAskedOverItsParent)
{
    QWidget parent;
    QtPrompter prompter(&parent);
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    QString defaultText;
    QString text;
    QWidget* boxParent = nullptr;
    whenModalShows([&](QWidget* w) {
        auto* box = qobject_cast<QMessageBox*>(w);
        ASSERT_NE(box, nullptr);
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->standardButtons();
        text = box->text();
        boxParent = box->parentWidget();
        if (box->defaultButton())
            defaultText = box->defaultButton()->text();
        box->button(QMessageBox::Yes)->click();
    });
    const MsgResult r = prompter.message("Delete <all> readings?", MsgIcon::Warning,
                                         MsgButtons::YesNo, QString(), MsgResult::No);
    EXPECT_EQ(r, MsgResult::Yes);
    EXPECT_EQ(title, "Rockvane") << "an empty title shows the program's name";
    EXPECT_EQ(icon, QMessageBox::Warning);
    EXPECT_EQ(buttons, QMessageBox::Yes | QMessageBox::No);
    EXPECT_EQ(defaultText, QMessageBox(QMessageBox::NoIcon, "", "", QMessageBox::No)
                               .button(QMessageBox::No)->text());
    EXPECT_EQ(text, "Delete <all> readings?");
    EXPECT_EQ(boxParent, &parent);
}

TEST(QtPrompter, MessageBoxAnswersEachButtonAndKeepsItsTitle)
{
    QtPrompter prompter(nullptr);
    QString title;
    whenModalShows([&](QWidget* w) {
        auto* box = static_cast<QMessageBox*>(w);
        title = box->windowTitle();
        box->button(QMessageBox::Cancel)->click();
    });
    EXPECT_EQ(prompter.message("Save?", MsgIcon::Question, MsgButtons::YesNoCancel,
                               "Quillon's Rockvane", MsgResult::Yes),
              MsgResult::Cancel);
    EXPECT_EQ(title, "Quillon's Rockvane");

    whenModalShows([](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click(); });
    EXPECT_EQ(prompter.message("Done", MsgIcon::None, MsgButtons::Ok, "T", MsgResult::Ok),
              MsgResult::Ok);
}

TEST(QtPrompter, InputGivesTheTextOrNothingOnCancel)
{
    QtPrompter prompter(nullptr);
    QString label;
    whenModalShows([&](QWidget* w) {
        auto* dlg = qobject_cast<QInputDialog*>(w);
        ASSERT_NE(dlg, nullptr);
        label = dlg->labelText();
        dlg->setTextValue("070125001");
        dlg->accept();
    });
    EXPECT_EQ(prompter.input("Enter the sensor number", "Add Sensor", "0701"),
              std::optional<QString>("070125001"));
    EXPECT_EQ(label, "Enter the sensor number");

    QString shownDefault;
    whenModalShows([&](QWidget* w) {
        auto* dlg = static_cast<QInputDialog*>(w);
        shownDefault = dlg->textValue();
        dlg->reject();
    });
    EXPECT_EQ(prompter.input("Enter the sensor number", "Add Sensor", "0701"), std::nullopt);
    EXPECT_EQ(shownDefault, "0701");
}
