#pragma once
// Driving the modal windows of the reports: act once the window is up, and
// send keys to whatever holds the focus in it.
#include <QApplication>
#include <QDialog>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

namespace rv::test {

// Runs `act` on the modal window named `name` as soon as it is shown. A window
// that never comes leaves the test failing, never hanging: after two seconds
// whatever modal window is up is closed.
inline void onModal(const QString& name, std::function<void(QDialog*)> act)
{
    auto tries = std::make_shared<int>(0);
    auto step = std::make_shared<std::function<void()>>();
    *step = [name, act, tries, step] {
        auto* m = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (m && m->objectName() == name && m->isVisible()) {
            QApplication::setActiveWindow(m);
            act(m);
            *step = nullptr;
            return;
        }
        if (++*tries > 200) {
            ADD_FAILURE() << "no modal window " << name.toStdString();
            if (m)
                m->reject();
            *step = nullptr;
            return;
        }
        QTimer::singleShot(10, [step] { if (*step) (*step)(); });
    };
    QTimer::singleShot(0, [step] { if (*step) (*step)(); });
}

// Gives the named control of the window the focus, then presses `key` in
// whatever holds the focus, as the window system would deliver it.
inline void keyIn(QWidget* window, const QString& control, Qt::Key key)
{
    auto* target = window->findChild<QWidget*>(control);
    ASSERT_NE(target, nullptr) << control.toStdString();
    window->activateWindow();
    QApplication::setActiveWindow(window);
    target->setFocus(Qt::OtherFocusReason);
    QApplication::processEvents();
    QWidget* f = QApplication::focusWidget();
    ASSERT_EQ(f, target) << "focus not on " << control.toStdString();
    QTest::keyClick(f, key);
    QApplication::processEvents();
}

// Presses a key in whatever holds the focus.
inline void keyToFocusOf(Qt::Key key)
{
    if (QWidget* f = QApplication::focusWidget())
        QTest::keyClick(f, key);
    QApplication::processEvents();
}

} // namespace rv::test
