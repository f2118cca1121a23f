#include "store/criteria.h"

#include "common/numbers.h"
#include "store/sqlerror.h"

#include <QStringList>

namespace rv::store::detail {

namespace {

std::optional<ParsedDate> dateOf(const Literal& lit)
{
    if (lit.kind == Literal::Date)
        return lit.date;
    if (lit.kind == Literal::String)
        return parseDate(lit.text);
    return std::nullopt;
}

void bindTerm(BoundTerm& b, const Literal& lit, ColType type)
{
    switch (type) {
    case ColType::Text:
        b.domain = BoundTerm::Text;
        b.text = lit.text;
        b.sqlValue = b.text;
        return;
    case ColType::Double:
    case ColType::Long:
        b.domain = BoundTerm::Number;
        if (lit.kind == Literal::Number) {
            b.number = lit.number;
        } else if (lit.kind == Literal::Bool) {
            b.number = lit.boolean ? -1.0 : 0.0;
        } else if (lit.kind == Literal::String) {
            const auto n = toNumber(lit.text);
            if (!n)
                throw badCriteria();
            b.number = *n;
        } else {
            throw badCriteria();
        }
        b.sqlValue = b.number;
        return;
    case ColType::YesNo: {
        b.domain = BoundTerm::Bool;
        bool v = false;
        if (lit.kind == Literal::Bool) {
            v = lit.boolean;
        } else if (lit.kind == Literal::Number) {
            v = lit.number != 0.0;
        } else if (lit.kind == Literal::String) {
            try {
                const QVariant c = convertForColumn(lit.text, ColType::YesNo);
                if (!c.isValid())
                    throw badCriteria();
                v = c.toBool();
            } catch (const DbError&) {
                throw badCriteria();
            }
        } else {
            throw badCriteria();
        }
        b.number = v ? 1 : 0;
        b.sqlValue = qint64(v ? 1 : 0);
        return;
    }
    case ColType::Date:
    case ColType::DateTime: {
        const auto d = dateOf(lit);
        if (!d)
            throw badCriteria();
        const QDate day = d->hasDate ? d->date : QDate(1899, 12, 30);
        const QTime clock = d->hasTime ? d->time : QTime(0, 0);
        b.domain = BoundTerm::Moment;
        b.ms = day.toJulianDay() * kMsPerDay + clock.msecsSinceStartOfDay();
        // Stored dates are plain ISO texts, so the storage form of the
        // literal compares in the same order as the dates themselves.
        if (type == ColType::Date && clock.msecsSinceStartOfDay() == 0)
            b.sqlValue = QString::fromLatin1(isoDate(day));
        else
            b.sqlValue = QString::fromLatin1(isoDateTime(day, clock));
        return;
    }
    case ColType::Time: {
        const auto d = dateOf(lit);
        if (!d || !d->hasTime)
            throw badCriteria();
        b.domain = BoundTerm::Clock;
        b.ms = d->time.msecsSinceStartOfDay();
        b.sqlValue = QString::fromLatin1(isoTime(d->time));
        return;
    }
    }
}

template <class T>
int order(T a, T b)
{
    return a < b ? -1 : (b < a ? 1 : 0);
}

bool holds(Op op, int cmp)
{
    switch (op) {
    case Op::Eq: return cmp == 0;
    case Op::Ne: return cmp != 0;
    case Op::Lt: return cmp < 0;
    case Op::Gt: return cmp > 0;
    case Op::Le: return cmp <= 0;
    case Op::Ge: return cmp >= 0;
    default: return false;
    }
}

bool termMatches(const BoundTerm& t, const Cell& c, const TextPool& pool)
{
    if (t.op == Op::IsNull)
        return c.tag == Tag::Null;
    if (t.op == Op::IsNotNull)
        return c.tag != Tag::Null;
    if (c.tag == Tag::Null)
        return false;
    switch (t.domain) {
    case BoundTerm::Text: {
        const QString s = c.tag == Tag::Text ? pool[static_cast<size_t>(c.i)] : cellText(c, pool);
        return holds(t.op, s.compare(t.text, Qt::CaseInsensitive));
    }
    case BoundTerm::Number: {
        double v = 0;
        if (c.tag == Tag::Double) v = c.d;
        else if (c.tag == Tag::Long) v = static_cast<double>(c.i);
        else if (c.tag == Tag::Bool) v = c.i ? -1.0 : 0.0;
        else return false;
        return holds(t.op, order(v, t.number));
    }
    case BoundTerm::Bool: {
        int v = 0;
        if (c.tag == Tag::Bool || c.tag == Tag::Long) v = c.i != 0;
        else if (c.tag == Tag::Double) v = c.d != 0.0;
        else return false;
        return holds(t.op, order(v, static_cast<int>(t.number)));
    }
    case BoundTerm::Moment: {
        qint64 v = 0;
        if (c.tag == Tag::Date) v = c.i * kMsPerDay;
        else if (c.tag == Tag::DateTime) v = c.i;
        else return false;
        return holds(t.op, order(v, t.ms));
    }
    case BoundTerm::Clock: {
        qint64 v = 0;
        if (c.tag == Tag::Time) v = c.i;
        else if (c.tag == Tag::DateTime) v = c.i % kMsPerDay;
        else return false;
        return holds(t.op, order(v, t.ms));
    }
    }
    return false;
}

const char* sqlOp(Op op)
{
    switch (op) {
    case Op::Eq: return "=";
    case Op::Ne: return "<>";
    case Op::Lt: return "<";
    case Op::Gt: return ">";
    case Op::Le: return "<=";
    case Op::Ge: return ">=";
    default: return "=";
    }
}

} // namespace

BoundCriteria bindCriteria(const Criteria& c, const std::vector<ColumnInfo>& cols,
                           const std::function<int(const QString&)>& indexOf)
{
    BoundCriteria out;
    out.reserve(c.size());
    for (const Term& term : c) {
        BoundTerm b;
        b.col = indexOf(term.field);
        if (b.col < 0)
            throw noSuchField(term.field);
        b.op = term.op;
        if (term.op != Op::IsNull && term.op != Op::IsNotNull)
            bindTerm(b, term.lit, cols[static_cast<size_t>(b.col)].type);
        out.push_back(std::move(b));
    }
    return out;
}

bool matches(const BoundCriteria& c, const Cell* row, const TextPool& pool)
{
    for (const BoundTerm& t : c)
        if (!termMatches(t, row[t.col], pool))
            return false;
    return true;
}

QString sqlWhere(const BoundCriteria& c, const std::vector<ColumnInfo>& cols, int firstParam, Engine engine)
{
    if (c.empty())
        return QString();
    QStringList parts;
    int param = firstParam;
    for (const BoundTerm& t : c) {
        const QString col = quoteIdent(cols[static_cast<size_t>(t.col)].name);
        if (t.op == Op::IsNull) {
            parts << col + QStringLiteral(" IS NULL");
            continue;
        }
        if (t.op == Op::IsNotNull) {
            parts << col + QStringLiteral(" IS NOT NULL");
            continue;
        }
        const QString p = sqlParam(engine, param++);
        const QLatin1String op(sqlOp(t.op));
        switch (t.domain) {
        case BoundTerm::Text:
            parts << sqlTextCompare(engine, col, sqlOp(t.op), p);
            break;
        case BoundTerm::Bool:
            // Any non-zero value is Yes, as another tool may have stored -1.
            if (engine == Engine::Postgres)
                parts << QStringLiteral("%1 %2 %3").arg(col, op, p);
            else
                parts << QStringLiteral("(%1 <> 0) %2 %3").arg(col, op, p);
            break;
        default:
            parts << QStringLiteral("%1 %2 %3").arg(col, op, p);
            break;
        }
    }
    return QStringLiteral(" WHERE ") + parts.join(QStringLiteral(" AND "));
}

void bindWhere(Stmt& st, const BoundCriteria& c, int firstParam)
{
    int param = firstParam;
    for (const BoundTerm& t : c) {
        if (t.op == Op::IsNull || t.op == Op::IsNotNull)
            continue;
        bindValue(st, param++, t.sqlValue);
    }
}

} // namespace rv::store::detail
