#include "readings/ui_readings.h"
#include "ui/ui_clickable_label.h"
#include "common/log.h"
#include "readings/frmBatchDel.h"
#include "readings/reading_rules.h"
#include "store/audit.h"
#include "store/cell.h"
#include "store/conflict.h"
#include "store/query.h"
#include "store/sqltext.h"

#include <QApplication>
#include <QCheckBox>
#include <QDateEdit>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStringList>
#include <QTabWidget>
#include <QTimeEdit>
#include <QToolButton>

namespace rv::readings {

namespace {

const QTime kNoon(12, 0, 0);

// Puts stored values into the pickers without their change events: a key
// built half-way (the date of one reading, the time of another) must never
// be applied to the shown reading.
class PickersQuiet {
public:
    explicit PickersQuiet(MainUi& u)
        : m_date(u.dtpRdate), m_time(u.dtpRtime), m_oldDate(m_date->blockSignals(true)),
          m_oldTime(m_time->blockSignals(true))
    {
    }
    ~PickersQuiet()
    {
        m_date->blockSignals(m_oldDate);
        m_time->blockSignals(m_oldTime);
    }

private:
    QDateEdit* m_date;
    QTimeEdit* m_time;
    bool m_oldDate;
    bool m_oldTime;
};

// The key of the stored reading the pickers were last filled from; empty
// when they show none. A picker's "change" is a change only against it: the
// record set may meanwhile stand on another row (a window that took it over
// reopens it on its first row), and the focus leaving a picker for that
// window must not be taken for a new date of that other row.
const char* const kShownKey = "shownReadingKey";
// The bookmark of that reading (0 when none is shown): the boxes are saved
// only into the row they were filled from. A set moved behind the page's
// back (another window, a deletion) stands on another reading, and the
// boxes of one reading must never be written over another.
const char* const kShownRow = "shownReadingRow";
// And the version of that row on a server (0 on a file): a save finds out
// whether someone else changed the reading since the boxes were filled,
// also when the set has read the row again meanwhile.
const char* const kShownVersion = "shownReadingVersion";

QString shownKey(const MainUi& u)
{
    return u.dtpRdate->property(kShownKey).toString();
}

void clearReading(MainUi& u)
{
    PickersQuiet quiet(u);
    u.dtpRdate->setProperty(kShownKey, QString());
    u.dtpRdate->setProperty(kShownRow, qint64(0));
    u.dtpRdate->setProperty(kShownVersion, qint64(0));
    u.txtReadingID->clear();
    u.dtpRdate->setDate(QDate::currentDate());
    u.dtpRtime->setTime(kNoon);
    u.txtChannelT->clear();
    for (int i = 1; i <= 5; ++i)
        u.txtChannel[i]->clear();
    // No reading, so nothing to plot: the last reading's flags must not stay.
    u.chkTemporal->setChecked(false);
    u.chkSpatial->setChecked(false);
}

bool hasCurrent(const store::Recordset& rs)
{
    return rs.state() && rs.recordCount() > 0 && rs.absolutePosition() > 0;
}

// The stored date and time of the current reading; a row written without
// them (by another tool) falls back on its FullDate.
QDate storedDate(const store::Recordset& rs)
{
    const QVariant d = rs.value("ReadingDate");
    if (d.isValid() && d.toDate().isValid())
        return d.toDate();
    return rs.value("FullDate").toDateTime().date();
}

QTime storedTime(const store::Recordset& rs)
{
    const QVariant t = rs.value("ReadingTime");
    if (t.isValid() && t.toTime().isValid())
        return t.toTime();
    return rs.value("FullDate").toDateTime().time();
}

void putStoredPickers(MainContext& c)
{
    PickersQuiet quiet(c.ui);
    const auto& rs = c.st.rsReadings;
    const QDate d = storedDate(rs);
    const QTime t = storedTime(rs);
    if (d.isValid())
        c.ui.dtpRdate->setDate(d);
    if (t.isValid())
        c.ui.dtpRtime->setTime(t);
    c.ui.dtpRdate->setProperty(kShownKey, rs.text("DateTimeKey"));
    c.ui.dtpRdate->setProperty(kShownRow, rs.bookmark());
    c.ui.dtpRdate->setProperty(kShownVersion, rs.rowVersion());
}

// Throws the store's conflict error when the shown reading is no longer the
// version the boxes were filled from.
void requireShownVersion(MainContext& c)
{
    qint64 now = 0;
    try {
        now = c.st.rsReadings.rowVersion();
    } catch (const store::DbError& e) {
        if (e.number() != store::err::RecordDeleted)
            throw;
        throw store::DbError(store::err::DeletedByOther,
                             QStringLiteral("The record was deleted by another user since it was read; nothing was saved."));
    }
    if (now != c.ui.dtpRdate->property(kShownVersion).toLongLong())
        throw store::DbError(store::err::ChangedByOther,
                             QStringLiteral("The record was changed by another user since it was read; nothing was saved."));
}

bool showsCurrentRow(const MainContext& c)
{
    return c.ui.dtpRdate->property(kShownRow).toLongLong() == c.st.rsReadings.bookmark();
}

// The sensor a reading belongs to is the one whose table holds it.
QString readingSensor(const MainContext& c)
{
    return c.st.rsReadings.tableName();
}

// Text the user typed into a picker that has not been taken yet.
void takeTypedPickers(MainUi& u)
{
    u.dtpRdate->interpretText();
    u.dtpRtime->interpretText();
}

QString explain()
{
    int number = 0;
    QString description;
    describeCurrentException(number, description);
    return description;
}

// The boxes of the shown reading that only SaveReadings writes.
struct TypedBoxes {
    QString channel[6];
    QString temperature;
    bool temporal = true;
    bool spatial = false;

