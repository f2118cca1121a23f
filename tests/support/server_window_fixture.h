#pragma once
// The main window on a site of its own on the test server, and a second
// connection of the test's own to that site: another user working on the
// same data underneath the window.
#include "main_window_fixture.h"
#include "pg_site.h"
#include "store/audit.h"
#include "store/connection.h"

#include <QFile>

namespace rv::test {

class ServerWindow {
public:
    // Names the server site in the data folder's location file, as a user
    // connecting to a server leaves it.
    void setUp(const TempData& data)
    {
        const QString why = rv::testing::serverUnavailable();
        ASSERT_TRUE(why.isEmpty()) << "The test server cannot be used: " << why.toStdString();
        db = rv::testing::createServerSite();
        uri = rv::testing::serverUri(db);
        QFile loc(data.folder() + "/" + kLocationFileName);
        ASSERT_TRUE(loc.open(QIODevice::WriteOnly | QIODevice::Truncate));
        loc.write(uri.toUtf8() + "\n");
    }
    void openOther() { other.open(uri); }
    void tearDown()
    {
        other.close();
        if (!db.isEmpty())
            rv::testing::dropServerDatabase(db);
        db.clear();
    }

    // Another user's edit of one row, logged as the program logs it.
    void edit(const QString& sql, const QString& sensor, const QString& readingKey,
              const std::vector<std::pair<QString, QVariant>>& values)
    {
        store::Recordset rs;
        rs.open(sql, other);
        ASSERT_FALSE(rs.eof()) << sql.toStdString();
        const store::RowValues before = store::currentValues(rs);
        for (const auto& [field, v] : values)
            rs.setValue(field, v);
        const store::ChangedValues c = store::changedValues(rs, before);
        store::updateWithAudit(other, rs, {sensor, readingKey, store::audit::Edit, c.oldValues, c.newValues});
    }
    // Another user's deletion, never logged (as by another tool).
    void remove(const QString& sql)
    {
        store::Recordset rs;
        rs.open(sql, other);
        ASSERT_FALSE(rs.eof()) << sql.toStdString();
        rs.deleteCurrent();
    }
    QVariant value(const QString& sql, const QString& field)
    {
        store::Recordset rs;
        rs.open(sql, other);
        return rs.eof() ? QVariant() : rs.value(field);
    }
    int count(const QString& table)
    {
        store::Recordset rs;
        rs.open("SELECT * FROM `" + table + "`", other);
        return rs.recordCount();
    }

    QString db;
    QString uri;
    store::Connection other;
};

} // namespace rv::test
