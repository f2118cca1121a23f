#include "cli/cli_run.h"
#include "cli/cli_context.h"

#include "app/instance_lock.h"
#include "common/log.h"
#include "maintenance/db_location.h"
#include "store/dberror.h"
#include "store/sqlerror.h"
#include "store/connection.h"
#include "store/migrate.h"
#include "store/schema.h"

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonObject>
#include <QFileInfo>
#include <QJsonDocument>
#include <QStandardPaths>

#include <cstdio>
#include <memory>

namespace rv::cli {

namespace {

void writeOut(FILE* f, const QString& text)
{
    const QByteArray b = text.toUtf8();
    std::fwrite(b.constData(), 1, static_cast<size_t>(b.size()), f);
    std::fflush(f);
}

// One document on standard output, whatever happened.
void printJson(QJsonObject doc, const QString& command, const QString& database, int code)
{
    if (!command.isEmpty())
        doc.insert(QStringLiteral("command"), command);
    if (!database.isEmpty())
        doc.insert(QStringLiteral("database"), database);
    doc.insert(QStringLiteral("exitCode"), code);
    writeOut(stdout, QString::fromUtf8(QJsonDocument(doc).toJson(QJsonDocument::Indented)));
}

int failWith(const Invocation& inv, const QString& database, int code, const QString& message)
{
    writeOut(stderr, QStringLiteral("rockvane-cli: ") + message + u'\n');
    if (inv.json) {
        QJsonObject doc;
        doc.insert(QStringLiteral("error"), message);
        printJson(doc, inv.command, database, code);
    }
    return code;
}

// Qt's notes about the desktop it runs without (no runtime folder, an
// offscreen platform that cannot size windows) are no news in a job's log.
void quietHandler(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    if (type == QtDebugMsg || type == QtInfoMsg)
        return;
    if (type == QtWarningMsg
        && (text.startsWith(QLatin1String("QStandardPaths:")) || text.startsWith(QLatin1String("This plugin does not support"))))
        return;
    writeOut(stderr, text + u'\n');
}

bool isLockError(const store::DbError& e)
{
    return e.number() == store::detail::kLocked;
}

// A file location made absolute; a server's connection text kept as given.
QString locationOf(const QString& given)
{
    return store::isServerLocation(given) ? given.trimmed() : QFileInfo(given).absoluteFilePath();
}

// Opens a site; a failure's message for the caller in *why.
bool openSite(store::Connection& conn, const QString& location, QString* why)
{
    try {
        conn.open(location);
        return true;
    } catch (const store::DbError& e) {
        *why = e.description();
        return false;
    }
}

int runMigrate(const Invocation& inv, const QString& dataFolder)
{
    const QString from = locationOf(inv.operands.value(0));
    const QString to = locationOf(inv.operands.value(1));
    const QString shownFrom = store::redactedLocation(from);
    const QString shownTo = store::redactedLocation(to);
    // A file on either side may be the window's: its compaction at exit
    // must never happen under the copy.
    InstanceLock lock(dataFolder);
    const bool anyFile = !store::isServerLocation(from) || !store::isServerLocation(to);
    if (anyFile && QFileInfo(dataFolder).isDir() && !lock.acquire(inv.waitSeconds * 1000))
        return failWith(inv, shownTo, kExitBusy, QStringLiteral("Rockvane is using the database; try again later"));
    if (!store::isServerLocation(from) && !QFileInfo(from).isFile())
        return failWith(inv, shownFrom, kExitDatabase, QStringLiteral("The database %1 does not exist").arg(shownFrom));
    store::Connection source, target;
    QString why;
    if (!openSite(source, from, &why))
        return failWith(inv, shownFrom, kExitDatabase, QStringLiteral("The database %1 cannot be used: %2").arg(shownFrom, why));
    bool created = false;
    if (!store::isServerLocation(to) && !QFileInfo::exists(to)) {
        try {
            store::createDefaultDatabase(to);
            created = true;
        } catch (const store::DbError& e) {
            return failWith(inv, shownTo, kExitDatabase, QStringLiteral("The database %1 cannot be made: %2").arg(shownTo, e.description()));
        }
    }
    if (!openSite(target, to, &why)) {
        if (created)
            QFile::remove(to);
        return failWith(inv, shownTo, kExitDatabase, QStringLiteral("The database %1 cannot be used: %2").arg(shownTo, why));
    }
    try {
        const store::MigrateResult r = store::migrateSite(source, target, inv.options.contains(QStringLiteral("replace")));
        target.close();
        if (!inv.json)
            writeOut(stdout, QStringLiteral("Copied %1 and %2 from %3 to %4\n")
                                 .arg(counted(r.tables, QStringLiteral("table"), QStringLiteral("tables")),
                                      counted(r.rows, QStringLiteral("row"), QStringLiteral("rows")), shownFrom, shownTo));
        else {
            QJsonObject doc;
            doc.insert(QStringLiteral("from"), shownFrom);
            doc.insert(QStringLiteral("to"), shownTo);
            doc.insert(QStringLiteral("tables"), r.tables);
            doc.insert(QStringLiteral("rows"), r.rows);
            printJson(doc, inv.command, shownTo, kExitDone);
        }
        return kExitDone;
    } catch (const store::DbError& e) {
        target.close();
        if (created)
            QFile::remove(to);
        if (isLockError(e))
            return failWith(inv, shownTo, kExitBusy, QStringLiteral("The database %1 is busy; nothing was copied").arg(shownTo));
        return failWith(inv, shownTo, kExitDatabase,
                        QStringLiteral("Nothing was copied to %1: %2").arg(shownTo, e.description()));
    }
}

} // namespace

void CliContext::say(const QString& line) const
{
    if (!inv.json)
        writeOut(stdout, line + u'\n');
}

void CliContext::warn(const QString& line) const
{
    writeOut(stderr, QStringLiteral("rockvane-cli: ") + line + u'\n');
}

QString counted(qint64 n, const QString& one, const QString& many)
{
    return QString::number(n) + u' ' + (n == 1 ? one : many);
}

int run(int argc, char** argv)
{
    QStringList args;
    for (int i = 1; i < argc; ++i)
        args << QString::fromLocal8Bit(argv[i]);

    Invocation inv;
    QString error;
    if (!parseArguments(args, inv, &error)) {
        writeOut(stderr, QStringLiteral("rockvane-cli: ") + error + QStringLiteral("\n\n") + usageText(inv.command));
        if (inv.json) {
            QJsonObject doc;
            doc.insert(QStringLiteral("error"), error);
            printJson(doc, inv.command, QString(), kExitUsage);
        }
        return kExitUsage;
    }
    if (inv.help) {
        writeOut(stdout, usageText(inv.command));
        return kExitDone;
    }
    if (inv.version) {
        writeOut(stdout, versionText() + u'\n');
        return kExitDone;
    }

    qInstallMessageHandler(quietHandler);
    // The report draws its graphs through the window's charts: on Qt's
    // offscreen platform, so that no display is ever needed.
    std::unique_ptr<QCoreApplication> app;
    if (inv.command == QLatin1String("report")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        app = std::make_unique<QApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QCoreApplication::setApplicationName(QStringLiteral("Rockvane"));
    QCoreApplication::setOrganizationName(QStringLiteral("Quillon"));

    const QString dataFolder = inv.dataFolder.isEmpty()
        ? QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation) + "/Quillon/Rockvane"
        : QDir(inv.dataFolder).absolutePath();
    if (inv.command == QLatin1String("migrate"))
        return runMigrate(inv, dataFolder);
    QString database = inv.database;
    if (database.isEmpty()) {
        const DatabaseLocation loc = databaseInUse(dataFolder);
        if (!loc.warning.isEmpty())
            writeOut(stderr, QStringLiteral("rockvane-cli: ") + loc.warning + u'\n');
        database = loc.path;
    }
    database = locationOf(database);
    const bool onServer = store::isServerLocation(database);
    const QString shown = store::redactedLocation(database);
    // Never made here: a missing database is the job's error, not a new site.
    if (!onServer && !QFileInfo(database).isFile())
        return failWith(inv, shown, kExitDatabase, QStringLiteral("The database %1 does not exist").arg(shown));

    // The window's single-copy lock, for the whole run: its compaction at
    // exit replaces the database file and must never happen under a job.
    // A data folder that is not there has no window running on it.
    // A server is shared by any number of runs and windows: no lock there.
    InstanceLock lock(dataFolder);
    if (!onServer && QFileInfo(dataFolder).isDir() && !lock.acquire(inv.waitSeconds * 1000))
        return failWith(inv, shown, kExitBusy, QStringLiteral("Rockvane is using the database; try again later"));

    store::Connection conn;
    try {
        conn.open(database);
        const QStringList missing = store::missingFixedTables(conn);
        if (!missing.isEmpty())
            return failWith(inv, shown, kExitDatabase,
                            QStringLiteral("%1 is not a Rockvane database: it has no table %2")
                                .arg(shown, missing.join(QStringLiteral(", "))));
    } catch (const store::DbError& e) {
        if (isLockError(e))
            return failWith(inv, shown, kExitBusy, QStringLiteral("Rockvane is using the database; try again later"));
        return failWith(inv, shown, kExitDatabase,
                        QStringLiteral("The database %1 cannot be used: %2").arg(shown, e.description()));
    }
    // Every way of opening a database brings it up to this version's schema.
    try {
        store::upgradeSchema(conn);
    } catch (const store::DbError& e) {
        if (isLockError(e))
            return failWith(inv, shown, kExitBusy, QStringLiteral("Rockvane is using the database; try again later"));
        if (QFileInfo(dataFolder).isDir())
            writeLog(dataFolder, errorText(e.number(), e.description(), QStringLiteral("rockvane-cli upgradeSchema")));
        writeOut(stderr, QStringLiteral("rockvane-cli: the database could not be brought up to date: ")
                             + e.description() + u'\n');
    }

    CliContext c{inv, dataFolder, database, conn, {}};
    int code = kExitDone;
    const QString& cmd = inv.command;
    if (cmd == QLatin1String("import"))
        code = cmdImport(c);
    else if (cmd == QLatin1String("export"))
        code = cmdExport(c);
    else if (cmd == QLatin1String("report"))
        code = cmdReport(c);
    else if (cmd == QLatin1String("backup"))
        code = cmdBackup(c);
    else if (cmd == QLatin1String("check"))
        code = cmdCheck(c);
    else if (cmd == QLatin1String("levels"))
        code = cmdLevels(c);
    else if (cmd == QLatin1String("exceedances"))
        code = cmdExceedances(c);
    else if (cmd == QLatin1String("status"))
        code = cmdStatus(c);
    conn.close();
    if (inv.json)
        printJson(c.json, cmd, database, code);
    lock.release();
    return code;
}

} // namespace rv::cli
