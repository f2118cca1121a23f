#include "reports/xlsx_export.h"
#include "common/workfile.h"

#include <QFile>

#include "common/dates.h"

#include <xlsxwriter.h>

#include <QByteArray>
#include <algorithm>
#include <array>
#include <vector>

namespace rv::reports {

namespace {

constexpr qint64 kMaxSheetRows = 1048576;
constexpr int kMaxDecimals = 15;

// A plain decimal number as a grid shows one: optional minus, no leading
// zeros (so that codes such as "007" stay texts), optional decimals.
// Returns the number of decimals, or -1 when the text is no such number.
int plainNumberDecimals(const QString& t)
{
    const qsizetype n = t.size();
    qsizetype i = 0;
    if (i < n && t[i] == u'-')
        ++i;
    const qsizetype intStart = i;
    while (i < n && t[i].isDigit() && t[i].unicode() < 128)
        ++i;
    const qsizetype intLen = i - intStart;
    if (intLen == 0 || intLen > 15 || (intLen > 1 && t[intStart] == u'0'))
        return -1;
    if (i == n)
        return 0;
    if (t[i] != u'.')
        return -1;
    ++i;
    const qsizetype decStart = i;
    while (i < n && t[i].isDigit() && t[i].unicode() < 128)
        ++i;
    const qsizetype decLen = i - decStart;
    if (i != n || decLen == 0 || decLen > kMaxDecimals)
        return -1;
    return int(decLen);
}

// The date of a text that is one; invalid otherwise. The grids' own form
// "yyyy/MM/dd" is read directly, any other through the general parser.
QDate dateOf(const QString& t)
{
    if (t.size() == 10 && t[4] == u'/' && t[7] == u'/') {
        int v[3] = {0, 0, 0};
        bool digits = true;
        for (int i = 0, part = 0; i < 10 && digits; ++i) {
            if (i == 4 || i == 7) {
                ++part;
                continue;
            }
            const char16_t ch = t[i].unicode();
            digits = ch >= u'0' && ch <= u'9';
            v[part] = v[part] * 10 + (ch - u'0');
        }
        if (digits && QDate::isValid(v[0], v[1], v[2]))
            return QDate(v[0], v[1], v[2]);
    }
    const auto p = parseDate(t);
    return p && p->hasDate ? p->date : QDate();
}

// Column width, in characters of the default font, that shows a text of
// `chars` characters whole.
double fittedWidth(qsizetype chars)
{
    return std::min(255.0, double(chars) * 1.1 + 1.0);
}

struct WorkbookCloser {
    lxw_workbook* wb = nullptr;
    ~WorkbookCloser()
    {
        if (wb)
            workbook_close(wb);
    }
};

} // namespace

bool isValidSheetName(const QString& name)
{
    if (name.isEmpty() || name.size() > 31)
        return false;
    static const QString bad = QStringLiteral("[]:*?/\\");
    for (const QChar ch : name)
        if (bad.contains(ch))
            return false;
    return !name.startsWith(u'\'') && !name.endsWith(u'\'');
}

WorkbookResult writeGridWorkbook(const QString& path, const CellText& cell, qint64 rowCount, qint64 colCount,
                                 const QString& sheetName)
{
    WorkbookResult res;
    // Written under a work name and renamed when complete: a kill part-way
    // never leaves a broken workbook under the name the user opens.
    const QString work = workFileName(path);
    QFile::remove(work);
    const QByteArray file = work.toUtf8();
    // Rows go out in order, so the rows need not be held in memory: a sheet
    // of a hundred thousand readings stays small.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    WorkbookCloser guard;
    guard.wb = workbook_new_opt(file.constData(), &options);
    if (!guard.wb) {
        res.error = QStringLiteral("The file could not be created.");
        return res;
    }
    lxw_workbook* wb = guard.wb;

    lxw_worksheet* ws = nullptr;
    if (isValidSheetName(sheetName)) {
        const QByteArray name = sheetName.toUtf8();
        if (workbook_validate_sheet_name(wb, name.constData()) == LXW_NO_ERROR) {
            ws = workbook_add_worksheet(wb, name.constData());
            if (ws)
                res.sheetName = sheetName;
        }
    }
    if (!ws) {
        ws = workbook_add_worksheet(wb, nullptr);
        res.sheetName = QStringLiteral("Sheet1");
    }
    if (!ws) {
        res.error = QStringLiteral("The sheet could not be added.");
        return res;
    }

    lxw_format* dateFormat = workbook_add_format(wb);
    format_set_num_format(dateFormat, "yyyy/mm/dd");
    std::array<lxw_format*, kMaxDecimals + 1> numberFormats{};
    auto numberFormat = [&](int decimals) {
        if (!numberFormats[decimals]) {
            numberFormats[decimals] = workbook_add_format(wb);
            const QByteArray pic = decimals == 0 ? QByteArray("0") : "0." + QByteArray(decimals, '0');
            format_set_num_format(numberFormats[decimals], pic.constData());
        }
        return numberFormats[decimals];
    };

    const qint64 cols = std::clamp<qint64>(colCount, 0, kExportColumns);
    const qint64 rows = std::clamp<qint64>(rowCount, 0, kMaxSheetRows);
    std::vector<qsizetype> widest(size_t(cols), 0);
    for (qint64 r = 0; r < rows; ++r) {
        for (qint64 c = 0; c < cols; ++c) {
            const QString t = cell(r, c);
            if (t.isEmpty())
                continue;
            const auto row = lxw_row_t(r);
            const auto col = lxw_col_t(c);
            qsizetype shown = t.size();
            if (c == 1) {
                // The date column: a date goes in as a date.
                if (const QDate d = dateOf(t); d.isValid()) {
                    lxw_datetime dt{d.year(), d.month(), d.day(), 0, 0, 0.0};
                    worksheet_write_datetime(ws, row, col, &dt, dateFormat);
                    widest[size_t(c)] = std::max<qsizetype>(widest[size_t(c)], 10);
                    continue;
                }
            }
            const int decimals = plainNumberDecimals(t);
            if (decimals >= 0) {
                worksheet_write_number(ws, row, col, t.toDouble(), numberFormat(decimals));
            } else {
                const QByteArray utf8 = t.toUtf8();
                worksheet_write_string(ws, row, col, utf8.constData(), nullptr);
            }
            widest[size_t(c)] = std::max(widest[size_t(c)], shown);
        }
    }
    res.rowsWritten = rows;

    // Columns beyond the tenth hold nothing, and an empty column fitted to its
    // contents keeps the standard width.
    for (qint64 c = 0; c < cols; ++c)
        if (widest[size_t(c)] > 0)
            worksheet_set_column(ws, lxw_col_t(c), lxw_col_t(c), fittedWidth(widest[size_t(c)]), nullptr);

    guard.wb = nullptr;
    const lxw_error err = workbook_close(wb);
    if (err != LXW_NO_ERROR) {
        res.error = QString::fromUtf8(lxw_strerror(err));
        QFile::remove(work);
        return res;
    }
    if (!putWorkFileInPlace(work, path, &res.error))
        return res;
    res.ok = true;
    return res;
}

} // namespace rv::reports
