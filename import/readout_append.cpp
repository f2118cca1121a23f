#include "import/readout_append.h"
#include "common/dates.h"
#include "common/format.h"
#include "common/numbers.h"
#include "import/preselect.h"

#include "store/audit.h"
#include "store/bulk.h"

#include <QSet>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace rv::importing {

namespace {

const QString kDatePicture = QStringLiteral("yyyy/MM/dd");
const QString kTimePicture = QStringLiteral("HH:mm:ss");

} // namespace

std::optional<ReadingStamp> readingStamp(const QString& instrumentId, QStringView slugDate,
                                         DateLayout layout)
{
    ReadingStamp s;
    if (layout == DateLayout::YearFirst) {
        if (slugDate == kNoTimeMarker)
            return std::nullopt;
        const auto when = slugDateTime(slugDate);
        if (!when)
            return std::nullopt;
        s.date = when->date();
        s.time = when->time();
    } else {
        // Positions as the logger writes them: "DD/MM/YYYY HH:NN:SS" or
        // "MM/DD/YYYY HH:NN:SS".
        const QStringView first = slugDate.mid(0, 2);
        const QStringView second = slugDate.mid(3, 2);
        const QString dateText = slugDate.mid(6, 4).toString() + u'/'
            + (layout == DateLayout::DayFirst ? second : first).toString() + u'/'
            + (layout == DateLayout::DayFirst ? first : second).toString();
        s.date = QDate::fromString(dateText, kDatePicture);
        s.time = QTime::fromString(slugDate.mid(11, 8).toString(), kTimePicture);
        if (!s.date.isValid() || !s.time.isValid())
            return std::nullopt;
    }
    if (!s.date.isValid() || !s.time.isValid())
        return std::nullopt;
    s.full = QDateTime(s.date, s.time, Qt::UTC);
    s.key = instrumentId + u' ' + s.date.toString(kDatePicture) + u' ' + s.time.toString(kTimePicture);
    return s;
}

ChannelMap channelMap(const QString& sensorType, bool tempChannel)
{
    ChannelMap m;
    m.temperature = tempChannel;
    m.firstField = tempChannel ? 5 : 4;
    const double digit = sensorType.isEmpty() ? 0 : Val(sensorType.left(1));
    m.count = std::clamp(static_cast<int>(digit), 0, 10);
    // Never past the last field of a row.
    m.count = std::min(m.count, kReadoutFields - m.firstField);
    return m;
}

std::optional<double> channelValue(QStringView text, const QString& picture)
{
    const auto v = leadingNumber(text.toString());
    if (!v)
        return std::nullopt;
    bool ok = false;
    const double r = Format(*v, picture).toDouble(&ok);
    if (!ok || !std::isfinite(r))
        return std::nullopt;
    return r;
}