    static TypedBoxes read(const MainUi& u)
    {
        TypedBoxes b;
        for (int i = 1; i <= 5; ++i)
            b.channel[i] = u.txtChannel[i]->text();
        b.temperature = u.txtChannelT->text();
        b.temporal = u.chkTemporal->isChecked();
        b.spatial = u.chkSpatial->isChecked();
        return b;
    }
    void restore(MainUi& u) const
    {
        for (int i = 1; i <= 5; ++i)
            u.txtChannel[i]->setText(channel[i]);
        u.txtChannelT->setText(temperature);
        u.chkTemporal->setChecked(temporal);
        u.chkSpatial->setChecked(spatial);
    }
};

void afterMove(MainContext& c)
{
    fillreadings(c);
    showPosition(c);
}

void showAfterDelete(MainContext& c);

// The reading's fields as the page names them; the key and the full date
// are made from the date and time, and are not shown on their own.
QString fieldLabel(const QString& field)
{
    if (field == QLatin1String("ChannelT"))
        return QStringLiteral("Temperature");
    if (field.startsWith(QLatin1String("Channel")))
        return QStringLiteral("Channel ") + field.mid(7);
    if (field == QLatin1String("ReadingDate"))
        return QStringLiteral("Date");
    if (field == QLatin1String("ReadingTime"))
        return QStringLiteral("Time");
    if (field == QLatin1String("Plottemporal"))
        return QStringLiteral("Plot temporal");
    if (field == QLatin1String("PlotSpatial"))
        return QStringLiteral("Plot spatial");
    if (field == QLatin1String("DateTimeKey") || field == QLatin1String("FullDate"))
        return QString();
    return field;
}

bool sameValue(const QVariant& a, const QVariant& b)
{
    const bool blankA = a.isNull() || (a.metaType().id() == QMetaType::QString && a.toString().isEmpty());
    const bool blankB = b.isNull() || (b.metaType().id() == QMetaType::QString && b.toString().isEmpty());
    if (blankA || blankB)
        return blankA == blankB;
    return a == b;
}

enum class Refused { Save, Delete };

// A write of the shown reading found that someone else changed or deleted
// it since it was shown. The set still holds the user's edits (`before`:
// the values the edit started from). The user hears who did it and when,
// sees the stored values, and chooses: reload (the stored values are shown,
// the edits dropped) or keep the edits in the boxes, unsaved, for a save
// that then writes them deliberately over the stored row. A deleted
// reading leaves the page as after a deletion. A refused deletion shows the
// stored values and deletes nothing.
// True when the user had edited nothing: the stored reading is shown and
// there is nothing to ask.
bool resolveConflict(MainContext& c, bool deleted, const store::RowValues& before, Refused what)
{
    auto& u = c.ui;
    auto& rs = c.st.rsReadings;
    const QString sensor = readingSensor(c);
    const QString shown = shownKey(u).isEmpty() ? rs.text("DateTimeKey") : shownKey(u);
    // The user's values of the fields the edit set.
    store::RowValues mine(before.size());
    std::vector<char> edited(before.size(), 0);
    for (int i = 0; i < rs.fieldCount() && i < static_cast<int>(before.size()); ++i) {
        if (rs.isEdited(i)) {
            mine[size_t(i)] = rs.value(i);
            edited[size_t(i)] = !sameValue(mine[size_t(i)], before[size_t(i)]);
        }
    }
    const TypedBoxes typed = TypedBoxes::read(u);
    const QDate typedDate = u.dtpRdate->date();
    const QTime typedTime = u.dtpRtime->time();
    rs.cancelUpdate();
    const bool stored = rs.reloadCurrent();
    std::vector<store::ConflictField> fields;
    if (stored) {
        for (int i = 0; i < rs.fieldCount() && i < static_cast<int>(before.size()); ++i) {
            const QString label = fieldLabel(rs.fieldName(i));
            const QVariant theirs = rs.value(i);
            const auto k = static_cast<size_t>(i);
            // A save lists the fields the user edited; a deletion the fields
            // the other user changed.
            const bool listed = what == Refused::Save ? edited[k] != 0 : !sameValue(theirs, before[k]);
            if (!label.isEmpty() && listed)
                fields.push_back({label, what == Refused::Save ? mine[k] : before[k], theirs});
        }
    }
    QStringList keys{shown};
    if (stored && rs.text("DateTimeKey") != shown)
        keys << rs.text("DateTimeKey");
    if (!stored)
        keys << QString();  // all the sensor's readings deleted at once
    // Who did it is told when the log can say; the choice is offered either way.
    std::optional<store::AuditRecord> who;
    attempt([&] {
        who = store::lastChangeOf(*c.st.conn, {sensor}, keys, stored ? store::audit::Edit : store::audit::Delete);
    });
    const QString name = "Reading " + shown;
    if (!stored) {
        c.pr.message(store::conflictMessage(name, true, who, {}), MsgIcon::Warning, MsgButtons::Ok,
                     store::kConflictTitle);
        showAfterDelete(c);
        return false;
    }
    if (what == Refused::Delete) {
        c.pr.message(store::conflictDeleteMessage(name, who, fields), MsgIcon::Warning, MsgButtons::Ok,
                     store::kConflictTitle);
        afterMove(c);
        return false;
    }
    if (fields.empty()) {
        // Only values written back as they were shown: nothing of the
        // user's is lost by showing what is stored now.
        afterMove(c);
        return true;
    }
    const bool reload = c.pr.message(store::conflictMessage(name, false, who, fields), MsgIcon::Question,
                                     MsgButtons::YesNo, store::kConflictTitle, MsgResult::Yes) == MsgResult::Yes;
    afterMove(c);
    if (reload)
        return false;
    // Kept: the boxes the user changed get the user's text back; the others
    // show what is now stored, so that a second save writes only the user's
    // changes over the other user's.
    auto changedBox = [&](const char* field) {
        const int i = rs.fieldIndex(QString::fromLatin1(field));
        return i < 0 || i >= static_cast<int>(before.size()) ? QString() : store::detail::displayText(before[size_t(i)]);
    };
    for (int i = 1; i <= 5; ++i) {
        const QByteArray f = "Channel" + QByteArray::number(i);
        if (typed.channel[i] != changedBox(f.constData()))
            u.txtChannel[i]->setText(typed.channel[i]);
    }
    if (typed.temperature != changedBox("ChannelT"))
        u.txtChannelT->setText(typed.temperature);
    auto flag = [&](const char* field) {
        const int i = rs.fieldIndex(QString::fromLatin1(field));
        const QVariant v = i < 0 || i >= static_cast<int>(before.size()) ? QVariant() : before[size_t(i)];
        return v.isNull() || v.toBool();
    };
    if (typed.temporal != flag("Plottemporal"))
        u.chkTemporal->setChecked(typed.temporal);
    if (typed.spatial != flag("PlotSpatial"))
        u.chkSpatial->setChecked(typed.spatial);
    const int dateAt = rs.fieldIndex(QStringLiteral("ReadingDate"));
    const int timeAt = rs.fieldIndex(QStringLiteral("ReadingTime"));
    const bool dateTyped = dateAt >= 0 && typedDate != before[size_t(dateAt)].toDate();
    const bool timeTyped = timeAt >= 0 && typedTime != before[size_t(timeAt)].toTime();
    if (dateTyped || timeTyped) {
        // The pickers keep the user's date and time; the next save takes
        // them as a change of the stored reading.
        PickersQuiet quiet(u);
        if (dateTyped)
            u.dtpRdate->setDate(typedDate);
        if (timeTyped)
            u.dtpRtime->setTime(typedTime);
    }
    return false;
}

// The key filter of the channel boxes, and the checks of the pickers.
class PageEvents : public QObject {
public:
    PageEvents(MainContext& c, QObject* parent) : QObject(parent), m_c(c) {}

    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == QEvent::KeyPress) {
            auto* k = static_cast<QKeyEvent*>(e);
            // Shortcuts (copy, paste, select all) are not typed characters.
            if (k->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))
                return false;
            const QString t = k->text();
            if (t.isEmpty())
                return false;
            return numberBoxKey(t.at(0).unicode()) == KeyAction::Refuse;
        }
        return false;
    }

    void pickerChanged(bool date)
    {
        if (m_busy)
            return;
        m_busy = true;
        if (date)
            futureDateCheck(m_c);
        CheckDateTime(m_c);
        m_busy = false;
    }
    void pickerLeft(bool date) { pickerChanged(date); }

