#include "temp_data.h"
#include "store/connection.h"
#include "store/recordset.h"
#include "store/schema.h"
#include "store/sqltext.h"
#include <QDir>
#include <QFile>
#include <QTextStream>

namespace rv::test {

TempData::TempData()
{
    QDir().mkpath(folder());
}

QString TempData::folder() const { return m_dir.path() + "/Quillon/Rockvane"; }
QString TempData::database() const { return folder() + "/RockvaneTENDON.mdb"; }

void TempData::makeDefaultDatabase() const { store::createDefaultDatabase(database()); }

QString TempData::readLog() const
{
    QFile f(folder() + "/TENDON_logfile.txt");
    if (!f.open(QIODevice::ReadOnly))
        return QString("");
    return QString::fromUtf8(f.readAll());
}

void TempData::writeFile(const QString& name, const QString& text) const
{
    QFile f(folder() + "/" + name);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(text.toUtf8());
}

QVariant TempData::valueOf(const QString& table, const QString& keyField, const QString& key,
                           const QString& field) const
{
    store::Connection c;
    c.open(database());
    store::Recordset rs;
    rs.open("SELECT * FROM " + store::tableName(table), c);
    if (rs.recordCount() == 0)
        return QVariant();
    rs.moveFirst();
    rs.find(keyField + " = " + store::quoted(key));
    if (rs.eof())
        return QVariant();
    return rs.value(field);
}

int TempData::rowCount(const QString& table) const
{
    store::Connection c;
    c.open(database());
    store::Recordset rs;
    rs.open("SELECT * FROM " + store::tableName(table), c);
    return rs.recordCount();
}

bool TempData::hasTable(const QString& name) const
{
    store::Connection c;
    c.open(database());
    return c.hasTable(name);
}

} // namespace rv::test
