#include "store/connection.h"
#include "store/backend.h"
#include "store/schema.h"
#include "store/settings.h"

#include "store/criteria.h"
#include "store/dialect.h"
#include "store/sqlerror.h"
#include "store/statement.h"
#include "store/tableinfo.h"

#include <QDateTime>
#include <QFile>
#include <QRandomGenerator>
#include <array>
#include <vector>
#include <sqlite3.h>

namespace rv::store {

using namespace detail;

namespace {

constexpr int kStatementCacheLimit = 256;
// The cache a table count runs with, in KiB.
constexpr int kCountCacheKiB = 1024;

// The name of a table's count note in `Settings` (the table is its scope):
// "rows counter maxRowid".
const QString kCountNote = QStringLiteral("RowCount");

// The file change counter of the database header (bytes 24-27), which every
// committed write of a rollback-journal database moves on by one. Read
// straight from the file through SQLite's own handle of it (never a second
// descriptor, whose closing would drop SQLite's locks); the caller holds a
// lock under which no other writer can commit.
std::optional<quint32> changeCounter(sqlite3* db)
{
    sqlite3_file* f = nullptr;
    if (!db || sqlite3_file_control(db, "main", SQLITE_FCNTL_FILE_POINTER, &f) != SQLITE_OK || !f || !f->pMethods)
        return std::nullopt;
    unsigned char b[4] = {};
    if (f->pMethods->xRead(f, b, 4, 24) != SQLITE_OK)
        return std::nullopt;
    return (quint32(b[0]) << 24) | (quint32(b[1]) << 16) | (quint32(b[2]) << 8) | quint32(b[3]);
}

// The triggers that keep a table's count note honest whatever else is
// written to the file, by anyone: a row added anywhere but after the noted
// newest one deletes the note, and a row deleted from among the rows it
// counts takes one off its count. (A row added after the newest is seen by
// the newest rowid, and so is one deleted again, which the note never
// counted; an update changes no count.) A row a REPLACE deletes to make way
// for another fires no delete trigger: two more triggers delete the note
// before an insert, or an update of a unique key, that finds a row already
// holding the key (where a plain write fails, and takes its trigger's work
// back with it). The newest rowid is in the triggers' own text, so they are
// made again with every note. uniqueKeys: the columns of each unique index.
struct CountTrigger {
    QString name;
    QString sql;
};
std::vector<CountTrigger> countTriggers(const QString& table, qint64 maxRowid, const std::vector<QStringList>& uniqueKeys)
{
    const QString which = QStringLiteral(" WHERE \"Scope\" = ") + quoteLiteral(table) + QStringLiteral(" AND \"Name\" = ")
        + quoteLiteral(kCountNote) + QStringLiteral("; END");
    const QString dropNote = QStringLiteral(" BEGIN DELETE FROM \"Settings\"") + which;
    // "rows counter newest": the rows one fewer, the rest as it stands. A
    // note not of that form comes out of it unreadable, and is not used.
    const QString oneFewer = QStringLiteral(
        " BEGIN UPDATE \"Settings\" SET \"Value\" = (CAST(substr(\"Value\", 1, instr(\"Value\", ' ') - 1) AS INTEGER) - 1)"
        " || substr(\"Value\", instr(\"Value\", ' '))");
    const QString deletes = table + QStringLiteral("_RowCount_Deletes");
    const QString inserts = table + QStringLiteral("_RowCount_Inserts");
    const QString top = QString::number(maxRowid);
    std::vector<CountTrigger> out{
        CountTrigger{deletes, QStringLiteral("CREATE TRIGGER ") + quoteIdent(deletes) + QStringLiteral(" AFTER DELETE ON ")
                                  + quoteIdent(table) + QStringLiteral(" WHEN old.rowid <= ") + top + oneFewer + which},
        CountTrigger{inserts, QStringLiteral("CREATE TRIGGER ") + quoteIdent(inserts) + QStringLiteral(" AFTER INSERT ON ")
                                  + quoteIdent(table) + QStringLiteral(" WHEN new.rowid <= ") + top + dropNote}};
    if (uniqueKeys.empty())
        return out;
    QStringList held;     // a row holding the new row's key, for each unique key
    QStringList columns;  // every column of a unique key
    for (const QStringList& key : uniqueKeys) {
        QStringList same;
        for (const QString& c : key) {
            same << quoteIdent(c) + QStringLiteral(" = new.") + quoteIdent(c);
            if (!columns.contains(c))
                columns << c;
        }
        held << QStringLiteral("(") + same.join(QStringLiteral(" AND ")) + QStringLiteral(")");
    }
    QStringList quoted;
    for (const QString& c : columns)
        quoted << quoteIdent(c);
    const QString found = QStringLiteral("EXISTS (SELECT 1 FROM ") + quoteIdent(table) + QStringLiteral(" WHERE (")
        + held.join(QStringLiteral(" OR ")) + QStringLiteral(")");
    const QString replaces = table + QStringLiteral("_RowCount_Replaces");
    const QString rekeys = table + QStringLiteral("_RowCount_Rekeys");
    out.push_back({replaces, QStringLiteral("CREATE TRIGGER ") + quoteIdent(replaces) + QStringLiteral(" BEFORE INSERT ON ")
                                 + quoteIdent(table) + QStringLiteral(" WHEN ") + found + QStringLiteral(")") + dropNote});
    out.push_back({rekeys, QStringLiteral("CREATE TRIGGER ") + quoteIdent(rekeys) + QStringLiteral(" BEFORE UPDATE OF ")
                               + quoted.join(QStringLiteral(", ")) + QStringLiteral(" ON ") + quoteIdent(table)
                               + QStringLiteral(" WHEN ") + found + QStringLiteral(" AND rowid <> old.rowid)") + dropNote});
    return out;
}

// The names of every trigger a note may have had.
QStringList countTriggerNames(const QString& table)
{
    QStringList names;
    for (const char* kind : {"_RowCount_Deletes", "_RowCount_Inserts", "_RowCount_Replaces", "_RowCount_Rekeys"})
        names << table + QLatin1String(kind);
    return names;
}

std::function<void()>& busyWaitHook()
{
    static std::function<void()> hook;
    return hook;
}

} // namespace

void setBusyWaitHook(std::function<void()> hook)
{
    busyWaitHook() = std::move(hook);
}

int Connection::onBusy(void* self, int count)
{
    auto* c = static_cast<Connection*>(self);
    const qint64 now = QDateTime::currentMSecsSinceEpoch();
    if (count == 0) {
        c->m_busySince = now;
        if (const auto& hook = busyWaitHook())
            hook();
    }
    if (now - c->m_busySince >= kBusyWaitMs)
        return 0;  // give up: the caller gets SQLITE_BUSY
    sqlite3_sleep(count < 5 ? 5 : 25);
    return 1;
}

Connection::~Connection()
{
    close();
}

Connection::Connection() = default;

void Connection::open(const QString& path)
{
    close();
    m_backend = isServerLocation(path) ? openPostgres(path) : openSqlite(path, &Connection::onBusy, this);
    m_path = path;
    // Tells this opening from any other, of this file or another, so that
    // a stamp taken before cannot match one taken after.
    m_opened = QRandomGenerator::global()->generate64() | 1;
    m_depth = 0;
    m_rollbackOnly = false;
    m_counts.clear();
    m_fromNotes.clear();
    m_counted.clear();
    m_notesCounter.reset();
    m_countStamp = CountStamp();
    m_updatedRows = 0;
}

Connection* Connection::reader()
{
    sqlite3* db = handle();
    if (!db || sqlite3_txn_state(db, "main") == SQLITE_TXN_WRITE)
        return nullptr;
    if (!m_reader) {
        // The file this connection has open, whatever the folder is now.
        const char* file = sqlite3_db_filename(db, "main");
        if (!file || !*file)
            return nullptr;
        auto r = std::make_unique<Connection>();
        r->m_path = QFile::decodeName(file);
        r->m_backend = detail::openSqliteReader(r->m_path, kReaderWaitMs);
        r->m_opened = QRandomGenerator::global()->generate64() | 1;
        m_reader = std::move(r);
    }
    return m_reader.get();
}

bool Connection::isReadOnly() const
{
    return m_backend && m_backend->isReadOnly();
}

bool Connection::isServer() const
{
    return m_backend && m_backend->engine() == Engine::Postgres;
}

sqlite3* Connection::handle() const
{
    return m_backend ? m_backend->sqliteHandle() : nullptr;
}

Backend& Connection::backend() const
{
    if (!m_backend)
        throw objectClosed();
    return *m_backend;
}

void Connection::dropStatements()
{
    for (Stmt* st : std::as_const(m_statements))
        delete st;
    m_statements.clear();
}

void Connection::close()
{
    if (!m_backend)
        return;
    m_reader.reset();
    dropStatements();
    // Closing with a group still open abandons it.
    m_backend.reset();
    m_path.clear();
    m_depth = 0;
    m_rollbackOnly = false;
    m_counts.clear();
    m_fromNotes.clear();
    m_counted.clear();
    m_notesCounter.reset();
    m_countStamp = CountStamp();
    m_updatedRows = 0;
}

Stmt* Connection::prepared(const QByteArray& sql, bool mayTrim)
{
    Backend& b = backend();
    if (const auto it = m_statements.constFind(sql); it != m_statements.constEnd())
        return it.value();
    if (mayTrim && m_statements.size() > kStatementCacheLimit)
        dropStatements();
    Stmt* st = b.prepare(sql, true).release();
    m_statements.insert(sql, st);
    return st;
}

std::optional<Connection::CountStamp> Connection::countStamp()
{
    // Only a file tells cheaply whether anyone changed it; a server's
    // counts are always taken afresh.
    if (!m_backend || m_backend->engine() != Engine::Sqlite || m_backend->inTransaction())
        return std::nullopt;
    CountStamp s;
    s.changes = m_backend->totalChanges() - m_updatedRows;
    for (const char* pragma : {"PRAGMA data_version", "PRAGMA schema_version"}) {
        detail::Stmt* st = prepared(pragma);
        bool row = false;
        qint64 v = -1;
        try {
            row = st->step();
            if (row)
                v = st->int64(0);
        } catch (...) {
            row = false;
        }
        st->reset();
        if (!row)
            return std::nullopt;
        (pragma[7] == 'd' ? s.dataVersion : s.schemaVersion) = v;
    }
    return s;
}

std::optional<Connection::FileStamp> Connection::fileStamp()
{
    const auto s = countStamp();
    if (!s)
        return std::nullopt;
    return FileStamp{m_opened, s->changes + m_updatedRows, s->dataVersion, s->schemaVersion};
}

qint64 Connection::tableRowCount(const QString& table, const std::function<qint64()>& count)
{
    // Stamped before counting: a change by anyone meanwhile makes the count
    // look older than it is, never newer.
    const auto before = countStamp();
    if (!before || !(*before == m_countStamp)) {
        m_counts.clear();
        m_fromNotes.clear();
    } else if (const auto it = m_counts.constFind(table); it != m_counts.constEnd()) {
        return it.value();
    }
    if (before) {
        m_counted.insert(table);
        if (const auto noted = notedRowCount(table)) {
            m_countStamp = *before;
            m_counts.insert(table, *noted);
            m_fromNotes.insert(table);
            return *noted;
        }
    }
    const qint64 n = before ? throughSmallCache(count) : count();
    if (before) {
        m_countStamp = *before;
        m_counts.insert(table, n);
    }
    return n;
}

qint64 Connection::throughSmallCache(const std::function<qint64()>& count)
{
    // A count reads every page of an index once: through a few pages of
    // cache, rather than filling the whole cache (and fresh memory for it)
    // with pages nothing reads again. Only outside a transaction, where the
    // cache holds no page waiting to be written.
    if (!m_backend || m_backend->engine() != Engine::Sqlite || m_backend->inTransaction())
        return count();
    qint64 cachePages = 0;
    {
        detail::Stmt* st = prepared("PRAGMA cache_size");
        try {
            if (st->step())
                cachePages = st->int64(0);
        } catch (...) {
        }
        st->reset();
    }
    auto setCache = [&](qint64 pages) {
        backend().exec("PRAGMA cache_size = " + QByteArray::number(pages));
    };
    qint64 n = 0;
    if (cachePages != 0)
        setCache(-kCountCacheKiB);
    try {
        n = count();
    } catch (...) {
        if (cachePages != 0)
            setCache(cachePages);
        throw;
    }
    if (cachePages != 0)
        setCache(cachePages);
    return n;
}

void Connection::rowsWritten(const QString& table, const std::optional<CountStamp>& before, qint64 added)
{
    if (m_counts.isEmpty())
        return;
    const auto after = countStamp();
    const auto it = m_counts.find(table);
    if (!before || !after || !(*before == m_countStamp) || it == m_counts.end()
        || after->dataVersion != before->dataVersion || after->schemaVersion != before->schemaVersion
        || after->changes != before->changes + (added < 0 ? -added : added)) {
        m_counts.clear();
        m_fromNotes.clear();
        return;
    }
    it.value() += added;
    if (added != 0)
        m_fromNotes.remove(table);
    m_countStamp = *after;
}

std::optional<qint64> Connection::notedRowCount(const QString& table)
{
    if (!hasTable(QStringLiteral("Settings")))
        return std::nullopt;
    try {
        QString note;
        std::optional<quint32> counter;
        {
            StatementUse use(prepared("SELECT \"Value\" FROM \"Settings\" WHERE \"Scope\" = ?1 AND \"Name\" = ?2"));
            use->bindText(1, table.toUtf8());
            use->bindText(2, kCountNote.toUtf8());
            if (!use.step())
                return std::nullopt;
            note = use->qtext(0);
            // The statement on its row holds the file's read lock: the
            // counter read now goes with the note just read.
            counter = changeCounter(handle());
        }
        const QStringList parts = note.split(QLatin1Char(' '));
        if (!counter || parts.size() != 3)
            return std::nullopt;
        bool ok[3] = {};
        const qint64 rows = parts[0].toLongLong(&ok[0]);
        const quint32 stamp = parts[1].toUInt(&ok[1]);
        const qint64 maxRowid = parts[2].toLongLong(&ok[2]);
        if (!ok[0] || !ok[1] || !ok[2] || rows < 0)
            return std::nullopt;
        // Written to since the note: it holds while its triggers do.
        if (stamp != *counter && !countTriggersInPlace(table, maxRowid))
            return std::nullopt;
        m_notesCounter = stamp;
        // One more check that costs a single index step: the newest row is
        // the noted one; or, written to since, none is newer (the noted one
        // may have been deleted, and taken off the count).
        StatementUse top(prepared("SELECT max(rowid) FROM " + quoteIdent(table).toUtf8()));
        if (!top.step())
            return std::nullopt;
        const qint64 newest = top->int64(0);
        if (stamp == *counter ? newest != maxRowid : newest > maxRowid)
            return std::nullopt;
        return rows;
    } catch (const DbError&) {
        return std::nullopt;
    }
}

std::optional<std::vector<QStringList>> Connection::uniqueKeys(const QString& table)
{
    std::vector<QStringList> keys;
    QStringList indexes;
    {
        StatementUse list(prepared("SELECT name, \"unique\" FROM pragma_index_list(?1)"));
        list->bindText(1, table.toUtf8());
        while (list.step())
            if (list->int64(1) != 0)
                indexes << list->qtext(0);
    }
    for (const QString& index : indexes) {
        StatementUse info(prepared("SELECT cid, name FROM pragma_index_info(?1) ORDER BY seqno"));
        info->bindText(1, index.toUtf8());
        QStringList key;
        while (info.step()) {
            // A key of an expression (or of the rowid itself) no trigger
            // here can test: the table keeps no note.
            if (info->int64(0) < 0)
                return std::nullopt;
            key << info->qtext(1);
        }
        keys.push_back(key);
    }
    return keys;
}

bool Connection::countTriggersInPlace(const QString& table, qint64 maxRowid)
{
    return countTriggersInPlace(table, maxRowid, uniqueKeys(table));
}

bool Connection::countTriggersInPlace(const QString& table, qint64 maxRowid,
                                      const std::optional<std::vector<QStringList>>& keys)
{
    if (!keys)
        return false;
    for (const CountTrigger& t : countTriggers(table, maxRowid, *keys)) {
        StatementUse use(prepared("SELECT sql, tbl_name FROM sqlite_master WHERE type = 'trigger' AND name = ?1"));
        use->bindText(1, t.name.toUtf8());
        if (!use.step() || use->qtext(0) != t.sql || use->qtext(1) != table)
            return false;
    }
    return true;
}

void Connection::dropCountTriggers(const QString& table)
{
    for (const QString& name : countTriggerNames(table))
        backend().exec(("DROP TRIGGER IF EXISTS " + quoteIdent(name)).toUtf8());
}

void Connection::setAsideCountNote(const QString& table)
{
    if (!m_backend || m_backend->engine() != Engine::Sqlite)
        return;
    const QStringList names = countTriggerNames(table);
    {
        StatementUse use(
            prepared("SELECT 1 FROM sqlite_master WHERE type = 'trigger' AND name IN (?1, ?2, ?3, ?4)"));
        for (int k = 0; k < names.size(); ++k)
            use->bindText(k + 1, names[k].toUtf8());
        if (!use.step())
            return;
    }
    {
        StatementUse drop(prepared("DELETE FROM \"Settings\" WHERE \"Scope\" = ?1 AND \"Name\" = ?2"));
        drop->bindText(1, table.toUtf8());
        drop->bindText(2, kCountNote.toUtf8());
        drop.step();
    }
    dropCountTriggers(table);
}

void Connection::dropCountNotes()
{
    StatementUse drop(prepared("DELETE FROM \"Settings\" WHERE \"Name\" = ?1"));
    drop->bindText(1, kCountNote.toUtf8());
    drop.step();
}

std::optional<quint32> Connection::notesCounterNow()
{
    // Read while a statement on a note holds the file's read lock; nullopt
    // when there is no note.
    try {
        StatementUse use(prepared("SELECT \"Value\" FROM \"Settings\" WHERE \"Name\" = ?1 LIMIT 1"));
        use->bindText(1, kCountNote.toUtf8());
        if (use.step())
            return changeCounter(handle());
    } catch (const DbError&) {
    }
    return std::nullopt;
}

void Connection::noteRowCounts(const QStringList& alsoCount)
{
    if (!m_backend || m_backend->engine() != Engine::Sqlite || m_backend->inTransaction())
        return;
    for (const QString& table : alsoCount)
        m_counted.insert(table);
    if (m_counted.isEmpty())
        return;
    // A table counted this session whose count was since forgotten (rows
    // imported, or a change log row written beside an added reading) is
    // counted once more, so that the next start need not.
    for (const QString& table : QSet<QString>(m_counted)) {
        try {
            tableRowCount(table, [&] {
                StatementUse use(prepared("SELECT count(*) FROM " + quoteIdent(table).toUtf8()));
                return use.step() ? use->int64(0) : qint64(0);
            });
        } catch (const DbError&) {
            // Dropped meanwhile, or unreadable: no note for it.
            m_counts.remove(table);
        }
    }
    if (m_counts.isEmpty())
        return;
    const auto now = countStamp();
    if (!now || !(*now == m_countStamp) || !hasTable(QStringLiteral("Settings")))
        return;
    // Counts that came from notes still in force need no new ones: none
    // counted afresh, and nothing written to the file since the notes were
    // read (an update, which changes no count, still moves the counter).
    bool fresh = !m_notesCounter;
    for (auto it = m_counts.cbegin(); it != m_counts.cend(); ++it)
        fresh = fresh || !m_fromNotes.contains(it.key());
    if (!fresh && notesCounterNow() == m_notesCounter)
        return;
    // The notes' own table keeps no note: its triggers would fire on the
    // notes' writes.
    QHash<QString, qint64> counts = m_counts;
    for (auto it = counts.begin(); it != counts.end();)
        it = it.key().compare(QLatin1String("Settings"), Qt::CaseInsensitive) == 0 ? counts.erase(it) : std::next(it);
    quint32 stamp = 0;
    try {
        QHash<QString, qint64> tops;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            StatementUse top(prepared("SELECT max(rowid) FROM " + quoteIdent(it.key()).toUtf8()));
            if (!top.step())
                return;
            tops.insert(it.key(), top->int64(0));
        }
        // The transaction holds the file's reserved lock from its start, so
        // no one else commits before it: its commit moves the counter read
        // here on by exactly one.
        Transaction t(*this);
        const auto counter = changeCounter(handle());
        if (!counter)
            return;
        stamp = *counter + 1;
        dropCountNotes();
        for (auto it = counts.cbegin(); it != counts.cend(); ++it) {
            const qint64 top = tops.value(it.key());
            writeSetting(*this, it.key(), kCountNote, QStringLiteral("%1 %2 %3").arg(it.value()).arg(stamp).arg(top));
            const auto keys = uniqueKeys(it.key());
            if (!countTriggersInPlace(it.key(), top, keys)) {
                dropCountTriggers(it.key());
                if (keys)
                    for (const CountTrigger& tr : countTriggers(it.key(), top, *keys))
                        backend().exec(tr.sql.toUtf8());
            }
        }
        t.commit();
    } catch (const DbError&) {
        return;
    }
    // Should the counter have moved otherwise, the notes would never be in
    // force; they are dropped rather than left to mislead.
    if (notesCounterNow() != stamp) {
        try {
            dropCountNotes();
        } catch (const DbError&) {
        }
    }
}

