#include "readings/datasheet_data.h"

#include "common/numbers.h"
#include "store/cell.h"
#include "store/connection.h"
#include "store/dberror.h"

#include <cmath>
#include <limits>

namespace rv::datasheet {

namespace {

const QString kFlagFields[2] = {QStringLiteral("Plottemporal"), QStringLiteral("PlotSpatial")};

constexpr double kNull = std::numeric_limits<double>::quiet_NaN();

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

void Model::load(store::Recordset& rs, const Layout& l)
{
    beginResetModel();
    m_layout = l;
    m_rows.clear();
    m_values.clear();
    m_oddStored.clear();
    m_edits.clear();

    const int nch = l.channelCount();
    std::vector<int> index(static_cast<size_t>(l.columnCount()));
    for (int k = 0; k < l.columnCount(); ++k)
        index[static_cast<size_t>(k)] = rs.fieldIndex(l.fields[k]);
    auto valueAt = [&](int col) {
        const int i = index[static_cast<size_t>(col)];
        return i < 0 ? QVariant() : rs.value(i);
    };

    const int count = rs.recordCount();
    m_rows.reserve(static_cast<size_t>(count));
    m_values.reserve(static_cast<size_t>(count) * static_cast<size_t>(nch));
    if (count > 0) {
        rs.moveFirst();
        while (!rs.eof()) {
            const int r = static_cast<int>(m_rows.size());
            Row row;
            row.bookmark = rs.bookmark();
            // Key, date and time are shown as stored and never written back.
            row.key = store::detail::displayText(valueAt(0));
            if (l.n > 1)
                row.date = store::detail::displayText(valueAt(1));
            if (l.n > 2)
                row.time = store::detail::displayText(valueAt(2));
            for (int c = 0; c < nch; ++c) {
                const QVariant v = valueAt(3 + c);
                if (!v.isValid() || v.isNull()) {
                    m_values.push_back(kNull);
                } else if (v.metaType().id() == QMetaType::Double || v.metaType().id() == QMetaType::LongLong) {
                    m_values.push_back(v.toDouble());
                } else {
                    m_values.push_back(kNull);
                    m_oddStored.insert(cellId(r, 3 + c), store::detail::displayText(v));
                }
            }
            for (int f = 0; f < 2; ++f) {
                const QVariant v = valueAt(l.n + f);
                if (!v.isValid() || v.isNull()) {
                    row.storedFlag[f] = -1;
                    row.flag[f] = true;
                } else {
                    row.storedFlag[f] = v.toBool() ? 1 : 0;
                    row.flag[f] = v.toBool();
                }
            }
            m_rows.push_back(std::move(row));
            rs.moveNext();
        }
        rs.moveFirst();
    }
    endResetModel();
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
    if (m_rows.empty())
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
    if (col == 0)
        return m_rows[static_cast<size_t>(row)].key;
    if (col == 1)
        return m_rows[static_cast<size_t>(row)].date;
    if (col == 2)
        return m_rows[static_cast<size_t>(row)].time;
    if (m_layout.isFlag(col))
        return flag(row, col) ? QStringLiteral("True") : QStringLiteral("False");
    const double v = m_values[static_cast<size_t>(row) * static_cast<size_t>(m_layout.channelCount())
                              + static_cast<size_t>(col - 3)];
    if (std::isnan(v))
        return m_oddStored.value(cellId(row, col));
    return numberText(v);
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
    m_edits.insert(cellId(row, col), t);
    const QModelIndex i = index(row, col);
    emit dataChanged(i, i, {Qt::DisplayRole});
}

bool Model::isEdited(int row, int col) const
{
    return m_edits.contains(cellId(row, col));
}

bool Model::flag(int row, int col) const
{
    return m_rows[static_cast<size_t>(row)].flag[col == m_layout.n ? 0 : 1];
}

void Model::setFlag(int row, int col, bool on)
{
    if (!m_layout.isFlag(col) || row < 0 || row >= readingCount())
        return;
    m_rows[static_cast<size_t>(row)].flag[col == m_layout.n ? 0 : 1] = on;
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

std::vector<Unsaved> Model::writeBack(store::Recordset& rs, store::Connection& conn) const
{
    std::vector<Unsaved> unsaved;
    const Layout& l = m_layout;
    std::vector<int> index(static_cast<size_t>(l.columnCount()));
    for (int k = 0; k < l.columnCount(); ++k)
        index[static_cast<size_t>(k)] = rs.fieldIndex(l.fields[k]);

    store::Connection::Transaction tx(conn);
    if (!m_rows.empty())
        rs.moveFirst();
    for (int r = 0; r < readingCount(); ++r) {
        const Row& row = m_rows[static_cast<size_t>(r)];
        // The set is the one the rows came from; a row out of step would
        // put one reading's values into another.
        if (rs.eof() || rs.bookmark() != row.bookmark)
            throw store::DbError(store::err::EngineError,
                                 QStringLiteral("The readings changed while the datasheet was open."));
        bool any = false;
        for (int c = 3; c < l.n; ++c) {
            const auto it = m_edits.constFind(cellId(r, c));
            if (it == m_edits.constEnd() || index[static_cast<size_t>(c)] < 0)
                continue;
            const QString typed = it.value();
            if (typed == storedText(r, c))
                continue;
            if (typed.trimmed().isEmpty()) {
                rs.setValue(index[static_cast<size_t>(c)], QVariant());
                any = true;
            } else if (const auto v = toNumber(typed)) {
                rs.setValue(index[static_cast<size_t>(c)], *v);
                any = true;
            } else {
                unsaved.push_back({row.key, l.headers[c], typed});
            }
        }
        for (int f = 0; f < 2; ++f) {
            const int i = index[static_cast<size_t>(l.n + f)];
            if (i >= 0 && row.storedFlag[f] != (row.flag[f] ? 1 : 0)) {
                rs.setValue(i, row.flag[f]);
                any = true;
            }
        }
        if (any)
            rs.update();
        rs.moveNext();
    }
    tx.commit();
    return unsaved;
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
