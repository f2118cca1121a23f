// The progress dialog of long work: it stays away from short work, appears
// only between two steps of the work, and its Cancel button stops the work.
#include "ui/ui_progress.h"

#include <QApplication>
#include <QProgressDialog>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QWidget>
#include <gtest/gtest.h>

using namespace rv::importing;

namespace {
QProgressDialog* shownDialog(QWidget& parent)
{
    auto* d = parent.findChild<QProgressDialog*>(QStringLiteral("dlgProgress"));
    return d && d->isVisible() ? d : nullptr;
}
} // namespace

TEST(QtProgressDialog, ShortWorkShowsNothingLongWorkCanBeCancelled)
{
    QWidget window;
    window.show();
    QtProgress progress(&window);

    progress.begin(QStringLiteral("Short work"), 10);
    EXPECT_TRUE(progress.advance(5));
    // However long the work waits on something else, no timer raises the dialog.
    QThread::msleep(450);
    QApplication::processEvents();
    EXPECT_EQ(shownDialog(window), nullptr);
    progress.end();

    progress.begin(QStringLiteral("Long work"), 1000);
    QThread::msleep(450);
    EXPECT_TRUE(progress.advance(100));
    QProgressDialog* d = shownDialog(window);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->labelText(), "Long work");
    auto* cancel = d->findChild<QPushButton*>();
    ASSERT_NE(cancel, nullptr);
    cancel->setFocus();
    QApplication::processEvents();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
    QThread::msleep(60);
    EXPECT_FALSE(progress.advance(200));
    progress.end();
    EXPECT_EQ(shownDialog(window), nullptr);
}
