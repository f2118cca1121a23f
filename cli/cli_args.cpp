#include "cli/cli_args.h"

#include <QSet>

namespace rv::cli {

namespace {

struct OptionSpec {
    const char* name;
    bool takesValue;
};

struct CommandSpec {
    const char* name;
    std::initializer_list<OptionSpec> options;
    int minOperands;
    int maxOperands;  // -1: any number
};

const CommandSpec kCommands[] = {
    {"import", {{"spacing", true}, {"date-layout", true}, {"archive", false}, {"no-archive", false}}, 1, -1},
    {"export", {{"xlsx", true}, {"csv", true}}, 1, 1},
    {"report", {{"graphs", true}, {"no-cover", false}, {"o", true}, {"output", true}}, 1, 1},
    {"levels", {}, 1, 1},
    {"exceedances", {{"since", true}}, 0, -1},
    {"status", {}, 0, 0},
    {"backup", {}, 0, 0},
    {"check", {}, 0, 0},
    {"migrate", {{"replace", false}}, 2, 2},
};

const CommandSpec* findCommand(const QString& name)
{
    for (const auto& c : kCommands)
        if (name == QLatin1String(c.name))
            return &c;
    return nullptr;
}

const OptionSpec* findOption(const CommandSpec& c, const QString& name)
{
    for (const auto& o : c.options)
        if (name == QLatin1String(o.name))
            return &o;
    return nullptr;
}

const QString kGeneral = QStringLiteral(
    "Usage: rockvane-cli [GLOBAL OPTIONS] COMMAND [OPTIONS] [ARGUMENTS]\n"
    "\n"
    "Works on the Rockvane database without a window, for scheduled jobs.\n"
    "\n"
    "Commands:\n"
    "  import [--spacing 1|8|24|all] [--date-layout ymd|dmy|mdy] [--archive|--no-archive] FILE|DIR...\n"
    "                    import readout files into the sensors their names give\n"
    "  export SENSOR (--xlsx FILE | --csv FILE)\n"
    "                    write a sensor's readings as the datasheet shows them\n"
    "  report SENSOR [--graphs load-time,disp-time,load-length,disp-length] [--no-cover] -o FILE.odt\n"
    "                    write the sensor report\n"
    "  levels SENSOR     the trigger levels in force for a sensor\n"
    "  exceedances [--since DATE] [SENSOR...]\n"
    "                    every reading that crosses a trigger level\n"
    "  status            the site status, one line per sensor\n"
    "  backup            the dated backup of the database into the backup folder\n"
    "  check             check the database's integrity and its tables\n"
    "  migrate [--replace] FROM TO\n"
    "                    copy a whole site between two databases (files or servers)\n"
    "\n"
    "Global options:\n"
    "  --db FILE|URI       the database to use: a file, or a PostgreSQL server as a\n"
    "                      connection URI (default: the one the window uses)\n"
    "  --data-folder DIR   the data folder (default: ~/Documents/Quillon/Rockvane)\n"
    "  --wait SECONDS      how long to wait while Rockvane uses the database (default 60)\n"
    "  --json              print one JSON document instead of the summary\n"
    "  --help              print this help (COMMAND --help: the command's)\n"
    "  --version           print the version\n"
    "\n"
    "Exit codes: 0 done; 1 done, with rows refused or skipped; 2 bad arguments;\n"
    "3 the database cannot be used; 4 the database is busy; 5 done, and a reading\n"
    "crosses a trigger level.\n");

} // namespace

const QStringList& commandNames()
{
    static const QStringList names = [] {
        QStringList n;
        for (const auto& c : kCommands)
            n << QLatin1String(c.name);
        return n;
    }();
    return names;
}

QString versionText()
{
    return QStringLiteral("rockvane-cli %1.%2.%3")
        .arg(ROCKVANE_VERSION_MAJOR)
        .arg(ROCKVANE_VERSION_MINOR)
        .arg(ROCKVANE_VERSION_PATCH);
}

QString usageText(const QString& command)
{
    if (command == QLatin1String("import"))
        return QStringLiteral(
            "Usage: rockvane-cli import [--spacing 1|8|24|all] [--date-layout ymd|dmy|mdy]\n"
            "                           [--archive|--no-archive] FILE|DIR...\n"
            "\n"
            "Imports each readout file into the sensor its name gives (<sensor number>.txt);\n"
            "a folder imports every *.txt in it, in name order. The rows taken are those the\n"
            "import window would tick for the spacing in hours (default 24; all: every row\n"
            "whose date can be read). Readings already stored, lines written twice and\n"
            "unreadable dates are skipped and counted. Each file is one transaction.\n"
            "--date-layout says how the files write their dates (default: the layout last\n"
            "used for the sensor, else ymd). Rows dated more than a day ahead are never taken.\n"
            "--archive (default) moves the logger's copy RV<sensor>.txt into TENDONbackup\n"
            "after an append, as the window does; --no-archive leaves it.\n");
    if (command == QLatin1String("export"))
        return QStringLiteral(
            "Usage: rockvane-cli export SENSOR (--xlsx FILE | --csv FILE)\n"
            "\n"
            "Writes the sensor's readings as the datasheet shows them: --xlsx as the\n"
            "datasheet's spreadsheet export, --csv as comma-separated text with a header row.\n");
    if (command == QLatin1String("report"))
        return QStringLiteral(
            "Usage: rockvane-cli report SENSOR [--graphs load-time,disp-time,load-length,disp-length]\n"
            "                           [--no-cover] -o FILE.odt\n"
            "\n"
            "Writes the same report document as the report window (all four graphs and the\n"
            "information page unless told otherwise). Needs no display.\n");
    if (command == QLatin1String("levels"))
        return QStringLiteral("Usage: rockvane-cli levels SENSOR\n\n"
                              "The trigger levels in force for the sensor: its own, or its type's.\n");
    if (command == QLatin1String("exceedances"))
        return QStringLiteral("Usage: rockvane-cli exceedances [--since yyyy/mm/dd] [SENSOR...]\n\n"
                              "Every reading that crosses a trigger level, of every sensor or of those named.\n");
    if (command == QLatin1String("status"))
        return QStringLiteral("Usage: rockvane-cli status\n\nThe site status table, one line per sensor.\n");
    if (command == QLatin1String("backup"))
        return QStringLiteral("Usage: rockvane-cli backup\n\n"
                              "Copies the database to TENDONbackup/TENDONbackup<yyyy-mm-dd>.mdb in the data\n"
                              "folder (a second backup on one day replaces the first). A site on a server is\n"
                              "written, as it stands at one moment, into a database file there named\n"
                              "\"<database> TENDONbackup<yyyy-mm-dd>.mdb\" after the server's database.\n");
    if (command == QLatin1String("check"))
        return QStringLiteral("Usage: rockvane-cli check\n\n"
                              "Runs SQLite's integrity check and checks the fixed tables, that every sensor\n"
                              "has its reading table and NetworkConfig row and every reading table its\n"
                              "sensor. Prints what is wrong; exit code 3 when anything is.\n");
    if (command == QLatin1String("migrate"))
        return QStringLiteral("Usage: rockvane-cli migrate [--replace] FROM TO\n\n"
                              "Copies a whole site from FROM to TO, row for row, in one transaction on TO.\n"
                              "Each is a database file or a PostgreSQL connection URI\n"
                              "(postgresql://user@host:port/dbname; the password from ~/.pgpass or\n"
                              "PGPASSWORD). A TO file that does not exist is created; an empty server\n"
                              "database gains the site's tables. A TO that already holds sensors is\n"
                              "refused unless --replace is given, which replaces its whole content.\n");
    return kGeneral;
}

bool parseArguments(const QStringList& args, Invocation& inv, QString* error)
{
    auto fail = [error](const QString& why) {
        if (error)
            *error = why;
        return false;
    };
    const CommandSpec* command = nullptr;
    QSet<QString> seen;
    bool operandsOnly = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString a = args[i];
        if (operandsOnly || !a.startsWith(u'-') || a == QLatin1String("-")) {
            if (!command && !operandsOnly) {
                command = findCommand(a);
                if (!command)
                    return fail(QStringLiteral("unknown command '%1'").arg(a));
                inv.command = a;
            } else {
                inv.operands << a;
            }
            continue;
        }
        if (a == QLatin1String("--")) {
            operandsOnly = true;
            continue;
        }
        QString name = a.mid(a.startsWith(QLatin1String("--")) ? 2 : 1);
        QString value;
        bool hasValue = false;
        const qsizetype eq = name.indexOf(u'=');
        if (eq >= 0) {
            value = name.mid(eq + 1);
            name = name.left(eq);
            hasValue = true;
        }
        auto takeValue = [&]() -> bool {
            if (hasValue)
                return true;
            if (i + 1 >= args.size())
                return false;
            value = args[++i];
            return true;
        };
        if (name == QLatin1String("help") || name == QLatin1String("h")) {
            inv.help = true;
        } else if (name == QLatin1String("version")) {
            inv.version = true;
        } else if (name == QLatin1String("json")) {
            inv.json = true;
        } else if (name == QLatin1String("db") || name == QLatin1String("data-folder")) {
            if (!takeValue() || value.isEmpty())
                return fail(QStringLiteral("--%1 needs a value").arg(name));
            (name == QLatin1String("db") ? inv.database : inv.dataFolder) = value;
        } else if (name == QLatin1String("wait")) {
            if (!takeValue())
                return fail(QStringLiteral("--wait needs a number of seconds"));
            bool ok = false;
            const int s = value.toInt(&ok);
            if (!ok || s < 0)
                return fail(QStringLiteral("--wait needs a number of seconds, not '%1'").arg(value));
            inv.waitSeconds = s;
        } else if (command) {
            const OptionSpec* o = findOption(*command, name);
            if (!o)
                return fail(QStringLiteral("%1 has no option '%2'").arg(inv.command, a));
            if (o->takesValue) {
                if (!takeValue())
                    return fail(QStringLiteral("%1 needs a value").arg(a));
            } else if (hasValue) {
                return fail(QStringLiteral("%1 takes no value").arg(a));
            }
            if (name == QLatin1String("output"))
                name = QStringLiteral("o");
            if (seen.contains(name))
                return fail(QStringLiteral("%1 is given twice").arg(a));
            seen.insert(name);
            inv.options.insert(name, value);
        } else {
            return fail(QStringLiteral("unknown option '%1' (options of a command follow the command)").arg(a));
        }
    }
    if (inv.help || inv.version)
        return true;
    if (!command)
        return fail(QStringLiteral("no command given"));

