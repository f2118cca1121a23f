#pragma once
// The borehole drawing of the Installation page and the geometry it shares
// with the position boxes beside it: each node mark of the drawing sits at
// the height of its box, for both cable geometries.
#include <QPixmap>
#include <QRect>
#include <QSize>
#include <array>

namespace rv {

// Tops, in twips, of the boxes that show the positions relative to the roof.
// Index 0 of the arrays is unused, like the control arrays.
struct RelBoxTops {
    int head;
    std::array<int, 7> anchors;   // txtRelSGanchor(1..6)
    std::array<int, 6> centres;   // txtRelSGCenter(1..5)
};

// Head at the collar: head at the bottom, node 1 nearest to it.
inline constexpr RelBoxTops kCollarTops{8880, {0, 7920, 7080, 6240, 5400, 4560, 3720},
                                        {0, 7440, 6600, 5760, 4920, 4080}};
// Head at the toe: head at the top, node 1 just below it, node 6 lowest.
inline constexpr RelBoxTops kToeTops{3240, {0, 4200, 5040, 6000, 6960, 7800, 8760},
                                     {0, 4560, 5520, 6480, 7440, 8400}};

inline constexpr const RelBoxTops& relBoxTops(bool headAtCollar)
{
    return headAtCollar ? kCollarTops : kToeTops;
}

// Height in pixels of the position boxes (and of lblHead); a node mark is
// drawn at the middle of its box.
inline constexpr int kRelBoxHeight = 24;

// Where the drawing `imgHead` sits on its page. It stays there whichever
// geometry is shown; only the boxes move.
QRect boreholeRect();

// The borehole through the rock, the roof line at the collar, the cable with
// its head and plate, and the six node marks with their numbers. Drawn for
// boreholeRect().size(); another size scales it.
QPixmap drawBorehole(bool headAtCollar, QSize size);

} // namespace rv
