#pragma once
// Drives the real main window offscreen on a temporary data folder, with
// scripted answers to every prompt.
#include "state/appstate.h"
#include "app/first_start.h"
#include "app/frmMain.h"
#include "common/scripted_prompter.h"
#include "store/recordset.h"
#include "temp_data.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <gtest/gtest.h>
#include <memory>

namespace rv::test {

class MainWindowTest : public ::testing::Test {
protected:
    TempData data;
    ScriptedPrompter pr;
    std::unique_ptr<AppState> st;
    std::unique_ptr<FrmMain> win;

    void TearDown() override { stop(); }

    // First start on the temporary folder, as main() does it.
    bool start()
    {
        ensureDataFolder(data.folder());
        st = std::make_unique<AppState>(data.folder());
        win = std::make_unique<FrmMain>(*st, pr);
        const bool ok = win->load();
        win->show();
        QApplication::processEvents();
        return ok;
    }
    void stop()
    {
        if (win) {
            win->close();
            win->terminate();
            win.reset();
        }
        st.reset();
    }

    template <class T = QWidget>
    T* w(const QString& name) const
    {
        T* found = win->findChild<T*>(name);
        EXPECT_NE(found, nullptr) << "no control " << name.toStdString();
        return found;
    }
    QString text(const QString& name) const
    {
        if (auto* e = win->findChild<QLineEdit*>(name))
            return e->text();
        if (auto* cb = win->findChild<QComboBox*>(name))
            return cb->currentText();
        if (auto* l = win->findChild<QLabel*>(name))
            return l->text();
        ADD_FAILURE() << "no text control " << name.toStdString();
        return QString();
    }
    void type(const QString& name, const QString& t)
    {
        auto* e = w<QLineEdit>(name);
        e->setText(t);
    }
    void click(const QString& name) { w<QToolButton>(name)->click(); QApplication::processEvents(); }
    // A mouse click in the middle of the named control, as a user gives it.
    void clickWithMouse(const QString& name)
    {
        QWidget* target = w<QWidget>(name);
        ASSERT_NE(target, nullptr);
        QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->rect().center());
        QApplication::processEvents();
    }
    // The sensor numbers the catalogue's list offers.
    QStringList listed() const
    {
        QStringList out;
        auto* cbo = win->findChild<QComboBox*>("cboSensors");
        for (int i = 0; i < cbo->count(); ++i)
            out << cbo->itemText(i);
        return out;
    }

    // Keys go where the window system would deliver them: the control gets
    // the focus, then each key is sent to whatever widget holds the focus
    // (for an editable combo box that is the combo box itself, never its
    // line edit).
    QWidget* focusOn(const QString& name)
    {
        QWidget* target = w<QWidget>(name);
        if (!target)
            return nullptr;
        QWidget* top = target->window();
        top->show();
        top->activateWindow();
        QApplication::setActiveWindow(top);
        target->setFocus(Qt::OtherFocusReason);
        QApplication::processEvents();
        QWidget* f = QApplication::focusWidget();
        EXPECT_NE(f, nullptr) << "nothing has the focus after focusing " << name.toStdString();
        return f;
    }
    // Types text into the named control with real key presses.
    void keys(const QString& name, const QString& text)
    {
        focusOn(name);
        if (QWidget* f = QApplication::focusWidget())
            QTest::keyClicks(f, text);
        QApplication::processEvents();
    }
    // Presses one key in the named control.
    void key(const QString& name, Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        focusOn(name);
        if (QWidget* f = QApplication::focusWidget())
            QTest::keyClick(f, k, mods);
        QApplication::processEvents();
    }
    // Presses one key in whatever holds the focus now.
    static void keyToFocus(Qt::Key k, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        if (QWidget* f = QApplication::focusWidget())
            QTest::keyClick(f, k, mods);
        QApplication::processEvents();
    }
    void page(int i) { w<QTabWidget>("SSTab1")->setCurrentIndex(i); QApplication::processEvents(); }
    int currentPage() const { return win->findChild<QTabWidget*>("SSTab1")->currentIndex(); }

    // Adds a sensor through the input box, answering Yes.
    void addSensor(const QString& number)
    {
        pr.answerInput(number);
        pr.answer(MsgResult::Yes);
        click("imgAddSensor");
    }

    // Adds a reading straight to a sensor's table.
    void addReading(const QString& id, const QString& when, bool temporal, bool spatial)
    {
        store::Recordset rs;
        rs.open("SELECT * FROM `" + id + "` ORDER BY FullDate", *st->conn);
        rs.addNew();
        rs.setValue("DateTimeKey", id + " " + when);
        rs.setValue("FullDate", when);
        rs.setValue("Plottemporal", temporal);
        rs.setValue("PlotSpatial", spatial);
        rs.update();
    }

    QString lastMessage() const
    {
        const auto m = pr.messages();
        return m.empty() ? QString() : m.back().text;
    }
};

} // namespace rv::test
