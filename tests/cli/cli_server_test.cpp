// The command line on a site held by the test server: migrate there and
// back, check and status on the server, the location file naming it.
#include "cli_support.h"
#include "pg_site.h"
#include "maintenance_files.h"

#include "state/appstate.h"

using rv::test::CliRun;
using rv::test::CliSite;

TEST(CliServer, MigrateThereAndBackAndTheServerWorksAsTheSite)
{
    const QString why = rv::testing::serverUnavailable();
    ASSERT_TRUE(why.isEmpty()) << "The test server cannot be used: " << why.toStdString();
    CliSite site;
    site.makeSite({QStringLiteral("250010001"), QStringLiteral("450010002")});
    const QString db = rv::testing::createServerDatabase();
    const QString uri = rv::testing::serverUri(db);

    // Into an empty server database: it becomes the site.
    CliRun r = site.run({QStringLiteral("migrate"), site.database(), uri});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("Copied "))) << r.out.toStdString();
    r = site.run({QStringLiteral("--db"), uri, QStringLiteral("check")});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("no problems found"))) << r.out.toStdString();

    // A second time the server holds sensors: refused without --replace.
    r = site.run({QStringLiteral("migrate"), site.database(), uri});
    EXPECT_EQ(r.code, 3);
    EXPECT_TRUE(r.err.contains(QStringLiteral("--replace"))) << r.err.toStdString();
    r = site.run({QStringLiteral("--json"), QStringLiteral("migrate"), QStringLiteral("--replace"), site.database(), uri});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_EQ(r.json().value(QStringLiteral("tables")).toInt(), 10);

    // The location file may name the server: status works there, with no lock.
    {
        QFile loc(site.folder() + "/" + rv::kLocationFileName);
        ASSERT_TRUE(loc.open(QIODevice::WriteOnly));
        loc.write(uri.toUtf8() + "\n");
    }
    r = site.run({QStringLiteral("status")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("250010001"))) << r.out.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("450010002"))) << r.out.toStdString();

    // A backup there is a database file of the site, in the data folder's
    // backup folder, named after the server's database.
    r = site.run({QStringLiteral("--json"), QStringLiteral("backup")});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    const QString backup = site.folder() + "/TENDONbackup/" + db + " TENDONbackup"
        + QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd")) + ".mdb";
    EXPECT_EQ(r.json().value(QStringLiteral("backup")).toString(), backup);
    EXPECT_EQ(rv::test::sensorIds(backup), (QStringList{QStringLiteral("250010001"), QStringLiteral("450010002")}));

    // And back into a new file, which checks clean.
    const QString back = site.home() + "/back.mdb";
    r = site.run({QStringLiteral("migrate"), uri, back});
    EXPECT_EQ(r.code, 0) << r.err.toStdString();
    r = site.run({QStringLiteral("--db"), back, QStringLiteral("check")});
    EXPECT_EQ(r.code, 0) << r.out.toStdString() << r.err.toStdString();
    rv::testing::dropServerDatabase(db);
}
