// rockvane-cli run as a process with a HOME of its own: the import with its
// counts and exit codes, the database choice, the lock, the usage, export,
// backup, check and report.
#include "cli_support.h"
#include "reports_support.h"
#include "store/audit.h"

#include <QDate>
#include <QElapsedTimer>
#include <QJsonArray>

using namespace rv::test;

namespace {
const QString kId = QStringLiteral("240145001");
const QString kOther = QStringLiteral("240145002");
}

TEST(CliImport, CleanImportSummaryAndJson)
{
    CliSite site;
    site.makeSite({kId, kOther});
    const QString file = site.readout(kId, {"--count", "48"});

    const CliRun r = site.run({"import", "--spacing", "1", "--no-archive", file});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(site.rows(kId), 48);
    EXPECT_TRUE(r.out.contains("sensor 240145001: 48 rows read, 48 chosen, 48 appended, 0 duplicates, "
                               "0 unreadable dates, 0 exceedances"))
        << r.out.toStdString();
    EXPECT_TRUE(r.out.contains("Total: 1 file, 48 readings appended")) << r.out.toStdString();
    EXPECT_TRUE(r.err.isEmpty()) << r.err.toStdString();
    // The window's working copy of the last file.
    EXPECT_TRUE(QFile::exists(site.folder() + "/datafile.txt"));
    EXPECT_FALSE(QFile::exists(site.folder() + "/Schema.ini"));

    // The default spacing is the window's 24 hours; --json prints only the document.
    const QString next = site.readout(kOther, {"--count", "72", "--start", "2024/02/01 00:00:00"});
    const CliRun j = site.run({"--json", "import", "--no-archive", next});
    EXPECT_EQ(j.code, 0);
    const QJsonObject doc = j.json();
    ASSERT_FALSE(doc.isEmpty()) << j.out.toStdString();
    EXPECT_EQ(doc["command"].toString(), "import");
    EXPECT_EQ(doc["exitCode"].toInt(), 0);
    EXPECT_EQ(doc["database"].toString(), site.database());
    const QJsonObject f = doc["files"].toArray().at(0).toObject();
    EXPECT_EQ(f["sensor"].toString(), kOther);
    EXPECT_EQ(f["status"].toString(), "imported");
    EXPECT_EQ(f["rows"].toInt(), 72);
    EXPECT_EQ(f["chosen"].toInt(), 3);
    EXPECT_EQ(f["appended"].toInt(), 3);
    EXPECT_EQ(f["duplicates"].toInt(), 0);
    EXPECT_EQ(f["unreadableDates"].toInt(), 0);
    EXPECT_TRUE(f["exceedances"].toArray().isEmpty());
    EXPECT_EQ(doc["totals"].toObject()["appended"].toInt(), 3);
    EXPECT_EQ(site.rows(kOther), 3);

    // One change log row per file, not per reading, naming the file.
    rv::store::Connection conn;
    conn.open(site.database());
    const auto log = rv::store::readAuditLog(conn, QString(), 0, 10);
    ASSERT_EQ(log.size(), 2u);
    EXPECT_EQ(log[0].action, "import");
    EXPECT_EQ(log[0].instrumentId, kOther);
    EXPECT_TRUE(log[0].newValues.startsWith("File=" + QFileInfo(next).absoluteFilePath() + "; Appended=3; Duplicates=0;"))
        << log[0].newValues.toStdString();
    EXPECT_EQ(log[1].instrumentId, kId);
    EXPECT_TRUE(log[1].newValues.contains("; Appended=48; ")) << log[1].newValues.toStdString();

    // The night's import leaves the sensor's count in the file: the program
    // opened next takes it without counting.
    bool counted = false;
    EXPECT_EQ(conn.tableRowCount(kOther, [&] {
        counted = true;
        return qint64(-1);
    }), 3);
    EXPECT_FALSE(counted);
}

TEST(CliImport, DuplicatesAndUnreadableDatesAreCountedWithExitOne)
{
    CliSite site;
    site.makeSite({kId});
    // A header line, a reading without a time, and 5 lines written twice.
    const QString file = site.readout(kId, {"--count", "30", "--header", "--marker", "--duplicates", "5"});

    CliRun r = site.run({"--json", "import", "--spacing", "all", "--no-archive", file});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    QJsonObject f = r.json()["files"].toArray().at(0).toObject();
    EXPECT_EQ(f["appended"].toInt(), 30);
    EXPECT_EQ(f["duplicates"].toInt(), 5);
    EXPECT_EQ(f["unreadableDates"].toInt(), 2);
    EXPECT_EQ(site.rows(kId), 30);

    // The same file again: every reading is stored already.
    r = site.run({"import", "--spacing", "all", "--no-archive", file});
    EXPECT_EQ(r.code, 1);
    EXPECT_TRUE(r.out.contains("0 appended, 35 duplicates, 2 unreadable dates")) << r.out.toStdString();
    EXPECT_EQ(site.rows(kId), 30);
}