namespace {

// Julian day of 1970/01/01.
constexpr qint64 kUnixEpochJulianDay = 2440588;

constexpr double kPowersOfTen[] = {1, 10, 100, 1000, 10000, 100000, 1000000, 10000000, 100000000};

// channelValue() without the detour through texts, for the plain decimals a
// logger writes ("-12.345"): the digits rounded to `decimals` places half
// away from zero, as the picture rounds them, and divided once, which gives
// the same double as reading the formatted text back. Texts of more than 15
// digits (which a double does not keep exactly) and any other form go the
// general way.
std::optional<double> channelNumber(QStringView t, int decimals, const QString& picture)
{
    const qsizetype n = t.size();
    qsizetype i = 0;
    const bool negative = n > 0 && t[0] == u'-';
    if (negative)
        ++i;
    qint64 mantissa = 0;
    int digits = 0;
    int intDigits = 0;
    for (; i < n && t[i] >= u'0' && t[i] <= u'9'; ++i, ++intDigits, ++digits)
        mantissa = mantissa * 10 + (t[i].unicode() - u'0');
    int dec = 0;
    bool up = false;
    bool plain = intDigits > 0;
    if (plain && i < n) {
        plain = t[i] == u'.';
        ++i;
        for (; plain && i < n; ++i, ++digits) {
            const char16_t c = t[i].unicode();
            if (c < u'0' || c > u'9') {
                plain = false;
                break;
            }
            if (dec < decimals) {
                mantissa = mantissa * 10 + (c - u'0');
                ++dec;
            } else if (dec == decimals) {
                up = c >= u'5';
                ++dec;
            }
        }
    }
    if (!plain || digits > 15 || decimals > 8)
        return channelValue(t, picture);
    for (int k = std::min(dec, decimals); k < decimals; ++k)
        mantissa *= 10;
    if (up)
        ++mantissa;
    if (mantissa == 0)
        return 0.0;  // a value that rounds to zero has no sign
    const double v = double(mantissa) / kPowersOfTen[decimals];
    return negative ? -v : v;
}

// The date and time of a stamp, taken apart.
struct Moment {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
};

int twoDigits(QStringView t, qsizetype at, bool& ok)
{
    const char16_t a = t[at].unicode(), b = t[at + 1].unicode();
    ok = ok && a >= u'0' && a <= u'9' && b >= u'0' && b <= u'9';
    return (a - u'0') * 10 + (b - u'0');
}

// readingStamp() for the forms loggers write, without building texts:
// "YYYY/MM/DD HH:NN:SS" for the first layout, the positions of the others.
// false sends the row the general way (which also refuses what is invalid).
bool quickMoment(QStringView t, DateLayout layout, Moment& m)
{
    if (t.size() < 19 || (layout == DateLayout::YearFirst && t.size() != 19))
        return false;
    bool ok = true;
    if (layout == DateLayout::YearFirst) {
        ok = t[4] == u'/' && t[7] == u'/' && t[10] == u' ';
        m.y = twoDigits(t, 0, ok) * 100 + twoDigits(t, 2, ok);
        m.mo = twoDigits(t, 5, ok);
        m.d = twoDigits(t, 8, ok);
    } else {
        const int first = twoDigits(t, 0, ok);
        const int second = twoDigits(t, 3, ok);
        m.y = twoDigits(t, 6, ok) * 100 + twoDigits(t, 8, ok);
        m.d = layout == DateLayout::DayFirst ? first : second;
        m.mo = layout == DateLayout::DayFirst ? second : first;
    }
    ok = ok && t[13] == u':' && t[16] == u':';
    m.h = twoDigits(t, 11, ok);
    m.mi = twoDigits(t, 14, ok);
    m.s = twoDigits(t, 17, ok);
    return ok && m.y >= 1000 && QDate::isValid(m.y, m.mo, m.d) && m.h < 24 && m.mi < 60 && m.s < 60;
}

void put2(char*& p, int v)
{
    *p++ = char('0' + v / 10);
    *p++ = char('0' + v % 10);
}

void put4(char*& p, int v)
{
    put2(p, v / 100);
    put2(p, v % 100);
}

// The stored forms of a moment: the key's "YYYY/MM/DD HH:NN:SS" and the
// table's "YYYY-MM-DD" and "HH:NN:SS" (the date-time is the two with a blank).
struct StampBytes {
    char keyPart[19];
    char full[19];
    void set(const Moment& m)
    {
        char* p = keyPart;
        put4(p, m.y);
        *p++ = '/';
        put2(p, m.mo);
        *p++ = '/';
        put2(p, m.d);
        *p++ = ' ';
        put2(p, m.h);
        *p++ = ':';
        put2(p, m.mi);
        *p++ = ':';
        put2(p, m.s);
        std::memcpy(full, keyPart, sizeof full);
        full[4] = full[7] = '-';
    }
};

// The reading keys of one sensor, "<id> YYYY/MM/DD HH:NN:SS", held as the
// moment's fourteen digits in one number: sorted while they come in order
// (as a logger's file and the stored keys do), hashed when they do not.
// A stored key of any other form can never equal a new one and is left out.
class KeySet {
public:
    explicit KeySet(const QByteArray& prefix) : m_prefix(prefix) {}

