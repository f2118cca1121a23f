// Positions kept ready in a large set: every key of the set read once, in
// query order, on a thread and connection of their own, marking every
// kMarkEvery-th key with its place. The set then splits its ranges not read
// at those marks, so that finding a place or jumping among a long history
// counts or steps over at most the rows between two marks, not every row
// before it.
#include "store/backend.h"
#include "store/connection.h"
#include "store/dberror.h"
#include "store/recordset_impl.h"
#include "store/statement.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <system_error>
#include <thread>

namespace rv::store {

using namespace detail;

namespace {

// A mark every so many keys: a count between two marks reads about this
// many index entries.
constexpr int kMarkEvery = 8192;
// Sets whose ranges not read are this long or longer get a walk.
constexpr int kWalkFrom = 4 * kMarkEvery;
// Keys read by one statement: each holds the file's read lock only that
// long, so that a write of the program's waits a moment at most.
constexpr int kChunk = 16384;
// The walk is redone when the file changed before its marks were taken,
// at most this many times for one reading of the keys.
constexpr int kWalkStarts = 8;
// A walk redone after the set's own write waits this long first: the
// write is most often followed at once by the row's new place, counted on
// the program's connection, which the walk would only slow.
constexpr int kAgainAfterMs = 250;
std::atomic<int> gMarksTaken{0};

// Waiting for another program's write, the walk gives up after this.
constexpr int kWalkWaitMs = 200;
// Each page of the index is read once: a small cache.
constexpr int kWalkCacheKiB = 2048;

} // namespace

namespace detail {

int marksTaken()
{
    return gMarksTaken.load();
}

class KeyWalk {
public:
    struct Mark {
        qint64 at = 0;  // the key's place in query order, from 0
        RowKey key;
    };
    // One part of the order: the statement that reads its first kChunk
    // keys, and the one that reads the next kChunk after a key (:lov, :lor).
    struct PartSql {
        QByteArray start;
        QByteArray resume;
    };

    KeyWalk(const QString& path, std::vector<PartSql> parts, bool sorted, const Connection::FileStamp& stamp,
            int delayMs)
        : stamp(stamp), m_path(path), m_parts(std::move(parts)), m_sorted(sorted), m_delayMs(delayMs)
    {
        m_thread = std::thread([this] { run(); });
    }
    ~KeyWalk()
    {
        m_stop.store(true, std::memory_order_relaxed);
        if (m_thread.joinable())
            m_thread.join();
    }
    KeyWalk(const KeyWalk&) = delete;
    KeyWalk& operator=(const KeyWalk&) = delete;

    bool finished() const { return m_finished.load(std::memory_order_acquire); }
    void wait()
    {
        if (m_thread.joinable())
            m_thread.join();
    }

    // Read only once finished() is true.
    const Connection::FileStamp stamp;  // the file when the walk began
    bool ok = false;
    std::vector<Mark> marks;
    std::string arena;

private:
    void run()
    {
        try {
            walk();
            ok = !m_stop.load(std::memory_order_relaxed);
        } catch (...) {
            // Locked out, or the file gone: the set counts as before.
            ok = false;
        }
        m_finished.store(true, std::memory_order_release);
    }