TEST(CliImport, FileNamingNoSensorIsRefusedAndTheOthersGoOn)
{
    CliSite site;
    site.makeSite({kId, kOther});
    site.readout(kId, {"--count", "24"});
    site.readout("999945001", {"--count", "24"});
    site.readout(kOther, {"--count", "24"}, "RV" + kOther + ".txt");  // the logger's own copy: no sensor
    site.readout(kOther, {"--count", "24"}, kOther + ".TXT");  // not exactly <sensor>.txt: not taken from a folder

    // A folder: every *.txt in name order.
    const CliRun r = site.run({"--json", "import", "--spacing", "1", "--no-archive", site.files()});
    EXPECT_EQ(r.code, 1) << r.err.toStdString();
    const QJsonArray files = r.json()["files"].toArray();
    ASSERT_EQ(files.size(), 3) << r.out.toStdString();
    EXPECT_EQ(files[0].toObject()["sensor"].toString(), kId);
    EXPECT_EQ(files[0].toObject()["appended"].toInt(), 24);
    EXPECT_EQ(files[1].toObject()["sensor"].toString(), "999945001");
    EXPECT_EQ(files[1].toObject()["status"].toString(), "no-sensor");
    EXPECT_EQ(files[2].toObject()["status"].toString(), "no-sensor");
    EXPECT_EQ(r.json()["totals"].toObject()["refusedFiles"].toInt(), 2);
    EXPECT_TRUE(r.err.contains("There is no sensor 999945001 in the catalogue.")) << r.err.toStdString();
    EXPECT_EQ(site.rows(kId), 24);
    EXPECT_EQ(site.rows(kOther), 0);
    EXPECT_EQ(site.rows("999945001"), -1) << "no table is made for a file naming no sensor";

    // A file that is not there at all.
    const CliRun missing = site.run({"import", site.files() + "/240145009.txt"});
    EXPECT_EQ(missing.code, 1);
    EXPECT_TRUE(missing.err.contains("No such file or folder")) << missing.err.toStdString();
}

TEST(CliImport, DayFirstLayoutAndTheLoggersCopyArchived)
{
    CliSite site;
    site.makeSite({kId});
    const QString file = site.readout(kId, {"--count", "10", "--layout", "dmy", "--start", "2024/03/13 00:00:00"});
    const CliRun r = site.run({"--json", "import", "--spacing", "1", "--date-layout", "dmy", "--no-archive", file});
    EXPECT_EQ(r.code, 0) << r.out.toStdString();
    EXPECT_EQ(site.rows(kId), 10);
    // The first reading keyed by its real date, not day and month swapped.
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(site.database()).constData(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "SELECT MIN(DateTimeKey) FROM `240145001`", -1, &st, nullptr);
    ASSERT_EQ(sqlite3_step(st), SQLITE_ROW);
    EXPECT_STREQ(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)), "240145001 2024/03/13 00:00:00");
    sqlite3_finalize(st);
    sqlite3_close(db);

    // The layout is remembered for the sensor, as the window remembers it:
    // the next file without --date-layout is read day first too.
    const QString later = site.readout(kId, {"--count", "5", "--layout", "dmy", "--start", "2024/03/20 00:00:00"});
    const CliRun again = site.run({"--json", "import", "--spacing", "1", "--no-archive", later});
    EXPECT_EQ(again.code, 0) << again.out.toStdString();
    EXPECT_EQ(again.json()["files"].toArray().at(0).toObject()["dateLayout"].toString(), "dmy");
    EXPECT_EQ(site.rows(kId), 15);
}

