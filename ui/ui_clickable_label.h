#pragma once
// A caption label that works as a button: the captions beside the image
// buttons run the same action as the button itself.
#include <QLabel>

class QMouseEvent;

namespace rv {

class ClickableLabel : public QLabel {
    Q_OBJECT
public:
    explicit ClickableLabel(QWidget* parent = nullptr);
    explicit ClickableLabel(const QString& text, QWidget* parent = nullptr);

signals:
    // The left button released over the label; a press dragged off the
    // label before the release does not count, as with a button.
    void clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* event) override;
};

} // namespace rv