    const int n = static_cast<int>(inv.operands.size());
    if (n < command->minOperands)
        return fail(command->minOperands == 2 ? QStringLiteral("%1 needs FROM and TO").arg(inv.command)
                    : command->minOperands == 1 && command->maxOperands == 1
                        ? QStringLiteral("%1 needs a sensor number").arg(inv.command)
                        : QStringLiteral("%1 needs at least one file or folder").arg(inv.command));
    if (command->maxOperands >= 0 && n > command->maxOperands)
        return fail(QStringLiteral("too many arguments for %1: %2").arg(inv.command, inv.operands.join(u' ')));

    // The values each command accepts.
    const auto& o = inv.options;
    if (inv.command == QLatin1String("import")) {
        if (o.contains(QStringLiteral("spacing"))) {
            const QString s = o.value(QStringLiteral("spacing"));
            if (s != QLatin1String("1") && s != QLatin1String("8") && s != QLatin1String("24") && s != QLatin1String("all"))
                return fail(QStringLiteral("--spacing must be 1, 8, 24 or all, not '%1'").arg(s));
        }
        if (o.contains(QStringLiteral("date-layout"))) {
            const QString s = o.value(QStringLiteral("date-layout"));
            if (s != QLatin1String("ymd") && s != QLatin1String("dmy") && s != QLatin1String("mdy"))
                return fail(QStringLiteral("--date-layout must be ymd, dmy or mdy, not '%1'").arg(s));
        }
        if (o.contains(QStringLiteral("archive")) && o.contains(QStringLiteral("no-archive")))
            return fail(QStringLiteral("--archive and --no-archive exclude each other"));
    } else if (inv.command == QLatin1String("export")) {
        const bool x = o.contains(QStringLiteral("xlsx"));
        const bool c = o.contains(QStringLiteral("csv"));
        if (x == c)
            return fail(QStringLiteral("export needs one of --xlsx FILE or --csv FILE"));
        if (o.value(x ? QStringLiteral("xlsx") : QStringLiteral("csv")).isEmpty())
            return fail(QStringLiteral("export needs a file name"));
    } else if (inv.command == QLatin1String("report")) {
        if (o.value(QStringLiteral("o")).isEmpty())
            return fail(QStringLiteral("report needs -o FILE.odt"));
        if (o.contains(QStringLiteral("graphs"))) {
            static const QStringList known{QStringLiteral("load-time"), QStringLiteral("disp-time"),
                                           QStringLiteral("load-length"), QStringLiteral("disp-length")};
            for (const QString& g : o.value(QStringLiteral("graphs")).split(u',', Qt::SkipEmptyParts))
                if (!known.contains(g.trimmed()))
                    return fail(QStringLiteral("unknown graph '%1' (load-time, disp-time, load-length, disp-length)")
                                    .arg(g));
        }
    }
    return true;
}

} // namespace rv::cli
