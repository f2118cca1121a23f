// Two imports of one readout file at the same moment, from two connections
// (two machines): every reading is stored once, and what the second one
// could not store is counted as a duplicate, as if it had been found first.
#include "../store/store_fixture.h"

#include "import/readout_append.h"
#include "readings/sensor_tables.h"
#include "store/bulk.h"
#include "store/query.h"

#include <QDateTime>
#include <condition_variable>
#include <mutex>
#include <thread>

using namespace rv;
using namespace rv::importing;
using namespace rv::store;
using namespace rv::store::testing;

namespace {

ReadoutRecords hourlyFile(int count, int duplicatedLine)
{
    QByteArray text;
    const QDateTime start(QDate(2024, 3, 1), QTime(0, 0), Qt::UTC);
    for (int k = 0; k < count; ++k) {
        const QByteArray line = start.addSecs(3600 * k).toString("yyyy/MM/dd HH:mm:ss").toUtf8()
            + ",SLUG01,45,001,16.25," + QByteArray::number(k) + ".5,3,4,5,6,7\n";
        text += line;
        if (k == duplicatedLine)
            text += line;  // the logger wrote it twice
    }
    return parseReadout(text);
}

// Holds the first import at its last step, with its rows written and not yet
// committed, until the second has read the stored keys and started writing.
class Gate {
public:
    void open()
    {
        std::lock_guard l(m_m);
        m_open = true;
        m_cv.notify_all();
    }
    void wait()
    {
        std::unique_lock l(m_m);
        m_cv.wait(l, [&] { return m_open; });
    }

private:
    std::mutex m_m;
    std::condition_variable m_cv;
    bool m_open = false;
};

class HeldAtTheEnd : public Progress {
public:
    HeldAtTheEnd(Gate& reached, Gate& release) : m_reached(reached), m_release(release) {}
    void begin(const QString&, qint64 total) override { m_total = total; }
    bool advance(qint64 done) override
    {
        if (done == m_total) {
            m_reached.open();
            m_release.wait();
        }
        return true;
    }
    void end() override {}

private:
    Gate& m_reached;
    Gate& m_release;
    qint64 m_total = -1;
};

// Opens the second import's gate once it has read the stored keys (begin
// comes after that) and lets it go on at once.
class StartsAfterTheKeys : public Progress {
public:
    explicit StartsAfterTheKeys(Gate& started) : m_started(started) {}
    void begin(const QString&, qint64) override { m_started.open(); }
    bool advance(qint64) override { return true; }
    void end() override {}

private:
    Gate& m_started;
};

} // namespace

class TwoImports : public StoreBoth {};
RV_ON_BOTH_ENGINES(TwoImports);

