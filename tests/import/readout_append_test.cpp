// Which rows are offered, how their dates are read, which fields they fill,
// the append with its duplicate test, and the archive of the logger's copy.
#include "import/preselect.h"
#include "import/readout_append.h"
#include "import/readout_archive.h"
#include "common/scripted_progress.h"
#include "readings/sensor_tables.h"
#include "store/audit.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "temp_data.h"

#include <QDir>
#include <cmath>
#include <sqlite3.h>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace rv;
using namespace rv::importing;

namespace {

// Rows of "date" lines only, one hour apart from start unless given.
ReadoutRecords dates(const QStringList& slugDates)
{
    QByteArray text;
    for (const QString& d : slugDates)
        text += d.toUtf8() + ",SLUG01,45,001,16.25,2.345,3,4,5,6,7\n";
    return parseReadout(text);
}

QStringList hourly(int count, int startHour = 0)
{
    QStringList out;
    QDateTime t(QDate(2024, 3, 1), QTime(0, 0), Qt::UTC);
    t = t.addSecs(3600 * startHour);
    for (int k = 0; k < count; ++k)
        out << t.addSecs(3600 * k).toString("yyyy/MM/dd HH:mm:ss");
    return out;
}

std::vector<int> tickedRows(const std::vector<char>& t)
{
    std::vector<int> out;
    for (size_t k = 0; k < t.size(); ++k)
        if (t[k])
            out.push_back(static_cast<int>(k));
    return out;
}

} // namespace

TEST(Preselect, SpacingOneEightAndTwentyFour)
{
    const auto r = dates(hourly(50));
    EXPECT_EQ(tickedRows(preselect(r, 24)), (std::vector<int>{0, 24, 48}));
    EXPECT_EQ(tickedRows(preselect(r, 8)).size(), 7u);
    EXPECT_EQ(tickedRows(preselect(r, 1)).size(), 50u);
    EXPECT_EQ(spacingHours("24"), 24);
    EXPECT_EQ(spacingHours("8"), 8);

    // Hour boundaries, not elapsed hours: 10:59 to 11:00 is one.
    const QDateTime a(QDate(2024, 3, 1), QTime(10, 59), Qt::UTC);
    EXPECT_EQ(hourBoundaries(a, QDateTime(QDate(2024, 3, 1), QTime(11, 0), Qt::UTC)), 1);
    EXPECT_EQ(hourBoundaries(a, QDateTime(QDate(2024, 3, 2), QTime(9, 59), Qt::UTC)), 23);
    // 23 hours and a minute after 10:59 is already 24 boundaries on.
    const auto edge = dates({"2024/03/01 10:59:00", "2024/03/02 09:59:00", "2024/03/02 10:00:00"});
    EXPECT_EQ(tickedRows(preselect(edge, 24)), (std::vector<int>{0, 2}));
}

TEST(Preselect, MarkerUnreadableAndEarlierRows)
{
    // The marker and a header line are never offered and do not move the
    // last offered date; a row earlier than the last offered one is skipped.
    const auto r = dates({"Date Time", "2024/03/01 00:00:00", "2000/01/01 00:00:80", "2024/03/02 00:00:00",
                          "2024/02/01 00:00:00", "2024/03/02 23:00:00", "2024/03/03 00:00:00"});
    EXPECT_EQ(tickedRows(preselect(r, 24)), (std::vector<int>{1, 3, 6}));
    EXPECT_EQ(tickedRows(preselect(dates({"2000/01/01 00:00:80"}), 1)).size(), 0u);
}