    void addStored(QByteArrayView key)
    {
        qint64 m = 0;
        if (key.size() != m_prefix.size() + 19 || !key.startsWith(m_prefix) ||
            !moment(key.sliced(m_prefix.size()), m)) {
            ++m_unread;
            return;
        }
        m_sorted.push_back(m);
    }
    void storedDone()
    {
        std::sort(m_sorted.begin(), m_sorted.end());
        m_stored = m_sorted.size();
    }
    // Whether a key read before the append lies from `from` to `to`; unknown
    // when some stored key was not one this import writes.
    std::optional<bool> storedWithin(qint64 from, qint64 to) const
    {
        if (m_unread > 0)
            return std::nullopt;
        const auto end = m_sorted.begin() + qsizetype(m_stored);
        const auto it = std::lower_bound(m_sorted.begin(), end, from);
        return it != end && *it <= to;
    }
    bool contains(qint64 m) const
    {
        if (m_sorted.empty() || m > m_sorted.back())
            return !m_extra.isEmpty() && m_extra.contains(m);
        return std::binary_search(m_sorted.begin(), m_sorted.end(), m) || m_extra.contains(m);
    }
    void add(qint64 m)
    {
        if (m_sorted.empty() || m > m_sorted.back())
            m_sorted.push_back(m);
        else
            m_extra.insert(m);
    }

    // The digits of "YYYY/MM/DD HH:NN:SS" as one number.
    static bool moment(QByteArrayView t, qint64& out)
    {
        static constexpr int digitsAt[] = {0, 1, 2, 3, 5, 6, 8, 9, 11, 12, 14, 15, 17, 18};
        if (t[4] != '/' || t[7] != '/' || t[10] != ' ' || t[13] != ':' || t[16] != ':')
            return false;
        qint64 m = 0;
        for (int i : digitsAt) {
            const char c = t[i];
            if (c < '0' || c > '9')
                return false;
            m = m * 10 + (c - '0');
        }
        out = m;
        return true;
    }

private:
    QByteArray m_prefix;
    std::vector<qint64> m_sorted;
    QSet<qint64> m_extra;
    size_t m_stored = 0;  // m_sorted's first m_stored are the keys read before the append
    qint64 m_unread = 0;
};

// What the change log keeps of an import: the file, the counts, and the
// earliest and latest readings it kept.
QString importText(const QString& file, const AppendOutcome& out)
{
    store::AuditPairs p;
    p.addText(QStringLiteral("File"), file)
        .add(QStringLiteral("Appended"), out.appended)
        .add(QStringLiteral("Duplicates"), out.duplicates)
        .add(QStringLiteral("BadDates"), out.badDates)
        .add(QStringLiteral("EmptyRows"), out.emptyRows)
        .add(QStringLiteral("PartialRows"), out.partialRows);
    if (!out.rows.empty()) {
        size_t earliest = 0;
        size_t latest = 0;
        for (size_t i = 1; i < out.rows.size(); ++i) {
            if (out.rows.ms(i) < out.rows.ms(earliest))
                earliest = i;
            if (out.rows.ms(i) > out.rows.ms(latest))
                latest = i;
        }
        p.addText(QStringLiteral("Earliest"), out.rows.key(earliest))
            .addText(QStringLiteral("Latest"), out.rows.key(latest));
    }
    return p.text();
}

} // namespace

