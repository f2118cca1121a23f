#include "reports/export_names.h"

#include <QFileInfo>

namespace rv::reports {

namespace {

QString safeFilePart(const QString& s)
{
    QString out;
    out.reserve(s.size());
    for (const QChar ch : s) {
        const bool ok = ch.isLetterOrNumber() || ch == u'-' || ch == u'_' || ch == u'.' || ch == u' ';
        out += ok ? ch : QChar(u'_');
    }
    return out.trimmed();
}

} // namespace

QString datedExportPath(const QString& folder, const QString& prefix, const QString& sensorId,
                        const QDateTime& when, const QString& ext)
{
    QString id = safeFilePart(sensorId);
    if (id.isEmpty())
        id = QStringLiteral("no sensor");
    const QString stem = folder + u'/' + prefix + id + u' ' + when.toString(QStringLiteral("yyyy-MM-dd HHmmss"));
    QString path = stem + ext;
    for (int n = 2; QFileInfo::exists(path); ++n)
        path = stem + QStringLiteral(" (%1)").arg(n) + ext;
    return path;
}

} // namespace rv::reports
