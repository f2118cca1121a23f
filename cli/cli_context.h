#pragma once
// What every command of rockvane-cli works with, and how it reports.
#include "cli/cli_args.h"
#include "store/connection.h"

#include <QJsonArray>
#include <QJsonObject>
#include <QString>
#include <QTextStream>

namespace rv::cli {

struct CliContext {
    const Invocation& inv;
    QString dataFolder;
    QString database;
    store::Connection& conn;
    // The command's facts for --json; "command", "database" and "exitCode"
    // are added by the runner.
    QJsonObject json;

    // The human summary (standard output; nothing with --json).
    void say(const QString& line) const;
    // An error or a warning (always standard error).
    void warn(const QString& line) const;
};

// The commands; each returns its exit code.
int cmdImport(CliContext& c);
int cmdExport(CliContext& c);
int cmdReport(CliContext& c);
int cmdBackup(CliContext& c);
int cmdCheck(CliContext& c);
int cmdLevels(CliContext& c);
int cmdExceedances(CliContext& c);
int cmdStatus(CliContext& c);

// The catalogue row of id, exactly (case included); false when there is none.
bool sensorInCatalogue(store::Connection& conn, const QString& id);
// Tells that id is no sensor of the catalogue; the exit code for it.
int unknownSensor(CliContext& c, const QString& id);

// "1 duplicate", "2 duplicates".
QString counted(qint64 n, const QString& one, const QString& many);

} // namespace rv::cli
