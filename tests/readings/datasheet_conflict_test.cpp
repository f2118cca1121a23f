// The datasheet's write-back on a server site while another user changes
// and deletes some of the readings it shows.
#include "datasheet_helpers.h"
#include "pg_site.h"
#include "readings/datasheet_data.h"
#include "store/audit.h"

#include <gtest/gtest.h>

using namespace rv;
using namespace rv::datasheet;
using namespace rv::test;

namespace {

const QString kId = QStringLiteral("200565001");

class DatasheetServerTest : public ::testing::Test {
protected:
    QString db;
    store::Connection conn;
    store::Connection other;
    store::Recordset rs;
    Model model;

    void SetUp() override
    {
        const QString why = rv::testing::serverUnavailable();
        ASSERT_TRUE(why.isEmpty()) << "The test server cannot be used: " << why.toStdString();
        db = rv::testing::createServerSite();
        conn.open(rv::testing::serverUri(db));
        other.open(rv::testing::serverUri(db));
        conn.execute("SELECT * INTO `" + kId + "` FROM sensordata WHERE DateTimeKey is null");
        for (const char* when : {"2026/05/01 09:00:00", "2026/05/02 09:00:00", "2026/05/03 09:00:00"})
            addDatasheetReading(conn, kId, when, {20.0, 1.0, 2.0});
        rs.open("SELECT * FROM `" + kId + "` ORDER BY FullDate", conn);
        model.load(rs, layoutFor(kId));
    }
    void TearDown() override
    {
        rs.close();
        conn.close();
        other.close();
        if (!db.isEmpty())
            rv::testing::dropServerDatabase(db);
    }
    store::Recordset& theirs(const QString& when, store::Recordset& r)
    {
        r.open("SELECT * FROM `" + kId + "` WHERE DateTimeKey = '" + kId + " " + when + "'", other);
        return r;
    }
    QVariant stored(const QString& when, const QString& field) { return storedField(other, kId, when, field); }
};

TEST_F(DatasheetServerTest, RowsChangedOrDeletedMeanwhileKeepTheirValuesAndTheRestIsWritten)
{
    model.setText(0, 4, "1.5");
    model.setText(1, 4, "2.5");
    model.setText(2, 4, "3.5");
    model.toggleFlag(1, model.layout().n + 1);
    {
        store::Recordset r;
        theirs("2026/05/02 09:00:00", r).setValue("Channel2", 9.0);
        r.update();
        store::Recordset d;
        theirs("2026/05/03 09:00:00", d).deleteCurrent();
    }
    std::vector<Overtaken> overtaken;
    EXPECT_TRUE(model.writeBack(rs, conn, &overtaken).empty());
    ASSERT_EQ(overtaken.size(), 2u);
    EXPECT_EQ(overtaken[0].key, kId + " 2026/05/02 09:00:00");
    EXPECT_FALSE(overtaken[0].deleted);
    EXPECT_EQ(overtaken[1].key, kId + " 2026/05/03 09:00:00");
    // The sheet's own row is written; the other user's rows stay as they left them.
    EXPECT_EQ(stored("2026/05/01 09:00:00", "Channel1").toDouble(), 1.5);
    EXPECT_EQ(stored("2026/05/02 09:00:00", "Channel1").toDouble(), 1.0);
    EXPECT_EQ(stored("2026/05/02 09:00:00", "Channel2").toDouble(), 9.0);
    EXPECT_FALSE(stored("2026/05/02 09:00:00", "PlotSpatial").toBool());
    EXPECT_EQ(stored("2026/05/03 09:00:00", "Channel1"), QVariant(QStringLiteral("<no reading>")));
    // Only the row written is logged.
    const auto log = store::readAuditLog(conn, kId, 0, 10);
    ASSERT_FALSE(log.empty());
    EXPECT_EQ(log.front().readingKey, kId + " 2026/05/01 09:00:00");
    EXPECT_EQ(store::countAuditLog(conn, kId), 1);

    const QString m = overtakenMessage(overtaken, [](const QString& key) {
        return key.endsWith("05/02 09:00:00") ? QStringLiteral("by eng on PC1 at 2026/05/04 10:00:00") : QString();
    });
    EXPECT_EQ(m.toStdString(),
              ("Another user changed or deleted these readings while the datasheet was open. Your changes to them "
               "were not saved; they keep the other user's values:\n"
               + kId + " 2026/05/02 09:00:00  changed by eng on PC1 at 2026/05/04 10:00:00\n"
               + kId + " 2026/05/03 09:00:00  deleted (by whom and when is not known)\n"
               "Your other changes were saved. Open the datasheet again to see the stored values.")
                  .toStdString());
}

} // namespace
