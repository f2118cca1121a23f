#include "sensors/ui_widgets.h"
#include <QLineEdit>
#include <QPalette>

namespace rv {

void setBackColor(QLineEdit* box, const QColor& c)
{
    QPalette p = box->palette();
    for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        p.setColor(group, QPalette::Base, c);
    box->setPalette(p);
}

} // namespace rv
