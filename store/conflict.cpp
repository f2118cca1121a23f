#include "store/conflict.h"

#include "store/statement.h"

#include <QStringList>

namespace rv::store {

using namespace detail;

bool isConflict(const DbError& e)
{
    return e.number() == err::ChangedByOther || e.number() == err::DeletedByOther;
}

bool currentIsConflict(bool* deleted)
{
    try {
        throw;
    } catch (const DbError& e) {
        if (deleted)
            *deleted = e.number() == err::DeletedByOther;
        return isConflict(e);
    } catch (...) {
        return false;
    }
}

std::optional<AuditRecord> lastChangeOf(Connection& conn, const QStringList& sensors, const QStringList& readingKeys,
                                        const QString& action)
{
    std::optional<AuditRecord> best;
    if (!conn.state() || !conn.backend().storedTableName(kAuditTable))
        return best;
    // A catalogue row's own changes carry no reading key.
    const QByteArray sql = readingKeys.isEmpty()
        ? QByteArray("SELECT \"AuditID\" FROM \"AuditLog\" WHERE \"InstrumentID\" = ?1 AND "
                     "(\"ReadingKey\" IS NULL OR \"ReadingKey\" = '') AND \"Action\" = ?2 "
                     "ORDER BY \"AuditID\" DESC LIMIT 1")
        : QByteArray("SELECT \"AuditID\" FROM \"AuditLog\" WHERE \"InstrumentID\" = ?1 AND \"Action\" = ?2 "
                     "AND \"ReadingKey\" = ?3 ORDER BY \"AuditID\" DESC LIMIT 1");
    qint64 newest = 0;
    const QStringList keys = readingKeys.isEmpty() ? QStringList{QString()} : readingKeys;
    for (const QString& sensor : sensors) {
        for (const QString& key : keys) {
            if (sensor.isEmpty())
                continue;
            StatementUse use(conn.prepared(sql));
            use->bindText(1, sensor);
            use->bindText(2, action);
            if (!readingKeys.isEmpty())
                use->bindText(3, key);
            if (use.step())
                newest = std::max(newest, use->int64(0));
        }
    }
    if (newest == 0)
        return best;
    // The row itself, read as the log's page reads it.
    const auto rows = readAuditLog(conn, QString(), newest + 1, 1);
    if (!rows.empty() && rows.front().id == newest)
        best = rows.front();
    return best;
}

namespace {

QString shown(const QVariant& v)
{
    const QString t = auditValueText(v);
    return t.isEmpty() ? QStringLiteral("(empty)") : t;
}

} // namespace

namespace {

QStringList opening(const QString& what, bool deleted, const std::optional<AuditRecord>& who)
{
    QStringList lines;
    lines << what + (deleted ? QStringLiteral(" was deleted by another user after you opened it.")
                             : QStringLiteral(" was changed by another user after you opened it."));
    if (who) {
        QString by = who->changedBy.isEmpty() ? QStringLiteral("an unknown user") : who->changedBy;
        if (!who->machine.isEmpty())
            by += QStringLiteral(" on ") + who->machine;
        lines << (deleted ? QStringLiteral("Deleted by ") : QStringLiteral("Changed by ")) + by
                + QStringLiteral(" at ") + who->changedAt.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")) + u'.';
    } else {
        lines << (deleted ? QStringLiteral("Who deleted it and when is not known: the change log has no entry for it.")
                          : QStringLiteral("Who changed it and when is not known: the change log has no entry for it."));
    }
    return lines;
}

} // namespace

QString conflictMessage(const QString& what, bool deleted, const std::optional<AuditRecord>& who,
                        const std::vector<ConflictField>& fields)
{
    QStringList lines = opening(what, deleted, who);
    if (deleted) {
        lines << QString() << QStringLiteral("Your changes could not be saved.");
        return lines.join(u'\n');
    }
    if (!fields.empty()) {
        lines << QString() << QStringLiteral("The values now stored for the fields you edited:");
        for (const ConflictField& f : fields)
            lines << QStringLiteral("  ") + f.label + QStringLiteral(": ") + shown(f.theirs)
                    + QStringLiteral("   (yours: ") + shown(f.mine) + u')';
    }
    lines << QString()
          << QStringLiteral("Your changes have not been saved. Reload it?")
          << QStringLiteral("Yes: show the stored values and drop your changes.")
          << QStringLiteral("No: keep your changes on screen, unsaved; saving again writes them over the other "
                            "user's.");
    return lines.join(u'\n');
}

QString conflictDeleteMessage(const QString& what, const std::optional<AuditRecord>& who,
                              const std::vector<ConflictField>& fields)
{
    QStringList lines = opening(what, false, who);
    if (!fields.empty()) {
        lines << QString() << QStringLiteral("Their changes:");
        for (const ConflictField& f : fields)
            lines << QStringLiteral("  ") + f.label + QStringLiteral(": ") + shown(f.theirs)
                    + QStringLiteral("   (was: ") + shown(f.mine) + u')';
    }
    lines << QString()
          << QStringLiteral("It has not been deleted. The stored values are now shown; delete it again if it "
                            "should still go.");
    return lines.join(u'\n');
}

} // namespace rv::store
