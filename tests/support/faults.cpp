#include "faults.h"

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSet>
#include <QStringList>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

namespace rv::test {

namespace {

bool chattr(const QString& flag, const QString& path)
{
    return QProcess::execute("chattr", {flag, path}) == 0;
}

QStringList column(sqlite3* db, const char* sql, QString* error)
{
    QStringList out;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return out;
    }
    int rc;
    while ((rc = sqlite3_step(st)) == SQLITE_ROW)
        out << QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    if (rc != SQLITE_DONE)
        *error = QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(st);
    return out;
}

} // namespace

ReadOnly::ReadOnly(const QString& path) : m_path(path)
{
    struct stat s {};
    if (::stat(QFile::encodeName(path).constData(), &s) != 0)
        return;
    m_mode = s.st_mode & 07777;
    if (::geteuid() == 0) {
        m_immutable = chattr("+i", path);
        m_ok = m_immutable;
    } else {
        m_ok = ::chmod(QFile::encodeName(path).constData(), m_mode & ~0222u) == 0;
    }
}

ReadOnly::~ReadOnly()
{
    if (!m_ok)
        return;
    if (m_immutable)
        chattr("-i", m_path);
    else
        ::chmod(QFile::encodeName(m_path).constData(), m_mode);
}

LockHolder::LockHolder(const QString& path)
{
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return;
    m_ok = sqlite3_exec(m_db, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr) == SQLITE_OK;
}

LockHolder::~LockHolder()
{
    release();
}

void LockHolder::release()
{
    if (!m_db)
        return;
    sqlite3_exec(m_db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close(m_db);
    m_db = nullptr;
}

bool replaceUnderneath(const QString& path)
{
    const QString copy = path + ".replacement";
    QFile::remove(copy);
    if (!QFile::copy(path, copy))
        return false;
    return ::rename(QFile::encodeName(copy).constData(), QFile::encodeName(path).constData()) == 0;
}

QString consistencyProblem(const QString& path, int* sensors)
{
    const QFileInfo info(path);
    if (!info.exists())
        return "no database file";
    if (info.size() == 0)
        return "the database file is empty";
    sqlite3* db = nullptr;
    // Read and write: a journal left by the kill is rolled back on opening.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return "cannot open";
    }
    sqlite3_busy_timeout(db, 2000);
    QString error;
    const QStringList check = column(db, "PRAGMA integrity_check", &error);
    const QStringList catalogue = column(db, "SELECT InstrumentID FROM Sensors ORDER BY 1", &error);
    const QStringList network = column(db, "SELECT SensorID FROM NetworkConfig ORDER BY 1", &error);
    QStringList tables = column(db,
                                "SELECT name FROM sqlite_master WHERE type = 'table' AND name NOT IN "
                                "('Sensors', 'Configuration', 'Prefs', 'NetworkConfig', 'sensordata', 'TriggerLevels', 'Settings', 'AuditLog') "
                                "AND name NOT LIKE 'sqlite%' ORDER BY 1",
                                &error);
    sqlite3_close(db);
    if (!error.isEmpty())
        return error;
    if (check != QStringList{"ok"})
        return "integrity_check: " + check.join("; ");
    if (sensors)
        *sensors = static_cast<int>(catalogue.size());
    if (catalogue != tables || catalogue != network)
        return "catalogue [" + catalogue.join(",") + "] tables [" + tables.join(",") + "] network [" +
               network.join(",") + "]";
    return QString();
}

} // namespace rv::test
