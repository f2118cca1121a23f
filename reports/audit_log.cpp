#include "reports/audit_log.h"

#include <algorithm>
#include <utility>

namespace rv::reports {

const QStringList& auditLogHeaders()
{
    static const QStringList h{QStringLiteral("When"),   QStringLiteral("Who"),        QStringLiteral("Machine"),
                               QStringLiteral("Sensor"), QStringLiteral("Reading"),    QStringLiteral("Action"),
                               QStringLiteral("Old Values"), QStringLiteral("New Values")};
    return h;
}

QString auditLogCell(const store::AuditRecord& r, int column)
{
    switch (column) {
    case 0: return r.changedAt.toString(QStringLiteral("yyyy/MM/dd HH:mm:ss"));
    case 1: return r.changedBy;
    case 2: return r.machine;
    case 3: return r.instrumentId;
    case 4: return r.readingKey;
    case 5: return r.action;
    case 6: return r.oldValues;
    case 7: return r.newValues;
    default: return QString();
    }
}

QStringList auditLogCells(const store::AuditRecord& r)
{
    QStringList out;
    for (int c = 0; c < auditLogHeaders().size(); ++c)
        out << auditLogCell(r, c);
    return out;
}

AuditLogPages::AuditLogPages(store::Connection& conn, QString sensor, qint64 before, int pageSize)
    : m_conn(conn), m_sensor(std::move(sensor)), m_before(before), m_pageSize(std::max(1, pageSize))
{
    m_count = store::countAuditLog(m_conn, m_sensor, m_before);
}

const store::AuditRecord* AuditLogPages::at(qint64 row)
{
    if (row < 0 || row >= m_count)
        return nullptr;
    if (row < m_first) {
        m_first = 0;
        m_page.clear();
    }
    while (row >= m_first + qint64(m_page.size())) {
        // The next page starts below the last row of this one.
        const qint64 below = m_page.empty() ? (m_first == 0 ? m_before : 0) : m_page.back().id;
        if (!m_page.empty())
            m_first += qint64(m_page.size());
        if (m_first > 0 && below == 0)
            return nullptr;
        m_page = store::readAuditLog(m_conn, m_sensor, below, m_pageSize);
        if (m_page.empty())
            return nullptr;
    }
    return &m_page[size_t(row - m_first)];
}

} // namespace rv::reports
