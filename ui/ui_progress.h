#pragma once
// Progress of long work shown in a modal progress dialog with a Cancel
// button; the dialog appears only when the work lasts.
#include "common/progress.h"
#include <QElapsedTimer>
#include <QPointer>
#include <memory>

class QProgressDialog;
class QWidget;

namespace rv::importing {

class QtProgress : public Progress {
public:
    explicit QtProgress(QWidget* parent);
    ~QtProgress() override;

    void begin(const QString& label, qint64 total) override;
    bool advance(qint64 done) override;
    void end() override;

private:
    QPointer<QWidget> m_parent;
    std::unique_ptr<QProgressDialog> m_dialog;
    QElapsedTimer m_sinceShown;
    QString m_label;
    qint64 m_total = 0;
};

} // namespace rv::importing
