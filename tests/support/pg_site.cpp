#include "pg_site.h"

#include "store/backend.h"
#include "store/connection.h"
#include "store/schema.h"

#include <QCoreApplication>
#include <QUrl>
#include <QUuid>
#include <atomic>

namespace rv::testing {

namespace {

QString env(const char* name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

} // namespace

QString serverUnavailable()
{
    if (!env("ROCKVANE_PG_UNAVAILABLE").isEmpty())
        return QStringLiteral("the test server could not be started: ") + env("ROCKVANE_PG_UNAVAILABLE");
    if (env("ROCKVANE_PG_HOST").isEmpty())
        return QStringLiteral("ROCKVANE_PG_HOST is not set: start the test server with tools/pgcluster.sh start "
                              "(./test does) and export what it prints");
    try {
        store::detail::openPostgres(serverUri(QStringLiteral("postgres")));
    } catch (const store::DbError& e) {
        return e.description();
    }
    return QString();
}

QString serverUri(const QString& db)
{
    const QString user = env("ROCKVANE_PG_USER").isEmpty() ? QStringLiteral("postgres") : env("ROCKVANE_PG_USER");
    return QStringLiteral("postgresql://%1@/%2?host=%3")
        .arg(user, db, QString::fromLatin1(QUrl::toPercentEncoding(env("ROCKVANE_PG_HOST"))));
}

QString createServerDatabase()
{
    const QString name = QStringLiteral("rv_test_") + QUuid::createUuid().toString(QUuid::Id128).left(16);
    auto admin = store::detail::openPostgres(serverUri(QStringLiteral("postgres")));
    admin->exec(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LC_COLLATE 'C' LC_CTYPE 'C'")
                    .arg(name)
                    .toUtf8());
    return name;
}

QString createServerSite()
{
    const QString name = createServerDatabase();
    store::Connection conn;
    conn.open(serverUri(name));
    store::createSiteTables(conn);
    return name;
}

void dropServerDatabase(const QString& name)
{
    try {
        auto admin = store::detail::openPostgres(serverUri(QStringLiteral("postgres")));
        admin->exec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(name).toUtf8());
    } catch (...) {
    }
}

} // namespace rv::testing
