#include "readings/datasheet_data.h"

#include "common/numbers.h"
#include "store/audit.h"
#include "store/bulk.h"
#include "store/cell.h"
#include "store/conflict.h"
#include "store/connection.h"
#include "store/dberror.h"
#include "store/tableinfo.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <numeric>
#include <string>

namespace rv::datasheet {

namespace {

const QString kFlagFields[2] = {QStringLiteral("Plottemporal"), QStringLiteral("PlotSpatial")};

// Nothing but white space (what trimming would empty), without a copy.
bool isBlank(const QString& s)
{
    for (const QChar c : s)
        if (!c.isSpace())
            return false;
    return true;
}


} // namespace

Layout layoutFor(const QString& sensorId)
{
    Layout l;
    // The type code's first digit; a number without one reads as 0.
    const QChar c = sensorId.size() > 4 ? sensorId.at(4) : QChar();
    l.d = c.isDigit() ? c.digitValue() : 0;
    l.n = l.d + 3;
    const QStringList fixedHeaders = {QStringLiteral("DateTime Key"), QStringLiteral("ReadingDate"),
                                      QStringLiteral("R. Time"), QStringLiteral("ChannelT")};
    const QStringList fixedFields = {QStringLiteral("DateTimeKey"), QStringLiteral("ReadingDate"),
                                     QStringLiteral("ReadingTime"), QStringLiteral("ChannelT")};
    for (int k = 0; k < l.n; ++k) {
        if (k < 4) {
            l.headers << fixedHeaders[k];
            l.fields << fixedFields[k];
        } else {
            l.headers << QStringLiteral("Channel%1").arg(k - 3);
            l.fields << QStringLiteral("Channel%1").arg(k - 3);
        }
    }
    l.headers << QStringLiteral("PlotTemporal") << QStringLiteral("PlotSpatial");
    l.fields << kFlagFields[0] << kFlagFields[1];
    return l;
}

QList<int> columnWidthsTwips(const Layout& l)
{
    QList<int> w;
    for (int k = 0; k < l.columnCount(); ++k)
        w << 120 * static_cast<int>(l.headers[k].trimmed().size());
    w[0] = 2600;
    return w;
}

KeyAction keyAction(int code, int column, const Layout& l, bool backTab)
{
    if (code == 9)
        return backTab ? KeyAction::PreviousCell : KeyAction::NextCell;
    const bool digit = (code >= '0' && code <= '9') || code == '.';
    if (l.isFlag(column)) {
        // A flag cell holds a picture, not a text: Space switches it as a
        // click does, and the editing keys have nothing to act on.
        if (code == ' ')
            return KeyAction::ToggleFlag;
        if (digit || code == 8)
            return KeyAction::Nothing;
        return KeyAction::RefuseNotNumber;
    }
    if (code == 8)
        return Layout::isFixed(column) ? KeyAction::Nothing : KeyAction::Backspace;
    if (Layout::isFixed(column))
        return KeyAction::RefuseFixed;
    return digit ? KeyAction::Append : KeyAction::RefuseNotNumber;
}

void nextCell(int& row, int& col, int rows, int cols)
{
    if (rows <= 0 || cols <= 0)
        return;
    if (++col < cols)
        return;
    col = 0;
    if (++row >= rows)
        row = 0;
}

void previousCell(int& row, int& col, int rows, int cols)
{
    if (rows <= 0 || cols <= 0)
        return;
    if (--col >= 0)
        return;
    col = cols - 1;
    if (--row < 0)
        row = rows - 1;
}

Model::Model(QObject* parent) : QAbstractTableModel(parent) {}

namespace {

// Rows read from the set at a time, and kept, around the row asked for.
constexpr int kWindow = 128;

} // namespace

void Model::load(store::Recordset& rs, const Layout& l)
{
    beginResetModel();
    m_layout = l;
    m_rs = &rs;
    m_win.clear();
    m_winStart = 0;
    m_edited.clear();
    m_editedAt.clear();
    m_editedNumbers.clear();
    m_typed.clear();
    m_fieldAt.assign(static_cast<size_t>(l.columnCount()), -1);
    for (int k = 0; k < l.columnCount(); ++k)
        m_fieldAt[static_cast<size_t>(k)] = rs.fieldIndex(l.fields[k]);
    m_count = rs.recordCount();
    if (m_count > 0)
        rs.moveFirst();
    endResetModel();
}

// The current row of the set as the grid shows it.
Model::Row Model::readRow() const
{
    const Layout& l = m_layout;
    store::Recordset& rs = *m_rs;
    auto valueAt = [&](int col) {
        const int i = m_fieldAt[static_cast<size_t>(col)];
        return i < 0 ? QVariant() : rs.value(i);
    };
    Row row;
    row.bookmark = rs.bookmark();
    row.version = rs.rowVersion();
    // Key, date and time are shown as stored and never written back.
    const QVariant key = valueAt(0);
    row.key = store::detail::displayText(key);
    row.plain = !key.isValid() || key.isNull() || key.metaType().id() == QMetaType::QString;
    if (l.n > 1)
        row.date = store::detail::displayText(valueAt(1));
    if (l.n > 2)
        row.time = store::detail::displayText(valueAt(2));
    const int nch = l.channelCount();
    row.values.reserve(nch);
    for (int c = 0; c < nch; ++c) {
        const QVariant v = valueAt(3 + c);
        if (!v.isValid() || v.isNull()) {
            row.values << QString();
            row.nullMask |= 1u << c;
            row.numbers.append(0.0);
        } else if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::LongLong) {
            row.values << numberText(v.toDouble());
            row.numbers.append(v.toDouble());
            row.plain = row.plain && v.metaType().id() == QMetaType::Double;
        } else {
            row.values << store::detail::displayText(v);
            row.numbers.append(0.0);
            row.plain = false;
        }
    }
    for (int f = 0; f < 2; ++f) {
        const QVariant v = valueAt(l.n + f);
        if (v.isValid() && !v.isNull() && v.metaType().id() != QMetaType::Bool)
            row.plain = false;
        row.storedFlag[f] = (!v.isValid() || v.isNull()) ? -1 : (v.toBool() ? 1 : 0);
    }
    return row;
}

