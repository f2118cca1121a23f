#include "ui/ui_clickable_label.h"

#include <QMouseEvent>

namespace rv {

ClickableLabel::ClickableLabel(QWidget* parent) : ClickableLabel(QString(), parent) {}

ClickableLabel::ClickableLabel(const QString& text, QWidget* parent) : QLabel(text, parent)
{
    setCursor(Qt::PointingHandCursor);
}

void ClickableLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool fires = event->button() == Qt::LeftButton
        && rect().contains(event->position().toPoint()) && isEnabled();
    QLabel::mouseReleaseEvent(event);
    if (fires)
        emit clicked();
}

} // namespace rv