    void walk()
    {
        for (int waited = 0; waited < m_delayMs; waited += 10) {
            if (m_stop.load(std::memory_order_relaxed))
                return;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        const auto db = openSqliteReader(m_path, kWalkWaitMs, kWalkCacheKiB);
        const int sortCol = m_sorted ? 1 : -1;
        qint64 at = 0;
        for (const PartSql& part : m_parts) {
            const auto start = db->prepare(part.start, false);
            const auto resume = db->prepare(part.resume, false);
            std::string lastText;
            RowKey last;
            for (bool first = true;; first = false) {
                Stmt& st = first ? *start : *resume;
                if (!first) {
                    bindSort(st, st.paramIndex(":lov"), last.v, lastText);
                    st.bindInt64(st.paramIndex(":lor"), last.rowid);
                }
                int read = 0;
                while (st.step()) {
                    ++read;
                    if ((read & 1023) == 0 && m_stop.load(std::memory_order_relaxed)) {
                        st.reset();
                        return;
                    }
                    if ((at + 1) % kMarkEvery == 0)
                        marks.push_back(Mark{at, readKey(st, 0, sortCol, arena)});
                    if (read == kChunk) {
                        lastText.clear();
                        last = readKey(st, 0, sortCol, lastText);
                    }
                    ++at;
                }
                st.reset();
                if (read < kChunk || m_stop.load(std::memory_order_relaxed))
                    break;
            }
        }
    }

    QString m_path;
    std::vector<PartSql> m_parts;
    bool m_sorted = false;
    int m_delayMs = 0;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_finished{false};
    std::thread m_thread;
};

WalkSlot::WalkSlot() = default;
WalkSlot::WalkSlot(const WalkSlot&) {}
WalkSlot& WalkSlot::operator=(const WalkSlot&)
{
    walk.reset();
    return *this;
}
WalkSlot::~WalkSlot() = default;
void WalkSlot::stop()
{
    walk.reset();
}

} // namespace detail

void Recordset::Impl::startWalk(int delayMs)
{
    walk.walk.reset();
    walkAgain = false;
    if (!mapWanted || walkStarts >= kWalkStarts || filtered || !baseCond.isEmpty()
        || conn->backend().engine() != Engine::Sqlite || conn->path().isEmpty())
        return;
    if (std::none_of(segs.begin(), segs.end(), [](const Segment& s) { return s.range && s.count >= kWalkFrom; }))
        return;
    const auto stamp = conn->fileStamp();
    if (!stamp)
        return;
    // Every row of the file in query order, the moved ones too: the marks
    // place the file's rows, and the set leaves out its moved rows itself.
    std::vector<KeyWalk::PartSql> parts;
    for (const Part part : orderParts())
        parts.push_back({partSql(part, false, false, false, false, kChunk, false).toUtf8(),
                         partSql(part, true, false, false, false, kChunk, false).toUtf8()});
    ++walkStarts;
    try {
        walk.walk = std::make_unique<KeyWalk>(conn->path(), std::move(parts), orderCol >= 0, *stamp, delayMs);
    } catch (const std::system_error&) {
        // No thread to be had: the set counts as it otherwise would.
    }
}

void Recordset::Impl::waitWalk()
{
    if (walk.walk)
        walk.walk->wait();
}

void Recordset::Impl::takeWalk(bool writing)
{
    if (!walk.walk) {
        if (walkAgain && !writing)
            startWalk(kAgainAfterMs);
        return;
    }
    if (!walk.walk->finished()) {
        // The write makes the marks under way old, and would wait for the
        // walk's read: the walk ends now and starts again after the write.
        if (writing) {
            walk.walk.reset();
            walkAgain = true;
        }
        return;
    }
    const std::unique_ptr<KeyWalk> w = std::move(walk.walk);
    if (!w->ok)
        return;
    const auto now = conn->fileStamp();
    if (!now || !(*now == w->stamp)) {
        // Written to since the walk began (or inside a transaction, where
        // it cannot be told): its marks may be off. Walk again.
        walkAgain = true;
        if (!writing)
            startWalk(kAgainAfterMs);
        return;
    }
    if (moved.size() > 1024)
        return;
    // The marks only save work: a failure to read the file while placing
    // them (another program's write holding it) leaves the set as it was.
    try {
        placeMarks(*w);
    } catch (const DbError&) {
    }
}

void Recordset::Impl::placeMarks(const KeyWalk& walked)
{
    // The marks' texts join the set's own.
    const auto base = static_cast<quint32>(arena.size());
    arena += walked.arena;
    std::vector<KeyWalk::Mark> marks;
    marks.reserve(walked.marks.size());
    const std::unordered_set<qint64> movedSet(moved.begin(), moved.end());
    for (KeyWalk::Mark m : walked.marks) {
        if (m.key.v.type == kText || m.key.v.type == kBlob)
            m.key.v.off += base;
        // A row the set holds elsewhere is no mark of its ranges; the rows
        // between the marks around it count it, and it is taken off below.
        if (!movedSet.count(m.key.rowid))
            marks.push_back(m);
    }
    // The moved rows where the file now places them: the walk counted them
    // there, the set's ranges leave them out.
    std::vector<RowKey> movedKeys;
    for (const qint64 id : moved)
        if (const auto k = fileKey(id, false))
            movedKeys.push_back(*k);
    auto movedBetween = [&](const RowKey& a, const RowKey& b) {
        return static_cast<qint64>(std::count_if(movedKeys.begin(), movedKeys.end(), [&](const RowKey& k) {
            return compareKeys(a, k) < 0 && compareKeys(k, b) < 0;
        }));
    };
    auto before = [&](const KeyWalk::Mark& m, const RowKey& k) { return compareKeys(m.key, k) < 0; };

    std::vector<Segment> out;
    int placed = 0;
    auto addKey = [&](const RowKey& k) {
        if (out.empty() || out.back().range)
            out.emplace_back();
        out.back().keys.push_back(k);
    };
    // The rows strictly between lo and hi (null: no bound), when there are any.
    auto addRange = [&](const RowKey* lo, const RowKey* hi, qint64 count) {
        if (count <= 0)
            return;
        Segment r;
        r.range = true;
        r.hasLo = lo != nullptr;
        if (lo)
            r.lo = *lo;
        r.hasHi = hi != nullptr;
        if (hi)
            r.hi = *hi;
        r.count = static_cast<int>(count);
        out.push_back(std::move(r));
    };
    // Copies, not moves: segs stays whole until the end, should a count
    // below fail.
    for (const Segment& seg : segs) {
        if (!seg.range || seg.count < 2 * kMarkEvery) {
            out.push_back(seg);
            continue;
        }
        // The marks strictly inside the range.
        auto from = seg.hasLo ? std::upper_bound(marks.begin(), marks.end(), seg.lo,
                                                 [&](const RowKey& k, const KeyWalk::Mark& m) {
                                                     return compareKeys(k, m.key) < 0;
                                                 })
                              : marks.begin();
        auto to = seg.hasHi ? std::lower_bound(from, marks.end(), seg.hi, before) : marks.end();
        if (from == to) {
            out.push_back(seg);
            continue;
        }
        // The two ends are counted in the file (each about a mark's
        // distance); between marks the walk's places give the count. Any
        // disagreement with the range's own count leaves the range whole.
        std::vector<qint64> counts;
        counts.push_back(countBetween(seg.hasLo ? &seg.lo : nullptr, &from->key, kMarkEvery));
        for (auto m = from; m + 1 != to; ++m)
            counts.push_back(m[1].at - m->at - 1 - movedBetween(m->key, m[1].key));
        counts.push_back(countBetween(&(to - 1)->key, seg.hasHi ? &seg.hi : nullptr, kMarkEvery));
        qint64 sum = to - from;
        bool sound = true;
        for (const qint64 c : counts) {
            sum += c;
            sound = sound && c >= 0;
        }
        if (!sound || sum != seg.count) {
            out.push_back(seg);
            continue;
        }
        placed += static_cast<int>(to - from);
        const RowKey* lo = seg.hasLo ? &seg.lo : nullptr;
        size_t c = 0;
        for (auto m = from; m != to; ++m, ++c) {
            addRange(lo, &m->key, counts[c]);
            addKey(m->key);
            lo = &m->key;
        }
        addRange(lo, seg.hasHi ? &seg.hi : nullptr, counts[c]);
    }
    gMarksTaken += placed;
    segs = std::move(out);
}

} // namespace rv::store
