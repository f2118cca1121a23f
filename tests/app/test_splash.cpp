// The about box: its version caption and its OK button.
#include "app/frmSplash.h"

#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>
#include <QTimer>
#include <gtest/gtest.h>

using namespace rv;

TEST(frmSplash, ShowsTheProgramVersionAndHidesOnOk)
{
    QWidget owner;
    auto* about = new frmSplash(&owner);
    EXPECT_EQ(about->objectName(), "frmSplash");
    EXPECT_EQ(about->windowTitle(), "About Rockvane");

    auto* version = about->findChild<QLabel*>("lblVersion");
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version->text(), QStringLiteral("Version %1.%2.%3")
                                   .arg(ROCKVANE_VERSION_MAJOR)
                                   .arg(ROCKVANE_VERSION_MINOR)
                                   .arg(ROCKVANE_VERSION_PATCH));
    EXPECT_TRUE(version->text().contains(QRegularExpression("^Version \\d+\\.\\d+\\.\\d+$")));

    auto* ok = about->findChild<QPushButton*>("cmdOK");
    ASSERT_NE(ok, nullptr);
    EXPECT_EQ(ok->text(), "OK");

    // Shown modally, OK ends the modal run and hides the box; the box itself
    // stays, to be shown again.
    QTimer::singleShot(50, ok, &QPushButton::click);
    about->exec();
    EXPECT_FALSE(about->isVisible());
    EXPECT_EQ(owner.findChild<frmSplash*>(), about);
}