TEST(ReadingStamp, ThreeLayouts)
{
    const QString id = "202445001";
    auto s = readingStamp(id, u"2024/03/05 07:08:09", DateLayout::YearFirst);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->key, "202445001 2024/03/05 07:08:09");
    EXPECT_EQ(s->date, QDate(2024, 3, 5));
    EXPECT_EQ(s->time, QTime(7, 8, 9));

    s = readingStamp(id, u"05/03/2024 07:08:09", DateLayout::DayFirst);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->key, "202445001 2024/03/05 07:08:09");
    s = readingStamp(id, u"03/05/2024 07:08:09", DateLayout::MonthFirst);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->key, "202445001 2024/03/05 07:08:09");
    EXPECT_EQ(s->full, QDateTime(QDate(2024, 3, 5), QTime(7, 8, 9), Qt::UTC));

    // The general parser takes a day-first date with the default layout as
    // month-first; by position the layouts swap it back.
    s = readingStamp(id, u"05/03/2024 07:08:09", DateLayout::YearFirst);
    ASSERT_TRUE(s);
    EXPECT_EQ(s->date, QDate(2024, 5, 3));

    // Rows that would get a broken key are refused.
    EXPECT_FALSE(readingStamp(id, u"2000/01/01 00:00:80", DateLayout::YearFirst));
    EXPECT_FALSE(readingStamp(id, u"2000/01/01 00:00:80", DateLayout::DayFirst));
    EXPECT_FALSE(readingStamp(id, u"Date Time", DateLayout::YearFirst));
    EXPECT_FALSE(readingStamp(id, u"31/02/2024 07:08:09", DateLayout::DayFirst));
    EXPECT_FALSE(readingStamp(id, u"5/3/2024 07:08:09", DateLayout::DayFirst));
    EXPECT_FALSE(readingStamp(id, u"07:08:09", DateLayout::YearFirst));
}

TEST(ChannelMapping, TypesWithAndWithoutTemperature)
{
    auto m = channelMap("45", true);
    EXPECT_TRUE(m.temperature);
    EXPECT_EQ(m.firstField, 5);
    EXPECT_EQ(m.count, 4);
    m = channelMap("25", false);
    EXPECT_FALSE(m.temperature);
    EXPECT_EQ(m.firstField, 4);
    EXPECT_EQ(m.count, 2);
    EXPECT_EQ(channelMap("65", true).count, 6);
    EXPECT_DOUBLE_EQ(*channelValue(u"12.345", "##0.00"), 12.35);
    EXPECT_DOUBLE_EQ(*channelValue(u"16.25", "##0.0"), 16.3);
    EXPECT_DOUBLE_EQ(*channelValue(u"7kN", "##0.00"), 7.0);
    for (const char16_t* none : {u"abc", u"", u"NaN", u"inf", u"-inf", u"-", u".", u"1e400", u"-1e999"})
        EXPECT_FALSE(channelValue(none, "##0.00")) << QString::fromUtf16(none).toStdString();
}

class AppendTest : public ::testing::Test {
protected:
    test::TempData data;
    store::Connection conn;
    store::Recordset rs;
    const QString id = "202445001";

    void SetUp() override
    {
        data.makeDefaultDatabase();
        conn.open(data.database());
        createReadingTable(conn, id);
        rs.open(readingsSql(id), conn);
    }
    AppendOutcome append(const ReadoutRecords& r, const std::vector<char>& ticks, bool temp,
                         Progress& progress, QStringList* dups = nullptr,
                         DateLayout layout = DateLayout::YearFirst, const QString& type = "45")
    {
        const auto out = appendReadings(conn, r, ticks, AppendTarget{id, type, temp}, layout,
                                        [dups](const QString& k) { if (dups) *dups << k; }, progress);
        // The set shows the table as it now stands.
        rs.requery();
        return out;
    }
};

TEST_F(AppendTest, FieldsWrittenForATypeWithATemperatureChannel)
{
    const auto r = dates({"2024/03/05 07:08:09"});
    NoProgress none;
    const auto out = append(r, {1}, true, none);
    EXPECT_EQ(out.appended, 1);
    ASSERT_EQ(rs.recordCount(), 1);
    rs.moveFirst();
    EXPECT_EQ(rs.text("DateTimeKey"), "202445001 2024/03/05 07:08:09");
    EXPECT_EQ(rs.text("ReadingDate"), "2024/03/05");
    EXPECT_EQ(rs.text("ReadingTime"), "07:08:09");
    EXPECT_EQ(rs.text("FullDate"), "2024/03/05 07:08:09");
    EXPECT_DOUBLE_EQ(rs.value("ChannelT").toDouble(), 16.3);   // C4, one decimal
    EXPECT_DOUBLE_EQ(rs.value("Channel1").toDouble(), 2.35);   // C5, two decimals
    EXPECT_DOUBLE_EQ(rs.value("Channel4").toDouble(), 5.0);    // C8
    EXPECT_TRUE(rs.value("Channel5").isNull());                // beyond type 45's four
    EXPECT_EQ(rs.value("IsDirty").toBool(), true);
    EXPECT_EQ(rs.value("PlotSpatial").toBool(), false);
    EXPECT_EQ(rs.value("Plottemporal").toBool(), true);
}

