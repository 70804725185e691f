#include "simplify/sweep_marks.h"

namespace zeq {

namespace sweep_detail {

SweepMarks* current = nullptr;
std::uint64_t currentGeneration = 0;

SweepMarks& makeSweepMarks() {
    // Made before the old ones go: running out of memory leaves them as they were.
    SweepMarks* made = new SweepMarks(theMesh.createdVertices());
    delete current;
    current = made;
    currentGeneration = theMesh.generation();
    return *current;
}

}  // namespace sweep_detail

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

void dropSweepMarks() {
    delete sweep_detail::current;
    sweep_detail::current = nullptr;
}

}  // namespace zeq