const Model::Row& Model::rowAt(int row) const
{
    if (row >= m_winStart && row < m_winStart + static_cast<int>(m_win.size()))
        return m_win[static_cast<size_t>(row - m_winStart)];
    // A view scrolls both ways: the window starts a little above the row.
    const int start = std::max(0, std::min(row - kWindow / 4, m_count - kWindow));
    const int end = std::min(m_count, start + kWindow);
    std::vector<Row> win;
    win.reserve(static_cast<size_t>(end - start));
    // Called while the view paints: a row the file has lost since the sheet
    // opened shows blank rather than ending the program.
    try {
        m_rs->setAbsolutePosition(start + 1);
    } catch (const store::DbError&) {
    }
    for (int r = start; r < end; ++r) {
        try {
            if (r > start)
                m_rs->moveNext();
            win.push_back(readRow());
        } catch (const store::DbError&) {
            Row blank;
            blank.plain = false;
            blank.values = QStringList(QList<QString>(m_layout.channelCount()));
            win.push_back(std::move(blank));
        }
    }
    m_win = std::move(win);
    m_winStart = start;
    return m_win[static_cast<size_t>(row - m_winStart)];
}

int Model::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : readingCount();
}

int Model::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_layout.columnCount();
}

QString Model::header(int col) const
{
    if (m_count == 0)
        return col == 0 ? QStringLiteral("No Readings") : QString();
    return m_layout.headers.value(col);
}

QVariant Model::headerData(int section, Qt::Orientation o, int role) const
{
    if (o != Qt::Horizontal || section < 0 || section >= m_layout.columnCount())
        return QAbstractTableModel::headerData(section, o, role);
    if (role == Qt::DisplayRole)
        return header(section);
    return QVariant();
}

Qt::ItemFlags Model::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // Cells are changed through the keys the window hands over, never by
    // an editor of the view.
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

QString Model::storedText(int row, int col) const
{
    const Row& r = rowAt(row);
    if (col == 0)
        return r.key;
    if (col == 1)
        return r.date;
    if (col == 2)
        return r.time;
    if (m_layout.isFlag(col))
        return flag(row, col) ? QStringLiteral("True") : QStringLiteral("False");
    return r.values.value(col - 3);
}

const Model::Edited* Model::edited(int row) const
{
    const auto it = m_editedAt.constFind(row);
    return it == m_editedAt.constEnd() ? nullptr : &m_edited[static_cast<size_t>(it.value())];
}

