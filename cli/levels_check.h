#pragma once
// The check of readings against the trigger levels, as the command line
// reports it.
#include <QJsonArray>
#include <QString>
#include <QStringList>

namespace rv::store {
class Connection;
}

namespace rv::cli {

struct LevelsCheck {
    QJsonArray json;     // one object per crossing
    QStringList lines;   // the same, for the human summary
    QString error;       // the check could not be made
};

// The appended readings of sensor id (their keys) checked against the
// levels in force for it.
LevelsCheck checkAppended(store::Connection& conn, const QString& id, const QStringList& keys);

} // namespace rv::cli
