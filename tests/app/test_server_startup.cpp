// Start-up and close on a site held by the test server: the location file
// names it, any number of windows share it, and nothing is compacted.
#include "main_window_fixture.h"
#include "maintenance_files.h"
#include "pg_site.h"
#include "store/connection.h"
#include "store/migrate.h"

#include <QComboBox>
#include <QFileInfo>

using namespace rv;
using namespace rv::test;

namespace {

class ServerStartupTest : public MainWindowTest {
protected:
    void SetUp() override
    {
        const QString why = rv::testing::serverUnavailable();
        ASSERT_TRUE(why.isEmpty()) << "The test server cannot be used: " << why.toStdString();
        TempData source;
        makeDatabase(source.database(), {"130665007", "130625001"});
        m_db = rv::testing::createServerDatabase();
        uri = rv::testing::serverUri(m_db);
        store::Connection from, to;
        from.open(source.database());
        to.open(uri);
        store::migrateSite(from, to, false);
        data.writeFile("tendon_location.txt", uri + "\n");
    }
    void TearDown() override
    {
        stop();
        if (!m_db.isEmpty())
            rv::testing::dropServerDatabase(m_db);
    }
    QStringList listed(FrmMain& f) const
    {
        QStringList out;
        auto* cbo = f.findChild<QComboBox*>("cboSensors");
        for (int i = 0; i < cbo->count(); ++i)
            out << cbo->itemText(i);
        return out;
    }

    QString uri;
    QString m_db;
};

} // namespace

TEST_F(ServerStartupTest, TheServerIsSharedByTwoWindowsAndNeverCompacted)
{
    ASSERT_TRUE(start());
    EXPECT_TRUE(pr.messages().empty()) << pr.messageTexts().join("|").toStdString();
    EXPECT_EQ(st->DatabasePath, uri);
    EXPECT_TRUE(st->conn->isServer());
    EXPECT_EQ(listed(*win), QStringList({"130625001", "130665007"}));

    // A second window on the same data folder is not refused: the server is
    // shared, and both see the same site.
    AppState st2(data.folder());
    ScriptedPrompter pr2;
    {
        FrmMain second(st2, pr2);
        EXPECT_TRUE(second.load());
        EXPECT_FALSE(st2.RefusedCopy);
        EXPECT_EQ(listed(second), QStringList({"130625001", "130665007"}));
        second.unload();
        second.terminate();
    }
    EXPECT_TRUE(pr2.messages().empty()) << pr2.messageTexts().join("|").toStdString();

    stop();
    EXPECT_TRUE(pr.messages().empty()) << pr.messageTexts().join("|").toStdString();
    EXPECT_TRUE(data.readLog().contains("it is not compacted at close")) << data.readLog().toStdString();
    EXPECT_FALSE(data.readLog().contains("secret"));
    EXPECT_FALSE(QFileInfo::exists(data.folder() + "/Copy_RockvaneTENDON.mdb"));
}
