#pragma once
// A temporary data folder for one test, with the default database when asked.
#include <QString>
#include <QTemporaryDir>
#include <QVariant>

namespace rv::test {

class TempData {
public:
    TempData();
    QString folder() const;                 // the data folder (created)
    QString database() const;               // folder/RockvaneTENDON.mdb
    void makeDefaultDatabase() const;
    QString readLog() const;                // the log file's text, "" when none
    void writeFile(const QString& name, const QString& text) const;

    // Reads one value straight from the database file (its own connection).
    QVariant valueOf(const QString& table, const QString& keyField, const QString& key,
                     const QString& field) const;
    int rowCount(const QString& table) const;
    bool hasTable(const QString& name) const;

private:
    QTemporaryDir m_dir;
};

} // namespace rv::test
