#include "store/compact.h"

#include "store/connection.h"
#include "store/sqlerror.h"

#include <QFile>
#include <QFileInfo>
#include <filesystem>
#include <sqlite3.h>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <unistd.h>
#endif

namespace rv::store {

using namespace detail;

namespace {

// Pushes a file's contents (or a folder's entries) to the disk, so that the
// rename below never makes a file whose data is still only in memory.
void syncToDisk(const QString& path)
{
#ifdef Q_OS_WIN
    QFile f(path);
    if (f.open(QIODevice::ReadWrite))
        _commit(f.handle());
#else
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
#endif
}

} // namespace

void compactDatabase(const QString& folder, const QString& name)
{
    const QString source = folder + name;
    const QString work = folder + QStringLiteral("Copy_") + name;
    // A work file left by an earlier run may be the only good copy; never
    // overwrite it.
    if (QFileInfo::exists(work))
        throw DbError(kDatabaseExists, QStringLiteral("Database '%1' already exists.").arg(work));

    Connection conn;
    conn.open(source);
    try {
        sqlite3* db = conn.handle();
        sqlite3_stmt* st = nullptr;
        int rc = sqlite3_prepare_v2(db, "VACUUM INTO ?1", -1, &st, nullptr);
        if (rc == SQLITE_OK) {
            const QByteArray target = QFile::encodeName(work);
            sqlite3_bind_text(st, 1, target.constData(), static_cast<int>(target.size()), SQLITE_TRANSIENT);
            rc = sqlite3_step(st);
            if (rc == SQLITE_DONE)
                rc = SQLITE_OK;
        }
        if (rc != SQLITE_OK) {
            const DbError e = fromSqlite(db, rc);
            sqlite3_finalize(st);
            throw e;
        }
        sqlite3_finalize(st);
        conn.close();

        syncToDisk(work);
        std::error_code ec;
        // Atomic replacement: the database file is at every moment either the
        // old file or the complete compacted one.
        std::filesystem::rename(std::filesystem::path(work.toStdU16String()),
                                std::filesystem::path(source.toStdU16String()), ec);
        if (ec)
            throw DbError(err::EngineError, QStringLiteral("Could not replace '%1' by its compacted copy: %2.")
                                                .arg(source, QString::fromStdString(ec.message())));
#ifndef Q_OS_WIN
        syncToDisk(folder.isEmpty() ? QStringLiteral(".") : folder);
#endif
    } catch (...) {
        conn.close();
        // The work file did not exist before: whatever is there now is ours.
        QFile::remove(work);
        throw;
    }
}

} // namespace rv::store
