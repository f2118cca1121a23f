#include "reports/readings_export.h"
#include "common/log.h"
#include "readings/datasheet_data.h"
#include "readings/sensor_tables.h"
#include "reports/xlsx_export.h"
#include "store/connection.h"
#include "store/recordset.h"

#include <QSaveFile>

namespace rv::reports {

namespace {

QString currentError()
{
    int number = 0;
    QString description;
    describeCurrentException(number, description);
    return description;
}

// The datasheet's rows of sensor id, as its window loads them. The model
// reads its rows from rs as they are asked for: rs must outlive it.
void loadSheet(store::Connection& conn, const QString& id, store::Recordset& rs, datasheet::Model& model)
{
    if (!conn.hasTable(id))
        throw std::runtime_error(QStringLiteral("Sensor %1 has no reading table.").arg(id).toStdString());
    rs.open(readingsSql(id), conn);
    model.load(rs, datasheet::layoutFor(id));
}

QString cellText(const datasheet::Model& m, qint64 r, qint64 col)
{
    return r == 0 ? m.header(int(col)) : m.text(int(r - 1), int(col));
}

} // namespace

QString csvField(const QString& text)
{
    if (!text.contains(u',') && !text.contains(u'"') && !text.contains(u'\n') && !text.contains(u'\r'))
        return text;
    QString q = text;
    q.replace(QStringLiteral("\""), QStringLiteral("\"\""));
    return u'"' + q + u'"';
}

ReadingsExportResult exportReadingsXlsx(store::Connection& conn, const QString& id, const QString& path)
{
    ReadingsExportResult res;
    try {
        store::Recordset rs;
        datasheet::Model model;
        loadSheet(conn, id, rs, model);
        const WorkbookResult wb = writeGridWorkbook(
            path, [&model](qint64 r, qint64 col) { return cellText(model, r, col); },
            qint64(model.readingCount()) + 1, model.columnCount(), id);
        res.ok = wb.ok;
        res.error = wb.error;
        res.readings = model.readingCount();
        res.columns = std::min<qint64>(model.columnCount(), kExportColumns);
    } catch (...) {
        res.ok = false;
        res.error = currentError();
    }
    return res;
}

ReadingsExportResult exportReadingsCsv(store::Connection& conn, const QString& id, const QString& path)
{
    ReadingsExportResult res;
    try {
        store::Recordset rs;
        datasheet::Model model;
        loadSheet(conn, id, rs, model);
        // Written under a work name and put in place whole: a job that reads
        // the file never sees half of it.
        QSaveFile out(path);
        if (!out.open(QIODevice::WriteOnly))
            throw std::runtime_error(out.errorString().toStdString());
        const int cols = model.columnCount();
        QString line;
        for (qint64 r = 0; r <= model.readingCount(); ++r) {
            line.clear();
            for (int c = 0; c < cols; ++c) {
                if (c > 0)
                    line += u',';
                line += csvField(cellText(model, r, c));
            }
            line += QStringLiteral("\r\n");
            out.write(line.toUtf8());
        }
        if (!out.commit())
            throw std::runtime_error(out.errorString().toStdString());
        res.ok = true;
        res.readings = model.readingCount();
        res.columns = cols;
    } catch (...) {
        res.ok = false;
        res.error = currentError();
    }
    return res;
}

} // namespace rv::reports