TEST_F(AppendTest, FieldsWrittenForATypeWithoutATemperatureChannel)
{
    const auto r = dates({"2024/03/05 07:08:09"});
    NoProgress none;
    append(r, {1}, false, none, nullptr, DateLayout::YearFirst, "25");
    rs.moveFirst();
    EXPECT_TRUE(rs.value("ChannelT").isNull());
    EXPECT_DOUBLE_EQ(rs.value("Channel1").toDouble(), 16.25);  // C4
    EXPECT_DOUBLE_EQ(rs.value("Channel2").toDouble(), 2.35);   // C5
    EXPECT_TRUE(rs.value("Channel3").isNull());
}

TEST_F(AppendTest, DuplicatesBadDatesAndOrder)
{
    // Unticked rows stay out; a repeated line and a reading already stored
    // are refused; the marker is skipped and counted; the set comes back
    // in FullDate order as a fresh read would give it.
    rs.addNew();
    rs.setValue("DateTimeKey", id + " 2024/03/01 05:00:00");
    rs.setValue("FullDate", "2024/03/01 05:00:00");
    rs.update();
    const auto r = dates({"2024/03/02 00:00:00", "2024/03/01 05:00:00", "2000/01/01 00:00:80",
                          "2024/03/01 00:00:00", "2024/03/02 00:00:00", "2024/03/03 00:00:00"});
    QStringList dups;
    NoProgress none;
    const auto out = append(r, {1, 1, 1, 1, 1, 0}, true, none, &dups);
    EXPECT_EQ(out.appended, 2);
    EXPECT_EQ(out.duplicates, 2);
    EXPECT_EQ(out.badDates, 1);
    EXPECT_EQ(dups, (QStringList{id + " 2024/03/01 05:00:00", id + " 2024/03/02 00:00:00"}));
    ASSERT_EQ(rs.recordCount(), 3);
    EXPECT_EQ(data.rowCount(id), 3);
    QStringList keys;
    for (rs.moveFirst(); !rs.eof(); rs.moveNext())
        keys << rs.text("DateTimeKey").mid(10);
    EXPECT_EQ(keys, (QStringList{"2024/03/01 00:00:00", "2024/03/01 05:00:00", "2024/03/02 00:00:00"}));

    // The change log has one row for the whole import: the file and the counts.
    auto log = store::readAuditLog(conn, QString(), 0, 10);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].action, "import");
    EXPECT_EQ(log[0].instrumentId, id);
    EXPECT_EQ(log[0].readingKey, "");
    EXPECT_EQ(log[0].oldValues, "");
    EXPECT_EQ(log[0].newValues, "File=; Appended=2; Duplicates=2; BadDates=1; EmptyRows=0; PartialRows=0; "
                                "Earliest=" + id + " 2024/03/01 00:00:00; Latest=" + id + " 2024/03/02 00:00:00");

    // The same file again: every row refused, and nothing changed to log.
    dups.clear();
    const auto again = append(r, {1, 1, 0, 1, 1, 0}, true, none, &dups);
    EXPECT_EQ(again.appended, 0);
    EXPECT_EQ(dups.size(), 4);
    EXPECT_EQ(store::countAuditLog(conn, QString()), 1);
}

