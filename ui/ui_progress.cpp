#include "ui/ui_progress.h"

#include <QApplication>
#include <QProgressDialog>

namespace rv::importing {

namespace {
// The dialog works in thousandths so that any total fits its int range.
constexpr int kScale = 1000;
// Work shorter than this shows no dialog at all.
constexpr qint64 kShowAfterMs = 400;
}

QtProgress::QtProgress(QWidget* parent) : m_parent(parent) {}

QtProgress::~QtProgress() = default;

void QtProgress::begin(const QString& label, qint64 total)
{
    m_dialog.reset();
    m_label = label;
    m_total = std::max<qint64>(total, 1);
    m_sinceShown.start();
}

bool QtProgress::advance(qint64 done)
{
    // The dialog is made here, between two steps of the work, and never by a
    // timer of its own: a timer would raise it over a message box the work
    // is waiting on and leave that box unable to take its click.
    if (!m_dialog) {
        if (m_sinceShown.elapsed() < kShowAfterMs || done >= m_total)
            return true;
        m_dialog = std::make_unique<QProgressDialog>(m_label, QStringLiteral("Cancel"), 0, kScale, m_parent.data());
        m_dialog->setObjectName(QStringLiteral("dlgProgress"));
        m_dialog->setWindowTitle(QStringLiteral("Quillon's Rockvane"));
        m_dialog->setWindowModality(Qt::ApplicationModal);
        m_dialog->setAutoReset(false);
        m_dialog->setAutoClose(false);
        m_dialog->setMinimumDuration(0);
        m_dialog->show();
    } else if (m_sinceShown.elapsed() < 50 && done < m_total) {
        // Repainting for every row would cost more than the work itself.
        return !m_dialog->wasCanceled();
    }
    m_sinceShown.restart();
    const int value = static_cast<int>(std::min<qint64>(done, m_total) * kScale / m_total);
    m_dialog->setValue(std::min(value, kScale - 1));
    QApplication::processEvents();
    return !m_dialog->wasCanceled();
}

void QtProgress::end()
{
    m_dialog.reset();
}

} // namespace rv::importing
