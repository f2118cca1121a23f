#include "ui/ui_main_layout.h"
#include "common/dates.h"
#include "common/log.h"
#include "sensors/ui_sensors.h"
#include "store/sqltext.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>

namespace rv::sensors {

void cboSensorsClick(MainContext& c)
{
    if (c.st.Firstload)
        return;
    try {
        auto& rs = c.st.rsSensors;
        if (!savefields(c)) {
            // The shown sensor stays, with what the user chose to keep.
            attempt([&] {
                if (rs.recordCount() > 0 && !rs.bof() && !rs.eof())
                    c.ui.cboSensors->setEditText(rs.text("InstrumentID"));
            });
            return;
        }
        rs.moveFirst();
        rs.find("InstrumentID = " + store::quoted(c.ui.cboSensors->currentText()));
        if (rs.eof())
            c.pr.message("Error: Could not find data on the chosen sensor", MsgIcon::None, MsgButtons::Ok, kAppTitle);
        fillfields(c);
        c.ui.txtSCount->setText(QString::number(rs.recordCount()));
    } catch (...) {
        c.logError("cboSensors_Click");
    }
}

void cboSensorsKeyDown(MainContext& c, int key)
{
    try {
        if (key == Qt::Key_Delete || key == Qt::Key_Backspace)
            c.completionOff = true;
        else if (key != Qt::Key_Return && key != Qt::Key_Enter)
            c.completionOff = false;
        if (c.completionOff)
            return;

        QComboBox* box = c.ui.cboSensors;
        QLineEdit* edit = box->lineEdit();
        const QString text = box->currentText();
        const int n = box->count();
        // The list's own prefix search: case-insensitive, from the second
        // entry on, wrapping round to the first.
        int found = -1;
        for (int k = 0; k < n && found < 0; ++k) {
            const int i = (1 + k) % n;
            if (box->itemText(i).startsWith(text, Qt::CaseInsensitive))
                found = i;
        }
        // The text cursor as the user sees it: where a selection starts
        // (after select-all that is 0, not the end the cursor sits at).
        const int cursor = edit->hasSelectedText() ? edit->selectionStart() : edit->cursorPosition();
        if (found >= 0) {
            box->setCurrentIndex(found);
            box->setEditText(box->itemText(found));
            cboSensorsClick(c);
            const int len = edit->text().size();
            edit->setSelection(len, -(len - std::min(cursor, len)));
        }
    } catch (...) {
        c.logError("cboSensors_Keydown");
    }
}

bool cboSensorsKeyPress(MainContext& c, QChar ch)
{
    if (ch == QChar(8))
        return true;
    const QLineEdit* edit = c.ui.cboSensors->lineEdit();
    // The typed character replaces the completed part, so only what stays
    // counts towards the limit.
    const int kept = edit->text().size() - edit->selectedText().size();
    return !(edit->text().size() > 9 && kept > 9);
}

void imgNextClick(MainContext& c)
{
    try {
        auto& rs = c.st.rsSensors;
        if (rs.recordCount() == 0 || rs.absolutePosition() == rs.recordCount()) {
            c.pr.message("End of sensors", MsgIcon::None, MsgButtons::Ok, kAppTitle);
            return;
        }
        if (!savefields(c))
            return;
        rs.moveNext();
        fillfields(c);
        c.ui.cboSensors->setEditText(rs.text("InstrumentID"));
    } catch (...) {
        c.logError("imgNext_Click");
    }
}

void imgPreviousClick(MainContext& c)
{
    try {
        auto& rs = c.st.rsSensors;
        if (rs.recordCount() == 0 || rs.absolutePosition() == 1) {
            c.pr.message("Start of Sensors", MsgIcon::None, MsgButtons::Ok, kAppTitle);
            return;
        }
        if (!savefields(c))
            return;
        rs.movePrevious();
        fillfields(c);
        c.ui.cboSensors->setEditText(rs.text("InstrumentID"));
    } catch (...) {
        c.logError("imgPrevious_Click");
    }
}

void cboDestroyedClick(MainContext& c)
{
    auto& u = c.ui;
    const QString t = u.cboDestroyed->currentText();
    if (t == "Yes") {
        u.txtDestructionDate->setText(todayText());
        u.txtDestructionDate->setFocus();
        u.imgheart->setPixmap(u.imgdead->pixmap());
    } else if (t == "No") {
        u.txtDestructionDate->clear();
        u.txtDestructionDate->setFocus();
        u.imgheart->setPixmap(u.imgalive->pixmap());
    }
    savefields(c);
}

void cboDestroyedKeyPress(MainContext& c, QChar ch)
{
    if (ch == 'Y' || ch == 'y') {
        c.ui.cboDestroyed->setEditText("Yes");
        cboDestroyedClick(c);
    } else if (ch == 'N' || ch == 'n') {
        c.ui.cboDestroyed->setEditText("No");
        cboDestroyedClick(c);
    }
    savefields(c);
}

} // namespace rv::sensors
