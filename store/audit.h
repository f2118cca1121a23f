#pragma once
// The change log (`AuditLog`): one row for every change of a sensor, a
// reading, an import or a set of trigger levels, written in the same
// transaction as the change itself, so that the log never tells of a change
// the database does not hold, nor lacks one it does.
#include "store/connection.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <string>
#include <vector>

namespace rv::store {

class Recordset;

inline const QString kAuditTable = QStringLiteral("AuditLog");

// The stored words of the Action column.
namespace audit {
inline const QString Add = QStringLiteral("add");
inline const QString Edit = QStringLiteral("edit");
inline const QString Delete = QStringLiteral("delete");
inline const QString Import = QStringLiteral("import");
inline const QString Levels = QStringLiteral("levels");
} // namespace audit

// What one row of the log says; who and where are filled in by writeAudit.
struct AuditEntry {
    QString instrumentId;  // empty when the change belongs to no one sensor
    QString readingKey;    // the reading's DateTimeKey, empty when none
    QString action;        // one of the audit:: words
    QString oldValues;
    QString newValues;
};

// Writes one row, dated now, inside the caller's transaction when there is
// one (the caller's rollback takes the row with it). A database that has no
// log (one the schema upgrade could not bring up to date, such as a file
// that may only be read) gets no row. Throws DbError when the row cannot be
// written.
void writeAudit(Connection& conn, const AuditEntry& entry);

// The same for many rows of one change (a write-back of many readings): the
// log is looked for once, and every row carries the same moment.
class AuditWriter {
public:
    explicit AuditWriter(Connection& conn);
    void write(const AuditEntry& entry);
    // The same row from UTF-8 texts, for a change of many rows at once.
    void writeUtf8(QByteArrayView instrumentId, QByteArrayView readingKey, QByteArrayView action,
                   QByteArrayView oldValues, QByteArrayView newValues);
    bool hasLog() const { return m_hasLog; }

private:
    Connection& m_conn;
    bool m_hasLog = false;
    QDateTime m_now;
    QString m_user;
    QByteArray m_at;  // m_now as stored
    QByteArray m_userUtf8;
    QByteArray m_machine;
};

// The record set's pending edit (or new row) written with its log row in
// one transaction; deleteWithAudit the same for deleting its current row.
// When anything fails neither is kept, the edit is dropped, the set
// describes the file again (read anew when the write had reached it, and
// back on the same row when that row is still there), and the error is
// thrown on; except when someone else changed or deleted the row first
// (err::ChangedByOther, err::DeletedByOther): then the edit stays pending.
void updateWithAudit(Connection& conn, Recordset& rs, const AuditEntry& entry);
void deleteWithAudit(Connection& conn, Recordset& rs, const AuditEntry& entry);

// Who makes the changes: on a database file the operating system's login
// name, on a server the database role; and the machine's host name.
QString auditUser(const Connection& conn);
QString auditMachine();

// The way every value of the log is written: "Field=value" pairs joined by
// "; ", in the order given. A value holding ";", a quote, a line break or
// surrounding blanks is put in double quotes with its quotes doubled, so a
// pair always reads back as it was written. Null is written as nothing,
// Yes/No as "Yes"/"No", dates "yyyy/MM/dd", times "HH:mm:ss", numbers in
// their shortest form.
class AuditPairs {
public:
    AuditPairs& add(const QString& field, const QVariant& value);
    AuditPairs& addText(const QString& field, const QString& text);
    bool isEmpty() const { return m_text.isEmpty(); }
    const QString& text() const { return m_text; }

private:
    QString m_text;
};
QString auditValueText(const QVariant& value);

// The same pairs as UTF-8 in a buffer kept from row to row; numbers, blanks
// and Yes/No are written straight into it, anything else as AuditPairs
// writes it.
class AuditPairsUtf8 {
public:
    void clear() { m_text.clear(); }
    bool isEmpty() const { return m_text.empty(); }
    void addNumber(QByteArrayView field, double v);
    void addBlank(QByteArrayView field);
    void addYesNo(QByteArrayView field, bool v);
    // A number already written as numberText writes it.
    void addWritten(QByteArrayView field, const std::string& number);
    void add(QByteArrayView field, const QVariant& value);
    QByteArrayView text() const { return QByteArrayView(m_text.data(), qsizetype(m_text.size())); }

private:
    void start(QByteArrayView field);
    std::string m_text;
};

// The values of the current row of a record set (its pending edits
// included), kept before an edit to tell afterwards what it changed.
using RowValues = std::vector<QVariant>;
RowValues currentValues(const Recordset& rs);

// The fields of the current row whose values differ from `before`: their old
// values and their new ones. An empty text and null count as the same.
struct ChangedValues {
    QString oldValues;
    QString newValues;
    bool isEmpty() const { return oldValues.isEmpty() && newValues.isEmpty(); }
};
ChangedValues changedValues(const Recordset& rs, const RowValues& before);

// Every field of the current row that holds a value, except those named in
// `leaveOut`: what a row added or deleted held.
QString rowText(const Recordset& rs, const QStringList& leaveOut = {});

// One row of the log as read back.
struct AuditRecord {
    qint64 id = 0;
    QDateTime changedAt;
    QString changedBy;
    QString machine;
    QString instrumentId;
    QString readingKey;
    QString action;
    QString oldValues;
    QString newValues;
};

// Up to `limit` rows older than the row `before` (0: from the newest), newest
// first; only one sensor's rows when `sensor` is not empty. Reads only the
// rows it returns, so a log of any length is paged through at the same cost.
std::vector<AuditRecord> readAuditLog(Connection& conn, const QString& sensor, qint64 before, int limit);

// How many rows readAuditLog(conn, sensor, before, ...) would page through.
qint64 countAuditLog(Connection& conn, const QString& sensor, qint64 before = 0);

// The sensors the log has rows of (those deleted since among them), in
// order; empty when the database has no log.
QStringList auditSensors(Connection& conn);

} // namespace rv::store
