// Rows sent ahead of their answers (a server's pipeline; a file runs each at
// once): every answer comes back in the order sent, and a failure is never
// lost, whichever row it was and however late it is read.
#include "store_fixture.h"

#include "readings/sensor_tables.h"
#include "store/bulk.h"
#include "store/query.h"

using namespace rv;
using namespace rv::store;
using namespace rv::store::testing;

namespace {

const QString kId = QStringLiteral("202445001");

QByteArray keyOf(int k)
{
    return kId.toUtf8() + QByteArray(" 2024/03/01 ") + QByteArray::number(10 + k / 60) + ':'
        + QByteArray::number(10 + k % 60) + ":00";
}

} // namespace

class SentAhead : public StoreBoth {
protected:
    void SetUp() override
    {
        StoreBoth::SetUp();
        if (HasFatalFailure())
            return;
        createReadingTable(conn, kId);
        shape = tableShape(conn, kId);
    }
    qint64 rows() { return countRows(conn, QStringLiteral("SELECT * FROM `%1`").arg(kId)); }

    TableShape shape;
};
RV_ON_BOTH_ENGINES(SentAhead);

TEST_P(SentAhead, InsertsAnswerInOrderAndSkippedKeysAnswerNothing)
{
    {
        BulkInsert one(conn, shape, {QStringLiteral("DateTimeKey")});
        one.setText(0, keyOf(700));
        one.insert();
    }
    const int n = 1500;  // several of the server's batches
    std::vector<qint64> answers;
    {
        Connection::Transaction tx(conn);
        BulkInsert ins(conn, shape, {QStringLiteral("DateTimeKey"), QStringLiteral("Channel1")}, ExistingKey::Skip);
        for (int k = 0; k < n; ++k) {
            ins.setText(0, keyOf(k));
            ins.setDouble(1, k);
            ins.send();
            if (k % 400 == 399)
                ins.settle([&](qint64 id) { answers.push_back(id); });
        }
        ins.settle([&](qint64 id) { answers.push_back(id); });
        tx.commit();
    }
    ASSERT_EQ(answers.size(), size_t(n));
    EXPECT_EQ(answers[700], 0);  // stored before: not stored again
    qint64 last = 0;
    for (int k = 0; k < n; ++k) {
        if (k == 700)
            continue;
        EXPECT_GT(answers[size_t(k)], last) << k;
        last = answers[size_t(k)];
    }
    EXPECT_EQ(rows(), n);
    EXPECT_EQ(raw(QStringLiteral("SELECT \"Channel1\" FROM \"%1\" WHERE \"DateTimeKey\" = '%2'")
                      .arg(kId, QString::fromUtf8(keyOf(1499))))
                  .toDouble(),
              1499.0);
}

TEST_P(SentAhead, AFailedInsertIsThrownAndTheTransactionUndoesEveryRow)
{
    {
        BulkInsert one(conn, shape, {QStringLiteral("DateTimeKey")});
        one.setText(0, keyOf(900));
        one.insert();
    }
    int thrown = 0;
    {
        Connection::Transaction tx(conn);
        BulkInsert ins(conn, shape, {QStringLiteral("DateTimeKey")});
        thrown = errorOf([&] {
            for (int k = 0; k < 1200; ++k) {
                ins.setText(0, keyOf(k));
                ins.send();
            }
            ins.settle([](qint64) {});
            tx.commit();
        });
    }
    EXPECT_EQ(thrown, err::DuplicateKey);
    EXPECT_EQ(rows(), 1);
    // The connection goes on working.
    BulkInsert again(conn, shape, {QStringLiteral("DateTimeKey")});
    again.setText(0, keyOf(1));
    EXPECT_GT(again.insert(), 0);
    EXPECT_EQ(rows(), 2);
}

TEST_P(SentAhead, AnUpdateOfAMissingRowIsAFailureAndTheOthersAreWritten)
{
    std::vector<qint64> ids;
    {
        Connection::Transaction tx(conn);
        BulkInsert ins(conn, shape, {QStringLiteral("DateTimeKey")});
        for (int k = 0; k < 800; ++k) {
            ins.setText(0, keyOf(k));
            ids.push_back(ins.insert());
        }
        tx.commit();
    }
    conn.backend().exec(QStringLiteral("DELETE FROM \"%1\" WHERE rowid = %2").arg(kId).arg(ids[600]).toUtf8());
    int thrown = 0;
    {
        Connection::Transaction tx(conn);
        BulkUpdate up(conn, shape, {QStringLiteral("zero1")});
        up.sendAhead();
        thrown = errorOf([&] {
            for (size_t k = 0; k < ids.size(); ++k) {
                up.setDouble(0, double(k));
                up.update(ids[k]);
            }
            tx.commit();
        });
        // What a pass does then: keep what was written.
        tx.commit();
    }
    EXPECT_EQ(thrown, err::EngineError);
    EXPECT_EQ(raw(QStringLiteral("SELECT \"zero1\" FROM \"%1\" WHERE rowid = %2").arg(kId).arg(ids[599])).toDouble(),
              599.0);
    EXPECT_EQ(countRows(conn, QStringLiteral("SELECT * FROM `%1` WHERE zero1 IS NOT NULL").arg(kId)),
              onServer() ? 799 : 600);
}

TEST_P(SentAhead, AColumnARowLeavesUnsetIsNullNotTheRowBefores)
{
    Connection::Transaction tx(conn);
    BulkInsert ins(conn, shape, {QStringLiteral("DateTimeKey"), QStringLiteral("Channel1"), QStringLiteral("ReadingDate")},
                   ExistingKey::Skip);
    // The key's bytes change after each row is written, as an import's do.
    QByteArray key = keyOf(1);
    ins.setTextInPlace(0, key);
    ins.setDouble(1, 5.5);
    ins.setText(2, "2024-03-01");
    ins.send();
    key = keyOf(2);
    ins.setTextInPlace(0, key);
    ins.send();
    key = keyOf(3);
    ins.setTextInPlace(0, key);
    ins.setNull(1);
    ins.setValue(2, QDate(2024, 3, 2));
    ins.insert();
    ins.settle([](qint64) {});
    tx.commit();
    EXPECT_EQ(raw(QStringLiteral("SELECT \"Channel1\" FROM \"%1\" WHERE \"DateTimeKey\" = '%2'").arg(kId, keyOf(1))), 5.5);
    EXPECT_TRUE(raw(QStringLiteral("SELECT \"Channel1\" FROM \"%1\" WHERE \"DateTimeKey\" = '%2'").arg(kId, keyOf(2))).isNull());
    EXPECT_TRUE(raw(QStringLiteral("SELECT \"ReadingDate\" FROM \"%1\" WHERE \"DateTimeKey\" = '%2'").arg(kId, keyOf(2))).isNull());
    EXPECT_FALSE(raw(QStringLiteral("SELECT \"ReadingDate\" FROM \"%1\" WHERE \"DateTimeKey\" = '%2'").arg(kId, keyOf(3))).isNull());
    EXPECT_EQ(rows(), 3);
}
