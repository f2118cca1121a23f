#pragma once
// The command line of rockvane-cli: global options, the command and its own
// options and operands. Parsing only; nothing is opened here.
#include <QMap>
#include <QString>
#include <QStringList>

namespace rv::cli {

// The exit codes, documented in the manual and relied on by scheduled jobs.
enum Exit {
    kExitDone = 0,
    kExitIncomplete = 1,  // done, with rows refused or skipped
    kExitUsage = 2,
    kExitDatabase = 3,    // missing, not a Rockvane database, integrity failure
    kExitBusy = 4,
    kExitLevels = 5,      // done, and a reading crosses a trigger level
};

struct Invocation {
    QString command;             // empty with --help or --version alone
    QString database;            // --db
    QString dataFolder;          // --data-folder
    int waitSeconds = 60;        // --wait
    bool json = false;
    bool help = false;
    bool version = false;
    QMap<QString, QString> options;  // the command's own options, by name without "--"
    QStringList operands;
};

// The commands, in the order the usage lists them.
const QStringList& commandNames();

// Parses argv (without the program's name). False, with *error, for bad
// arguments.
bool parseArguments(const QStringList& args, Invocation& inv, QString* error);

// The usage text: the whole program's, or one command's.
QString usageText(const QString& command = QString());

QString versionText();

} // namespace rv::cli