const QString* Model::typed(int row, int col) const
{
    const Edited* e = edited(row);
    for (int t = e ? e->lastTyped : -1; t >= 0; t = m_typed[static_cast<size_t>(t)].previous) {
        if (m_typed[static_cast<size_t>(t)].col == col)
            return &m_typed[static_cast<size_t>(t)].text;
    }
    return nullptr;
}

QString Model::text(int row, int col) const
{
    if (m_layout.isChannel(col)) {
        if (const QString* t = typed(row, col))
            return *t;
    }
    return storedText(row, col);
}

void Model::setText(int row, int col, const QString& t)
{
    if (!m_layout.isChannel(col) || row < 0 || row >= readingCount())
        return;
    Edited& e = noteEdited(row);
    if (QString* was = const_cast<QString*>(typed(row, col))) {
        *was = t;
    } else {
        m_typed.push_back({col, e.lastTyped, t});
        e.lastTyped = static_cast<int>(m_typed.size()) - 1;
    }
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

bool Model::isEdited(int row, int col) const
{
    return typed(row, col) != nullptr;
}

Model::Edited& Model::noteEdited(int row)
{
    const auto it = m_editedAt.constFind(row);
    if (it != m_editedAt.constEnd())
        return m_edited[static_cast<size_t>(it.value())];
    const Row& r = rowAt(row);
    Edited e;
    e.row = row;
    e.bookmark = r.bookmark;
    e.version = r.version;
    e.key = r.key;
    e.plain = r.plain;
    e.storedFlag[0] = r.storedFlag[0];
    e.storedFlag[1] = r.storedFlag[1];
    e.nullMask = r.nullMask;
    e.numbersAt = static_cast<int>(m_editedNumbers.size());
    m_editedNumbers.insert(m_editedNumbers.end(), r.numbers.begin(), r.numbers.end());
    m_editedAt.insert(row, static_cast<int>(m_edited.size()));
    m_edited.push_back(std::move(e));
    return m_edited.back();
}

bool Model::flag(int row, int col) const
{
    const int f = col == m_layout.n ? 0 : 1;
    if (const Edited* e = edited(row); e && e->flag[f] >= 0)
        return e->flag[f] != 0;
    // A flag stored as null shows set, as on the Readings page.
    return rowAt(row).storedFlag[f] != 0;
}

void Model::setFlag(int row, int col, bool on)
{
    if (!m_layout.isFlag(col) || row < 0 || row >= readingCount())
        return;
    noteEdited(row).flag[col == m_layout.n ? 0 : 1] = on ? 1 : 0;
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, {FlagRole});
}

QVariant Model::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= readingCount() || index.column() >= m_layout.columnCount())
        return QVariant();
    const int col = index.column();
    switch (role) {
    case Qt::DisplayRole:
        // The flag cells show only their picture.
        return m_layout.isFlag(col) ? QVariant() : QVariant(text(index.row(), col));
    case FlagRole:
        return m_layout.isFlag(col) ? QVariant(flag(index.row(), col)) : QVariant();
    case Qt::TextAlignmentRole:
        return m_layout.isChannel(col) ? QVariant(Qt::AlignRight | Qt::AlignVCenter)
                                       : QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return QVariant();
    }
}

QList<QStringList> Model::texts() const
{
    QList<QStringList> out;
    out.reserve(readingCount() + 1);
    QStringList head;
    for (int c = 0; c < m_layout.columnCount(); ++c)
        head << header(c);
    out << head;
    for (int r = 0; r < readingCount(); ++r) {
        QStringList line;
        line.reserve(m_layout.columnCount());
        for (int c = 0; c < m_layout.columnCount(); ++c)
            line << text(r, c);
        out << line;
    }
    return out;
}

