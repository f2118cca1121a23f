#pragma once
// Field name to column position, without regard to case. Data passes look
// up some twenty names per row, so this is a small open-addressing table with
// a cheap case-folding hash rather than a general hash map.
#include <QString>
#include <QStringView>
#include <vector>

namespace rv::store::detail {

class FieldIndex {
public:
    void build(const std::vector<QString>& names)
    {
        size_t size = 16;
        while (size < names.size() * 4)
            size *= 2;
        m_mask = size - 1;
        m_slots.assign(size, Slot{});
        for (size_t k = 0; k < names.size(); ++k) {
            size_t at = hash(names[k]) & m_mask;
            while (m_slots[at].index >= 0) {
                // The first of two names equal but for case wins, as SQLite
                // would not allow both anyway.
                if (m_slots[at].name.compare(names[k], Qt::CaseInsensitive) == 0)
                    break;
                at = (at + 1) & m_mask;
            }
            if (m_slots[at].index < 0)
                m_slots[at] = Slot{names[k], static_cast<int>(k)};
        }
    }

    // -1 when no column has that name.
    int find(QStringView name) const
    {
        if (m_slots.empty())
            return -1;
        size_t at = hash(name) & m_mask;
        while (m_slots[at].index >= 0) {
            const Slot& s = m_slots[at];
            if (s.name.size() == name.size() && s.name.compare(name, Qt::CaseInsensitive) == 0)
                return s.index;
            at = (at + 1) & m_mask;
        }
        return -1;
    }

private:
    struct Slot {
        QString name;
        int index = -1;
    };

    static size_t hash(QStringView s)
    {
        quint32 h = 2166136261u;
        for (QChar c : s) {
            char16_t u = c.unicode();
            if (u < 128) {
                if (u >= 'A' && u <= 'Z')
                    u = static_cast<char16_t>(u + 32);
            } else {
                u = QChar::toCaseFolded(u);
            }
            h = (h ^ u) * 16777619u;
        }
        return h;
    }

    std::vector<Slot> m_slots;
    size_t m_mask = 0;
};

} // namespace rv::store::detail
