// The regular grid of cells that zeq-tiles cuts a mesh along.
#pragma once

#include <cstdint>

namespace zeq::tiles {

// A box cut into nx × ny × nz equal cells; cells are numbered x fastest, then
// y, then z.
struct Grid {
    double min[3] = {0.0, 0.0, 0.0};
    double extent[3] = {0.0, 0.0, 0.0};
    int n[3] = {1, 1, 1};

    long long cellCount() const { return static_cast<long long>(n[0]) * n[1] * n[2]; }

    // The cell along `axis` of coordinate v: a value on a cell's upper face
    // belongs to the next cell up, except at the box's upper end, which
    // belongs to the last cell.
    int slab(int axis, double v) const;
    // The number of the cell holding the point.
    long long cellOf(double x, double y, double z) const {
        return slab(0, x) + static_cast<long long>(n[0]) * (slab(1, y) + static_cast<long long>(n[1]) * slab(2, z));
    }
};

// The grid over the box [lo, hi] for `faces` faces, about `facesPerTile` to a
// cell: about faces / facesPerTile cells in all (at least one), the cell
// counts along the axes in proportion to the box's extents, at least one
// each. An axis along which the box is flat, or too thin for a cell of its
// own, gets one cell and the others share the rest.
Grid chooseGrid(const double lo[3], const double hi[3], long long faces, long long facesPerTile);

// The centroid of a face, computed as (a + b + c) / 3 per coordinate.
inline double centroid(double a, double b, double c) { return (a + b + c) / 3.0; }

}  // namespace zeq::tiles
