// The simplification's own state per vertex.
#pragma once

#include <cstdint>

#include "mesh/mesh.h"
#include "mesh/per_record.h"

namespace zeq {

// Per vertex: whether it survived a collapse in the current pass (`touched`:
// it moves at most once per pass), and whether some edge at it has exactly one
// face, as last found by a scan (the boundary state: not known, no or yes;
// not known for a new vertex and for one whose neighbourhood a collapse may
// have changed that way). One byte per vertex, made when the simplification
// starts and dropped when it ends.
class SweepMarks {
public:
    enum class Boundary : std::uint8_t { Unknown = 0, No = 1, Yes = 2 };

    explicit SweepMarks(std::size_t vertexCount) : bits_(vertexCount, 0) {}

    bool touched(VertexId v) const { return (bits_[v] & kTouched) != 0; }
    void setTouched(VertexId v) { bits_[v] |= kTouched; }
    // Every vertex untouched again, as at the end of a pass.
    void clearTouched();

    Boundary boundary(VertexId v) const { return static_cast<Boundary>(bits_[v] >> 1); }
    void setBoundary(VertexId v, Boundary b) {
        bits_[v] = static_cast<std::uint8_t>((bits_[v] & kTouched) | (static_cast<std::uint8_t>(b) << 1));
    }
    // Every boundary state not known again.
    void forgetBoundaries();

private:
    static constexpr std::uint8_t kTouched = 1;
    PerRecord<VertexId, std::uint8_t> bits_;
};

}  // namespace zeq