void Connection::execute(const QString& sql)
{
    Backend& b = backend();
    const Statement st = parseStatement(sql);
    switch (st.kind) {
    case Statement::Select:
        throw syntaxError(sql);  // a row-returning query needs a record set
    case Statement::DropTable: {
        const auto name = b.storedTableName(st.table);
        if (!name)
            throw tableMissing(st.table);
        dropStatements();
        b.exec((QStringLiteral("DROP TABLE ") + quoteIdent(*name)).toUtf8());
        return;
    }
    case Statement::Delete: {
        const auto name = b.storedTableName(st.table);
        if (!name)
            throw tableMissing(st.table);
        const auto cols = b.tableColumns(*name);
        const BoundCriteria where = bindCriteria(st.where, cols, [&](const QString& f) {
            for (size_t k = 0; k < cols.size(); ++k)
                if (cols[k].name.compare(f, Qt::CaseInsensitive) == 0)
                    return static_cast<int>(k);
            return -1;
        });
        const QByteArray text = (QStringLiteral("DELETE FROM ") + quoteIdent(*name) + sqlWhere(where, cols, 1, b.engine())).toUtf8();
        StatementUse use(prepared(text));
        bindWhere(*use.get(), where);
        use.step();
        return;
    }
    case Statement::SelectInto: {
        const auto src = b.storedTableName(st.table);
        if (!src)
            throw tableMissing(st.table);
        // SQLite names are unique without regard to case.
        if (const auto existing = b.storedTableName(st.target))
            throw tableAlreadyExists(*existing);
        const auto cols = b.tableColumns(*src);
        const BoundCriteria where = bindCriteria(st.where, cols, [&](const QString& f) {
            for (size_t k = 0; k < cols.size(); ++k)
                if (cols[k].name.compare(f, Qt::CaseInsensitive) == 0)
                    return static_cast<int>(k);
            return -1;
        });
        Savepoint sp(b);
        b.exec(b.createTableLike(*src, st.target).toUtf8());
        // On a server the columns are named, so that the row key column is
        // given anew; SQLite copies a whole table fastest as it is.
        QString copy;
        if (b.engine() == Engine::Sqlite) {
            copy = QStringLiteral("INSERT INTO %1 SELECT * FROM %2").arg(quoteIdent(st.target), quoteIdent(*src));
        } else {
            QStringList names;
            for (const ColumnInfo& c : cols)
                names << quoteIdent(c.name);
            const QString list = names.join(QStringLiteral(", "));
            copy = QStringLiteral("INSERT INTO %1 (%2) SELECT %2 FROM %3").arg(quoteIdent(st.target), list, quoteIdent(*src));
        }
        copy += sqlWhere(where, cols, 1, b.engine());
        {
            const auto raw = b.prepare(copy.toUtf8(), false);
            bindWhere(*raw, where);
            raw->step();
        }
        // A reading table is read in date order everywhere: it gets its
        // index on the sort field with its making.
        for (const ColumnInfo& c : cols)
            if (c.name.compare(QStringLiteral("FullDate"), Qt::CaseInsensitive) == 0) {
                b.exec(QStringLiteral("CREATE INDEX IF NOT EXISTS %1 ON %2 (\"FullDate\")")
                           .arg(quoteIdent(readingDateIndexName(st.target)), quoteIdent(st.target))
                           .toUtf8());
                break;
            }
        sp.release();
        return;
    }
    }
}

