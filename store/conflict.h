#pragma once
// What a user is told when a save finds that someone else changed or
// deleted the row since it was shown (on a server, where several users
// write at once): who did it and when, as the change log tells it, and the
// other user's values of the fields this user edited.
#include "store/audit.h"
#include "store/dberror.h"

#include <QString>
#include <QVariant>
#include <optional>
#include <vector>

namespace rv::store {

// Whether a write was refused because of someone else's change.
bool isConflict(const DbError& e);
// The same for the exception being handled (false for any other).
bool currentIsConflict(bool* deleted = nullptr);

// The newest row of the log with the given action (audit::Edit,
// audit::Delete) about a sensor's catalogue row (readingKeys empty) or
// about one of its readings (any of readingKeys, which may hold the key
// shown and the key now stored; an empty key finds the deletion of all the
// sensor's readings); nullopt when the log has none.
std::optional<AuditRecord> lastChangeOf(Connection& conn, const QStringList& sensors,
                                        const QStringList& readingKeys, const QString& action);

// One field the user edited: the user's value and the one now stored.
struct ConflictField {
    QString label;
    QVariant mine;
    QVariant theirs;
};

// The message: `what` names the row ("Reading 250010001 2005/01/02
// 08:00:00", "Sensor 250010001"). A changed row ends with the question
// whether to reload it; a deleted one says the changes cannot be saved.
QString conflictMessage(const QString& what, bool deleted, const std::optional<AuditRecord>& who,
                        const std::vector<ConflictField>& fields);

// The message for a deletion refused because someone else changed the row:
// the fields they changed (`theirs` now stored, `mine` as shown), and that
// nothing was deleted.
QString conflictDeleteMessage(const QString& what, const std::optional<AuditRecord>& who,
                              const std::vector<ConflictField>& fields);

inline const QString kConflictTitle = QStringLiteral("Changed by Another User");

} // namespace rv::store
