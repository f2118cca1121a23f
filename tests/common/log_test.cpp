#include "common/log.h"

#include "store/dberror.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace rv;

namespace {

QStringList logLines(const QString& folder)
{
    QFile f(folder + "/TENDON_logfile.txt");
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(f.readAll());
    QStringList lines = text.split('\n');
    // Every line ends with a line feed, so the split leaves one empty tail.
    EXPECT_EQ(lines.last(), "");
    lines.removeLast();
    return lines;
}

const QString kStars(89, u'*');
const QRegularExpression kStamp(R"(^\d{4}/\d{2}/\d{2} \d{2}:\d{2}:\d{2} - )");

} // namespace

TEST(ErrorText, NumberDescriptionAndName)
{
    EXPECT_EQ(errorText(3021, "", "Form_Load"), "Err #3021:  Form_Load");
    EXPECT_EQ(errorText(13, "Type mismatch", "G_savefields"), "Err #13: Type mismatch G_savefields");
    EXPECT_EQ(errorText(5, "x", "frmDatasheet.Form_Load"), "Err #5: x frmDatasheet.Form_Load");
    // A name that still carries its blank does not get a second one.
    EXPECT_EQ(errorText(94, "Invalid use of Null", " GBackupDB"), "Err #94: Invalid use of Null GBackupDB");
}

TEST(WriteLog, FirstRecordCreatesTheFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QDateTime before = QDateTime::currentDateTime().addSecs(-1);
    writeLog(dir.path(), errorText(3021, "", "Form_Load"));
    const QDateTime after = QDateTime::currentDateTime().addSecs(1);

    const QStringList lines = logLines(dir.path());
    ASSERT_EQ(lines.size(), 3);
    EXPECT_EQ(lines[0], "");
    EXPECT_EQ(lines[1], kStars);
    EXPECT_EQ(lines[1].size(), 89);
    EXPECT_TRUE(kStamp.match(lines[2]).hasMatch()) << lines[2].toStdString();
    EXPECT_TRUE(lines[2].endsWith(" - Err #3021:  Form_Load"));
    const QDateTime stamp = QDateTime::fromString(lines[2].left(19), "yyyy/MM/dd HH:mm:ss");
    EXPECT_GE(stamp, before.addMSecs(-before.time().msec()));
    EXPECT_LE(stamp, after);
}

TEST(WriteLog, TenRecordsAppendInOrder)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (int i = 1; i <= 10; ++i)
        writeLog(dir.path(), QStringLiteral("message %1").arg(i));
    const QStringList lines = logLines(dir.path());
    ASSERT_EQ(lines.size(), 30);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(lines[3 * i], "");
        EXPECT_EQ(lines[3 * i + 1], kStars);
        EXPECT_TRUE(kStamp.match(lines[3 * i + 2]).hasMatch());
        EXPECT_TRUE(lines[3 * i + 2].endsWith(QStringLiteral(" - message %1").arg(i + 1)));
    }
}

TEST(WriteLog, AppendsToAnExistingFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    {
        QFile f(dir.path() + "/TENDON_logfile.txt");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("older record\n");
    }
    writeLog(dir.path(), "new");
    const QStringList lines = logLines(dir.path());
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[0], "older record");
    EXPECT_EQ(lines[1], "");
    EXPECT_TRUE(lines[3].endsWith(" - new"));
}

TEST(WriteLog, UnwritablePlacesLoseTheRecordQuietly)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A missing folder is not created.
    const QString missing = dir.path() + "/no/such/folder";
    EXPECT_NO_THROW(writeLog(missing, "lost"));
    EXPECT_FALSE(QDir(missing).exists());
    // A log path that is a folder cannot be opened for appending.
    ASSERT_TRUE(QDir(dir.path()).mkdir("TENDON_logfile.txt"));
    EXPECT_NO_THROW(writeLog(dir.path(), "lost"));
    EXPECT_NO_THROW(writeLog(QString(), "lost"));
}

TEST(DescribeException, StoreErrorsKeepTheirNumber)
{
    int number = -1;
    QString description;
    try {
        throw store::DbError(3021, "Either BOF or EOF is True");
    } catch (...) {
        describeCurrentException(number, description);
    }
    EXPECT_EQ(number, 3021);
    EXPECT_EQ(description, "Either BOF or EOF is True");

    try {
        throw std::runtime_error("disk full");
    } catch (...) {
        describeCurrentException(number, description);
    }
    EXPECT_EQ(number, 5);
    EXPECT_EQ(description, "disk full");

    try {
        throw 42;
    } catch (...) {
        describeCurrentException(number, description);
    }
    EXPECT_EQ(number, 5);
    EXPECT_EQ(description, "Unknown error");

    describeCurrentException(number, description);  // nothing being handled
    EXPECT_EQ(number, 0);
    EXPECT_EQ(description, "");
}

TEST(Guarded, LogsAndLeavesOnAnyFailure)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    bool after = false;
    EXPECT_FALSE(guarded(dir.path(), "G_savefields", [&] {
        throw store::DbError(13, "Type mismatch");
        after = true;
    }));
    EXPECT_FALSE(after);
    EXPECT_TRUE(guarded(dir.path(), "G_savefields", [] {}));
    const QStringList lines = logLines(dir.path());
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines[2].endsWith(" - Err #13: Type mismatch G_savefields"));

    int runs = 0;
    attempt([&] { ++runs; throw std::runtime_error("ignored"); });
    EXPECT_EQ(runs, 1);
}