QStringList Connection::tableNames() const
{
    return backend().tableNames();
}

bool Connection::hasTable(const QString& exactName) const
{
    // Exact comparison: a name differing only in case is another table for
    // the callers, even though SQLite itself would resolve it.
    return tableNames().contains(exactName, Qt::CaseSensitive);
}

void Connection::begin()
{
    Backend& b = backend();
    if (m_depth == 0)
        b.begin();
    else
        b.exec(QByteArray("SAVEPOINT rv_group").append(QByteArray::number(m_depth)));
    ++m_depth;
}

void Connection::commit()
{
    Backend& b = backend();
    if (m_depth == 0)
        throw DbError(err::EngineError, QStringLiteral("Commit without a transaction."));
    // A write sent ahead that failed fails the commit, and the transaction
    // stays open for the caller to end.
    b.settle();
    --m_depth;
    if (!b.inTransaction()) {
        // The engine already rolled the whole group back (disk full, I/O error).
        m_depth = 0;
        throw DbError(err::EngineError, QStringLiteral("The transaction was rolled back by the database engine."));
    }
    if (m_depth > 0) {
        b.exec(QByteArray("RELEASE rv_group").append(QByteArray::number(m_depth)));
        return;
    }
    b.commit();
}

void Connection::rollback()
{
    Backend& b = backend();
    if (m_depth == 0)
        throw DbError(err::EngineError, QStringLiteral("Rollback without a transaction."));
    --m_depth;
    if (!b.inTransaction()) {
        m_depth = 0;
        return;
    }
    if (m_depth > 0) {
        const QByteArray name = QByteArray("rv_group").append(QByteArray::number(m_depth));
        b.exec("ROLLBACK TO " + name);
        b.exec("RELEASE " + name);
        return;
    }
    b.rollback();
}

} // namespace rv::store



