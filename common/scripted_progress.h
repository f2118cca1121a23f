#pragma once
// A progress sink for the tests and the benchmarks: records what was begun
// and answers "stop" once a chosen step is reached.
#include "common/progress.h"
#include <QStringList>
#include <vector>

namespace rv {

class ScriptedProgress : public Progress {
public:
    // The user presses Cancel when the work of label number `piece` (0 = the
    // first begun) reaches step `step`; -1 never.
    void cancelAt(int piece, qint64 step)
    {
        m_cancelPiece = piece;
        m_cancelStep = step;
    }

    void begin(const QString& label, qint64 total) override
    {
        m_labels << label;
        m_totals.push_back(total);
        m_open = true;
    }
    bool advance(qint64 done) override
    {
        m_lastDone = done;
        const int piece = static_cast<int>(m_labels.size()) - 1;
        return !(piece == m_cancelPiece && m_cancelStep >= 0 && done >= m_cancelStep);
    }
    void end() override { m_open = false; }

    const QStringList& labels() const { return m_labels; }
    const std::vector<qint64>& totals() const { return m_totals; }
    qint64 lastDone() const { return m_lastDone; }
    bool open() const { return m_open; }

private:
    QStringList m_labels;
    std::vector<qint64> m_totals;
    qint64 m_lastDone = 0;
    int m_cancelPiece = -1;
    qint64 m_cancelStep = -1;
    bool m_open = false;
};

} // namespace rv
