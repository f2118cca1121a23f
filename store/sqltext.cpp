#include "store/sqltext.h"

namespace rv::store {

QString quoted(const QString& text)
{
    QString out;
    out.reserve(text.size() + 2);
    out += u'\'';
    for (QChar c : text) {
        if (c == u'\'')
            out += u'\'';
        out += c;
    }
    out += u'\'';
    return out;
}

QString tableName(const QString& name)
{
    return u'`' + name + u'`';
}

} // namespace rv::store
