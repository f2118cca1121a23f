#include "readings/datasheet_data.h"

#include "common/numbers.h"
#include "store/audit.h"
#include "store/cell.h"
#include "store/conflict.h"
#include "store/connection.h"
#include "store/dberror.h"

#include <cmath>
#include <limits>

namespace rv::datasheet {

namespace {

const QString kFlagFields[2] = {QStringLiteral("Plottemporal"), QStringLiteral("PlotSpatial")};


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
    m_edits.clear();
    m_flags.clear();
    m_editedRows.clear();
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
    row.key = store::detail::displayText(valueAt(0));
    if (l.n > 1)
        row.date = store::detail::displayText(valueAt(1));
    if (l.n > 2)
        row.time = store::detail::displayText(valueAt(2));
    const int nch = l.channelCount();
    row.values.reserve(nch);
    for (int c = 0; c < nch; ++c) {
        const QVariant v = valueAt(3 + c);
        if (!v.isValid() || v.isNull())
            row.values << QString();
        else if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::LongLong)
            row.values << numberText(v.toDouble());
        else
            row.values << store::detail::displayText(v);
    }
    for (int f = 0; f < 2; ++f) {
        const QVariant v = valueAt(l.n + f);
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

QString Model::text(int row, int col) const
{
    if (m_layout.isChannel(col)) {
        const auto it = m_edits.constFind(cellId(row, col));
        if (it != m_edits.constEnd())
            return it.value();
    }
    return storedText(row, col);
}

void Model::setText(int row, int col, const QString& t)
{
    if (!m_layout.isChannel(col) || row < 0 || row >= readingCount())
        return;
    noteEdited(row);
    m_edits.insert(cellId(row, col), t);
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

bool Model::isEdited(int row, int col) const
{
    return m_edits.contains(cellId(row, col));
}

void Model::noteEdited(int row)
{
    if (!m_editedRows.count(row)) {
        const Row& r = rowAt(row);
        m_editedRows[row] = r.bookmark;
        m_editedVersions[row] = r.version;
    }
}

bool Model::flag(int row, int col) const
{
    const auto it = m_flags.constFind(cellId(row, col));
    if (it != m_flags.constEnd())
        return it.value();
    // A flag stored as null shows set, as on the Readings page.
    return rowAt(row).storedFlag[col == m_layout.n ? 0 : 1] != 0;
}

void Model::setFlag(int row, int col, bool on)
{
    if (!m_layout.isFlag(col) || row < 0 || row >= readingCount())
        return;
    noteEdited(row);
    m_flags.insert(cellId(row, col), on);
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
    const Layout& l = m_layout;
    std::vector<int> index(static_cast<size_t>(l.columnCount()));
    for (int k = 0; k < l.columnCount(); ++k)
        index[static_cast<size_t>(k)] = rs.fieldIndex(l.fields[k]);
    auto storedAt = [&](int col) {
        const int i = index[static_cast<size_t>(col)];
        const QVariant v = i < 0 ? QVariant() : rs.value(i);
        if (!v.isValid() || v.isNull())
            return QString();
        if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::LongLong)
            return numberText(v.toDouble());
        return store::detail::displayText(v);
    };

    // A failure rolls the file back; the set must then describe the file
    // as it is again, not the rows written before the failure.
    const store::Recordset::Saved before = rs.save();
    try {
        store::Connection::Transaction tx(conn);
        store::AuditWriter log(conn);
        for (const auto& [r, bm] : m_editedRows) {
            // The set is the one the rows came from; a row out of step would
            // put one reading's values into another.
            if (r >= rs.recordCount())
                throw store::DbError(store::err::EngineError,
                                     QStringLiteral("The readings changed while the datasheet was open."));
            // Read before the set moves there: the key as the sheet showed it.
            const QString shownKey = others ? rowAt(r).key : QString();
            rs.setAbsolutePosition(r + 1);
            if (rs.bookmark() != bm)
                throw store::DbError(store::err::EngineError,
                                     QStringLiteral("The readings changed while the datasheet was open."));
            // A reading someone else changed since the sheet showed it keeps
            // their values: the user's cells for it were typed over values
            // that are no longer stored. The store's write checks the same
            // again, for a change made while this runs.
            const auto shownVersion = m_editedVersions.find(r);
            auto overtaken = [&](bool deleted) {
                rs.cancelUpdate();
                if (others)
                    others->push_back({shownKey, deleted});
            };
            try {
                if (shownVersion != m_editedVersions.end() && rs.rowVersion() != shownVersion->second) {
                    overtaken(false);
                    continue;
                }
            } catch (const store::DbError& e) {
                if (e.number() != store::err::RecordDeleted)
                    throw;
                overtaken(true);
                continue;
            }
            QString key;
            bool any = false;
            // What the change log keeps: the fields written, before and after.
            store::AuditPairs oldPairs;
            store::AuditPairs newPairs;
            auto note = [&](int field, const QVariant& now) {
                const QVariant was = rs.value(field);
                if (was.isValid() && !was.isNull() && now.isValid() && !now.isNull() && was == now)
                    return;  // the same number typed another way
                oldPairs.add(rs.fieldName(field), was);
                newPairs.add(rs.fieldName(field), now);
            };
            for (int c = 3; c < l.n; ++c) {
                const auto it = m_edits.constFind(cellId(r, c));
                if (it == m_edits.constEnd() || index[static_cast<size_t>(c)] < 0)
                    continue;
                const QString typed = it.value();
                if (typed == storedAt(c))
                    continue;
                if (typed.trimmed().isEmpty()) {
                    note(index[static_cast<size_t>(c)], QVariant());
                    rs.setValue(index[static_cast<size_t>(c)], QVariant());
                    any = true;
                } else if (const auto v = toNumber(typed)) {
                    note(index[static_cast<size_t>(c)], *v);
                    rs.setValue(index[static_cast<size_t>(c)], *v);
                    any = true;
                } else {
                    if (key.isNull())
                        key = storedAt(0);
                    unsaved.push_back({key, l.headers[c], typed});
                }
            }
            for (int f = 0; f < 2; ++f) {
                const int i = index[static_cast<size_t>(l.n + f)];
                if (i < 0)
                    continue;
                const QVariant v = rs.value(i);
                const int stored = (!v.isValid() || v.isNull()) ? -1 : (v.toBool() ? 1 : 0);
                const auto it = m_flags.constFind(cellId(r, l.n + f));
                const bool want = it != m_flags.constEnd() ? it.value() : stored != 0;
                if (stored != (want ? 1 : 0)) {
                    note(i, want);
                    rs.setValue(i, want);
                    any = true;
                }
            }
            if (any) {
                try {
                    rs.update();
                } catch (const store::DbError& e) {
                    if (!store::isConflict(e))
                        throw;
                    overtaken(e.number() == store::err::DeletedByOther);
                    continue;
                }
                // Logged after the write, which may be refused.
                if (!newPairs.isEmpty())
                    log.write({rs.tableName(), rs.text(QStringLiteral("DateTimeKey")), store::audit::Edit,
                               oldPairs.text(), newPairs.text()});
            }
        }
        tx.commit();
    } catch (...) {
        rs.restore(before);
        throw;
    }
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
