// The import without a window: which sensor a file names, which files a
// folder gives, the counts of one file, and one transaction per file.
#include "import/batch_import.h"
#include "common/scripted_progress.h"
#include "maintenance_files.h"
#include "store/connection.h"
#include "temp_data.h"

#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace rv;
using namespace rv::importing;

namespace {

const QString kId = QStringLiteral("240145001");

QByteArray hourlyLines(int count, int fromHour = 0)
{
    QByteArray out;
    QDateTime t(QDate(2024, 3, 1), QTime(0, 0), Qt::UTC);
    for (int k = 0; k < count; ++k)
        out += t.addSecs(3600 * (fromHour + k)).toString("yyyy/MM/dd HH:mm:ss").toUtf8()
            + ",SLUG01,45,001,16.25,2.345,3,4,5\n";
    return out;
}

QString write(const QString& folder, const QString& name, const QByteArray& bytes)
{
    const QString path = folder + "/" + name;
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
    return path;
}

struct Batch : ::testing::Test {
    test::TempData data;
    QTemporaryDir files;
    store::Connection conn;
    BatchImportOptions options;

    void SetUp() override
    {
        test::makeDatabase(data.database(), {kId});
        conn.open(data.database());
        options.archive = false;
    }
    BatchImportResult import(const QByteArray& bytes, Progress* progress = nullptr)
    {
        NoProgress none;
        return importReadoutFile(conn, data.folder(), write(files.path(), kId + ".txt", bytes), options,
                                 progress ? *progress : none);
    }
};

} // namespace

TEST(BatchNames, SensorOfNameAndFilesOfAFolder)
{
    EXPECT_EQ(sensorOfReadoutName("/x/240145001.txt"), "240145001");
    EXPECT_EQ(sensorOfReadoutName("/x/240145001.TXT"), "");
    EXPECT_EQ(sensorOfReadoutName("/x/.txt"), "");
    EXPECT_EQ(sensorOfReadoutName("/x/240145001.txt.bak"), "");

    QTemporaryDir d;
    for (const char* n : {"b.txt", "a.txt", "C.TXT", "c.csv"})
        write(d.path(), n, "x");
    QDir().mkpath(d.path() + "/sub.txt");
    QStringList missing;
    const QStringList got = readoutFilesOf({d.path(), d.path() + "/c.csv", d.path() + "/gone.txt"}, &missing);
    EXPECT_EQ(got, (QStringList{d.path() + "/a.txt", d.path() + "/b.txt", d.path() + "/c.csv"}));
    EXPECT_EQ(missing, QStringList{d.path() + "/gone.txt"});
}

TEST_F(Batch, SpacingChoosesAsTheWindowAndCountsWhatIsSkipped)
{
    // 49 hourly rows, a header line and the logger's "no time" marker.
    const QByteArray bytes = "Date,Logger\n" + hourlyLines(49) + "2000/01/01 00:00:80,SLUG01,45,001,1,1,1,1,1\n";
    BatchImportResult r = import(bytes);
    EXPECT_EQ(r.status, BatchImportResult::Status::Imported);
    EXPECT_EQ(r.rows, 51);
    EXPECT_EQ(r.chosen, 3);  // 00:00 on the 1st, 2nd and 3rd
    EXPECT_EQ(r.appended, 3);
    EXPECT_EQ(r.unreadableDates, 2);
    ASSERT_EQ(r.appendedRows.size(), 3u);
    EXPECT_EQ(r.appendedRows[2].key, "240145001 2024/03/03 00:00:00");
    EXPECT_TRUE(r.exceedances.empty()) << "no level is set";
    EXPECT_TRUE(r.incomplete());

    // Every readable row: the three stored are duplicates, a line written
    // twice is one more.
    options.spacingHours.reset();
    r = import(hourlyLines(49) + hourlyLines(1, 5));
    EXPECT_EQ(r.chosen, 50);
    EXPECT_EQ(r.appended, 46);
    EXPECT_EQ(r.duplicates, 4);
    ASSERT_EQ(r.appendedRows.size(), 46u);
    EXPECT_EQ(r.appendedRows[0].key, "240145001 2024/03/01 01:00:00");
    EXPECT_EQ(data.rowCount(kId), 49);
}

TEST_F(Batch, FarFutureRowsAreNeverTaken)
{
    // A logger whose clock jumped ahead: its rows are counted, not stored,
    // and do not hide the rows after them.
    options.now = QDateTime(QDate(2024, 3, 1), QTime(12, 0), Qt::UTC);
    options.spacingHours.reset();
    BatchImportResult r = import(hourlyLines(2) + "2031/01/01 00:00:00,SLUG01,45,001,1,1,1,1,1\n" + hourlyLines(2, 5));
    EXPECT_EQ(r.appended, 4);
    EXPECT_EQ(r.futureDates, 1);
    EXPECT_TRUE(r.incomplete());
    options.spacingHours = 1;
    r = import(hourlyLines(1, 7) + "2031/01/01 00:00:00,SLUG01,45,001,1,1,1,1,1\n" + hourlyLines(1, 8));
    EXPECT_EQ(r.appended, 2);
    EXPECT_EQ(r.futureDates, 1);
}

TEST_F(Batch, AFileIsOneTransaction)
{
    // The sensor's table is gone: it is made in the same transaction as the
    // append, and a stop half-way keeps neither.
    conn.execute("DROP TABLE `240145001`");
    options.spacingHours.reset();
    ScriptedProgress stop;
    stop.cancelAt(1, 256);
    BatchImportResult r = import(hourlyLines(600), &stop);
    EXPECT_EQ(r.status, BatchImportResult::Status::Failed);
    EXPECT_EQ(r.appended, 0);
    EXPECT_FALSE(conn.hasTable(kId));

    r = import(hourlyLines(600));
    EXPECT_EQ(r.status, BatchImportResult::Status::Imported);
    EXPECT_TRUE(r.tableCreated);
    EXPECT_EQ(r.appended, 600);
    EXPECT_EQ(data.rowCount(kId), 600);
}

TEST_F(Batch, NoSensorMissingFileAndTheArchive)
{
    NoProgress none;
    BatchImportResult r =
        importReadoutFile(conn, data.folder(), write(files.path(), "240145009.txt", hourlyLines(3)), options, none);
    EXPECT_EQ(r.status, BatchImportResult::Status::NoSensor);
    EXPECT_EQ(r.sensor, "240145009");
    EXPECT_FALSE(conn.hasTable("240145009"));
    r = importReadoutFile(conn, data.folder(), files.path() + "/240145001.txt", options, none);
    EXPECT_EQ(r.status, BatchImportResult::Status::NotFound);

    // The logger's copy is archived after an append, as the window does.
    QTemporaryDir root;
    write(root.path(), "RV240145001.txt", "copy");
    options.archive = true;
    options.archiveRoot = [&root](const QString&) { return root.path(); };
    options.today = QDate(2026, 12, 8);
    r = import(hourlyLines(2));
    EXPECT_EQ(r.archive.status, ArchiveOutcome::Status::Archived);
    EXPECT_TRUE(QFile::exists(root.path() + "/TENDONbackup/RV240145001_2026-12-08.txt"));
    EXPECT_FALSE(QFile::exists(root.path() + "/RV240145001.txt"));
}
