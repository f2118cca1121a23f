#include "ui/ui_main_layout.h"
#include "sensors/ui_sensors.h"
#include "sensors/ui_widgets.h"
#include <QLabel>
#include <QLineEdit>

namespace rv::sensors {

void ConfigureForm(MainContext& c)
{
    auto& u = c.ui;
    auto& t = c.st.rsConfig;
    try {
        u.lblError->hide();
        for (int i = 1; i <= 6; ++i) {
            element(u.txtNode, i)->setEnabled(false);
            setBackColor(u.txtNode[i], kDisabledBack);
        }
        for (int i = 1; i <= 5; ++i) {
            element(u.txtChannel, i)->setEnabled(false);
            setBackColor(u.txtChannel[i], kDisabledBack);
            element(u.lblmm, i)->setEnabled(false);
            u.lblmm[i]->setText(t.text("Units" + QString::number(i)));
            element(u.txtSGCenter, i)->setEnabled(false);
            element(u.lbln, i)->setEnabled(false);
            u.lbln[i]->setText(QString());
        }
        u.lblLocation->setText(t.text("lblLocation"));
        u.lblNotes->setText(t.text("lblNotes"));
        if (t.value("usenodes").toBool()) {
            const int nodes = t.value("NumNodes").toInt();
            for (int i = 1; i <= nodes; ++i) {
                element(u.txtNode, i)->setEnabled(true);
                setBackColor(u.txtNode[i], kEditableBack);
            }
        }
        const int channels = t.value("NumChannels").toInt();
        for (int i = 1; i <= channels; ++i) {
            element(u.txtSGCenter, i)->setEnabled(true);
            element(u.lbln, i)->setText(u.txtSGCenter[i]->text() + " m");
            u.lbln[i]->setEnabled(true);
            element(u.lblmm, i)->setEnabled(true);
            element(u.txtChannel, i)->setEnabled(true);
            setBackColor(u.txtChannel[i], kEditableBack);
        }
        u.lblTemp->setText(t.text("Temp"));
        const bool temp = t.value("TempChannel").toBool();
        u.txtChannelT->setEnabled(temp);
        setBackColor(u.txtChannelT, temp ? kEditableBack : kDisabledBack);
        u.lblTemp->setEnabled(temp);
        u.Label47->setEnabled(temp);
    } catch (...) {
        c.logError("Module1_ConfigureForm");
    }
}

} // namespace rv::sensors
