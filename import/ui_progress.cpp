#include "import/ui_progress.h"

#include <QApplication>
#include <QProgressDialog>

namespace rv::importing {

namespace {
// The dialog works in thousandths so that any total fits its int range.
constexpr int kScale = 1000;
}

QtProgress::QtProgress(QWidget* parent) : m_parent(parent) {}

QtProgress::~QtProgress() = default;

void QtProgress::begin(const QString& label, qint64 total)
{
    m_total = std::max<qint64>(total, 1);
    m_dialog = std::make_unique<QProgressDialog>(label, QStringLiteral("Cancel"), 0, kScale, m_parent.data());
    m_dialog->setObjectName(QStringLiteral("dlgProgress"));
    m_dialog->setWindowTitle(QStringLiteral("Quillon's Rockvane"));
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setMinimumDuration(400);
    m_dialog->setAutoReset(false);
    m_dialog->setAutoClose(false);
    m_dialog->setValue(0);
    m_sinceShown.start();
}

bool QtProgress::advance(qint64 done)
{
    if (!m_dialog)
        return true;
    // Repainting for every row would cost more than the work itself.
    if (m_sinceShown.elapsed() < 50 && done < m_total)
        return !m_dialog->wasCanceled();
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
