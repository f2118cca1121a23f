#pragma once
// The small status pictures of the main window, drawn rather than loaded so
// that the program carries no picture files.
#include <QPixmap>

namespace rv {

// A sensor in service: a green heart with a white tick.
QPixmap aliveStatusPixmap(int side = 48);
// A destroyed sensor: a grey cross.
QPixmap deadStatusPixmap(int side = 48);
// The filter button: a funnel, with a red cross over it when pressing it
// removes the active filter.
QPixmap filterPixmap(bool removing, int side = 32);

} // namespace rv