TEST_F(AppendTest, ChannelsWithoutANumberStoreNull)
{
    // Not a number, not finite, out of range, or cut off by a short line:
    // stored as null like an empty box, never as a reading of zero.
    const auto r = parseReadout("2024/03/05 07:00:00,SLUG01,45,001,16.25,2.345,NaN,inf,1e400\n"
                                "2024/03/05 08:00:00,SLUG01,45,001,-,2.3\n"
                                "2024/03/05 09:00:00,SLUG01,45,001,,,x,-inf,\n"
                                "2024/03/05 10:00:00,SLUG01,45,001,15.0,-0.001,7kN,1e5,0\n");
    NoProgress none;
    const auto out = append(r, {1, 1, 1, 1}, true, none);
    EXPECT_EQ(out.appended, 3);
    EXPECT_EQ(out.partialRows, 2);
    EXPECT_EQ(out.emptyRows, 1);
    // The readings kept for the check that follows: as stored.
    ASSERT_EQ(out.rows.size(), 3u);
    EXPECT_EQ(out.rows[0].key, id + " 2024/03/05 07:00:00");
    EXPECT_EQ(out.rows[0].reading.ms, QDateTime(QDate(2024, 3, 5), QTime(7, 0), Qt::UTC).toMSecsSinceEpoch());
    EXPECT_DOUBLE_EQ(*out.rows[0].reading.channel[1], 2.35);
    EXPECT_FALSE(out.rows[0].reading.channel[2]);
    EXPECT_EQ(out.rows[2].key, id + " 2024/03/05 10:00:00");
    EXPECT_DOUBLE_EQ(*out.rows[2].reading.channel[3], 100000.0);
    EXPECT_FALSE(out.rows[2].reading.channel[5]);
    ASSERT_EQ(rs.recordCount(), 3);
    rs.moveFirst();
    EXPECT_DOUBLE_EQ(rs.value("ChannelT").toDouble(), 16.3);
    EXPECT_DOUBLE_EQ(rs.value("Channel1").toDouble(), 2.35);
    EXPECT_TRUE(rs.value("Channel2").isNull());
    EXPECT_TRUE(rs.value("Channel3").isNull());
    EXPECT_TRUE(rs.value("Channel4").isNull());
    rs.moveNext();
    EXPECT_TRUE(rs.value("ChannelT").isNull());
    EXPECT_DOUBLE_EQ(rs.value("Channel1").toDouble(), 2.3);
    EXPECT_TRUE(rs.value("Channel2").isNull());
    rs.moveNext();
    // A leading number still counts; a value that rounds to zero is +0.
    EXPECT_EQ(rs.text("ReadingTime"), "10:00:00");
    EXPECT_EQ(rs.text("Channel1"), "0");
    EXPECT_FALSE(std::signbit(rs.value("Channel1").toDouble()));
    EXPECT_DOUBLE_EQ(rs.value("Channel2").toDouble(), 7.0);
    EXPECT_DOUBLE_EQ(rs.value("Channel3").toDouble(), 100000.0);
    EXPECT_DOUBLE_EQ(rs.value("Channel4").toDouble(), 0.0);
}

TEST_F(AppendTest, StoredFormsMatchARecordSetsWrites)
{
    // The append binds the stored forms directly; every value and type must
    // be what writing the same reading through a record set stores.
    const QStringList values{"2.345",  "-0.005", "0.004", "-12.5", "12.3456789012345678", "1e3", " 7",
                             "007.5",  "99999.995", "0.995", "-0.995", "5.", "-0", "123456789012.345",
                             "0.125",  "-2.675", "1.005", "x", "", "16.25", "3.14159", "-99.999"};
    QByteArray text;
    QStringList slugs;
    for (int i = 0; i < 40; ++i) {
        const QString slug = QDateTime(QDate(2024, 1, 1), QTime(0, 0), Qt::UTC).addSecs(3600 * i)
                                 .toString("yyyy/MM/dd HH:mm:ss");
        slugs << slug;
        text += (slug + ",SLUG01,45,001").toUtf8();
        for (int c = 0; c < 5; ++c)
            text += "," + values[(i * 5 + c) % values.size()].toUtf8();
        text += "\n";
    }
    // One row the quick reading of dates does not take.
    text += "2024/3/9 5:06:07,SLUG01,45,001,1,2,3,4,5\n";
    slugs << "2024/3/9 5:06:07";
    const auto r = parseReadout(text);
    NoProgress none;
    const auto out = append(r, std::vector<char>(size_t(r.recordCount()), 1), true, none);

    // The reference: a table of the same shape written through a record set.
    const QString ref = "202445999";
    createReadingTable(conn, ref);
    store::Recordset w;
    w.open(readingsSql(ref), conn);
    int written = 0;
    for (int row = 0; row < r.recordCount(); ++row) {
        const auto stamp = readingStamp(id, r.fieldView(row, 0), DateLayout::YearFirst);
        ASSERT_TRUE(stamp) << row;
        std::vector<std::optional<double>> ch;
        ch.push_back(channelValue(r.fieldView(row, 4), "##0.0"));
        for (int k = 0; k < 4; ++k)
            ch.push_back(channelValue(r.fieldView(row, 5 + k), "##0.00"));
        if (std::none_of(ch.begin(), ch.end(), [](const auto& v) { return v.has_value(); }))
            continue;
        w.addNew();
        w.setValue("DateTimeKey", stamp->key);
        w.setValue("ReadingDate", stamp->date);
        w.setValue("ReadingTime", stamp->time);
        w.setValue("FullDate", stamp->full);
        w.setValue("ChannelT", ch[0] ? QVariant(*ch[0]) : QVariant());
        for (int k = 1; k <= 4; ++k)
            w.setValue("Channel" + QString::number(k), ch[size_t(k)] ? QVariant(*ch[size_t(k)]) : QVariant());
        w.setValue("IsDirty", true);
        w.setValue("PlotSpatial", false);
        w.setValue("Plottemporal", true);
        w.update();
        ++written;
    }
    EXPECT_EQ(out.appended, written);
    ASSERT_GT(written, 30);

    auto dump = [&](const QString& table) {
        QStringList cols;
        store::Recordset t;
        t.open(readingsSql(table), conn);
        for (int c = 0; c < t.fieldCount(); ++c)
            cols << (t.fieldName(c) == "DateTimeKey"
                         // The keys differ by the sensor number only.
                         ? QString("typeof(DateTimeKey) || ':' || substr(DateTimeKey, 10)")
                         : QString("typeof(\"%1\") || ':' || quote(\"%1\")").arg(t.fieldName(c)));
        t.close();
        QStringList rows;
        const QString sql = "SELECT " + cols.join(" || '|' || ") + " AS v FROM \"" + table + "\" ORDER BY rowid";
        sqlite3_stmt* st = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(conn.handle(), sql.toUtf8().constData(), -1, &st, nullptr), SQLITE_OK);
        while (sqlite3_step(st) == SQLITE_ROW)
            rows << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
        sqlite3_finalize(st);
        return rows;
    };
    const QStringList mine = dump(id);
    const QStringList theirs = dump(ref);
    ASSERT_EQ(mine.size(), theirs.size());
    for (qsizetype i = 0; i < mine.size(); ++i)
        EXPECT_EQ(mine[i], theirs[i]) << i;
}