std::vector<Unsaved> Model::writeBack(store::Recordset& rs, store::Connection& conn,
                                     std::vector<Overtaken>* others) const
{
    std::vector<Unsaved> unsaved;
    if (m_edited.empty())
        return unsaved;
    const Layout& l = m_layout;
    const int ncol = l.columnCount();
    std::vector<int> index(static_cast<size_t>(ncol));
    for (int k = 0; k < ncol; ++k)
        index[static_cast<size_t>(k)] = rs.fieldIndex(l.fields[k]);
    const int keyField = rs.fieldIndex(QStringLiteral("DateTimeKey"));
    if (keyField < 0)
        rs.text(QStringLiteral("DateTimeKey"));  // throws, naming the missing field

    // The edited rows are read and written by rowid with one statement each,
    // reused from row to row; the set is told afterwards what it must read
    // again. Columns read: the key, then every grid column that has a field.
    // The table as the set read it when it opened (its stored name, the
    // columns' names and types): no need to ask the file again.
    store::TableShape shape;
    shape.table = rs.tableName();
    shape.cols.resize(static_cast<size_t>(rs.fieldCount()));
    for (int i = 0; i < rs.fieldCount(); ++i) {
        shape.cols[static_cast<size_t>(i)].name = rs.fieldName(i);
        shape.cols[static_cast<size_t>(i)].type = rs.fieldType(i);
    }
    std::vector<int> readAt(static_cast<size_t>(ncol), -1);  // place in the SELECT
    std::vector<store::ColType> types{rs.fieldType(keyField)};
    QStringList names{store::detail::quoteIdent(rs.fieldName(keyField))};
    std::vector<QByteArray> fieldUtf8(static_cast<size_t>(ncol));
    for (int k = 0; k < ncol; ++k) {
        const int i = index[static_cast<size_t>(k)];
        if (i < 0 || k < 3)
            continue;
        readAt[static_cast<size_t>(k)] = static_cast<int>(names.size());
        names << store::detail::quoteIdent(rs.fieldName(i));
        types.push_back(rs.fieldType(i));
        fieldUtf8[static_cast<size_t>(k)] = rs.fieldName(i).toUtf8();
    }
    const QByteArray readSql = (QStringLiteral("SELECT ") + names.join(QStringLiteral(", ")) + QStringLiteral(" FROM ")
                                + store::detail::quoteIdent(shape.table) + QStringLiteral(" WHERE rowid = ?1"))
                                   .toUtf8();
    const QByteArray table = rs.tableName().toUtf8();
    const QByteArray action = store::audit::Edit.toUtf8();

    // One UPDATE per set of columns written (a bit per grid column).
    std::map<unsigned, std::unique_ptr<store::BulkUpdate>> updates;
    auto updateFor = [&](unsigned mask) -> store::BulkUpdate& {
        auto it = updates.find(mask);
        if (it == updates.end()) {
            QStringList cols;
            for (int k = 0; k < ncol; ++k)
                if (mask & (1u << k))
                    cols << rs.fieldName(index[static_cast<size_t>(k)]);
            it = updates.emplace(mask, std::make_unique<store::BulkUpdate>(conn, shape, cols, store::RowVersion::Check))
                     .first;
        }
        return *it->second;
    };

    std::vector<qint64> written;
    std::vector<QVariant> values(static_cast<size_t>(ncol));
    store::detail::TextPool pool;
    store::AuditPairsUtf8 oldPairs;
    store::AuditPairsUtf8 newPairs;
    std::string shown;
    std::string keyUtf8;
    {
        store::Connection::Transaction tx(conn);
        store::AuditWriter log(conn);
        store::BulkQuery q(conn, readSql);
        const int count = rs.recordCount();
        // In the order of the rows (the order edited, when that is it).
        std::vector<int> order;
        const auto byRow = [](const Edited& a, const Edited& b) { return a.row < b.row; };
        if (!std::is_sorted(m_edited.begin(), m_edited.end(), byRow)) {
            order.resize(m_edited.size());
            std::iota(order.begin(), order.end(), 0);
            std::sort(order.begin(), order.end(), [&](int a, int b) {
                return byRow(m_edited[static_cast<size_t>(a)], m_edited[static_cast<size_t>(b)]);
            });
        }
        // The typed cells of the row at hand, by channel.
        std::vector<const QString*> typedAt(static_cast<size_t>(l.channelCount()), nullptr);
        for (size_t k = 0; k < m_edited.size(); ++k) {
            const Edited& e = m_edited[order.empty() ? k : static_cast<size_t>(order[k])];
            const int r = e.row;
            const qint64 bm = e.bookmark;
            // The set is the one the rows came from; a row out of step would
            // put one reading's values into another.
            if (r >= count || rs.bookmarkAt(r + 1) != bm)
                throw store::DbError(store::err::EngineError,
                                     QStringLiteral("The readings changed while the datasheet was open."));
            // A reading someone else changed or deleted since the sheet
            // showed it keeps their values: the user's cells for it were
            // typed over values that are no longer stored. The write checks
            // the version the sheet showed.
            auto overtaken = [&](bool deleted) {
                if (others)
                    others->push_back({e.key, deleted});
            };
            // A row shown with anything but numbers, nulls and Yes/No is read
            // again, so that its values are compared and logged as stored.
            const bool fromFile = !e.plain;
            if (fromFile) {
                q.restart();
                q.bindInt(1, bm);
                if (!q.next()) {
                    overtaken(true);
                    continue;
                }
                pool.clear();
            }
            auto storedValue = [&](int col) -> QVariant {
                if (fromFile) {
                    const int at = readAt[static_cast<size_t>(col)];
                    return at < 0 ? QVariant()
                                  : store::detail::cellValue(q.cell(at, types[static_cast<size_t>(at)], pool), pool);
                }
                if (index[static_cast<size_t>(col)] < 0)
                    return QVariant();
                if (col >= l.n) {
                    const signed char f = e.storedFlag[col - l.n];
                    return f < 0 ? QVariant() : QVariant(f != 0);
                }
                const int c = col - 3;
                if ((e.nullMask >> c) & 1u)
                    return QVariant();
                return QVariant(m_editedNumbers[static_cast<size_t>(e.numbersAt + c)]);
            };
            oldPairs.clear();
            newPairs.clear();
            unsigned mask = 0;
            QString key;
            // What the change log keeps: the fields written, before and after.
            // wasShown: the old value's text when it is a number already written.
            auto note = [&](int col, const QVariant& was, const QVariant& now, const std::string* wasShown = nullptr) {
                if (was.isValid() && !was.isNull() && now.isValid() && !now.isNull() && was == now)
                    return;  // the same number typed another way
                if (wasShown)
                    oldPairs.addWritten(fieldUtf8[static_cast<size_t>(col)], *wasShown);
                else
                    oldPairs.add(fieldUtf8[static_cast<size_t>(col)], was);
                newPairs.add(fieldUtf8[static_cast<size_t>(col)], now);
            };
            std::fill(typedAt.begin(), typedAt.end(), nullptr);
            for (int t = e.lastTyped; t >= 0; t = m_typed[static_cast<size_t>(t)].previous) {
                const Typed& cell = m_typed[static_cast<size_t>(t)];
                typedAt[static_cast<size_t>(cell.col - 3)] = &cell.text;
            }
            for (int c = 3; c < l.n; ++c) {
                if (index[static_cast<size_t>(c)] < 0 || !typedAt[static_cast<size_t>(c - 3)])
                    continue;
                const QString& typed = *typedAt[static_cast<size_t>(c - 3)];
                const QVariant was = storedValue(c);
                // The stored value as the grid showed it.
                bool same;
                const bool number = was.metaType().id() == QMetaType::Double;
                if (!was.isValid() || was.isNull()) {
                    same = typed.isEmpty();
                } else if (number || was.metaType().id() == QMetaType::LongLong) {
                    shown.clear();
                    appendNumberText(shown, was.toDouble());
                    same = typed == QLatin1StringView(shown.data(), static_cast<qsizetype>(shown.size()));
                } else {
                    same = typed == store::detail::displayText(was);
                }
                if (same)
                    continue;
                const std::string* wasShown = number ? &shown : nullptr;
                if (isBlank(typed)) {
                    note(c, was, QVariant(), wasShown);
                    values[static_cast<size_t>(c)] = QVariant();
                    mask |= 1u << c;
                } else if (const auto v = toNumber(typed)) {
                    note(c, was, *v, wasShown);
                    values[static_cast<size_t>(c)] = *v;
                    mask |= 1u << c;
                } else {
                    if (key.isNull()) {
                        if (fromFile) {
                            const QVariant k = store::detail::cellValue(q.cell(0, types[0], pool), pool);
                            key = (k.metaType().id() == QMetaType::Double || k.metaType().id() == QMetaType::LongLong)
                                ? numberText(k.toDouble())
                                : store::detail::displayText(k);
                        } else {
                            key = e.key;
                        }
                    }
                    unsaved.push_back({key, l.headers[c], typed});
                }
            }
            for (int f = 0; f < 2; ++f) {
                const int col = l.n + f;
                if (index[static_cast<size_t>(col)] < 0)
                    continue;
                const QVariant v = storedValue(col);
                const int stored = (!v.isValid() || v.isNull()) ? -1 : (v.toBool() ? 1 : 0);
                const bool want = e.flag[f] >= 0 ? e.flag[f] != 0 : stored != 0;
                if (stored != (want ? 1 : 0)) {
                    note(col, v, want);
                    values[static_cast<size_t>(col)] = want;
                    mask |= 1u << col;
                }
            }
            if (mask == 0)
                continue;
            // The key the change log names, taken before the write moves on
            // from the row read.
            const bool logged = !newPairs.isEmpty() && log.hasLog();
            if (logged && !fromFile) {
                // A text key (or none), as shown.
                keyUtf8.clear();
                bool ascii = true;
                for (const QChar ch : e.key)
                    ascii = ascii && ch.unicode() < 0x80;
                if (ascii) {
                    for (const QChar ch : e.key)
                        keyUtf8.push_back(static_cast<char>(ch.unicode()));
                } else {
                    const QByteArray b = e.key.toUtf8();
                    keyUtf8.assign(b.constData(), static_cast<size_t>(b.size()));
                }
            } else if (logged) {
                const QByteArrayView k = q.bytes(0);
                if (!q.isNull(0) && types[0] == store::ColType::Text && k.isValidUtf8()) {
                    keyUtf8.assign(k.data(), static_cast<size_t>(k.size()));
                } else {
                    const QByteArray b = store::detail::cellText(q.cell(0, types[0], pool), pool).toUtf8();
                    keyUtf8.assign(b.constData(), static_cast<size_t>(b.size()));
                }
            }
            store::BulkUpdate& u = updateFor(mask);
            int p = 0;
            for (int k = 0; k < ncol; ++k)
                if (mask & (1u << k))
                    u.setValue(p++, values[static_cast<size_t>(k)]);
            try {
                u.update(bm, e.version);
            } catch (const store::DbError& err) {
                if (!store::isConflict(err))
                    throw;
                overtaken(err.number() == store::err::DeletedByOther);
                continue;
            }
            // Logged after the write, which may be refused.
            if (logged)
                log.writeUtf8(table, QByteArrayView(keyUtf8.data(), static_cast<qsizetype>(keyUtf8.size())), action,
                              oldPairs.text(), newPairs.text());
            written.push_back(bm);
        }
        tx.commit();
    }
    // The set shows what the file now holds (on a failure nothing was
    // written and the set was never changed).
    rs.rowsWritten(written);
    return unsaved;
}

