#include "store/dialect.h"

#include "common/numbers.h"
#include "store/sqlerror.h"

#include <algorithm>

namespace rv::store::detail {

namespace {

struct Token {
    enum Kind { End, Word, Name, String, Number, Date, Op, Star, Dot, Semi, LParen, RParen } kind = End;
    QString text;
};

struct Malformed {};

bool isWordStart(QChar c)
{
    return c.isLetter() || c == u'_';
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

std::vector<Token> tokenize(const QString& s)
{
    std::vector<Token> out;
    qsizetype i = 0;
    const qsizetype n = s.size();
    while (i < n) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
            continue;
        }
        Token t;
        if (c == u'\'' || c == u'"') {
            // A string, in single or double quotes; the quote character
            // doubled stands for itself.
            const QChar q = c;
            t.kind = Token::String;
            ++i;
            for (;;) {
                if (i >= n)
                    throw Malformed{};
                if (s[i] == q) {
                    if (i + 1 < n && s[i + 1] == q) {
                        t.text += q;
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                t.text += s[i++];
            }
        } else if (c == u'`' || c == u'[') {
            const QChar close = c == u'`' ? u'`' : u']';
            const qsizetype end = s.indexOf(close, i + 1);
            if (end < 0 || end == i + 1)
                throw Malformed{};
            t.kind = Token::Name;
            t.text = s.mid(i + 1, end - i - 1);
            i = end + 1;
        } else if (c == u'#') {
            const qsizetype end = s.indexOf(u'#', i + 1);
            if (end < 0)
                throw Malformed{};
            t.kind = Token::Date;
            t.text = s.mid(i + 1, end - i - 1).trimmed();
            i = end + 1;
        } else if (isDigit(c) || ((c == u'-' || c == u'+' || c == u'.') && i + 1 < n
                                  && (isDigit(s[i + 1]) || s[i + 1] == u'.'))) {
            // A number or a date as typed (2005/01/01, 2005-01-01, 10:30:00).
            const qsizetype start = i;
            ++i;
            bool dateLike = false;
            while (i < n) {
                const QChar d = s[i];
                if (isDigit(d) || d == u'.') {
                    ++i;
                } else if (d == u'/' || d == u':' || d == u'-') {
                    dateLike = true;
                    ++i;
                } else if ((d == u'e' || d == u'E') && !dateLike && i + 1 < n
                           && (isDigit(s[i + 1]) || s[i + 1] == u'-' || s[i + 1] == u'+')) {
                    i += 2;
                } else {
                    break;
                }
            }
            if (i < n && isWordChar(s[i]))
                throw Malformed{};
            t.text = s.mid(start, i - start);
            t.kind = dateLike ? Token::Date : Token::Number;
        } else if (isWordStart(c)) {
            const qsizetype start = i;
            while (i < n && isWordChar(s[i]))
                ++i;
            t.kind = Token::Word;
            t.text = s.mid(start, i - start);
        } else if (c == u'<' || c == u'>' || c == u'=' || c == u'!') {
            t.kind = Token::Op;
            t.text = c;
            ++i;
            if (i < n && (s[i] == u'=' || (c == u'<' && s[i] == u'>'))) {
                t.text += s[i];
                ++i;
            }
            if (t.text == u"!")
                throw Malformed{};
        } else if (c == u'*') {
            t.kind = Token::Star;
            ++i;
        } else if (c == u'.') {
            t.kind = Token::Dot;
            ++i;
        } else if (c == u';') {
            t.kind = Token::Semi;
            ++i;
        } else if (c == u'(') {
            t.kind = Token::LParen;
            ++i;
        } else if (c == u')') {
            t.kind = Token::RParen;
            ++i;
        } else {
            throw Malformed{};
        }
        out.push_back(std::move(t));
    }
    out.push_back(Token{});
    return out;
}

class Parser {
public:
    explicit Parser(const QString& text) : m_tokens(tokenize(text)) {}

    const Token& peek(size_t ahead = 0) const
    {
        const size_t k = std::min(m_pos + ahead, m_tokens.size() - 1);
        return m_tokens[k];
    }
    Token take()
    {
        Token t = peek();
        if (m_pos < m_tokens.size() - 1)
            ++m_pos;
        return t;
    }
    bool atKeyword(const char* kw, size_t ahead = 0) const
    {
        const Token& t = peek(ahead);
        return t.kind == Token::Word && t.text.compare(QLatin1String(kw), Qt::CaseInsensitive) == 0;
    }
    bool acceptKeyword(const char* kw)
    {
        if (!atKeyword(kw))
            return false;
        take();
        return true;
    }
    void expectKeyword(const char* kw)
    {
        if (!acceptKeyword(kw))
            throw Malformed{};
    }
    bool accept(Token::Kind k)
    {
        if (peek().kind != k)
            return false;
        take();
        return true;
    }
    void expect(Token::Kind k)
    {
        if (!accept(k))
            throw Malformed{};
    }

    // A table name: `123456789`, [name], a bare word, or a bare digit string.
    QString tableName()
    {
        const Token t = take();
        if (t.kind == Token::Name || t.kind == Token::Word)
            return t.text;
        if (t.kind == Token::Number && !t.text.isEmpty()
            && std::all_of(t.text.begin(), t.text.end(), isDigit))
            return t.text;
        throw Malformed{};
    }

    // A field name, optionally prefixed by its table ("Sensors.InstrumentID").
    QString fieldName()
    {
        const Token t = take();
        if (t.kind != Token::Name && t.kind != Token::Word)
            throw Malformed{};
        if (peek().kind == Token::Dot && (peek(1).kind == Token::Word || peek(1).kind == Token::Name)) {
            take();
            return take().text;
        }
        return t.text;
    }

    Literal literal()
    {
        const Token t = take();
        Literal lit;
        lit.text = t.text;
        switch (t.kind) {
        case Token::String:
            lit.kind = Literal::String;
            return lit;
        case Token::Number:
            if (const auto v = toNumber(t.text)) {
                lit.kind = Literal::Number;
                lit.number = *v;
                return lit;
            }
            throw Malformed{};
        case Token::Date: {
            QString text = t.text;
            // An unquoted date followed by a time: 2005-01-01 10:30:00.
            if (peek().kind == Token::Date && peek().text.contains(u':') && !text.contains(u':')) {
                text += u' ' + take().text;
                lit.text = text;
            }
            if (const auto d = parseDate(text)) {
                lit.kind = Literal::Date;
                lit.date = *d;
                return lit;
            }
            throw Malformed{};
        }
        case Token::Word:
            if (t.text.compare(u"True", Qt::CaseInsensitive) == 0
                || t.text.compare(u"False", Qt::CaseInsensitive) == 0) {
                lit.kind = Literal::Bool;
                lit.boolean = t.text.compare(u"True", Qt::CaseInsensitive) == 0;
                return lit;
            }
            throw Malformed{};
        default:
            throw Malformed{};
        }
    }

    void term(Criteria& out)
    {
        if (accept(Token::LParen)) {
            criteria(out);
            expect(Token::RParen);
            return;
        }
        Term t;
        t.field = fieldName();
        if (acceptKeyword("is")) {
            const bool negated = acceptKeyword("not");
            expectKeyword("null");
            t.op = negated ? Op::IsNotNull : Op::IsNull;
            out.push_back(std::move(t));
            return;
        }
        const Token op = take();
        if (op.kind != Token::Op)
            throw Malformed{};
        if (op.text == u"=") t.op = Op::Eq;
        else if (op.text == u"<>" || op.text == u"!=") t.op = Op::Ne;
        else if (op.text == u"<") t.op = Op::Lt;
        else if (op.text == u">") t.op = Op::Gt;
        else if (op.text == u"<=") t.op = Op::Le;
        else if (op.text == u">=") t.op = Op::Ge;
        else throw Malformed{};
        t.lit = literal();
        out.push_back(std::move(t));
    }

    void criteria(Criteria& out)
    {
        term(out);
        while (acceptKeyword("and"))
            term(out);
    }

    // ";" then nothing.
    void finish()
    {
        accept(Token::Semi);
        if (peek().kind != Token::End)
            throw Malformed{};
    }

private:
    std::vector<Token> m_tokens;
    size_t m_pos = 0;
};

// SELECT * | t.* [INTO name] FROM name [WHERE ...] [ORDER BY field [ASC|DESC]]
Statement selectStatement(Parser& p)
{
    Statement st;
    QString prefix;
    if (!p.accept(Token::Star)) {
        prefix = p.tableName();
        p.expect(Token::Dot);
        p.expect(Token::Star);
    }
    if (p.acceptKeyword("into")) {
        st.kind = Statement::SelectInto;
        st.target = p.tableName();
    }
    p.expectKeyword("from");
    st.table = p.tableName();
    if (!prefix.isEmpty() && prefix.compare(st.table, Qt::CaseInsensitive) != 0)
        throw Malformed{};
    if (p.acceptKeyword("where"))
        p.criteria(st.where);
    if (p.acceptKeyword("order")) {
        p.expectKeyword("by");
        st.orderBy = p.fieldName();
        if (p.acceptKeyword("desc"))
            st.descending = true;
        else
            p.acceptKeyword("asc");
    }
    p.finish();
    return st;
}

} // namespace

Criteria parseCriteria(const QString& text)
{
    try {
        Parser p(text);
        Criteria out;
        p.criteria(out);
        if (p.peek().kind != Token::End)
            throw Malformed{};
        return out;
    } catch (const Malformed&) {
        throw badCriteria();
    }
}

Statement parseStatement(const QString& sql)
{
    try {
        Parser p(sql);
        if (p.acceptKeyword("select"))
            return selectStatement(p);
        Statement st;
        if (p.acceptKeyword("delete")) {
            st.kind = Statement::Delete;
            // "DELETE * FROM t" and "DELETE FROM t" both remove every row.
            if (!p.accept(Token::Star) && !p.atKeyword("from")) {
                const QString prefix = p.tableName();
                p.expect(Token::Dot);
                p.expect(Token::Star);
                (void)prefix;
            }
            p.expectKeyword("from");
            st.table = p.tableName();
            if (p.acceptKeyword("where"))
                p.criteria(st.where);
            p.finish();
            return st;
        }
        if (p.acceptKeyword("drop")) {
            st.kind = Statement::DropTable;
            p.expectKeyword("table");
            st.table = p.tableName();
            p.finish();
            return st;
        }
        throw Malformed{};
    } catch (const Malformed&) {
        throw syntaxError(sql);
    } catch (const DbError&) {
        throw syntaxError(sql);
    }
}

} // namespace rv::store::detail
