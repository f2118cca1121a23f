// "Connect to Server..." on the Utilities page, against the test server: a
// URI is used only when it connects and holds a site; anything else is told
// and changes nothing.
#include "main_window_fixture.h"
#include "maintenance_files.h"
#include "pg_site.h"
#include "state/appstate.h"
#include "store/connection.h"
#include "store/migrate.h"

#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QUrl>
#include <QUrlQuery>

using namespace rv;
using namespace rv::test;

namespace {

class ConnectServerTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        const QString why = rv::testing::serverUnavailable();
        ASSERT_TRUE(why.isEmpty()) << "The test server cannot be used: " << why.toStdString();
        makeDatabase(data.database(), {"120645001"});
        ASSERT_TRUE(start());
        pr.clear();
        page(7);
    }
    void TearDown() override
    {
        stop();
        for (const QString& db : m_dbs)
            rv::testing::dropServerDatabase(db);
    }

    // A server database holding a site with the sensors ids.
    QString serverSite(const QStringList& ids)
    {
        const QString file = data.folder() + "/../server-source.mdb";
        QFile::remove(file);
        makeDatabase(file, ids);
        const QString db = rv::testing::createServerDatabase();
        m_dbs << db;
        store::Connection from, to;
        from.open(file);
        to.open(rv::testing::serverUri(db));
        store::migrateSite(from, to, false);
        return rv::testing::serverUri(db);
    }
    QString emptyServerDatabase()
    {
        const QString db = rv::testing::createServerDatabase();
        m_dbs << db;
        return rv::testing::serverUri(db);
    }

    QString locationFile() const { return data.folder() + "/tendon_location.txt"; }

    QStringList m_dbs;
};

} // namespace

TEST_F(ConnectServerTest, OnlyAWorkingSiteIsTakenAndEverythingElseIsToldAndChangesNothing)
{
    const QString site = serverSite({"130665007", "130625001"});
    const QString empty = emptyServerDatabase();
    // A socket folder where no server listens.
    const QString nowhere = QStringLiteral("postgresql://postgres@/rockvane?host=%1")
                                .arg(QString(QUrl::toPercentEncoding(data.folder() + "/no-server")));
    const QString withPassword = QString(site).replace("postgres@", "postgres:secret@");
    // libpq's keyword form of the same site.
    const QUrl url(site);
    const QString keywords = QStringLiteral("host=%1 user=postgres dbname=%2")
                                 .arg(QUrlQuery(url).queryItemValue("host", QUrl::FullyDecoded), url.path().mid(1));

    // Cancelled: nothing asked further.
    pr.answerInput(std::nullopt);
    clickWithMouse("cmdConnectServer");
    ASSERT_EQ(pr.records().size(), 1u);
    EXPECT_EQ(pr.records()[0].title, "Connect to Server");
    EXPECT_EQ(pr.records()[0].defaultText, "postgresql://");

    const struct {
        QString uri;
        QString shown;
        QString why;
    } refused[] = {
        {"C:/Mine2.mdb", "C:/Mine2.mdb", "It is not a PostgreSQL connection URI"},
        {withPassword, site, "It holds a password. Rockvane never stores one"},
        {keywords + " password=secret", keywords + " password=***", "It holds a password. Rockvane never stores one"},
        {nowhere, nowhere, "Could not connect to"},
        {empty, empty, "The database is not a Rockvane site: it has no table"},
    };
    for (const auto& r : refused) {
        pr.clear();
        pr.answerInput(r.uri);
        clickWithMouse("cmdConnectServer");
        ASSERT_EQ(pr.messages().size(), 1u) << r.uri.toStdString();
        const QString text = pr.messages()[0].text;
        EXPECT_TRUE(text.startsWith("Cannot use " + r.shown + " as the Rockvane database\n" + r.why))
            << text.toStdString();
        EXPECT_TRUE(text.endsWith("\nThe database in use and its location have not been changed."));
        EXPECT_FALSE(text.contains("secret")) << "a password is never shown";
        EXPECT_EQ(pr.messages()[0].icon, MsgIcon::Warning);
        EXPECT_FALSE(QFileInfo::exists(locationFile()));
        EXPECT_EQ(st->DatabasePath, data.database());
        EXPECT_EQ(listed(), QStringList({"120645001"}));
    }

    // The site: named by the location file, connected, its sensors listed.
    pr.clear();
    pr.answerInput(site);
    clickWithMouse("cmdConnectServer");
    EXPECT_TRUE(pr.messages().empty()) << pr.messageTexts().join("|").toStdString();
    EXPECT_EQ(fileBytes(locationFile()), site.toUtf8() + "\n");
    EXPECT_EQ(st->DatabasePath, site);
    EXPECT_TRUE(st->conn->isServer());
    EXPECT_EQ(listed(), QStringList({"130625001", "130665007"}));
    EXPECT_EQ(win->windowTitle(), "Quillon's Rockvane - Cable Bolt Monitoring - " + site);
    EXPECT_EQ(w<QLabel>("lblDatabase")->text(), "Database: " + site);

    // Asked again, the box offers the server in use.
    pr.clear();
    pr.answerInput(std::nullopt);
    clickWithMouse("cmdConnectServer");
    ASSERT_EQ(pr.records().size(), 1u);
    EXPECT_EQ(pr.records()[0].defaultText, site);

    // Moved to the server, the window no longer holds the data folder's
    // single-copy lock: a second window on the folder starts.
    {
        AppState st2(data.folder());
        ScriptedPrompter pr2;
        FrmMain second(st2, pr2);
        EXPECT_TRUE(second.load());
        EXPECT_FALSE(st2.RefusedCopy);
        EXPECT_TRUE(st2.conn->isServer());
        second.unload();
        second.terminate();
    }

    // The keyword form is taken as the URI is.
    pr.clear();
    pr.answerInput(keywords);
    clickWithMouse("cmdConnectServer");
    EXPECT_TRUE(pr.messages().empty()) << pr.messageTexts().join("|").toStdString();
    EXPECT_EQ(fileBytes(locationFile()), keywords.toUtf8() + "\n");
    EXPECT_TRUE(st->conn->isServer());
    EXPECT_EQ(listed(), QStringList({"130625001", "130665007"}));
}
