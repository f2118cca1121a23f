#pragma once
// Stretch of the measuring sections and displacement of the nodes. Section k
// lies between nodes k and k + 1; its stretch is its zero value divided by 3
// times its length, and a node's displacement is the sum of the stretches
// between it and the deepest node, which is taken as fixed.
#include <QString>
#include <array>
#include <optional>

namespace rv::calc {

// The node positions relative to the roof, read once from the texts the
// Installation page shows.
struct Anchors {
    bool headAtCollar = true;
    // Sections that exist: the type's channel count, 0..5. Nodes 1 ..
    // sections + 1 exist.
    int sections = 5;
    // R(1..6); none where the text is empty or not a number.
    std::array<std::optional<double>, 7> r;
};

// relAnchor: texts of txtRelSGanchor(1..6), element 0 unused.
Anchors readAnchors(bool headAtCollar, int numChannels, const std::array<QString, 7>& relAnchor);

// zero1..zero5 / Stretch1..5 / Disp1..6; none is a null field. Element 0 unused.
using SectionValues = std::array<std::optional<double>, 6>;
using NodeValues = std::array<std::optional<double>, 7>;

struct StretchResult {
    SectionValues stretch;
    // 0 when every existing section was computed; otherwise the section whose
    // bounding node position could not be read. The sections before it are
    // computed, it and the later ones are not.
    int failedSection = 0;
};

// Stretch k = (zero k / 3) x (R(k + 1) - R(k)), negated with the head at the
// toe, for the sections that exist. A null zero value gives a null stretch.
// Sections that do not exist stay null.
StretchResult CalcStretch(const Anchors& a, const SectionValues& zero);

// The deepest existing node is fixed at 0: node sections + 1 with the head at
// the collar, node 1 with the head at the toe. Each node nearer the roof adds
// the stretch of the section beyond it; a null stretch makes every later sum
// null. Nodes that do not exist stay null.
NodeValues CalcDisp(const Anchors& a, const SectionValues& stretch);

} // namespace rv::calc