TEST(CliDatabase, MissingNotRockvaneAndTheLocationFile)
{
    CliSite site;
    // No database: an error, and none is made.
    CliRun r = site.run({"check"});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains("does not exist")) << r.err.toStdString();
    EXPECT_FALSE(QFile::exists(site.database()));
    r = site.run({"--json", "import", "x.txt"});
    EXPECT_EQ(r.code, 3);
    EXPECT_EQ(r.json()["exitCode"].toInt(), 3);
    EXPECT_FALSE(r.json()["error"].toString().isEmpty());

    // A SQLite file without Rockvane's tables, and a text file.
    makeForeignDatabase(site.home() + "/foreign.db");
    r = site.run({"--db", site.home() + "/foreign.db", "check"});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains("is not a Rockvane database")) << r.err.toStdString();
    makeTextFile(site.home() + "/text.db");
    EXPECT_EQ(site.run({"--db", site.home() + "/text.db", "check"}).code, 3);

    // The location file names the database the window uses.
    const QString other = site.home() + "/elsewhere.mdb";
    makeDatabase(other, {kId});
    runSql(other, "INSERT INTO NetworkConfig (SensorID) VALUES ('240145001')");
    makeTextFile(site.folder() + "/tendon_location.txt", other.toUtf8() + "\n");
    r = site.run({"--json", "check"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.json()["database"].toString(), other);

    // Another data folder.
    CliSite second;
    second.makeSite({});
    r = site.run({"--json", "--data-folder", second.folder(), "check"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.json()["database"].toString(), second.database());
}

TEST(CliDatabase, OlderSchemaIsUpgradedOnOpen)
{
    CliSite site;
    site.makeSite({kId});
    runSql(site.database(), "DROP TABLE TriggerLevels; DROP TABLE Settings; PRAGMA user_version = 1;");
    const CliRun r = site.run({"check"});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    sqlite3* db = nullptr;
    sqlite3_open(QFile::encodeName(site.database()).constData(), &db);
    sqlite3_stmt* st = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &st, nullptr);
    sqlite3_step(st);
    EXPECT_EQ(sqlite3_column_int(st, 0), rv::store::kSchemaVersion);
    sqlite3_finalize(st);
    // The reading table gained its date index.
    sqlite3_prepare_v2(db, "SELECT COUNT(*) FROM sqlite_master WHERE type = 'index' AND name = '240145001_FullDate'",
                       -1, &st, nullptr);
    sqlite3_step(st);
    EXPECT_EQ(sqlite3_column_int(st, 0), 1);
    sqlite3_finalize(st);
    sqlite3_close(db);
}

