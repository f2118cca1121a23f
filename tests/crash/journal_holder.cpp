// Another program in the middle of a large write: opens the database, runs
// the statement given inside a transaction with a cache so small that the
// change spills into the file (its rollback journal synced beside it), says
// "ready" and waits to be killed, leaving that journal hot.
#include <csignal>
#include <cstdio>
#include <sqlite3.h>
#include <unistd.h>

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: journal_holder <database> <statement>\n");
        return 2;
    }
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(argv[1], &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return 1;
    char* err = nullptr;
    const char* setup = "PRAGMA journal_mode = DELETE; PRAGMA synchronous = FULL; PRAGMA cache_size = 4; BEGIN";
    if (sqlite3_exec(db, setup, nullptr, nullptr, &err) != SQLITE_OK
        || sqlite3_exec(db, argv[2], nullptr, nullptr, &err) != SQLITE_OK) {
        std::fprintf(stderr, "%s\n", err ? err : "failed");
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        pause();
}
