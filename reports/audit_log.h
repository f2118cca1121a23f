#pragma once
// The change log as the Change Log window and its export show it.
#include "store/audit.h"

#include <QString>
#include <QStringList>
#include <vector>

namespace rv::reports {

// "When", "Who", "Machine", "Sensor", "Reading", "Action", "Old Values",
// "New Values".
const QStringList& auditLogHeaders();
// One row's cells in the headers' order; the time as "yyyy/MM/dd HH:mm:ss".
QStringList auditLogCells(const store::AuditRecord& r);
QString auditLogCell(const store::AuditRecord& r, int column);

// Reads the log (one sensor's rows when `sensor` is not empty) newest first,
// starting below the row `before` (0: from the newest), one page at a time as
// the rows are asked for: a log of any length costs the memory of one page.
// Rows are asked for in order (a row before the page held starts over).
class AuditLogPages {
public:
    AuditLogPages(store::Connection& conn, QString sensor, qint64 before, int pageSize = 1000);
    // How many rows there are below `before`.
    qint64 count() const { return m_count; }
    // Row `row` (0 = the newest); nullptr beyond the last.
    const store::AuditRecord* at(qint64 row);

private:
    store::Connection& m_conn;
    QString m_sensor;
    qint64 m_before;
    int m_pageSize;
    qint64 m_count = 0;
    qint64 m_first = 0;  // the row number of m_page[0]
    std::vector<store::AuditRecord> m_page;
};

} // namespace rv::reports
