#include "cli/cli_context.h"
#include "cli/levels_check.h"

namespace rv::cli {

LevelsCheck checkAppended(store::Connection&, const QString&, const QStringList&)
{
    return {};
}

namespace {

int notYet(CliContext& c)
{
    const QString why = QStringLiteral("%1: the trigger levels are not available in this version").arg(c.inv.command);
    c.warn(why);
    c.json.insert(QStringLiteral("error"), why);
    return kExitUsage;
}

} // namespace

int cmdLevels(CliContext& c)
{
    return notYet(c);
}

int cmdExceedances(CliContext& c)
{
    return notYet(c);
}

int cmdStatus(CliContext& c)
{
    return notYet(c);
}

} // namespace rv::cli