TEST_P(TwoImports, OfOneFileAtOnceStoreEachReadingOnceAndCountTheRestAsDuplicates)
{
    const QString id = QStringLiteral("202445001");
    createReadingTable(conn, id);
    // One reading is there already, and one line is written twice.
    const int lines = 400;
    const ReadoutRecords file = hourlyFile(lines, 7);
    {
        NoProgress none;
        const std::vector<char> first(size_t(file.recordCount()), 0);
        std::vector<char> one = first;
        one[3] = 1;
        ASSERT_EQ(appendReadings(conn, file, one, AppendTarget{id, "45", true, "a.txt"}, DateLayout::YearFirst, {},
                                 none)
                      .appended,
                  1);
    }
    const std::vector<char> all(size_t(file.recordCount()), 1);

    Connection second;
    second.open(path);
    Gate firstWritten, secondStarted;
    AppendOutcome a, b;
    QStringList toldA, toldB;
    std::exception_ptr failedA, failedB;
    std::thread ta([&] {
        try {
            HeldAtTheEnd held(firstWritten, secondStarted);
            a = appendReadings(conn, file, all, AppendTarget{id, "45", true, "a.txt"}, DateLayout::YearFirst,
                               [&](const QString& k) { toldA << k; }, held);
        } catch (...) {
            failedA = std::current_exception();
            secondStarted.open();
        }
    });
    std::thread tb([&] {
        try {
            // Only once the first has written every row: neither finds the
            // other's rows among the keys it reads first.
            firstWritten.wait();
            StartsAfterTheKeys starts(secondStarted);
            b = appendReadings(second, file, all, AppendTarget{id, "45", true, "b.txt"}, DateLayout::YearFirst,
                               [&](const QString& k) { toldB << k; }, starts);
        } catch (...) {
            failedB = std::current_exception();
        }
    });
    ta.join();
    tb.join();
    auto why = [](const std::exception_ptr& p) -> std::string {
        try {
            std::rethrow_exception(p);
        } catch (const DbError& e) {
            return e.description().toStdString();
        } catch (...) {
            return "?";
        }
    };
    ASSERT_FALSE(failedA) << why(failedA);
    ASSERT_FALSE(failedB) << why(failedB);

    // The first stored every reading it did not hold already; the second
    // stored none, and counted each as a duplicate and told it, as a
    // duplicate found beforehand is told.
    const int distinct = lines;
    EXPECT_EQ(a.appended, distinct - 1);
    EXPECT_EQ(a.duplicates, 2);  // the stored one and the line written twice
    EXPECT_EQ(b.appended, 0);
    EXPECT_EQ(b.duplicates, distinct + 1);
    EXPECT_EQ(toldB.size(), b.duplicates);
    EXPECT_EQ(toldB.count(id + QStringLiteral(" 2024/03/01 07:00:00")), 2);
    EXPECT_TRUE(b.rows.empty());
    // The counts add up: every ticked line of both imports is accounted for.
    EXPECT_EQ(a.appended + a.duplicates + b.appended + b.duplicates, 2 * file.recordCount());

    EXPECT_EQ(countRows(conn, QStringLiteral("SELECT * FROM `%1`").arg(id)), distinct);
    QStringList keys;
    Recordset stored;
    stored.open(QStringLiteral("SELECT * FROM `%1` ORDER BY FullDate").arg(id), conn);
    for (stored.moveFirst(); !stored.eof(); stored.moveNext())
        keys << stored.text(QStringLiteral("DateTimeKey"));
    EXPECT_EQ(keys.size(), distinct);
    keys.removeDuplicates();
    EXPECT_EQ(keys.size(), distinct);
    // The change log has the imports that stored readings, not the other.
    Recordset log;
    log.open(QStringLiteral("SELECT * FROM AuditLog WHERE Action = 'import' ORDER BY AuditID"), conn);
    ASSERT_EQ(log.recordCount(), 2);
    log.moveLast();
    EXPECT_TRUE(log.text(QStringLiteral("NewValues")).contains(QStringLiteral("a.txt")));
}

TEST_P(TwoImports, TheReadingTablesKeyIsUniqueInTheDatabaseItself)
{
    // Not only the program's own test before writing: the table refuses a
    // second row with a key it holds, whoever writes it.
    const QString id = QStringLiteral("202445001");
    createReadingTable(conn, id);
    const TableShape shape = tableShape(conn, id);
    BulkInsert once(conn, shape, {QStringLiteral("DateTimeKey")});
    once.setText(0, QByteArray("202445001 2024/03/01 00:00:00"));
    once.insert();
    once.setText(0, QByteArray("202445001 2024/03/01 00:00:00"));
    EXPECT_EQ(errorOf([&] { once.insert(); }), err::DuplicateKey);
    BulkInsert skipping(conn, shape, {QStringLiteral("DateTimeKey")}, ExistingKey::Skip);
    skipping.setText(0, QByteArray("202445001 2024/03/01 00:00:00"));
    EXPECT_EQ(skipping.insert(), 0);
    skipping.setText(0, QByteArray("202445001 2024/03/01 01:00:00"));
    EXPECT_GT(skipping.insert(), 0);
    EXPECT_EQ(countRows(conn, QStringLiteral("SELECT * FROM `%1`").arg(id)), 2);
}