TEST(CliDatabase, BusyWhileTheWindowHoldsTheLock)
{
    CliSite site;
    site.makeSite({kId});
    QProcess holder;
    holder.start(QStringLiteral(LOCK_HELPER), {site.folder(), "3000"});
    ASSERT_TRUE(holder.waitForReadyRead(10000));
    ASSERT_TRUE(holder.readAll().contains("locked"));

    QElapsedTimer t;
    t.start();
    CliRun r = site.run({"--wait", "1", "--json", "check"});
    EXPECT_EQ(r.code, 4);
    EXPECT_GE(t.elapsed(), 900);
    EXPECT_TRUE(r.err.contains("Rockvane is using the database; try again later")) << r.err.toStdString();
    EXPECT_EQ(r.json()["exitCode"].toInt(), 4);

    // Waiting long enough: the holder lets go and the command runs.
    r = site.run({"--wait", "30", "check"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    holder.waitForFinished(10000);
}

TEST(CliUsage, HelpVersionAndBadArguments)
{
    CliSite site;
    CliRun r = site.run({"--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("Usage: rockvane-cli")) << r.out.toStdString();
    for (const char* cmd : {"import", "export", "report", "levels", "exceedances", "status", "backup", "check"})
        EXPECT_TRUE(r.out.contains(QLatin1String("  ") + cmd)) << cmd;
    r = site.run({"import", "--help"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("Usage: rockvane-cli import")) << r.out.toStdString();
    r = site.run({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.startsWith("rockvane-cli 1.")) << r.out.toStdString();

    const QList<QStringList> bad = {
        {},
        {"frobnicate"},
        {"import"},
        {"import", "--spacing", "5", "a.txt"},
        {"import", "--date-layout", "ydm", "a.txt"},
        {"import", "--archive", "--no-archive", "a.txt"},
        {"export", kId},
        {"export", kId, "--xlsx", "a.xlsx", "--csv", "a.csv"},
        {"report", kId},
        {"report", kId, "-o", "r.odt", "--graphs", "pie"},
        {"check", "extra"},
        {"--wait", "soon", "check"},
        {"check", "--bogus"},
    };
    for (const QStringList& args : bad) {
        r = site.run(args);
        EXPECT_EQ(r.code, 2) << args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains("Usage: rockvane-cli")) << args.join(' ').toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << args.join(' ').toStdString();
    }
    // Nothing was touched: not even the data folder's lock.
    EXPECT_FALSE(QFile::exists(site.folder() + "/Rockvane.lock"));
}

TEST(CliCommands, ExportCsvAndXlsx)
{
    CliSite site;
    site.makeSite({kId});
    site.run({"import", "--spacing", "1", "--no-archive", site.readout(kId, {"--count", "5"})});

    const QString csv = site.home() + "/out.csv";
    CliRun r = site.run({"export", kId, "--csv", csv});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    QFile f(csv);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0].toStdString(), "DateTime Key,ReadingDate,R. Time,ChannelT,Channel1,Channel2,Channel3,"
                        "PlotTemporal,PlotSpatial")
        << lines[0].toStdString();
    EXPECT_TRUE(lines[1].startsWith("240145001 2024/01/01 08:00:00,2024/01/01,08:00:00,")) << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith(",True,False")) << lines[1].toStdString();
    EXPECT_FALSE(lines[1].contains(';'));

    const QString xlsx = site.home() + "/out.xlsx";
    r = site.run({"--json", "export", kId, "--xlsx", xlsx});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.json()["readings"].toInt(), 5);
    const SheetCells sheet = readSheet(xlsx);
    EXPECT_EQ(sheet.cells.value("A1").value, "DateTime Key");
    EXPECT_EQ(sheet.cells.value("A2").value, "240145001 2024/01/01 08:00:00");
    EXPECT_EQ(sheet.lastRow, 6);

    r = site.run({"export", "240145099", "--csv", csv});
    EXPECT_EQ(r.code, 2);
    EXPECT_TRUE(r.err.contains("There is no sensor 240145099")) << r.err.toStdString();
}

TEST(CliCommands, BackupAndCheck)
{
    CliSite site;
    site.makeSite({kId, kOther});
    CliRun r = site.run({"--json", "backup"});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QString backup = site.folder() + "/TENDONbackup/TENDONbackup"
        + QDate::currentDate().toString("yyyy-MM-dd") + ".mdb";
    EXPECT_EQ(r.json()["backup"].toString(), backup);
    EXPECT_EQ(sensorIds(backup), (QStringList{kId, kOther}));

    r = site.run({"check"});
    EXPECT_EQ(r.code, 0);
    EXPECT_TRUE(r.out.contains("no problems found")) << r.out.toStdString();

    // A sensor without its table, a table without its sensor, a network row
    // without its sensor.
    runSql(site.database(), "DROP TABLE `240145002`; CREATE TABLE `240145077` AS SELECT * FROM sensordata WHERE 0; "
                            "INSERT INTO NetworkConfig (SensorID) VALUES ('240145088');");
    r = site.run({"--json", "check"});
    EXPECT_EQ(r.code, 3);
    const QJsonArray problems = r.json()["problems"].toArray();
    EXPECT_FALSE(r.json()["ok"].toBool());
    QStringList texts;
    for (const auto& p : problems)
        texts << p.toString();
    EXPECT_EQ(texts.join('|').toStdString(), "sensor 240145002 has no reading table|reading table 240145077 has no catalogue row|"
                               "NetworkConfig row 240145088 has no catalogue row");
}

TEST(CliCommands, ReportWithoutADisplay)
{
    CliSite site;
    site.makeSite({kId});
    site.run({"import", "--spacing", "1", "--no-archive", site.readout(kId, {"--count", "30"})});
    const QString odt = site.home() + "/report.odt";
    const CliRun r = site.run({"--json", "report", kId, "--graphs", "load-time,disp-time", "-o", odt});
    EXPECT_EQ(r.code, 0) << r.err.toStdString() << r.out.toStdString();
    EXPECT_EQ(r.json()["graphs"].toArray().size(), 2) << r.out.toStdString();
    EXPECT_TRUE(QFile::exists(odt));
    const QStringList members = zipMembers(odt);
    EXPECT_TRUE(members.contains("content.xml"));
    int pictures = 0;
    for (const QString& m : members)
        pictures += m.startsWith("Pictures/") ? 1 : 0;
    EXPECT_EQ(pictures, 2);
    const QString content = QString::fromUtf8(zipMember(odt, "content.xml"));
    EXPECT_TRUE(content.contains("REPORT 240145001"));
    EXPECT_TRUE(content.contains("Load v Time"));
    EXPECT_TRUE(content.contains("Disp v Time"));
    // The window was let go without compacting or saving anything.
    EXPECT_EQ(site.rows(kId), 30);
}
