#include "ui/ui_main_layout.h"
#include "calc/rel_to_roof.h"
#include "common/format.h"
#include "common/log.h"
#include "common/numbers.h"
#include "sensors/ui_sensors.h"
#include "sensors/ui_widgets.h"
#include "store/audit.h"
#include "store/cell.h"
#include "store/conflict.h"
#include "store/sqltext.h"

#include <QAbstractButton>
#include <QCheckBox>
#include <QHash>
#include <QSet>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QTabWidget>

namespace rv::sensors {

namespace {

// The version on a server of the sensor the boxes show (0 on a file): a
// save finds out whether someone else changed it since they were filled,
// also when the set has read the row again meanwhile.
const char* const kShownVersion = "shownSensorVersion";

QString mineAnd(const MainContext& c, const QString& v) { return c.st.prefs.MineID + v; }

QString posText(const store::Recordset& rs)
{
    return QString::number(rs.absolutePosition()) + " of " + QString::number(rs.recordCount());
}

void setPages(MainContext& c, bool sensorShown)
{
    // Without a sensor the pages that show one have nothing to show.
    for (int p = 1; p <= 6; ++p)
        c.ui.SSTab1->setTabEnabled(p, sensorShown);
    c.ui.SSTab1->setTabEnabled(0, true);
}

} // namespace

bool positionType(MainContext& c)
{
    auto& t = c.st.rsConfig;
    t.moveFirst();
    t.find("SensorType = " + store::quoted(c.st.rsSensors.text("SensorType")));
    if (t.eof()) {
        c.pr.message("There was an error accessing the Sensors COnfiguration Table", MsgIcon::None,
                     MsgButtons::Ok, kAppTitle);
        return false;
    }
    return true;
}

void CalcReltoRoof(MainContext& c)
{
    auto& u = c.ui;
    calc::RelToRoofInput in;
    in.headAtCollar = u.Option1->isChecked();
    in.recess = u.txtRecess->text();
    in.lengthOfCable = u.txtLengthofCable->text();
    for (int i = 1; i <= 6; ++i)
        in.nodes[i] = u.txtNode[i]->text();
    for (int i = 1; i <= 5; ++i)
        in.centres[i] = u.txtSGCenter[i]->text();
    in.numChannels = c.st.rsConfig.text("NumChannels");

    const calc::RelToRoofResult r = calc::CalcReltoRoof(in);
    if (r.touched) {
        u.txtHead->setText(r.head);
        for (int i = 1; i <= 6; ++i)
            u.txtRelSGanchor[i]->setText(r.anchors[i]);
        for (int i = 1; i <= 5; ++i)
            u.txtRelSGCenter[i]->setText(r.centres[i]);
    }
    if (!r.ok)
        throw store::DbError(store::err::TypeMismatch, "Type mismatch");
}

void fillfields(MainContext& c)
{
    auto& u = c.ui;
    auto& rs = c.st.rsSensors;

    int count = 0;
    attempt([&] { count = rs.recordCount(); });
    if (count == 0) {
        for (QLineEdit* b : {u.txtSensor, u.txtDateID, u.txtTypeID, u.txtSensorNo, u.txtFamily, u.txtLengthofCable,
                             u.txtSensor2, u.txtLevel, u.txtLocation, u.txtBorehole, u.txtInstallDate,
                             u.txtInstallBy, u.txtPurpose, u.txtNotes, u.txtRecess})
            b->clear();
        for (int i = 1; i <= 6; ++i)
            u.txtNode[i]->clear();
        u.txtMineID->setText(c.st.prefs.MineID);
        u.txtSCount->setText("0");
        u.txtSnav->setText("No records");
        attempt([&] { setPages(c, false); });
        return;
    }
    bool noRow = true;
    attempt([&] { noRow = rs.bof() || rs.eof(); });
    if (noRow) {
        c.pr.message("Either you are at the first record or the last record.", MsgIcon::Warning, MsgButtons::Ok,
                     "Cannot Fill Fields");
        return;
    }

    // Identification.
    attempt([&] { u.txtSensor->setText(mineAnd(c, rs.text("InstrumentID"))); });
    attempt([&] { u.txtMineID->setText(c.st.prefs.MineID); });
    attempt([&] { u.txtDateID->setText(rs.text("DateID")); });
    attempt([&] { u.txtTypeID->setText(rs.text("TypeID")); });
    attempt([&] { u.txtSensorNo->setText(rs.text("SensorNo")); });
    attempt([&] { u.txtFamily->setText(rs.text("Family")); });
    attempt([&] { u.txtSCount->setText(QString::number(rs.recordCount())); });
    attempt([&] { u.txtLengthofCable->setText(rs.text("LengthofCable")); });
    attempt([&] { u.txtSnav->setText(posText(rs)); });
    // Installation.
    attempt([&] { u.txtSensor2->setText(mineAnd(c, rs.text("InstrumentID"))); });
    attempt([&] { u.txtLevel->setText(rs.text("Level")); });
    attempt([&] { u.txtLocation->setText(rs.text("Location")); });
    attempt([&] { u.txtBorehole->setText(rs.text("Borehole")); });
    attempt([&] { u.txtInstallDate->setText(Format(rs.text("InstallDate"), "yyyy/MM/dd")); });
    attempt([&] { u.txtInstallBy->setText(rs.text("InstallBy")); });
    attempt([&] { u.txtPurpose->setText(rs.text("Purpose")); });
    attempt([&] { u.txtNotes->setText(rs.text("Notes")); });
    attempt([&] { u.txtRecess->setText(rs.text("Recess")); });
    attempt([&] {
        const QVariant head = rs.value("HeadLocation");
        if (head.isNull())
            return;
        (head.toBool() ? u.Option1 : u.Option2)->setChecked(true);
    });
    attempt([&] { u.chkPlate->setChecked(rs.value("Plate").toBool()); });

    // Gauge centres are derived; the node boxes come from the row.
    for (int i = 1; i <= 5; ++i)
        u.txtSGCenter[i]->clear();
    for (int i = 1; i <= 6; ++i)
        attempt([&] { u.txtNode[i]->setText(rs.text("NodeLocation" + QString::number(i))); });

    bool typeFound = false;
    attempt([&] { typeFound = positionType(c); });
    if (typeFound) {
        int channels = 0;
        attempt([&] { channels = c.st.rsConfig.value("NumChannels").toInt(); });
        for (int i = 1; i <= channels; ++i) {
            attempt([&] {
                const QVariant a = rs.value("NodeLocation" + QString::number(i));
                const QVariant b = rs.value("NodeLocation" + QString::number(i + 1));
                if (a.isNull() || b.isNull())
                    throw store::DbError(94, "Invalid use of Null");
                element(u.txtSGCenter, i)->setText(Format((a.toDouble() + b.toDouble()) / 2, "##0.00"));
            });
        }
    }
    attempt([&] { CalcReltoRoof(c); });

    attempt([&] { u.txtSensor3->setText(mineAnd(c, rs.text("InstrumentID"))); });
    QString destroyed;
    attempt([&] { destroyed = rs.text("Destroyed"); });
    attempt([&] { u.cboDestroyed->setEditText(destroyed); });
    attempt([&] { u.imgheart->setPixmap((destroyed == "Yes" ? u.imgdead : u.imgalive)->pixmap()); });
    attempt([&] { u.txtDestructionDate->setText(destroyed == "Yes" ? rs.text("DestructionDate") : QString()); });

    // Without a matching type ConfigureForm stops at its first field read,
    // which it logs.
    attempt([&] { positionType(c); });
    attempt([&] { ConfigureForm(c); });
    attempt([&] {
        setPages(c, true);
        c.ui.SSTab1->setTabEnabled(2, true);
    });
    attempt([&] { u.txtSensor->setProperty(kShownVersion, rs.rowVersion()); });
}

namespace {

// One field that could not be stored, for the message to the user.
struct Refused {
    QString label;
    QString text;
    bool isDate = false;
};

// Stores the edited catalogue row. When the file refuses the write (locked
// by another program, read-only, disk full) the user is told that the
// sensor's changes were not saved and why; the edits are dropped from the
// record set, so the catalogue keeps matching the file and no later move
// tries them again. False when nothing was written.
// The current row's values, to tell afterwards whether the boxes changed
// anything.
std::vector<QVariant> rowValues(const store::Recordset& rs)
{
    std::vector<QVariant> v;
    const int n = rs.fieldCount();
    v.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v.push_back(rs.value(i));
    return v;
}

// The catalogue's fields as the page names them.
QString fieldLabel(const QString& f)
{
    static const QHash<QString, QString> names{
        {"DateID", "Date ID"},          {"TypeID", "Type ID"},          {"SensorNo", "Sensor number"},
        {"LengthofCable", "Length of cable"}, {"InstallDate", "Install date"}, {"InstallBy", "Installed by"},
        {"HeadLocation", "Head at collar"}, {"DestructionDate", "Destruction date"}, {"SensorType", "Sensor type"},
        {"InstrumentID", "Sensor"}};
    if (f.startsWith("NodeLocation"))
        return "Nodal point " + f.mid(12);
    return names.value(f, f);
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    const bool blankA = a.isNull() || (a.metaType().id() == QMetaType::QString && a.toString().isEmpty());
    const bool blankB = b.isNull() || (b.metaType().id() == QMetaType::QString && b.toString().isEmpty());
    if (blankA || blankB)
        return blankA == blankB;
    return a == b;
}

// The boxes that show one field, and what they hold.
struct FieldBox {
    QString field;
    QWidget* box;
};
std::vector<FieldBox> fieldBoxes(MainUi& u)
{
    std::vector<FieldBox> out{{"DateID", u.txtDateID},       {"TypeID", u.txtTypeID},
                              {"SensorNo", u.txtSensorNo},   {"Family", u.txtFamily},
                              {"LengthofCable", u.txtLengthofCable}, {"Level", u.txtLevel},
                              {"Location", u.txtLocation},   {"Borehole", u.txtBorehole},
                              {"InstallDate", u.txtInstallDate}, {"InstallBy", u.txtInstallBy},
                              {"Purpose", u.txtPurpose},     {"Notes", u.txtNotes},
                              {"Recess", u.txtRecess},       {"HeadLocation", u.Option1},
                              {"HeadLocation", u.Option2},   {"Plate", u.chkPlate},
                              {"Destroyed", u.cboDestroyed}, {"DestructionDate", u.txtDestructionDate}};
    for (int i = 1; i <= 6; ++i)
        out.push_back({"NodeLocation" + QString::number(i), u.txtNode[i]});
    return out;
}
QVariant boxState(QWidget* w)
{
    if (auto* e = qobject_cast<QLineEdit*>(w))
        return e->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->isChecked();
    if (auto* cb = qobject_cast<QComboBox*>(w))
        return cb->currentText();
    return {};
}
void setBoxState(QWidget* w, const QVariant& v)
{
    if (auto* e = qobject_cast<QLineEdit*>(w))
        e->setText(v.toString());
    else if (auto* b = qobject_cast<QAbstractButton*>(w))
        b->setChecked(v.toBool());
    else if (auto* cb = qobject_cast<QComboBox*>(w))
        cb->setEditText(v.toString());
}

// The write of the shown sensor found that someone else changed or deleted
// it since it was shown. The user hears who and when, sees the stored
// values of the fields they edited, and chooses: reload (the boxes show
// what is stored, the edits are dropped) or keep the edits in the boxes,
// unsaved, for a save that then writes them deliberately. The other boxes
// show what is stored either way, so that the second save writes only the
// user's own changes. A deleted sensor leaves the catalogue as after a
// deletion.
// True when the user had edited nothing: the stored sensor is shown and
// there is nothing to ask.
bool resolveConflict(MainContext& c, bool deleted, const std::vector<QVariant>& before)
{
    auto& u = c.ui;
    auto& rs = c.st.rsSensors;
    const int idAt = rs.fieldIndex("InstrumentID");
    const QString shownId = idAt >= 0 && idAt < static_cast<int>(before.size()) ? before[size_t(idAt)].toString()
                                                                                 : QString();
    std::vector<store::ConflictField> fields;
    QSet<QString> edited;
    for (int i = 0; i < rs.fieldCount() && i < static_cast<int>(before.size()); ++i) {
        if (rs.isEdited(i) && !sameValue(rs.value(i), before[size_t(i)])) {
            edited.insert(rs.fieldName(i));
            fields.push_back({fieldLabel(rs.fieldName(i)), rs.value(i), QVariant()});
        }
    }
    std::vector<std::pair<QWidget*, QVariant>> typed;
    for (const FieldBox& b : fieldBoxes(u))
        if (edited.contains(b.field))
            typed.emplace_back(b.box, boxState(b.box));
    rs.cancelUpdate();
    const bool stored = rs.reloadCurrent();
    QStringList ids{shownId};
    if (stored) {
        for (store::ConflictField& f : fields)
            for (int i = 0; i < rs.fieldCount(); ++i)
                if (fieldLabel(rs.fieldName(i)) == f.label)
                    f.theirs = rs.value(i);
        if (rs.text("InstrumentID") != shownId)
            ids << rs.text("InstrumentID");
    }
    // Who did it is told when the log can say; the choice is offered either way.
    std::optional<store::AuditRecord> who;
    attempt([&] { who = store::lastChangeOf(*c.st.conn, ids, {}, stored ? store::audit::Edit : store::audit::Delete); });
    const QString name = "Sensor " + shownId;
    if (!stored) {
        c.pr.message(store::conflictMessage(name, true, who, {}), MsgIcon::Warning, MsgButtons::Ok,
                     store::kConflictTitle);
        refillSensorList(c);
        return false;
    }
    if (fields.empty()) {
        // Only values written back as they were shown: nothing of the
        // user's is lost by showing what is stored now.
        fillfields(c);
        return true;
    }
    const bool reload = c.pr.message(store::conflictMessage(name, false, who, fields), MsgIcon::Question,
                                     MsgButtons::YesNo, store::kConflictTitle, MsgResult::Yes) == MsgResult::Yes;
    fillfields(c);
    if (reload)
        return false;
    for (const auto& [box, state] : typed)
        setBoxState(box, state);
    attempt([&] { CalcReltoRoof(c); });
    return false;
}

enum class Written { Yes, No, Conflict };

Written writeSensorRow(MainContext& c, const std::vector<QVariant>& before)
{
    auto& rs = c.st.rsSensors;
    try {
        // Only a change is written: a row shown and left as it was costs no
        // write (and a read-only database no "not saved").
        if (rowValues(rs) == before) {
            rs.cancelUpdate();
            return Written::Yes;
        }
        const store::ChangedValues changed = store::changedValues(rs, before);
        qint64 version = 0;
        try {
            version = rs.rowVersion();
        } catch (const store::DbError& e) {
            if (e.number() != store::err::RecordDeleted)
                throw;
            throw store::DbError(store::err::DeletedByOther,
                                 "The record was deleted by another user since it was read; nothing was saved.");
        }
        if (version != c.ui.txtSensor->property(kShownVersion).toLongLong())
            throw store::DbError(store::err::ChangedByOther,
                                 "The record was changed by another user since it was read; nothing was saved.");
        if (changed.isEmpty())
            rs.update();
        else
            store::updateWithAudit(*c.st.conn, rs,
                                   {rs.value("InstrumentID").toString(), QString(), store::audit::Edit,
                                    changed.oldValues, changed.newValues});
        c.ui.txtSensor->setProperty(kShownVersion, rs.rowVersion());
        return Written::Yes;
    } catch (...) {
        bool deleted = false;
        if (store::currentIsConflict(&deleted)) {
            logCurrentException(c.st.DataFolder, "G_savefields");
            return resolveConflict(c, deleted, before) ? Written::Yes : Written::Conflict;
        }
        int number = 0;
        QString why;
        describeCurrentException(number, why);
        logCurrentException(c.st.DataFolder, "G_savefields");
        QString id;
        attempt([&] { id = rs.value("InstrumentID").toString(); });
        attempt([&] { rs.cancelUpdate(); });
        c.pr.message("The changes to Sensor " + id + " were not saved.\n" + why, MsgIcon::Warning, MsgButtons::Ok,
                     kQuillonTitle);
        return Written::No;
    }
}

} // namespace

bool savefields(MainContext& c)
{
    auto& u = c.ui;
    auto& rs = c.st.rsSensors;
    try {
        if (rs.recordCount() == 0)
            return true;
        if (rs.bof() || rs.eof()) {
            c.pr.message("Either you are at the first record or the last record.", MsgIcon::Warning,
                         MsgButtons::Ok, "Cannot Save Fields");
            return true;
        }

        const std::vector<QVariant> before = rowValues(rs);

        // A box that cannot be converted keeps the stored value of its field
        // and is reported; it does not cost the user every other edit.
        std::vector<Refused> refused;
        auto setNumber = [&](const QString& field, const QString& text, const QString& picture,
                             const QString& label) {
            const QString t = text.trimmed();
            if (t.isEmpty()) {
                rs.setValue(field, QVariant());
                return;
            }
            try {
                rs.setValue(field, picture.isEmpty() ? t : Format(t, picture));
            } catch (const store::DbError& e) {
                if (e.number() != store::err::TypeMismatch)
                    throw;
                refused.push_back({label, text, false});
                logCurrentException(c.st.DataFolder, "G_savefields");
            }
        };

        rs.setValue("DateID", u.txtDateID->text().trimmed());
        rs.setValue("TypeID", u.txtTypeID->text().trimmed());
        rs.setValue("SensorNo", u.txtSensorNo->text().trimmed());
        rs.setValue("Family", u.txtFamily->text().trimmed());
        setNumber("LengthofCable", u.txtLengthofCable->text(), "##0.00", "Length of cable");
        rs.setValue("Level", u.txtLevel->text().trimmed());
        rs.setValue("Location", u.txtLocation->text().trimmed());
        rs.setValue("Borehole", u.txtBorehole->text().trimmed());
        {
            const QString d = u.txtInstallDate->text().trimmed();
            try {
                rs.setValue("InstallDate", d.isEmpty() ? QVariant() : QVariant(d));
            } catch (const store::DbError& e) {
                if (e.number() != store::err::TypeMismatch)
                    throw;
                refused.push_back({"Install date", d, true});
                logCurrentException(c.st.DataFolder, "G_savefields");
            }
        }
        rs.setValue("InstallBy", u.txtInstallBy->text().trimmed());
        rs.setValue("Purpose", u.txtPurpose->text().trimmed());
        rs.setValue("Notes", u.txtNotes->text().trimmed());
        setNumber("Recess", u.txtRecess->text(), QString(), "Recess");
        rs.setValue("HeadLocation", u.Option1->isChecked());
        rs.setValue("Plate", u.chkPlate->isChecked());
        for (int i = 1; i <= 6; ++i)
            setNumber("NodeLocation" + QString::number(i), u.txtNode[i]->text(), "##0.0#",
                      "Nodal point " + QString::number(i));
        // The display boxes follow the saved values; a box that cannot be
        // read leaves them partly empty but does not stop the save.
        attempt([&] { CalcReltoRoof(c); });
        // The field holds the two words only; whatever else the box may show
        // (nothing, for a sensor never marked) leaves the stored value alone.
        const QString destroyed = u.cboDestroyed->currentText();
        if (destroyed == "Yes" || destroyed == "No")
            rs.setValue("Destroyed", destroyed);
        if (!u.txtDestructionDate->text().isEmpty())
            rs.setValue("DestructionDate", u.txtDestructionDate->text());
        const Written w = writeSensorRow(c, before);
        if (w == Written::Conflict)
            return false;
        if (w == Written::No)
            return true;

        if (!refused.empty()) {
            QStringList lines;
            for (const Refused& r : refused)
                lines << "The " + r.label + " could not be saved: '" + r.text + "' is not a " +
                             (r.isDate ? "date." : "number.");
            c.pr.message(lines.join("\n"), MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        }
    } catch (...) {
        c.logError("G_savefields");
    }
    return true;
}

void refillSensorList(MainContext& c)
{
    auto& rs = c.st.rsSensors;
    QStringList ids;
    ids.reserve(rs.recordCount());
    c.ui.cboSensors->clear();
    if (rs.recordCount() > 0) {
        rs.moveFirst();
        while (!rs.eof()) {
            ids << rs.text("InstrumentID");
            rs.moveNext();
        }
        c.ui.cboSensors->addItems(ids);
        rs.moveFirst();
    }
    c.ui.txtSCount->setText(QString::number(rs.recordCount()));
    fillfields(c);
    if (rs.recordCount() > 0)
        c.ui.cboSensors->setEditText(rs.text("InstrumentID"));
}

} // namespace rv::sensors
