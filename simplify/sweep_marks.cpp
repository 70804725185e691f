#include "simplify/sweep_marks.h"

#include "simplify/simplification_state.h"

namespace zeq {

SweepMarks& makeSweepMarks() {
    SimplificationState& state = simplificationState();
    // Made before the old ones go: running out of memory leaves them as they were.
    auto made = std::make_unique<SweepMarks>(theMesh().createdVertices());
    state.marks = std::move(made);
    state.marksGeneration = theMesh().generation();
    return *state.marks;
}

void SweepMarks::clearTouched() {
    for (std::size_t i = 0; i < bits_.size(); ++i) {
        const VertexId v(static_cast<std::uint32_t>(i));
        bits_[v] &= static_cast<std::uint8_t>(~kTouched);
    }
}

void SweepMarks::forgetBoundaries() {
    for (std::size_t i = 0; i < bits_.size(); ++i) {
        const VertexId v(static_cast<std::uint32_t>(i));
        bits_[v] &= kTouched;
    }
}

}  // namespace zeq
