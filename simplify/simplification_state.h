// What the simplification keeps for the length of a run.
#pragma once

#include <cstdint>
#include <memory>

#include "mesh/mesh.h"
#include "simplify/collapse_bounds.h"
#include "simplify/sweep_marks.h"

namespace zeq {

// The simplification's state of one run: the bounds on its collapses, and
// the sweep marks of the simplification under way, with the mesh generation
// they were made for.
struct SimplificationState final : StageState {
    CollapseBounds bounds;
    std::unique_ptr<SweepMarks> marks;
    std::uint64_t marksGeneration = 0;
    // The simplification seconds the console was given, in all, and the
    // passes made.
    double printedSeconds = 0;
    int passes = 0;
};

// The current run's simplification state, made on first use.
SimplificationState& makeSimplificationState();
inline SimplificationState& simplificationState() {
    StageState* state = currentRun().simplification.get();
    return state != nullptr ? static_cast<SimplificationState&>(*state) : makeSimplificationState();
}

inline CollapseBounds& collapseBounds() { return simplificationState().bounds; }

// The marks of the simplification under way on the current run's mesh, made
// with every vertex untouched and of unknown boundary when first asked for
// (and made again after the mesh has been emptied). Asked for at every
// candidate, so the usual answer costs a few compares.
SweepMarks& makeSweepMarks();
inline SweepMarks& sweepMarks() {
    SimplificationState& state = simplificationState();
    if (state.marks != nullptr && state.marksGeneration == theMesh().generation()) return *state.marks;
    return makeSweepMarks();
}

// Drops the marks; the simplification driver does when it is done.
inline void dropSweepMarks() { simplificationState().marks.reset(); }

// Whether the distance bound refused `e` (ends v1, v2) and nothing around
// its ends changed since: evaluateCollapse would reject it again.
inline bool stillRefused(EdgeId e, VertexId v1, VertexId v2) {
    const CollapseBounds& b = collapseBounds();
    if (b.refusedAt.empty()) return false;
    const std::uint32_t refused = b.refusedAt[e.index()];
    return refused != 0 && b.changedAt[v1.index()] < refused && b.changedAt[v2.index()] < refused;
}

}  // namespace zeq
