#pragma once
// The program's SQL dialect and its filter criteria, parsed into a plain form.
// Everything the program writes as SQL or as a criterion goes through here;
// a text outside the dialect is refused, never passed on to SQLite.
#include "common/dates.h"

#include <QString>
#include <vector>

namespace rv::store::detail {

enum class Op { Eq, Ne, Lt, Gt, Le, Ge, IsNull, IsNotNull };

struct Literal {
    enum Kind { None, String, Number, Date, Bool } kind = None;
    QString text;     // the literal as written (quotes and # removed, '' undone)
    double number = 0;
    ParsedDate date;
    bool boolean = false;
};

// One comparison "field op literal", or "field is [not] null".
struct Term {
    QString field;
    Op op = Op::Eq;
    Literal lit;
};

// Terms joined by AND.
using Criteria = std::vector<Term>;

struct Statement {
    enum Kind { Select, SelectInto, Delete, DropTable } kind = Select;
    QString table;   // FROM table, or the table dropped
    QString target;  // INTO table
    Criteria where;
    QString orderBy; // empty when none
    bool descending = false;
};

// Throws DbError(err::BadCriteria) on a malformed criterion.
Criteria parseCriteria(const QString& text);
// Throws DbError(err::SyntaxError) on a text outside the dialect.
Statement parseStatement(const QString& sql);

} // namespace rv::store::detail
