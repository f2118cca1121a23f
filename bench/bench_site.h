#pragma once
// A data folder for a benchmark: the folder under a temporary directory with
// a new default database in it, as a first start makes it.
#include "state/appstate.h"
#include "store/schema.h"
#include <QDir>
#include <QTemporaryDir>

namespace rv::bench {

struct BenchSite {
    QString folder;
    QString db;
};

inline BenchSite newBenchSite(const QTemporaryDir& dir)
{
    BenchSite s;
    s.folder = dir.path() + "/Quillon/Rockvane";
    QDir().mkpath(s.folder);
    s.db = s.folder + "/" + kDefaultDatabaseName;
    store::createDefaultDatabase(s.db);
    return s;
}

} // namespace rv::bench