AppendOutcome appendReadings(store::Connection& conn, const ReadoutRecords& records,
                             const std::vector<char>& ticked, const AppendTarget& target, DateLayout layout,
                             const DuplicateNotice& onDuplicate, Progress& progress)
{
    AppendOutcome out;
    const ChannelMap map = channelMap(target.sensorType, target.tempChannel);
    const store::TableShape shape = store::tableShape(conn, target.instrumentId);

    // The keys the table holds, read once: a search of the whole table for
    // every row would make a long file take hours.
    const QByteArray idBytes = target.instrumentId.toUtf8() + ' ';
    KeySet keys(idBytes);
    store::readColumnTexts(conn, shape, QStringLiteral("DateTimeKey"), [&](QByteArrayView k) { keys.addStored(k); });
    keys.storedDone();

    enum : int { cKey, cDate, cTime, cFull, cDirty, cSpatial, cTemporal, cTemp, cChannel };
    QStringList columns{QStringLiteral("DateTimeKey"), QStringLiteral("ReadingDate"), QStringLiteral("ReadingTime"),
                        QStringLiteral("FullDate"),    QStringLiteral("IsDirty"),     QStringLiteral("PlotSpatial"),
                        QStringLiteral("Plottemporal")};
    // Without a temperature channel ChannelT keeps its default; its place is
    // then taken by Channel1.
    const int firstChannel = map.temperature ? cChannel : cTemp;
    if (map.temperature)
        columns << QStringLiteral("ChannelT");
    for (int k = 1; k <= map.count; ++k)
        columns << QStringLiteral("Channel%1").arg(k);
    const bool hasChannels = map.temperature || map.count > 0;

    const int n = std::min<int>(records.recordCount(), static_cast<int>(ticked.size()));
    qint64 toDo = 0;
    for (int r = 0; r < n; ++r)
        toDo += ticked[static_cast<size_t>(r)] ? 1 : 0;

    QByteArray key = idBytes;
    const QString tempPicture = QStringLiteral("##0.0");
    const QString channelPicture = QStringLiteral("##0.00");

    progress.begin(QStringLiteral("Appending readings to ") + target.instrumentId + QStringLiteral("..."), toDo);
    try {
        store::Connection::Transaction group(conn);
        // The keys read above are those committed when the append began: on a
        // server another machine may store some of the same readings before
        // this append commits. The table's unique key decides then, and a row
        // it refuses is a duplicate like one found beforehand.
        store::BulkInsert insert(conn, shape, columns, store::ExistingKey::Skip);
        // The stored forms are bound directly when the columns have the types
        // the reading tables are made with; otherwise each value is converted
        // as a record set would convert it.
        using store::ColType;
        const bool direct = insert.type(cKey) == ColType::Text && insert.type(cDate) == ColType::Date
            && insert.type(cTime) == ColType::Time && insert.type(cFull) == ColType::DateTime;
        auto setFlag = [&](int c, bool v) {
            if (insert.type(c) == ColType::YesNo)
                insert.setInt(c, v ? 1 : 0);
            else
                insert.setValue(c, v);
        };
        auto setNumber = [&](int c, const std::optional<double>& v) {
            if (!v)
                insert.setNull(c);
            else if (insert.type(c) == ColType::Double)
                insert.setDouble(c, *v);
            else
                insert.setValue(c, *v);
        };

        // The values of the row at hand: the temperature, then Channel1..10.
        std::optional<double> temperature;
        calc::Channels channel;
        out.rows = AppendedReadings(target.instrumentId, map.count);
        out.rows.reserve(size_t(toDo));
        qint64 done = 0;
        qint64 firstMoment = std::numeric_limits<qint64>::max(), lastMoment = 0;
        StampBytes sb;
        // Rows written and not yet answered for: a server is sent rows ahead
        // of its answers, which say whether each was stored or was a reading
        // another import stored meanwhile.
        struct Sent {
            Moment m;
            qint64 moment = 0;
            bool missing = false;
            calc::Channels channel;
        };
        std::vector<Sent> sent;
        const auto settle = [&] {
            size_t i = 0;
            insert.settle([&](qint64 rowid) {
                const Sent& w = sent[i++];
                if (rowid == 0) {
                    ++out.duplicates;
                    if (onDuplicate) {
                        StampBytes b;
                        b.set(w.m);
                        onDuplicate(QString::fromUtf8(idBytes + QByteArray(b.keyPart, sizeof b.keyPart)));
                    }
                    return;
                }
                firstMoment = std::min(firstMoment, w.moment);
                lastMoment = std::max(lastMoment, w.moment);
                ++out.appended;
                if (w.missing)
                    ++out.partialRows;
                // The FullDate as the levels' check counts it: ms of the
                // wall-clock date and time taken as UTC.
                const qint64 ms = (QDate(w.m.y, w.m.mo, w.m.d).toJulianDay() - kUnixEpochJulianDay)
                        * store::detail::kMsPerDay
                    + ((w.m.h * 60 + w.m.mi) * 60 + w.m.s) * qint64(1000);
                out.rows.add(ms, w.channel);
            });
            sent.clear();
        };
        for (int r = 0; r < n; ++r) {
            if (!ticked[static_cast<size_t>(r)])
                continue;
            if ((++done & 0xFF) == 0 && !progress.advance(done)) {
                out.cancelled = true;
                break;
            }
            const QStringView slug = records.fieldView(r, 0);
            Moment m;
            if (!quickMoment(slug, layout, m)) {
                const auto stamp = readingStamp(target.instrumentId, slug, layout);
                if (!stamp) {
                    ++out.badDates;
                    continue;
                }
                m = Moment{stamp->date.year(),   stamp->date.month(),  stamp->date.day(),
                           stamp->time.hour(),   stamp->time.minute(), stamp->time.second()};
                if (m.y < 1 || m.y > 9999) {
                    ++out.badDates;  // beyond the four-digit years of the stored forms
                    continue;
                }
            }
            sb.set(m);
            key.resize(idBytes.size());
            key.append(sb.keyPart, sizeof sb.keyPart);
            qint64 moment = 0;
            KeySet::moment(QByteArrayView(sb.keyPart, sizeof sb.keyPart), moment);
            if (keys.contains(moment)) {
                ++out.duplicates;
                if (onDuplicate)
                    onDuplicate(QString::fromUtf8(key));
                continue;
            }

            temperature.reset();
            if (map.temperature)
                temperature = channelNumber(records.fieldView(r, 4), 1, tempPicture);
            bool any = temperature.has_value();
            bool missing = map.temperature && !any;
            for (int k = 1; k <= 10; ++k) {
                auto& v = channel[size_t(k)];
                v.reset();
                if (k <= map.count) {
                    v = channelNumber(records.fieldView(r, map.firstField + k - 1), 2, channelPicture);
                    any = any || v.has_value();
                    missing = missing || !v.has_value();
                }
            }
            if (hasChannels && !any) {
                ++out.emptyRows;
                continue;
            }

            if (direct) {
                // The key and the stamp stay as they are until the row is
                // written below.
                insert.setTextInPlace(cKey, key);
                insert.setTextInPlace(cDate, QByteArrayView(sb.full, 10));
                insert.setTextInPlace(cTime, QByteArrayView(sb.full + 11, 8));
                insert.setTextInPlace(cFull, QByteArrayView(sb.full, 19));
            } else {
                const QDate date(m.y, m.mo, m.d);
                const QTime time(m.h, m.mi, m.s);
                insert.setValue(cKey, QString::fromUtf8(key));
                insert.setValue(cDate, date);
                insert.setValue(cTime, time);
                insert.setValue(cFull, QDateTime(date, time, Qt::UTC));
            }
            setFlag(cDirty, true);
            setFlag(cSpatial, false);
            setFlag(cTemporal, true);
            if (map.temperature)
                setNumber(cTemp, temperature);
            for (int k = 1; k <= map.count; ++k)
                setNumber(firstChannel + k - 1, channel[size_t(k)]);
            keys.add(moment);
            sent.push_back(Sent{m, moment, missing, channel});
            if (insert.send() || sent.size() >= 256)
                settle();
        }
        settle();
        if (!out.rows.empty())
            if (const auto among = keys.storedWithin(firstMoment, lastMoment))
                out.rows.setStoredAmong(*among);
        if (!out.cancelled && progress.advance(toDo)) {
            if (out.appended > 0)
                store::writeAudit(conn, {target.instrumentId, QString(), store::audit::Import, QString(),
                                         importText(target.sourceFile, out)});
            group.commit();
        }
        else
            out.cancelled = true;
    } catch (...) {
        progress.end();
        throw;
    }
    progress.end();
    if (out.cancelled) {
        out.appended = 0;
        out.partialRows = 0;
        out.rows.clear();
    }
    return out;
}

} // namespace rv::importing