QString overtakenMessage(const std::vector<Overtaken>& rows, const std::function<QString(const QString&)>& who)
{
    if (rows.empty())
        return QString();
    constexpr size_t kShown = 20;
    QString m = QStringLiteral("Another user changed or deleted these readings while the datasheet was open. "
                               "Your changes to them were not saved; they keep the other user's values:");
    for (size_t k = 0; k < rows.size() && k < kShown; ++k) {
        const Overtaken& o = rows[k];
        m += QStringLiteral("\n%1  %2").arg(o.key, o.deleted ? QStringLiteral("deleted") : QStringLiteral("changed"));
        const QString by = who ? who(o.key) : QString();
        m += by.isEmpty() ? QStringLiteral(" (by whom and when is not known)") : QStringLiteral(" ") + by;
    }
    if (rows.size() > kShown)
        m += QStringLiteral("\n... and %1 more").arg(rows.size() - kShown);
    m += QStringLiteral("\nYour other changes were saved. Open the datasheet again to see the stored values.");
    return m;
}

QString unsavedMessage(const std::vector<Unsaved>& unsaved)
{
    if (unsaved.empty())
        return QString();
    constexpr size_t kShown = 20;
    QString m = QStringLiteral("These values are not numbers and were not saved; the readings keep their stored values:");
    for (size_t k = 0; k < unsaved.size() && k < kShown; ++k) {
        const Unsaved& u = unsaved[k];
        m += QStringLiteral("\n%1  %2: \"%3\"").arg(u.key, u.column, u.text);
    }
    if (unsaved.size() > kShown)
        m += QStringLiteral("\n... and %1 more").arg(unsaved.size() - kShown);
    return m;
}

} // namespace rv::datasheet
