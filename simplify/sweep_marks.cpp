#include "simplify/sweep_marks.h"

#include <memory>

namespace zeq {

namespace {

struct Current {
    std::unique_ptr<SweepMarks> marks;
    std::uint64_t meshGeneration = 0;
};

Current& current() {
    static Current instance;
    return instance;
}

}  // namespace

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

SweepMarks& sweepMarks() {
    Current& c = current();
    if (!c.marks || c.meshGeneration != theMesh.generation()) {
        c.marks = std::make_unique<SweepMarks>(theMesh.createdVertices());
        c.meshGeneration = theMesh.generation();
    }
    return *c.marks;
}

void dropSweepMarks() { current().marks.reset(); }

}  // namespace zeq
