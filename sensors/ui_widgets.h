#pragma once
// Small helpers for the boxes of the sensor pages.
#include <QColor>
#include <QString>

class QWidget;
class QLineEdit;

namespace rv {

inline const QColor kEditableBack(0xFF, 0xFF, 0xFF);
inline const QColor kDisabledBack(0xE0, 0xE0, 0xE0);

// The back colour of a box, in every state it can be drawn in.
void setBackColor(QLineEdit* box, const QColor& c);

// An element of a control array; a missing element fails like a subscript
// out of range, so the caller's error handling stops there.
template <class T, size_t N>
T* element(T* (&arr)[N], int i);

} // namespace rv

#include "store/dberror.h"

namespace rv {

template <class T, size_t N>
T* element(T* (&arr)[N], int i)
{
    if (i < 1 || i >= static_cast<int>(N) || !arr[i])
        throw store::DbError(9, "Subscript out of range");
    return arr[i];
}

} // namespace rv
