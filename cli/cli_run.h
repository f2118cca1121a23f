#pragma once
// rockvane-cli: the command line for scheduled jobs. Resolves the data
// folder and the database, takes the single-copy lock, opens and upgrades
// the database and runs one command.
namespace rv::cli {

int run(int argc, char** argv);

} // namespace rv::cli
