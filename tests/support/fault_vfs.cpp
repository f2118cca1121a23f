#include "fault_vfs.h"

#include <atomic>
#include <cstring>
#include <sqlite3.h>

namespace rv::test {

namespace {

std::atomic<bool> g_failing{false};
std::atomic<int> g_allowed{0};
std::atomic<int> g_failures{0};
sqlite3_vfs* g_real = nullptr;
sqlite3_vfs g_vfs;
bool g_installed = false;

struct FaultFile {
    sqlite3_file base;
    sqlite3_file* real;  // the system layer's file, allocated right after
};

sqlite3_file* realOf(sqlite3_file* f) { return reinterpret_cast<FaultFile*>(f)->real; }

bool shouldFail()
{
    if (!g_failing)
        return false;
    if (g_allowed.fetch_sub(1) > 0)
        return false;
    ++g_failures;
    return true;
}

int xClose(sqlite3_file* f)
{
    sqlite3_file* r = realOf(f);
    return r->pMethods ? r->pMethods->xClose(r) : SQLITE_OK;
}
int xRead(sqlite3_file* f, void* b, int n, sqlite3_int64 o) { return realOf(f)->pMethods->xRead(realOf(f), b, n, o); }
int xWrite(sqlite3_file* f, const void* b, int n, sqlite3_int64 o)
{
    if (shouldFail())
        return SQLITE_FULL;
    return realOf(f)->pMethods->xWrite(realOf(f), b, n, o);
}
int xTruncate(sqlite3_file* f, sqlite3_int64 s) { return realOf(f)->pMethods->xTruncate(realOf(f), s); }
int xSync(sqlite3_file* f, int fl) { return realOf(f)->pMethods->xSync(realOf(f), fl); }
int xFileSize(sqlite3_file* f, sqlite3_int64* s) { return realOf(f)->pMethods->xFileSize(realOf(f), s); }
int xLock(sqlite3_file* f, int l) { return realOf(f)->pMethods->xLock(realOf(f), l); }
int xUnlock(sqlite3_file* f, int l) { return realOf(f)->pMethods->xUnlock(realOf(f), l); }
int xCheckReservedLock(sqlite3_file* f, int* r) { return realOf(f)->pMethods->xCheckReservedLock(realOf(f), r); }
int xFileControl(sqlite3_file* f, int op, void* a) { return realOf(f)->pMethods->xFileControl(realOf(f), op, a); }
int xSectorSize(sqlite3_file* f) { return realOf(f)->pMethods->xSectorSize(realOf(f)); }
int xDeviceCharacteristics(sqlite3_file* f) { return realOf(f)->pMethods->xDeviceCharacteristics(realOf(f)); }

// Version 1: no shared memory (the program keeps a rollback journal) and no
// memory mapping, so every write passes through xWrite.
const sqlite3_io_methods kMethods = {
    1, xClose, xRead, xWrite, xTruncate, xSync, xFileSize, xLock, xUnlock, xCheckReservedLock,
    xFileControl, xSectorSize, xDeviceCharacteristics, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr};

int xOpen(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* f, int flags, int* outFlags)
{
    auto* ff = reinterpret_cast<FaultFile*>(f);
    ff->real = reinterpret_cast<sqlite3_file*>(ff + 1);
    std::memset(ff->real, 0, static_cast<size_t>(g_real->szOsFile));
    const int rc = g_real->xOpen(g_real, name, ff->real, flags, outFlags);
    f->pMethods = ff->real->pMethods ? &kMethods : nullptr;
    return rc;
}

} // namespace

void FaultVfs::install()
{
    if (g_installed) {
        sqlite3_vfs_register(&g_vfs, 1);
        return;
    }
    g_real = sqlite3_vfs_find(nullptr);
    g_vfs = *g_real;
    g_vfs.zName = "rockvane-faults";
    g_vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + g_real->szOsFile;
    g_vfs.pNext = nullptr;
    g_vfs.xOpen = xOpen;
    g_installed = true;
    sqlite3_vfs_register(&g_vfs, 1);
}

void FaultVfs::uninstall()
{
    if (g_installed)
        sqlite3_vfs_register(g_real, 1);
}

void FaultVfs::failWrites(bool on, int allowed)
{
    g_allowed = allowed;
    if (on)
        g_failures = 0;
    g_failing = on;
}

int FaultVfs::failures()
{
    return g_failures;
}

} // namespace rv::test
