#include "store/audit.h"

#include "common/numbers.h"
#include "store/cell.h"
#include "store/conflict.h"
#include "store/recordset.h"
#include "store/statement.h"
#include "store/tableinfo.h"

#include <QSysInfo>
#include <limits>
#include <pwd.h>
#include <unistd.h>

namespace rv::store {

using namespace detail;

namespace {

bool hasLog(const Connection& conn)
{
    return conn.state() && conn.backend().storedTableName(kAuditTable).has_value();
}

bool blank(const QVariant& v)
{
    return !v.isValid() || v.isNull() || (v.metaType().id() == QMetaType::QString && v.toString().isEmpty());
}

QString loginName()
{
    // The account the program runs under, whatever the environment says;
    // the environment only when the system has no entry for it.
    const long size = sysconf(_SC_GETPW_R_SIZE_MAX);
    std::vector<char> buf(static_cast<size_t>(size > 0 ? size : 16384));
    passwd pw{};
    passwd* found = nullptr;
    if (getpwuid_r(geteuid(), &pw, buf.data(), buf.size(), &found) == 0 && found && found->pw_name)
        return QString::fromLocal8Bit(found->pw_name);
    for (const char* var : {"USER", "LOGNAME"}) {
        const QString v = qEnvironmentVariable(var);
        if (!v.isEmpty())
            return v;
    }
    return QStringLiteral("uid %1").arg(geteuid());
}

constexpr const char* kColumns =
    "\"AuditID\", \"ChangedAt\", \"ChangedBy\", \"Machine\", \"InstrumentID\", \"ReadingKey\", \"Action\", "
    "\"OldValues\", \"NewValues\"";

const QByteArray kInsertSql("INSERT INTO \"AuditLog\" (\"ChangedAt\", \"ChangedBy\", \"Machine\", "
                            "\"InstrumentID\", \"ReadingKey\", \"Action\", \"OldValues\", \"NewValues\") "
                            "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8)");

// A value as it stands in a pair: quoted (its quotes doubled) when it holds
// ";", a quote, a line break or surrounding blanks.
QString pairValue(QString value)
{
    const bool quote = value.contains(u';') || value.contains(u'"') || value.contains(u'\n') ||
                       value.contains(u'\r') || (!value.isEmpty() && (value.front().isSpace() || value.back().isSpace()));
    if (quote)
        value = u'"' + value.replace(u'"', QStringLiteral("\"\"")) + u'"';
    return value;
}

} // namespace

QString auditUser(const Connection& conn)
{
    // On a server the name that counts is the role the server knows the
    // user by, whoever is logged in on the machine.
    if (conn.isServer()) {
        auto st = conn.backend().prepare("SELECT current_user", false);
        if (st->step())
            return st->qtext(0);
    }
    static const QString name = loginName();
    return name;
}

QString auditMachine()
{
    static const QString name = QSysInfo::machineHostName();
    return name;
}

AuditWriter::AuditWriter(Connection& conn) : m_conn(conn), m_hasLog(store::hasLog(conn))
{
    if (m_hasLog)
        m_user = auditUser(conn);
    // To the second, as every date and time the program stores.
    m_now = QDateTime::currentDateTime();
    m_now.setTime(QTime(m_now.time().hour(), m_now.time().minute(), m_now.time().second()));
    m_at = isoDateTime(m_now.date(), m_now.time());
    m_userUtf8 = m_user.toUtf8();
    m_machine = auditMachine().toUtf8();
}

void AuditWriter::writeUtf8(QByteArrayView instrumentId, QByteArrayView readingKey, QByteArrayView action,
                            QByteArrayView oldValues, QByteArrayView newValues)
{
    if (!m_hasLog)
        return;
    // Every text outlives the step, and the use clears the bindings after it.
    StatementUse use(m_conn.prepared(kInsertSql));
    Stmt& st = *use.get();
    st.bindTextInPlace(1, m_at.constData(), m_at.size());
    st.bindTextInPlace(2, m_userUtf8.constData(), m_userUtf8.size());
    st.bindTextInPlace(3, m_machine.constData(), m_machine.size());
    st.bindTextInPlace(4, instrumentId.data(), instrumentId.size());
    st.bindTextInPlace(5, readingKey.data(), readingKey.size());
    st.bindTextInPlace(6, action.data(), action.size());
    st.bindTextInPlace(7, oldValues.data(), oldValues.size());
    st.bindTextInPlace(8, newValues.data(), newValues.size());
    use.step();
}

void AuditWriter::write(const AuditEntry& e)
{
    if (!m_hasLog)
        return;
    StatementUse use(m_conn.prepared(kInsertSql));
    bindValue(*use.get(), 1, m_now);
    use->bindText(2, m_user);
    use->bindText(3, auditMachine());
    use->bindText(4, e.instrumentId);
    use->bindText(5, e.readingKey);
    use->bindText(6, e.action);
    use->bindText(7, e.oldValues);
    use->bindText(8, e.newValues);
    use.step();
}

void writeAudit(Connection& conn, const AuditEntry& e)
{
    AuditWriter(conn).write(e);
}

namespace {

// After a failed write: drops the edit, and when the set already holds what
// the rolled-back transaction wrote, reads the table again.
void resync(Recordset& rs, bool written, qint64 bookmark)
{
    try {
        rs.cancelUpdate();
        if (!written)
            return;
        rs.requery();
        if (bookmark != 0)
            rs.setBookmark(bookmark);
    } catch (...) {
        // The set is at its first row, or the row is gone.
    }
}

} // namespace

void updateWithAudit(Connection& conn, Recordset& rs, const AuditEntry& entry)
{
    bool written = false;
    qint64 bookmark = 0;
    try {
        Connection::Transaction tx(conn);
        writeAudit(conn, entry);
        rs.update();
        written = true;
        bookmark = rs.bookmark();
        tx.commit();
    } catch (const DbError& e) {
        // Someone else's change came first: nothing was written, and the
        // edit stays for the user to keep or drop.
        if (!isConflict(e))
            resync(rs, written, bookmark);
        throw;
    } catch (...) {
        resync(rs, written, bookmark);
        throw;
    }
}

void deleteWithAudit(Connection& conn, Recordset& rs, const AuditEntry& entry)
{
    bool written = false;
    const qint64 bookmark = rs.bookmark();
    try {
        Connection::Transaction tx(conn);
        writeAudit(conn, entry);
        rs.deleteCurrent();
        written = true;
        tx.commit();
    } catch (const DbError& e) {
        if (!isConflict(e))
            resync(rs, written, bookmark);
        throw;
    } catch (...) {
        resync(rs, written, bookmark);
        throw;
    }
}

QString auditValueText(const QVariant& v)
{
    if (!v.isValid() || v.isNull())
        return QString();
    if (v.metaType().id() == QMetaType::Bool)
        return v.toBool() ? QStringLiteral("Yes") : QStringLiteral("No");
    return displayText(v);
}

AuditPairs& AuditPairs::addText(const QString& field, const QString& text)
{
    if (!m_text.isEmpty())
        m_text += QStringLiteral("; ");
    m_text += field + u'=' + pairValue(text);
    return *this;
}

void AuditPairsUtf8::start(QByteArrayView field)
{
    if (!m_text.empty())
        m_text += "; ";
    m_text.append(field.data(), size_t(field.size()));
    m_text += '=';
}

void AuditPairsUtf8::addNumber(QByteArrayView field, double v)
{
    start(field);
    appendNumberText(m_text, v);
}

void AuditPairsUtf8::addWritten(QByteArrayView field, const std::string& number)
{
    start(field);
    m_text += number;
}

void AuditPairsUtf8::addBlank(QByteArrayView field)
{
    start(field);
}

void AuditPairsUtf8::addYesNo(QByteArrayView field, bool v)
{
    start(field);
    m_text += v ? "Yes" : "No";
}

void AuditPairsUtf8::add(QByteArrayView field, const QVariant& value)
{
    if (!value.isValid() || value.isNull())
        return addBlank(field);
    switch (value.metaType().id()) {
    case QMetaType::Double: return addNumber(field, value.toDouble());
    case QMetaType::Bool: return addYesNo(field, value.toBool());
    default: {
        start(field);
        const QByteArray b = pairValue(auditValueText(value)).toUtf8();
        m_text.append(b.constData(), size_t(b.size()));
    }
    }
}

AuditPairs& AuditPairs::add(const QString& field, const QVariant& value)
{
    return addText(field, auditValueText(value));
}

RowValues currentValues(const Recordset& rs)
{
    RowValues v;
    const int n = rs.fieldCount();
    v.reserve(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        v.push_back(rs.value(i));
    return v;
}

ChangedValues changedValues(const Recordset& rs, const RowValues& before)
{
    AuditPairs oldPairs;
    AuditPairs newPairs;
    const int n = std::min<int>(rs.fieldCount(), static_cast<int>(before.size()));
    for (int i = 0; i < n; ++i) {
        const QVariant& was = before[static_cast<size_t>(i)];
        const QVariant now = rs.value(i);
        if (blank(was) && blank(now))
            continue;
        if (!blank(was) && !blank(now) && was == now)
            continue;
        oldPairs.add(rs.fieldName(i), was);
        newPairs.add(rs.fieldName(i), now);
    }
    return {oldPairs.text(), newPairs.text()};
}

QString rowText(const Recordset& rs, const QStringList& leaveOut)
{
    AuditPairs pairs;
    for (int i = 0; i < rs.fieldCount(); ++i) {
        const QString name = rs.fieldName(i);
        if (leaveOut.contains(name, Qt::CaseInsensitive))
            continue;
        const QVariant v = rs.value(i);
        if (!blank(v))
            pairs.add(name, v);
    }
    return pairs.text();
}

std::vector<AuditRecord> readAuditLog(Connection& conn, const QString& sensor, qint64 before, int limit)
{
    std::vector<AuditRecord> out;
    if (!hasLog(conn) || limit <= 0)
        return out;
    const QByteArray sql = QByteArray("SELECT ") + kColumns + " FROM \"AuditLog\" WHERE \"AuditID\" < ?1" +
                           (sensor.isEmpty() ? "" : " AND \"InstrumentID\" = ?3") +
                           " ORDER BY \"AuditID\" DESC LIMIT ?2";
    StatementUse use(conn.prepared(sql));
    use->bindInt64(1, before > 0 ? before : std::numeric_limits<qint64>::max());
    use->bindInt64(2, limit);
    if (!sensor.isEmpty())
        use->bindText(3, sensor);
    out.reserve(static_cast<size_t>(limit));
    while (use.step()) {
        Stmt* st = use.get();
        AuditRecord r;
        r.id = st->int64(0);
        const QString at = st->qtext(1);
        r.changedAt = QDateTime::fromString(at, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
        if (!r.changedAt.isValid())
            r.changedAt = QDateTime::fromString(at, Qt::ISODate);
        r.changedBy = st->qtext(2);
        r.machine = st->qtext(3);
        r.instrumentId = st->qtext(4);
        r.readingKey = st->qtext(5);
        r.action = st->qtext(6);
        r.oldValues = st->qtext(7);
        r.newValues = st->qtext(8);
        out.push_back(std::move(r));
    }
    return out;
}

qint64 countAuditLog(Connection& conn, const QString& sensor, qint64 before)
{
    if (!hasLog(conn))
        return 0;
    const QByteArray sql = QByteArray("SELECT COUNT(*) FROM \"AuditLog\" WHERE \"AuditID\" < ?1") +
                           (sensor.isEmpty() ? "" : " AND \"InstrumentID\" = ?2");
    StatementUse use(conn.prepared(sql));
    use->bindInt64(1, before > 0 ? before : std::numeric_limits<qint64>::max());
    if (!sensor.isEmpty())
        use->bindText(2, sensor);
    return use.step() ? use->int64(0) : 0;
}

QStringList auditSensors(Connection& conn)
{
    QStringList out;
    if (!hasLog(conn))
        return out;
    StatementUse use(conn.prepared("SELECT DISTINCT \"InstrumentID\" FROM \"AuditLog\" "
                                                  "WHERE \"InstrumentID\" <> '' ORDER BY \"InstrumentID\""));
    while (use.step())
        out << use->qtext(0);
    return out;
}

} // namespace rv::store
