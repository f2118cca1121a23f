// Writing through a record set: new rows, edited rows and deletions, each
// one statement on the row's rowid, so each is atomic on its own and can be
// grouped by the caller's transaction.
#include "store/recordset_impl.h"

#include "store/connection.h"
#include "store/sqlerror.h"
#include "store/statement.h"

#include <QStringList>
#include <algorithm>

namespace rv::store {

using namespace detail;

void Recordset::Impl::clearPending()
{
    for (int c : changed) {
        isChanged[static_cast<size_t>(c)] = 0;
        pending[static_cast<size_t>(c)] = QVariant();
    }
    changed.clear();
}

void Recordset::Impl::dropNewRow()
{
    // The new row is always the last row held and the last one visible.
    eraseHeld(heldSize() - 1);
    if (filtered)
        vis.pop_back();
    adding = false;
    clearPending();
    cur = std::min(returnCur, size());
    noCurrent = returnNoCurrent;
}

void Recordset::Impl::settle()
{
    takeWalk(!changed.empty());
    if (adding && changed.empty()) {
        dropNewRow();
        return;
    }
    if (adding)
        insertRow();
    else if (!changed.empty() && hasCurrent())
        updateRow();
}

// The cached statement for writing the changed columns: 'I' insert, 'U'
// update, 'D' delete.
Stmt* Recordset::Impl::writeStatement(char kind)
{
    QByteArray key(1, kind);
    if (kind != 'D') {
        std::sort(changed.begin(), changed.end());
        for (int c : changed)
            key.append(reinterpret_cast<const char*>(&c), sizeof c);
    }
    auto it = writeSql.find(key);
    if (it == writeSql.end()) {
        const QString t = quoteIdent(table);
        QStringList names;
        QStringList params;
        int p = 1;
        for (int c : changed) {
            names << quoteIdent(cols[static_cast<size_t>(c)].name);
            params << QStringLiteral("?%1").arg(p++);
        }
        QString sql;
        if (kind == 'D') {
            sql = QStringLiteral("DELETE FROM %1 WHERE rowid = ?1").arg(t);
            // A server's row is deleted only while it is still the version read.
            if (versioned)
                sql += QStringLiteral(" AND xmin = ?2");
        } else if (kind == 'I') {
            sql = changed.empty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(t)
                                  : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                        .arg(t, names.join(QStringLiteral(", ")), params.join(QStringLiteral(", ")));
        } else {
            QStringList sets;
            for (qsizetype k = 0; k < names.size(); ++k)
                sets << names[k] + QStringLiteral(" = ") + params[k];
            sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid = ?%3").arg(t, sets.join(QStringLiteral(", "))).arg(p);
            // The same for an edit, which hands back the version it made.
            if (versioned)
                sql += QStringLiteral(" AND xmin = ?%1 RETURNING xmin").arg(p + 1);
        }
        it = writeSql.insert(key, sql.toUtf8());
    }
    return conn->prepared(it.value());
}

// The key the file now gives the row at pos, which this set wrote.
void Recordset::Impl::refreshKey(int pos, qint64 rowid)
{
    const auto k = fileKey(rowid, false);
    RowKey key = k ? *k : RowKey{};
    key.rowid = rowid;
    if (filtered) {
        const int held = heldPositionInBlocks(keyAt(pos).rowid);
        if (held >= 0)
            heldKeyAt(held) = key;
    }
    keyAt(pos) = key;
    noteMoved(rowid);
}

void Recordset::Impl::insertRow()
{
    Backend& h = db();
    const int pos = cur;
    {
        const auto before = conn->countStamp();
        StatementUse use(writeStatement('I'));
        int p = 1;
        for (int c : changed)
            bindValue(*use.get(), p++, pending[static_cast<size_t>(c)]);
        use.step();
        conn->rowsWritten(table, before, h.changes());
    }
    const qint64 id = h.lastInsertId();
    // Read the row back as stored, with the defaults the file filled in.
    CachedRow& row = cacheSlot(id);
    {
        StatementUse use(conn->prepared(rowSql));
        use->bindInt64(1, id);
        if (use.step())
            readRow(*use.get(), 0, row);
    }
    // The new row is the last one held (and visible): it takes its rowid.
    if (filtered)
        heldKeyAt(heldSize() - 1).rowid = id;
    keyAt(pos).rowid = id;
    refreshKey(pos, id);
    adding = false;
    newRow = CachedRow();
    clearPending();
    stampCache();
}

// The version a write of the current row must find on the server: the one
// the edit began from, or for a deletion the one the set holds.
qint64 Recordset::Impl::versionForWrite()
{
    if (!changed.empty())
        return editVersion;
    try {
        return currentData().version;
    } catch (const DbError& e) {
        if (e.number() == err::RecordDeleted)
            throwConflict(keyAt(cur).rowid);
        throw;
    }
}

void Recordset::Impl::throwConflict(qint64 rowid)
{
    bool exists = false;
    {
        StatementUse use(conn->prepared(rowSql));
        use->bindInt64(1, rowid);
        exists = use.step();
    }
    throw writtenByOther(exists);
}

void Recordset::Impl::updateRow()
{
    Backend& h = db();
    const int pos = cur;
    const qint64 id = keyAt(pos).rowid;
    qint64 version = 0;
    bool written = false;
    {
        StatementUse use(writeStatement('U'));
        int p = 1;
        for (int c : changed)
            bindValue(*use.get(), p++, pending[static_cast<size_t>(c)]);
        use->bindInt64(p, id);
        if (versioned)
            use->bindInt64(p + 1, editVersion);
        const bool row = use.step();
        if (versioned && row)
            version = use->int64(0);
        conn->noteUpdates(h.changes());
        written = h.changes() != 0;
    }
    if (!written && versioned)
        throwConflict(id);
    if (!written)
        throw DbError(err::EngineError,
                      QStringLiteral("Row cannot be located for updating. Some values may have been changed "
                                     "since it was last read."));
    auto it = cacheAt.find(id);
    if (it != cacheAt.end() && cache[static_cast<size_t>(it->second)].present) {
        CachedRow& r = cache[static_cast<size_t>(it->second)];
        for (int c : changed)
            assignCell(r.cells[static_cast<size_t>(c)], pending[static_cast<size_t>(c)], r.pool);
        r.version = version;
    }
    const bool keyChanged = orderCol >= 0 && isChanged[static_cast<size_t>(orderCol)];
    clearPending();
    stampCache();
    if (keyChanged)
        refreshKey(pos, id);
}

void Recordset::Impl::deleteRow()
{
    Backend& h = db();
    const qint64 id = keyAt(cur).rowid;
    const qint64 version = versioned ? versionForWrite() : 0;
    bool deleted = false;
    {
        const auto before = conn->countStamp();
        StatementUse use(writeStatement('D'));
        use->bindInt64(1, id);
        if (versioned)
            use->bindInt64(2, version);
        use.step();
        deleted = h.changes() != 0;
        conn->rowsWritten(table, before, -h.changes());
    }
    if (!deleted && versioned)
        throwConflict(id);
    dropCurrent(id);
}

void Recordset::Impl::dropCurrent(qint64 id)
{
    clearPending();
    if (filtered) {
        vis.erase(vis.begin() + cur);
        const int held = heldPositionInBlocks(id);
        if (held >= 0)
            eraseHeld(held);
    } else {
        eraseHeld(cur);
    }
    auto it = cacheAt.find(id);
    if (it != cacheAt.end()) {
        cache[static_cast<size_t>(it->second)].present = false;
    }
    moved.erase(std::remove(moved.begin(), moved.end(), id), moved.end());
    stampCache();
    noCurrent = true;
}

void Recordset::addNew()
{
    d->requireOpen();
    d->settle();
    d->returnCur = d->cur;
    d->returnNoCurrent = d->noCurrent;
    Impl::CachedRow& row = d->newRow;
    row = Impl::CachedRow();
    row.present = true;
    row.cells.resize(static_cast<size_t>(d->ncols));
    for (int c = 0; c < d->ncols; ++c)
        assignCell(row.cells[static_cast<size_t>(c)], d->cols[static_cast<size_t>(c)].defaultValue, row.pool);
    RowKey k;
    if (d->orderCol >= 0) {
        // The default as the file would store it; it only orders the row
        // if the set is reordered before the row is written.
        k.v.type = 5;
    }
    d->insertHeld(d->heldSize(), k);
    if (d->filtered)
        d->vis.push_back(k);
    d->cur = d->size() - 1;
    d->noCurrent = false;
    d->adding = true;
}

void Recordset::update()
{
    d->requireOpen();
    // Marks ready are taken before the write, which would make them old.
    d->takeWalk(true);
    if (d->adding) {
        d->insertRow();
        return;
    }
    if (!d->hasCurrent())
        throw noCurrentRecord();
    if (!d->changed.empty())
        d->updateRow();
}

void Recordset::cancelUpdate()
{
    d->requireOpen();
    if (d->adding)
        d->dropNewRow();
    else
        d->clearPending();
}

bool Recordset::editPending() const
{
    d->requireOpen();
    return d->adding || !d->changed.empty();
}

bool Recordset::isEdited(int index) const
{
    d->requireOpen();
    if (index < 0 || index >= d->ncols)
        throw noSuchField();
    return d->isChanged[static_cast<size_t>(index)] != 0;
}

void Recordset::deleteCurrent()
{
    d->requireOpen();
    if (!d->hasCurrent())
        throw noCurrentRecord();
    if (d->adding) {
        // A row never written has nothing to delete in the file.
        const int at = d->cur;
        d->dropNewRow();
        d->cur = at;
        d->noCurrent = true;
        return;
    }
    d->takeWalk(true);
    d->deleteRow();
}

bool Recordset::reloadCurrent()
{
    d->requireOpen();
    if (!d->hasCurrent() || (d->adding && d->cur == d->size() - 1))
        throw noCurrentRecord();
    const qint64 id = d->keyAt(d->cur).rowid;
    Impl::CachedRow& row = d->cacheSlot(id);
    bool found = false;
    {
        StatementUse use(d->conn->prepared(d->rowSql));
        use->bindInt64(1, id);
        if (use.step()) {
            d->readRow(*use.get(), 0, row);
            found = true;
        }
    }
    if (!found) {
        row.present = false;
        d->dropCurrent(id);
        return false;
    }
    if (!d->changed.empty())
        d->editVersion = row.version;
    // Someone else may have moved the row in the query's order.
    if (d->orderCol >= 0)
        d->refreshKey(d->cur, id);
    return true;
}

qint64 Recordset::rowVersion() const
{
    d->requireOpen();
    if (!d->hasCurrent())
        throw noCurrentRecord();
    return d->currentData().version;
}

void Recordset::setValue(const QString& field, const QVariant& v)
{
    d->requireOpen();
    setValue(d->requireIndex(field), v);
}

void Recordset::setValue(int index, const QVariant& v)
{
    d->requireOpen();
    if (index < 0 || index >= d->ncols)
        throw noSuchField();
    if (!d->hasCurrent())
        throw noCurrentRecord();
    const auto k = static_cast<size_t>(index);
    // Converted before anything is kept, so a mismatch changes nothing.
    QVariant converted = convertForColumn(v, d->cols[k].type);
    // The first edit of a stored row on a server fixes the version the
    // write must find: the one of the fields the user saw.
    if (d->versioned && d->changed.empty() && !d->adding)
        d->editVersion = d->currentData().version;
    d->pending[k] = std::move(converted);
    if (!d->isChanged[k]) {
        d->isChanged[k] = 1;
        d->changed.push_back(index);
    }
}

} // namespace rv::store
