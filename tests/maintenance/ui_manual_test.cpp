// The manual is rendered to PDF in the data folder, stamped with the
// program's version, and written again only for a newer program.
#include "maintenance/manual.h"
#include "temp_data.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <gtest/gtest.h>

using namespace rv;

TEST(Manual, InstalledOnceAndRewrittenForANewerProgram)
{
    test::TempData data;
    const QString pdf = data.folder() + "/RockvaneManual.pdf";
    ASSERT_TRUE(installManual(data.folder()));
    ASSERT_TRUE(QFileInfo(pdf).isFile());
    QFile f(pdf);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray bytes = f.readAll();
    f.close();
    EXPECT_TRUE(bytes.startsWith("%PDF"));
    EXPECT_GT(bytes.count("/Type /Page\n") + bytes.count("/Type /Page "), 5) << "several pages";
    EXPECT_EQ(manualVersion(pdf), programVersion());
    EXPECT_FALSE(QFileInfo::exists(pdf + ".part"));

    // The same version: left alone.
    const QDateTime written = QFileInfo(pdf).lastModified();
    QThread::msleep(20);
    ASSERT_TRUE(installManual(data.folder()));
    EXPECT_EQ(QFileInfo(pdf).lastModified(), written);

    // A manual of an older program, or one without a stamp: written anew.
    ASSERT_TRUE(renderManual("# Old manual\n", pdf, "0.9.0"));
    EXPECT_EQ(manualVersion(pdf), "0.9.0");
    ASSERT_TRUE(installManual(data.folder()));
    EXPECT_EQ(manualVersion(pdf), programVersion());
    QFile junk(pdf);
    junk.open(QIODevice::WriteOnly | QIODevice::Truncate);
    junk.write("not a pdf");
    junk.close();
    EXPECT_EQ(manualVersion(pdf), "");
    ASSERT_TRUE(installManual(data.folder()));
    EXPECT_EQ(manualVersion(pdf), programVersion());
}
