#pragma once
// Criteria bound to the columns of one table: evaluated in memory for a
// record set's Filter and Find, or written as an SQL condition with bound
// parameters for a statement's WHERE. Both read a comparison the same way:
// text without regard to case, numbers as numbers, dates as dates.
#include "store/backend.h"
#include "store/cell.h"
#include "store/dialect.h"
#include "store/tableinfo.h"

#include <QVariant>
#include <functional>
#include <vector>

namespace rv::store::detail {

struct BoundTerm {
    enum Domain { Text, Number, Bool, Moment, Clock };
    int col = -1;
    Op op = Op::Eq;
    Domain domain = Text;
    QString text;        // Text
    double number = 0;   // Number, Bool (0 or 1)
    qint64 ms = 0;       // Moment: Julian day * kMsPerDay + ms of day; Clock: ms of day
    QVariant sqlValue;   // the value bound in SQL, in the column's storage form
};

using BoundCriteria = std::vector<BoundTerm>;

// Resolves every term against cols; indexOf gives a column's index or -1.
// A missing field throws err::NoSuchField; a literal that cannot stand for a
// value of its column throws err::BadCriteria.
BoundCriteria bindCriteria(const Criteria& c, const std::vector<ColumnInfo>& cols,
                           const std::function<int(const QString&)>& indexOf);

bool matches(const BoundCriteria& c, const Cell* row, const TextPool& pool);

// " WHERE ..." with parameters ?firstParam onwards, or "" when c is empty.
QString sqlWhere(const BoundCriteria& c, const std::vector<ColumnInfo>& cols, int firstParam = 1,
                 Engine engine = Engine::Sqlite);
void bindWhere(Stmt& st, const BoundCriteria& c, int firstParam = 1);

} // namespace rv::store::detail
