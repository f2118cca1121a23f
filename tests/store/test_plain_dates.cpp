// The direct reads of the two common stored forms, a number and a plain
// date-time, against what the general reading of a cell gives.
#include "store/bulk.h"
#include "store/cell.h"
#include "store_fixture.h"

#include <QDate>
#include <cstring>
#include <sqlite3.h>

using namespace rv::store;
using namespace rv::store::testing;

namespace {

class PlainDatesTest : public StoreTest {};

std::optional<qint64> expected(int y, int m, int d, int secs)
{
    const QDate day(y, m, d);
    if (!day.isValid())
        return std::nullopt;
    return day.toJulianDay() * detail::kMsPerDay + secs * 1000LL;
}

} // namespace

TEST_F(PlainDatesTest, EveryDayOfTheCalendarAsQDateCountsIt)
{
    // Whole centuries where the leap rule turns, the ends of the range, and
    // days that do not exist.
    int checked = 0;
    for (const int from : {1, 1580, 1896, 1996, 2096, 2396, 9995}) {
        for (int y = from; y < from + 6 && y <= 9999; ++y)
            for (int m = 0; m <= 13; ++m)
                for (int d = 0; d <= 32; ++d) {
                    const QByteArray text = QStringLiteral("%1-%2-%3 13:45:07")
                                                .arg(y, 4, 10, QLatin1Char('0'))
                                                .arg(m, 2, 10, QLatin1Char('0'))
                                                .arg(d, 2, 10, QLatin1Char('0'))
                                                .toLatin1();
                    ASSERT_EQ(detail::plainDateTime(text.constData(), int(text.size())),
                              expected(y, m, d, 13 * 3600 + 45 * 60 + 7))
                        << text.constData();
                    ++checked;
                }
    }
    EXPECT_GT(checked, 10000);
    for (const char* other : {"0000-01-01 00:00:00", "2026-05-01T08:00:00", "2026-05-01 24:00:00",
                              "2026-05-01 08:60:00", "2026/05/01 08:00:00", "2026-05-01 08:00", "2026-5-01 08:00:00",
                              "2026-05-01 08:00:00 "})
        EXPECT_EQ(detail::plainDateTime(other, int(strlen(other))), std::nullopt) << other;
}

TEST_F(PlainDatesTest, DirectReadsGiveWhatTheCellGivesOrStepAside)
{
    ASSERT_EQ(sqlite3_exec(conn.handle(),
                           "CREATE TABLE t (n REAL, d DATETIME);"
                           "INSERT INTO t VALUES (2.5, '2026-05-01 08:00:00');"
                           "INSERT INTO t VALUES (7, '2026/05/01 08:00:00');"
                           "INSERT INTO t VALUES ('3,5', 46143.25);"
                           "INSERT INTO t VALUES (NULL, NULL);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    BulkQuery q(conn, "SELECT n, d FROM t ORDER BY rowid");
    detail::TextPool pool;
    std::vector<std::pair<std::optional<double>, std::optional<qint64>>> got;
    while (q.next()) {
        got.emplace_back(q.storedNumber(0), q.plainDateTime(1));
        // Where a direct read answers, the cell says the same.
        if (got.back().first)
            EXPECT_EQ(detail::cellNumber(q.cell(0, ColType::Double, pool)), got.back().first);
        if (got.back().second) {
            const detail::Cell c = q.cell(1, ColType::DateTime, pool);
            EXPECT_EQ(c.tag, detail::Tag::DateTime);
            EXPECT_EQ(c.i, *got.back().second);
        }
    }
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].first, 2.5);
    EXPECT_EQ(got[0].second, QDate(2026, 5, 1).toJulianDay() * detail::kMsPerDay + 8 * 3600000LL);
    EXPECT_EQ(got[1].first, 7.0);
    EXPECT_EQ(got[1].second, std::nullopt);  // another form: the general reading's
    EXPECT_EQ(got[2].first, std::nullopt);   // a number typed as a text
    EXPECT_EQ(got[2].second, std::nullopt);  // a serial stored as a number
    EXPECT_EQ(got[3].first, std::nullopt);
    EXPECT_EQ(got[3].second, std::nullopt);
}
