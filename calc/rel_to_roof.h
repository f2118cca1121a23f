#pragma once
// Node and gauge-centre positions relative to the roof (the borehole collar
// at the excavation surface), from the distances along the cable.
#include <QString>
#include <array>

namespace rv::calc {

struct RelToRoofInput {
    bool headAtCollar = true;          // Option1 selected
    QString recess;                    // txtRecess
    QString lengthOfCable;             // txtLengthofCable
    std::array<QString, 7> nodes;      // txtNode(1..6), index 0 unused
    std::array<QString, 6> centres;    // txtSGCenter(1..5), index 0 unused
    QString numChannels;               // the type's NumChannels as text
};

struct RelToRoofResult {
    // False when the procedure stopped before clearing anything (a bad
    // NumChannels or recess): the boxes keep what they showed.
    bool touched = false;
    // False when a conversion failed; the boxes written before it keep their
    // new texts, the rest are empty.
    bool ok = false;
    QString failedInput;               // which input could not be read, e.g. "txtNode(3)"
    QString head;                      // txtHead
    std::array<QString, 7> anchors;    // txtRelSGanchor(1..6)
    std::array<QString, 6> centres;    // txtRelSGCenter(1..5)
};

// Head at collar: head = recess, positions = distance + recess.
// Head at toe: head = cable length - recess (rounded to two decimals as
// shown), positions = head - distance. Every output is "##0.00".
RelToRoofResult CalcReltoRoof(const RelToRoofInput& in);

} // namespace rv::calc
