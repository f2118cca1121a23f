#pragma once
// Machine faults the tests cannot make for real without root (a full disk):
// a SQLite file layer over the system's own that can make every write fail
// as a full disk does. Installed as the default, it serves every connection
// opened afterwards in this process, the program's included.
namespace rv::test {

class FaultVfs {
public:
    // Registers the layer as SQLite's default; idempotent.
    static void install();
    // Back to the system's layer for connections opened afterwards.
    static void uninstall();
    // While on, every write to any file (database or journal) fails with
    // SQLITE_FULL after `allowed` more writes have gone through.
    static void failWrites(bool on, int allowed = 0);
    // Writes that failed since the last failWrites(true, ...).
    static int failures();
};

// Turns on failing writes for a scope.
class DiskFull {
public:
    explicit DiskFull(int allowed = 0) { FaultVfs::failWrites(true, allowed); }
    ~DiskFull() { FaultVfs::failWrites(false); }
    DiskFull(const DiskFull&) = delete;
    DiskFull& operator=(const DiskFull&) = delete;
};

} // namespace rv::test