private:
    MainContext& m_c;
    bool m_busy = false;
};

} // namespace

void showPosition(MainContext& c)
{
    auto& rs = c.st.rsReadings;
    if (!rs.state() || rs.recordCount() == 0) {
        c.ui.txtRcount->setText(positionText(0, 0));
        return;
    }
    c.ui.txtRcount->setText(positionText(rs.absolutePosition(), rs.recordCount()));
}

void futureDateCheck(MainContext& c)
{
    if (isFutureDate(c.ui.dtpRdate->date(), QDate::currentDate())) {
        c.ui.lblError->setText(kFutureDateWarning);
        c.ui.lblError->show();
    } else {
        c.ui.lblError->hide();
    }
}

void fillreadings(MainContext& c)
{
    auto& u = c.ui;
    auto& rs = c.st.rsReadings;
    try {
        if (rs.state() && rs.recordCount() > 0) {
            if (rs.bof() || rs.eof()) {
                clearReading(u);
                c.pr.message("No readings found", MsgIcon::Warning, MsgButtons::Ok, "Cannot Move");
                return;
            }
            u.lblError->hide();
            u.txtReadingID->setText(rs.text("DateTimeKey"));
            putStoredPickers(c);
            u.txtChannelT->setText(rs.text("ChannelT"));
            for (int i = 1; i <= 5; ++i)
                u.txtChannel[i]->setText(rs.text("Channel" + QString::number(i)));
            const QVariant temporal = rs.value("Plottemporal");
            u.chkTemporal->setChecked(temporal.isNull() || temporal.toBool());
            const QVariant spatial = rs.value("PlotSpatial");
            u.chkSpatial->setChecked(spatial.isNull() || spatial.toBool());
            showPosition(c);
            futureDateCheck(c);
        } else {
            clearReading(u);
            u.lblError->setText(kEmptyTableNotice);
            u.lblError->show();
        }
    } catch (...) {
        c.logError("Module1_fillreadings");
    }
}

