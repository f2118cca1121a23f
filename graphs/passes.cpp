#include "graphs/passes.h"

#include "calc/stretch.h"
#include "calc/zeros.h"
#include "common/log.h"
#include "graphs/graph_data.h"
#include "store/recordset.h"
#include "store/sqlerror.h"

#include <algorithm>
#include <optional>

namespace rv::graphs {

namespace {

using store::Recordset;

// Positions of the fields a pass reads and writes, looked up once per pass.
struct Fields {
    std::array<int, 11> channel{};  // Channel1..10
    int channelT = -1;
    std::array<int, 11> zero{};     // zero1..10
    int numTemp = -1;
    std::array<int, 6> stretch{};   // Stretch1..5
    std::array<int, 7> disp{};      // Disp1..6

    explicit Fields(const Recordset& rs)
    {
        auto at = [&](const QString& name) {
            const int i = rs.fieldIndex(name);
            if (i < 0)
                throw store::detail::noSuchField(name);
            return i;
        };
        for (int k = 1; k <= 10; ++k) {
            channel[size_t(k)] = at(QStringLiteral("Channel%1").arg(k));
            zero[size_t(k)] = at(QStringLiteral("zero%1").arg(k));
        }
        channelT = at(QStringLiteral("ChannelT"));
        numTemp = at(QStringLiteral("NumTemp"));
        for (int k = 1; k <= 5; ++k)
            stretch[size_t(k)] = at(QStringLiteral("Stretch%1").arg(k));
        for (int k = 1; k <= 6; ++k)
            disp[size_t(k)] = at(QStringLiteral("Disp%1").arg(k));
    }
};

// The error the set gives when there is no row to read: closed, empty, or
// (a table not made from the template) without the fields of a reading.
const Fields& requireRow(const Recordset& rs, const std::optional<Fields>& f)
{
    rs.value(0);
    if (!f)
        throw store::detail::noSuchField(QStringLiteral("Channel1"));
    return *f;
}

calc::ChannelValues channelsOf(const Recordset& rs, const Fields& f)
{
    calc::ChannelValues v;
    for (size_t k = 1; k <= 10; ++k)
        v[k] = rs.value(f.channel[k]);
    return v;
}

// The zero reading's channel texts become the offsets; without a current
// row the offsets of the last pass stay.
void GetOffsets(AppState& st, const std::optional<Fields>& f)
{
    try {
        const calc::ChannelTexts t = calc::GetOffsets(channelsOf(st.rsGraph, requireRow(st.rsGraph, f)));
        for (size_t k = 1; k <= 10; ++k)
            st.Offset[k] = t[k];
    } catch (...) {
        logCurrentException(st.DataFolder, QStringLiteral("Module1_GetOffsets"));
    }
}

// Zero values and temperature of the current row. A channel that cannot be
// zeroed ends the row there: the fields before it take their new values, the
// rest keep their old ones, and the pass goes on.
void SetZeros(AppState& st, const std::optional<Fields>& f, const calc::ZeroOffsets& off)
{
    try {
        Recordset& rs = st.rsGraph;
        const Fields& fields = requireRow(rs, f);
        const calc::ZeroRow z = calc::SetZeros(channelsOf(rs, fields), rs.value(fields.channelT), off);
        const int written = z.written();
        for (int k = 1; k <= std::min(written, 10); ++k)
            rs.setValue(fields.zero[size_t(k)], z.zero[size_t(k)]);
        if (written == 11)
            rs.setValue(fields.numTemp, z.numTemp);
        if (z.failedChannel != 0)
            throw store::detail::typeMismatch();
    } catch (...) {
        logCurrentException(st.DataFolder, QStringLiteral("G_SetZeros"));
    }
}

// Stretches and displacements of the current row from its zero values as
// they now stand. A node position that cannot be read ends the pass.
void CalcStretchAndDisp(Recordset& rs, const Fields& f, const calc::Anchors& a)
{
    calc::SectionValues zero;
    for (size_t k = 1; k <= 5; ++k) {
        const QVariant v = rs.value(f.zero[k]);
        if (!v.isNull())
            zero[k] = v.toDouble();
    }
    const calc::StretchResult s = calc::CalcStretch(a, zero);
    if (s.failedSection != 0)
        throw store::detail::typeMismatch();
    const calc::NodeValues d = calc::CalcDisp(a, s.stretch);
    for (size_t k = 1; k <= 5; ++k)
        rs.setValue(f.stretch[k], s.stretch[k] ? QVariant(*s.stretch[k]) : QVariant());
    for (size_t k = 1; k <= 6; ++k)
        rs.setValue(f.disp[k], d[k] ? QVariant(*d[k]) : QVariant());
}

void runPass(AppState& st, Prompter& pr, GraphSelection sel, const NodeGeometry* g, const QString& logName)
{
    OpenGraphData(st, pr, sel);
    Recordset& rs = st.rsGraph;
    std::optional<Fields> f;
    if (rs.state() == 1)
        attempt([&] { f.emplace(rs); });

    GetOffsets(st, f);
    const calc::ZeroOffsets off = calc::readOffsets(st.Offset);
    std::optional<calc::Anchors> anchors;
    if (g)
        anchors = calc::readAnchors(g->headAtCollar, g->numChannels, g->relAnchor);

    // Every row of the pass is one write to the file; a failure keeps the
    // rows already done, as they would be kept row by row.
    std::optional<store::Connection::Transaction> tx;
    try {
        tx.emplace(*st.conn);
        do {
            SetZeros(st, f, off);
            if (anchors)
                CalcStretchAndDisp(rs, requireRow(rs, f), *anchors);
            rs.update();
            rs.moveNext();
        } while (!rs.eof());
        tx->commit();
        rs.close();
    } catch (...) {
        logCurrentException(st.DataFolder, logName);
        // The row that failed is not written.
        attempt([&] { if (rs.state() == 1 && rs.editPending()) rs.cancelUpdate(); });
        attempt([&] { if (tx) tx->commit(); });
    }
}

} // namespace

void GetTemporalData(AppState& st, Prompter& pr)
{
    runPass(st, pr, GraphSelection::Temporal, nullptr, QStringLiteral("G_GetTemporalData"));
}

void GetDispData(AppState& st, Prompter& pr, const NodeGeometry& g)
{
    runPass(st, pr, GraphSelection::Temporal, &g, QStringLiteral("G_GetTemporalData"));
}

void GetSpatialData(AppState& st, Prompter& pr)
{
    runPass(st, pr, GraphSelection::Spatial, nullptr, QStringLiteral("G_GetTemporalData"));
}

void GetSDispData(AppState& st, Prompter& pr, const NodeGeometry& g)
{
    runPass(st, pr, GraphSelection::Spatial, &g, QStringLiteral("G_GetTemporalData"));
}

void GetRateData(AppState& st, Prompter& pr)
{
    runPass(st, pr, GraphSelection::AllReadings, nullptr, QStringLiteral("G_GetRateData"));
}

} // namespace rv::graphs