TEST_F(AppendTest, CancelKeepsNothing)
{
    const auto r = dates(hourly(2000));
    ScriptedProgress progress;
    progress.cancelAt(0, 1000);
    const auto out = append(r, std::vector<char>(2000, 1), true, progress);
    EXPECT_TRUE(out.cancelled);
    EXPECT_EQ(out.appended, 0);
    EXPECT_EQ(rs.recordCount(), 0);
    EXPECT_EQ(data.rowCount(id), 0);
    EXPECT_EQ(store::countAuditLog(conn, QString()), 0);
    EXPECT_EQ(conn.transactionDepth(), 0);
    EXPECT_FALSE(progress.open());
}

// An append that fails part-way keeps neither the readings nor the log row,
// also inside a caller's transaction; one that succeeds names its file.
TEST_F(AppendTest, TheLogRowGoesWithTheReadings)
{
    const auto r = dates(hourly(3));
    NoProgress none;
    ASSERT_EQ(sqlite3_exec(conn.handle(),
                           ("CREATE TRIGGER refuse BEFORE INSERT ON \"" + id +
                            "\" WHEN NEW.DateTimeKey LIKE '%02:00:00' BEGIN SELECT RAISE(ABORT, 'refused'); END")
                               .toUtf8()
                               .constData(),
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    EXPECT_THROW(appendReadings(conn, r, {1, 1, 1}, AppendTarget{id, "45", true, "/data/" + id + ".txt"},
                                DateLayout::YearFirst, {}, none),
                 store::DbError);
    EXPECT_EQ(data.rowCount(id), 0);
    EXPECT_EQ(store::countAuditLog(conn, QString()), 0);

    sqlite3_exec(conn.handle(), "DROP TRIGGER refuse", nullptr, nullptr, nullptr);
    {
        store::Connection::Transaction outer(conn);
        appendReadings(conn, r, {1, 1, 0}, AppendTarget{id, "45", true, "/data/" + id + ".txt"},
                       DateLayout::YearFirst, {}, none);
        // the caller gives up
    }
    EXPECT_EQ(data.rowCount(id), 0);
    EXPECT_EQ(store::countAuditLog(conn, QString()), 0);

    appendReadings(conn, r, {1, 0, 1}, AppendTarget{id, "45", true, "/data/my file; 2.txt"}, DateLayout::YearFirst,
                   {}, none);
    const auto log = store::readAuditLog(conn, QString(), 0, 10);
    ASSERT_EQ(log.size(), 1u);
    EXPECT_TRUE(log[0].newValues.startsWith("File=\"/data/my file; 2.txt\"; Appended=2;")) << log[0].newValues.toStdString();
}

TEST(Archive, MovesTheLoggersCopyIntoTheDatedFolder)
{
    QTemporaryDir root;
    const QDate day(2024, 3, 5);
    // Nothing to move: only the folder is made.
    auto out = archiveReadout(root.path(), "202445001", day);
    EXPECT_EQ(out.status, ArchiveOutcome::Status::NothingToMove);
    EXPECT_TRUE(QDir(root.path() + "/TENDONbackup").exists());

    auto write = [&](const QByteArray& text) {
        QFile f(root.path() + "/RV202445001.txt");
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    write("first\n");
    out = archiveReadout(root.path(), "202445001", day);
    EXPECT_EQ(out.status, ArchiveOutcome::Status::Archived);
    EXPECT_EQ(out.target, root.path() + "/TENDONbackup/RV202445001_2024-03-05.txt");
    EXPECT_FALSE(QFile::exists(root.path() + "/RV202445001.txt"));
    // A second archive the same day keeps the first.
    write("second\n");
    out = archiveReadout(root.path(), "202445001", day);
    EXPECT_EQ(out.target, root.path() + "/TENDONbackup/RV202445001_2024-03-05_2.txt");
    QFile first(root.path() + "/TENDONbackup/RV202445001_2024-03-05.txt");
    ASSERT_TRUE(first.open(QIODevice::ReadOnly));
    EXPECT_EQ(first.readAll(), "first\n");
}

TEST(Archive, UnwritableRootKeepsTheSource)
{
    QTemporaryDir root;
    QFile f(root.path() + "/RV202445001.txt");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("data\n");
    f.close();
    // A file where the folder should be: the folder cannot be made.
    QFile blocker(root.path() + "/TENDONbackup");
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    const auto out = archiveReadout(root.path(), "202445001", QDate(2024, 3, 5));
    EXPECT_EQ(out.status, ArchiveOutcome::Status::Failed);
    EXPECT_FALSE(out.error.isEmpty());
    EXPECT_TRUE(QFile::exists(root.path() + "/RV202445001.txt"));

    // With no logger's copy to move, a root where the folder cannot be made
    // is nothing to report.
    ASSERT_TRUE(QFile::remove(root.path() + "/RV202445001.txt"));
    EXPECT_EQ(archiveReadout(root.path(), "202445001", QDate(2024, 3, 5)).status,
              ArchiveOutcome::Status::NothingToMove);

    // The root of a path is the mount point of its file system.
    EXPECT_FALSE(driveRoot(root.path()).isEmpty());
    EXPECT_TRUE(root.path().startsWith(driveRoot(root.path())));
}

namespace {

// Half-hourly lines written day first, as a logger set to a day-first
// locale writes them.
ReadoutRecords dayFirst(const QDateTime& start, int count, int minutes = 30)
{
    QStringList out;
    for (int k = 0; k < count; ++k)
        out << start.addSecs(60 * minutes * k).toString("dd/MM/yyyy HH:mm:ss");
    return dates(out);
}

} // namespace

TEST(Preselect, ReadsEachRowInTheChosenLayout)
{
    // Ninety days every 30 minutes from 1 September, day first: spacing 8
    // offers three a day, but only when the dates are read day first.
    const QDateTime start(QDate(2026, 9, 1), QTime(0, 0), Qt::UTC);
    const auto r = dayFirst(start, 4320);
    const QDateTime now(QDate(2026, 12, 8), QTime(12, 0), Qt::UTC);
    const auto dmy = preselectRows(r, 8, DateLayout::DayFirst, now);
    EXPECT_EQ(tickedRows(dmy.ticked).size(), 270u);
    EXPECT_EQ(tickedRows(dmy.ticked)[1], 16);  // 08:00 on the first day
    // Month first reads only days 1 to 12 (as months), never all of them.
    EXPECT_LT(tickedRows(preselectRows(r, 8, DateLayout::MonthFirst, now).ticked).size(), 60u);

    // The hint: month first and year first read most rows wrongly or not at
    // all; day first reads every one.
    EXPECT_EQ(betterLayouts(r, DateLayout::YearFirst), std::vector<DateLayout>{DateLayout::DayFirst});
    EXPECT_EQ(betterLayouts(r, DateLayout::MonthFirst), std::vector<DateLayout>{DateLayout::DayFirst});
    EXPECT_TRUE(betterLayouts(r, DateLayout::DayFirst).empty());
    // Year-first files need no hint; a header line and the marker say nothing.
    auto ymd = hourly(40);
    ymd.prepend("Date Time");
    ymd << "2000/01/01 00:00:80";
    EXPECT_TRUE(betterLayouts(dates(ymd), DateLayout::YearFirst).empty());
    EXPECT_EQ(betterLayouts(dates(ymd), DateLayout::DayFirst), std::vector<DateLayout>{DateLayout::YearFirst});
    // Days up to 12 read both ways: either is named.
    const auto early = dayFirst(start, 48 * 10);
    EXPECT_EQ(betterLayouts(early, DateLayout::YearFirst),
              (std::vector<DateLayout>{DateLayout::DayFirst, DateLayout::MonthFirst}));

    EXPECT_EQ(layoutName(DateLayout::DayFirst), "DD/MM/YYYY");
    EXPECT_EQ(layoutFromName("MM/DD/YYYY"), DateLayout::MonthFirst);
    EXPECT_EQ(layoutFromName("YYYY/MM/DD"), DateLayout::YearFirst);
    EXPECT_FALSE(layoutFromName("1"));
}

TEST(Preselect, FarFutureRowIsIgnoredAndMarked)
{
    // One reading a logger dated years ahead must not untick every later row.
    QStringList rows = hourly(72);
    rows.insert(30, "2031/07/04 12:00:00");
    rows.insert(31, "2024/03/02 12:30:00");
    const QDateTime now(QDate(2024, 3, 4), QTime(0, 0), Qt::UTC);
    const auto p = preselectRows(dates(rows), 24, DateLayout::YearFirst, now);
    EXPECT_EQ(tickedRows(p.ticked), (std::vector<int>{0, 24, 50}));
    EXPECT_EQ(tickedRows(p.future), (std::vector<int>{30}));
    EXPECT_EQ(tickedRows(preselect(dates(rows), 24)), (std::vector<int>{0, 24, 50}));

    // Up to a day ahead is a clock a little fast, not a wrong date.
    const auto q = preselectRows(dates(hourly(72)), 24, DateLayout::YearFirst,
                                 QDateTime(QDate(2024, 3, 2), QTime(0, 0), Qt::UTC));
    EXPECT_EQ(tickedRows(q.ticked), (std::vector<int>{0, 24, 48}));
    EXPECT_EQ(tickedRows(q.future).size(), 23u);  // 3 March 01:00 onwards
}

// The append tells the levels' check whether the table already held readings
// dated among the appended ones (an import filling a gap), so that the check
// need not count them in the table; it cannot tell when a stored key is not
// one it writes.
TEST_F(AppendTest, TheRowsKeptForTheCheckSayWhetherStoredReadingsLieAmongThem)
{
    NoProgress none;
    auto out = append(dates({"2024/03/01 00:00:00", "2024/03/03 00:00:00"}), {1, 1}, true, none);
    ASSERT_TRUE(out.rows.storedAmong());
    EXPECT_FALSE(*out.rows.storedAmong()) << "an empty table";

    out = append(dates({"2024/03/04 00:00:00", "2024/03/05 00:00:00"}), {1, 1}, true, none);
    EXPECT_EQ(out.rows.storedAmong(), std::optional<bool>(false)) << "after the stored ones";

    out = append(dates({"2024/03/02 00:00:00", "2024/02/01 00:00:00"}), {1, 1}, true, none);
    EXPECT_EQ(out.rows.storedAmong(), std::optional<bool>(true)) << "03/01 lies between 02/01 and 03/02";

    out = append(dates({"2024/02/02 00:00:00", "2024/02/03 00:00:00"}), {1, 1}, true, none);
    EXPECT_EQ(out.rows.storedAmong(), std::optional<bool>(false)) << "within a gap, touching no stored one";

    sqlite3_exec(conn.handle(), ("INSERT INTO \"" + id + "\" (DateTimeKey, FullDate) VALUES ('typed by hand', '2024-06-01 00:00:00')").toUtf8().constData(), nullptr, nullptr, nullptr);
    out = append(dates({"2024/07/01 00:00:00"}), {1}, true, none);
    EXPECT_FALSE(out.rows.storedAmong());
    EXPECT_EQ(out.rows.key(0), id + " 2024/07/01 00:00:00");
}