bool saveShownReading(MainContext& c)
{
    auto& u = c.ui;
    auto& rs = c.st.rsReadings;
    QString key;
    try {
        if (!hasCurrent(rs) || !showsCurrentRow(c))
            return true;
        // A date or time typed but not yet taken is checked like any other
        // change of the pickers before it is written.
        takeTypedPickers(u);
        const QDate d = u.dtpRdate->date();
        const QTime t = u.dtpRtime->time();
        key = readingKey(readingSensor(c), d, t);
        if (key != rs.text("DateTimeKey")) {
            CheckDateTime(c);
            if (!hasCurrent(rs))
                return true;
            key = readingKey(readingSensor(c), u.dtpRdate->date(), u.dtpRtime->time());
        }
        const QDate day = u.dtpRdate->date();
        const QTime time = u.dtpRtime->time();
        const store::RowValues before = store::currentValues(rs);

        // A box that is not a number keeps its stored value and is reported;
        // it does not cost the user the other boxes and the flags.
        QStringList refused;
        auto put = [&](const QString& field, const std::optional<QVariant>& v, const QString& label,
                       const QString& typed) {
            if (!v) {
                refused << "The " + label + " could not be saved: '" + typed + "' is not a number.";
                writeLog(c.st.DataFolder, errorText(store::err::TypeMismatch, "Type mismatch", "G_SaveReadings"));
                return;
            }
            rs.setValue(field, *v);
        };
        rs.setValue("DateTimeKey", key);
        rs.setValue("FullDate", QDateTime(day, time));
        rs.setValue("ReadingDate", day);
        rs.setValue("ReadingTime", time);
        put("ChannelT", temperatureValue(u.txtChannelT->text()), "Temperature", u.txtChannelT->text());
        for (int i = 1; i <= 5; ++i) {
            const QString typed = u.txtChannel[i]->text();
            put("Channel" + QString::number(i), channelValue(typed), "Channel " + QString::number(i), typed);
        }
        rs.setValue("Plottemporal", u.chkTemporal->isChecked());
        rs.setValue("PlotSpatial", u.chkSpatial->isChecked());
        const store::ChangedValues changed = store::changedValues(rs, before);
        try {
            requireShownVersion(c);
            if (changed.isEmpty())
                rs.update();
            else
                store::updateWithAudit(*c.st.conn, rs,
                                       {readingSensor(c), key, store::audit::Edit, changed.oldValues,
                                        changed.newValues});
            u.dtpRdate->setProperty(kShownVersion, rs.rowVersion());
        } catch (...) {
            bool deleted = false;
            if (store::currentIsConflict(&deleted)) {
                writeLog(c.st.DataFolder, errorText(deleted ? store::err::DeletedByOther : store::err::ChangedByOther,
                                                    explain(), "G_SaveReadings"));
                return resolveConflict(c, deleted, before, Refused::Save);
            }
            // Edits that cannot be written must not be retried by the next move.
            attempt([&] { rs.cancelUpdate(); });
            throw;
        }
        if (!refused.isEmpty())
            c.pr.message("Reading " + key + ":\n" + refused.join("\n"), MsgIcon::Warning, MsgButtons::Ok,
                         kQuillonTitle);
        return true;
    } catch (...) {
        const QString why = explain();
        c.logError("G_SaveReadings");
        c.pr.message("The changes to reading " + (key.isEmpty() ? u.txtReadingID->text() : key)
                         + " could not be saved.\n" + why,
                     MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        return false;
    }
}

void SaveReadings(MainContext& c)
{
    saveShownReading(c);
}

namespace {

enum class Move { First, Previous, Next, Last };

void navigate(MainContext& c, Move m, const char* logName)
{
    auto& rs = c.st.rsReadings;
    try {
        if (!rs.state() || rs.recordCount() == 0)
            return;
        if (!saveShownReading(c))
            return;
        const int pos = rs.absolutePosition();
        const int count = rs.recordCount();
        switch (m) {
        case Move::First:
            if (pos == 1) {
                c.pr.message("Start of readings", MsgIcon::None, MsgButtons::Ok, kAppTitle);
                return;
            }
            rs.moveFirst();
            break;
        case Move::Previous:
            if (pos == 1 || rs.bof()) {
                c.pr.message("Start of readings", MsgIcon::None, MsgButtons::Ok, kAppTitle);
                return;
            }
            rs.movePrevious();
            break;
        case Move::Next:
            if (pos == count || rs.eof()) {
                c.pr.message("End of readings", MsgIcon::None, MsgButtons::Ok, kAppTitle);
                return;
            }
            rs.moveNext();
            break;
        case Move::Last:
            if (pos == count) {
                c.pr.message("End of readings", MsgIcon::None, MsgButtons::Ok, kAppTitle);
                return;
            }
            rs.moveLast();
            break;
        }
        afterMove(c);
    } catch (...) {
        c.logError(QString::fromLatin1(logName));
    }
}

} // namespace

void imgFirstClick(MainContext& c) { navigate(c, Move::First, "imgFirst_Click"); }
void imgPrevDataClick(MainContext& c) { navigate(c, Move::Previous, "imgPrevData_Click"); }
void imgNextDataClick(MainContext& c) { navigate(c, Move::Next, "imgNextData_Click"); }
void imgLastClick(MainContext& c) { navigate(c, Move::Last, "imgLast_Click"); }

bool G_DupID(MainContext& c, const QString& key, qint64 excluded)
{
    auto& rs = c.st.rsReadings;
    try {
        if (rs.recordCount() == 0)
            return false;
        rs.moveFirst();
        rs.find("DateTimeKey = " + store::quoted(key));
        if (rs.eof())
            return false;
        return rs.absolutePosition() != excluded;
    } catch (...) {
        c.logError("G_DupID");
        return false;
    }
}

void CheckDateTime(MainContext& c)
{
    auto& u = c.ui;
    auto& rs = c.st.rsReadings;
    if (!rs.state())
        return;
    try {
        if (!hasCurrent(rs))
            return;
        // Wide enough for any table: a sensor read hourly passes 32,767
        // readings in under four years.
        const qint64 remembered = rs.absolutePosition();
        const QDate d = u.dtpRdate->date();
        const QString t = u.dtpRtime->time().toString("HH:mm:ss");
        const QString key = readingKey(readingSensor(c), d, u.dtpRtime->time());
        const QString shown = shownKey(u);
        // Unchanged, or already taken (leaving a picker reports the change
        // it made once more).
        if (key == shown || key == rs.text("DateTimeKey"))
            return;
        // The record set is not on the reading the pickers show.
        if (shown.isEmpty() || rs.text("DateTimeKey") != shown)
            return;
        if (G_DupID(c, key, remembered)) {
            c.pr.message("There is already a reading on " + d.toString("yyyy/MM/dd") + " at " + t, MsgIcon::None,
                         MsgButtons::Ok, "Duplicate Reading");
            rs.setAbsolutePosition(static_cast<int>(remembered));
            putStoredPickers(c);
            futureDateCheck(c);
            u.dtpRdate->setFocus();
            return;
        }
        rs.setAbsolutePosition(static_cast<int>(remembered));
        const store::RowValues before = store::currentValues(rs);
        rs.setValue("DateTimeKey", key);
        rs.setValue("FullDate", QDateTime(d, u.dtpRtime->time()));
        rs.setValue("ReadingDate", d);
        rs.setValue("ReadingTime", u.dtpRtime->time());
        const store::ChangedValues changed = store::changedValues(rs, before);
        try {
            requireShownVersion(c);
            store::updateWithAudit(*c.st.conn, rs,
                                   {readingSensor(c), key, store::audit::Edit, changed.oldValues, changed.newValues});
        } catch (...) {
            bool deleted = false;
            if (!store::currentIsConflict(&deleted))
                throw;
            writeLog(c.st.DataFolder, errorText(deleted ? store::err::DeletedByOther : store::err::ChangedByOther,
                                                explain(), "CheckDateTime"));
            resolveConflict(c, deleted, before, Refused::Save);
            return;
        }
        // The re-keyed reading stays the shown one, at its new place in
        // date order. What the user typed into its other boxes is not saved
        // yet and must survive the new display.
        const TypedBoxes typed = TypedBoxes::read(u);
        rs.reorderCurrent();
        afterMove(c);
        typed.restore(u);
    } catch (...) {
        // The pickers must not show a date and time the table does not hold.
        const QString why = explain();
        c.logError("CheckDateTime");
        attempt([&] {
            if (hasCurrent(rs))
                putStoredPickers(c);
        });
        c.pr.message("The date and time of the reading could not be changed.\n" + why, MsgIcon::Warning,
                     MsgButtons::Ok, kQuillonTitle);
    }
}

void imgAddReadingClick(MainContext& c)
{
    auto& u = c.ui;
    auto& rs = c.st.rsReadings;
    try {
        if (!rs.state())
            return;
        if (rs.recordCount() > 0 && !saveShownReading(c))
            return;
        const qint64 shown = hasCurrent(rs) ? rs.bookmark() : 0;
        QDateTime now = QDateTime::currentDateTime();
        now.setTime(QTime(now.time().hour(), now.time().minute(), now.time().second()));
        const QString key = readingKey(readingSensor(c), now.date(), now.time());
        if (G_DupID(c, key, 0)) {
            c.pr.message("There is already a reading with that date and time", MsgIcon::None, MsgButtons::Ok,
                         "Duplicate Reading");
            if (shown != 0)
                rs.setBookmark(shown);
            u.dtpRdate->setFocus();
            return;
        }
        rs.addNew();
        rs.setValue("DateTimeKey", key);
        rs.setValue("FullDate", now);
        rs.setValue("ReadingDate", now.date());
        rs.setValue("ReadingTime", now.time());
        rs.setValue("IsDirty", true);
        rs.setValue("Plottemporal", true);
        rs.setValue("PlotSpatial", false);
        store::updateWithAudit(*c.st.conn, rs,
                               {readingSensor(c), key, store::audit::Add, QString(),
                                store::rowText(rs, {QStringLiteral("DateTimeKey")})});
        // The new row takes its place in date order without reading the
        // whole table again.
        rs.reorderCurrent();
        rs.moveLast();
        showPosition(c);
        fillreadings(c);
    } catch (...) {
        const QString why = explain();
        c.logError("imgAddReading_Click");
        c.pr.message("The reading could not be added.\n" + why, MsgIcon::Warning, MsgButtons::Ok, kQuillonTitle);
        attempt([&] { fillreadings(c); });
    }
}

namespace {

// After a deletion: the latest remaining reading, or the empty-table notice.
void showAfterDelete(MainContext& c)
{
    auto& rs = c.st.rsReadings;
    if (rs.recordCount() > 0) {
        rs.moveLast();
        fillreadings(c);
        showPosition(c);
        c.st.SavedReadingBookmark = rs.bookmark();
    } else {
        fillreadings(c);
        c.ui.txtRcount->setText(positionText(0, 0));
        c.st.SavedReadingBookmark = 0;
    }
}

} // namespace

void imgDeleteReadingClick(MainContext& c)
{
    auto& rs = c.st.rsReadings;
    QDate start;
    QDate end;
    {
        QDate shownDay;
        attempt([&] {
            if (hasCurrent(rs))
                shownDay = storedDate(rs);
        });
        FrmBatchDel dlg(c.st.BatchChoice, c.ui.SSTab1->window(), shownDay);
        dlg.exec();
        start = dlg.batchStart();
        end = dlg.batchEnd();
    }
    const auto choice = c.st.BatchChoice;
    try {
        if (choice[FrmBatchDel::SingleDelete]) {
            if (!hasCurrent(rs)) {
                // Nothing is shown, so nothing is deleted; the log keeps the refusal.
                writeLog(c.st.DataFolder,
                         errorText(store::err::NoCurrentRecord,
                                   "Either BOF or EOF is True, or the current record has been deleted. "
                                   "Requested operation requires a current record.",
                                   "imgDeleteReading_Click"));
                return;
            }
            const store::RowValues before = store::currentValues(rs);
            try {
                if (showsCurrentRow(c))
                    requireShownVersion(c);
                store::deleteWithAudit(*c.st.conn, rs,
                                       {readingSensor(c), rs.text("DateTimeKey"), store::audit::Delete,
                                        store::rowText(rs, {QStringLiteral("DateTimeKey")}), QString()});
            } catch (...) {
                bool deleted = false;
                if (!store::currentIsConflict(&deleted))
                    throw;
                writeLog(c.st.DataFolder, errorText(deleted ? store::err::DeletedByOther : store::err::ChangedByOther,
                                                    explain(), "imgDeleteReading_Click"));
                resolveConflict(c, deleted, before, Refused::Delete);
                return;
            }
            rs.requery();
            showAfterDelete(c);
        }
        if (choice[FrmBatchDel::BatchDelete]) {
            int count = 0;
            {
                // All or nothing: a failure part-way deletes no reading.
                store::Connection::Transaction tx(*c.st.conn);
                if (rs.recordCount() > 0) {
                    rs.moveFirst();
                    const int n = rs.recordCount();
                    for (int k = 0; k < n; ++k) {
                        const QVariant day = rs.value("ReadingDate");
                        const QDate d = day.isNull() ? QDate() : storedDate(rs);
                        if (inBatchRange(d, start, end)) {
                            store::writeAudit(*c.st.conn,
                                              {readingSensor(c), rs.text("DateTimeKey"), store::audit::Delete,
                                               store::rowText(rs, {QStringLiteral("DateTimeKey")}), QString()});
                            rs.deleteCurrent();
                            ++count;
                        }
                        rs.moveNext();
                    }
                }
                tx.commit();
            }
            rs.requery();
            showAfterDelete(c);
            c.pr.message(batchDeletedMessage(count, start, end), MsgIcon::None, MsgButtons::Ok, kAppTitle);
        }
        if (choice[FrmBatchDel::DeleteAll]) {
            // One row for the whole table: how many readings went.
            const QString table = store::tableName(readingSensor(c));
            store::Connection::Transaction tx(*c.st.conn);
            const qint64 gone = store::countRows(*c.st.conn, "SELECT * FROM " + table);
            if (gone > 0)
                store::writeAudit(*c.st.conn, {readingSensor(c), QString(), store::audit::Delete,
                                               store::AuditPairs().add(QStringLiteral("Readings"), gone).text(),
                                               QString()});
            c.st.conn->execute("DELETE * FROM " + table);
            tx.commit();
            rs.requery();
            fillreadings(c);
            c.ui.txtRcount->setText(positionText(rs.recordCount(), rs.recordCount()));
            c.st.SavedReadingBookmark = 0;
        }
    } catch (...) {
        const QString why = explain();
        c.logError("imgDeleteReading_Click");
        // What the table now holds, whatever the failure left.
        attempt([&] {
            rs.requery();
            showAfterDelete(c);
        });
        c.pr.message("The readings could not be deleted.\n" + why, MsgIcon::Warning, MsgButtons::Ok,
                     kQuillonTitle);
    }
}

void wireReadingsPage(MainContext& c, QObject* owner)
{
    auto& u = c.ui;
    auto on = [&](QToolButton* b, ClickableLabel* l, void (*proc)(MainContext&)) {
        QObject::connect(b, &QToolButton::clicked, owner, [&c, proc] { proc(c); });
        QObject::connect(l, &ClickableLabel::clicked, owner, [&c, proc] { proc(c); });
    };
    on(u.imgFirst, u.Label61, imgFirstClick);
    on(u.imgPrevData, u.Label62, imgPrevDataClick);
    on(u.imgNextData, u.Label60, imgNextDataClick);
    on(u.imgLast, u.Label64, imgLastClick);
    on(u.imgAddReading, u.Label63, imgAddReadingClick);
    on(u.imgDeleteReading, u.Label65, imgDeleteReadingClick);

    auto* events = new PageEvents(c, owner);
    for (int i = 1; i <= 5; ++i)
        u.txtChannel[i]->installEventFilter(events);
    u.txtChannelT->installEventFilter(events);

    // A typed date is taken when the user leaves or confirms it, not at every
    // digit: a half-typed year is not a change of the reading.
    u.dtpRdate->setKeyboardTracking(false);
    u.dtpRtime->setKeyboardTracking(false);
    QObject::connect(u.dtpRdate, &QDateEdit::dateChanged, owner, [events] { events->pickerChanged(true); });
    QObject::connect(u.dtpRtime, &QTimeEdit::timeChanged, owner, [events] { events->pickerChanged(false); });
    QObject::connect(u.dtpRdate, &QDateEdit::editingFinished, owner, [events] { events->pickerLeft(true); });
    QObject::connect(u.dtpRtime, &QTimeEdit::editingFinished, owner, [events] { events->pickerLeft(false); });
}

} // namespace rv::readings
