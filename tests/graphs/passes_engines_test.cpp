// The graph data passes on a database file and on a site on the server: the
// same readings give the same stored values, and a pass whose values are
// current (its note in force) writes nothing on either.
#include "../store/store_fixture.h"

#include "graphs/passes.h"
#include "readings/sensor_tables.h"
#include "state/appstate.h"
#include "common/scripted_prompter.h"

#include <QFile>

using namespace rv;
using namespace rv::graphs;
using namespace rv::store;
using namespace rv::store::testing;

namespace {

const QString kId = QStringLiteral("250055001");
const QStringList kStamps = {QStringLiteral("2026/05/01 08:00:00"), QStringLiteral("2026/05/02 08:00:00"),
                             QStringLiteral("2026/05/03 08:00:00")};

} // namespace

class PassesOnBothEngines : public StoreBoth {
protected:
    void SetUp() override
    {
        StoreBoth::SetUp();
        if (HasFatalFailure())
            return;
        addSensor(kId);
        createReadingTable(conn, kId);
        Recordset rs;
        rs.open(QStringLiteral("SELECT * FROM `%1`").arg(kId), conn);
        const double ch1[] = {10.0, 12.5, 9.0};
        const double ch2[] = {10.0, 16.0, 11.0};
        for (int k = 0; k < 3; ++k) {
            const QString s = kStamps[k];
            rs.addNew();
            rs.setValue(QStringLiteral("DateTimeKey"), kId + u' ' + s);
            rs.setValue(QStringLiteral("ReadingDate"), s.left(10));
            rs.setValue(QStringLiteral("ReadingTime"), s.mid(11));
            rs.setValue(QStringLiteral("FullDate"), s);
            rs.setValue(QStringLiteral("Plottemporal"), true);
            rs.setValue(QStringLiteral("PlotSpatial"), true);
            rs.setValue(QStringLiteral("Channel1"), ch1[k]);
            rs.setValue(QStringLiteral("Channel2"), ch2[k]);
            for (int c = 3; c <= 5; ++c)
                rs.setValue(QStringLiteral("Channel%1").arg(c), 10.0 + c);
            rs.setValue(QStringLiteral("ChannelT"), 21.5 + k);
            rs.update();
        }
        st = std::make_unique<AppState>(dir.path());
        st->DatabasePath = path;
        st->conn->open(path);
        st->rsSensors.open(QStringLiteral("SELECT Sensors.* FROM Sensors ORDER BY InstrumentID;"), *st->conn);
    }
    void TearDown() override
    {
        st.reset();
        StoreBoth::TearDown();
    }

    double stored(int row, const QString& field)
    {
        return raw(QStringLiteral("SELECT \"%1\" FROM \"%2\" WHERE \"DateTimeKey\" = '%2 %3'")
                       .arg(field, kId, kStamps[row]))
            .toDouble();
    }
    QString log() const
    {
        QFile f(dir.filePath(QStringLiteral("TENDON_logfile.txt")));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    std::unique_ptr<AppState> st;
    ScriptedPrompter pr;
};
RV_ON_BOTH_ENGINES(PassesOnBothEngines);

TEST_P(PassesOnBothEngines, WriteTheSameValuesAndNothingWhenCurrent)
{
    GetTemporalData(*st, pr);
    ASSERT_EQ(log(), "");
    EXPECT_TRUE(pr.messages().empty());
    EXPECT_EQ(st->Offset[1], "10");
    EXPECT_EQ(stored(0, "zero1"), 0.0);
    EXPECT_EQ(stored(1, "zero1"), 2.5);
    EXPECT_EQ(stored(2, "zero1"), -1.0);
    EXPECT_EQ(stored(1, "zero2"), 6.0);
    EXPECT_EQ(stored(2, "NumTemp"), 23.5);

    NodeGeometry g;
    g.headAtCollar = true;
    g.numChannels = 5;
    g.relAnchor = {"", "1.50", "2.50", "3.50", "4.50", "5.50", "6.50"};
    GetDispData(*st, pr, g);
    GetSpatialData(*st, pr);
    GetSDispData(*st, pr, g);
    ASSERT_EQ(log(), "");
    EXPECT_TRUE(pr.messages().empty());
    for (const char* f : {"Stretch1", "Disp1", "Disp2"})
        EXPECT_FALSE(raw(QStringLiteral("SELECT \"%1\" FROM \"%2\" WHERE \"DateTimeKey\" = '%2 %3'")
                             .arg(QLatin1String(f), kId, kStamps[1]))
                         .isNull())
            << f;

    // A channel changed by another statement drops the pass's note, so the
    // next pass recomputes the changed reading.
    const QString notes = QStringLiteral("SELECT count(*) FROM \"Settings\" WHERE \"Name\" = 'GraphValues'");
    EXPECT_EQ(raw(notes).toInt(), 1);
    conn.backend().exec(QStringLiteral("UPDATE \"%1\" SET \"Channel1\" = 20 WHERE \"DateTimeKey\" = '%1 %2'")
                            .arg(kId, kStamps[2])
                            .toUtf8());
    EXPECT_EQ(raw(notes).toInt(), 0);
    GetTemporalData(*st, pr);
    EXPECT_EQ(stored(2, "zero1"), 10.0);
    EXPECT_EQ(log(), "");
    EXPECT_EQ(raw(notes).toInt(), 1);
}
