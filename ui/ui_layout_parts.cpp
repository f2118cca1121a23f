#include "ui/ui_layout_parts.h"

#include "ui/ui_clickable_label.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace rv::layout {

QString element(const char* name, int index)
{
    return QStringLiteral("%1(%2)").arg(QLatin1String(name)).arg(index);
}

QLabel* caption(QWidget* page, const QString& text, const QRect& r, Qt::Alignment align)
{
    auto* l = new QLabel(text, page);
    l->setGeometry(r);
    l->setAlignment(align);
    return l;
}

QLabel* namedLabel(QWidget* page, const QString& name, const QString& text, const QRect& r)
{
    auto* l = caption(page, text, r);
    l->setObjectName(name);
    return l;
}

QLineEdit* textBox(QWidget* page, const QString& name, const QRect& r, bool readOnly)
{
    auto* e = new QLineEdit(page);
    e->setObjectName(name);
    e->setGeometry(r);
    e->setReadOnly(readOnly);
    return e;
}

QToolButton* imageButton(QWidget* page, const QString& name, const QIcon& icon, const QRect& r,
                         const QString& toolTip)
{
    auto* b = new QToolButton(page);
    b->setObjectName(name);
    b->setGeometry(r);
    b->setIcon(icon);
    b->setIconSize(QSize(r.width() - 8, r.height() - 8));
    b->setAutoRaise(true);
    b->setToolTip(toolTip);
    return b;
}

ClickableLabel* buttonCaption(QWidget* page, const QString& name, const QString& text,
                              const QRect& r)
{
    auto* l = new ClickableLabel(text, page);
    l->setObjectName(name);
    l->setGeometry(r);
    l->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return l;
}

QLabel* pictureSource(QWidget* page, const QString& name, const QPixmap& pm)
{
    auto* l = new QLabel(page);
    l->setObjectName(name);
    l->setPixmap(pm);
    l->setGeometry(QRect(QPoint(0, 0), pm.size()));
    l->hide();
    return l;
}

} // namespace rv::layout
