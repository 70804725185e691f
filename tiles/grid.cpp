#include "tiles/grid.h"

#include <algorithm>
#include <cmath>

namespace zeq::tiles {

int Grid::slab(int axis, double v) const {
    if (!(extent[axis] > 0)) return 0;
    const double t = std::floor((v - min[axis]) / extent[axis] * n[axis]);
    if (!(t >= 0)) return 0;
    if (t >= n[axis] - 1) return n[axis] - 1;
    return static_cast<int>(t);
}

Grid chooseGrid(const double lo[3], const double hi[3], long long faces, long long facesPerTile) {
    Grid g;
    for (int a = 0; a < 3; ++a) {
        g.min[a] = lo[a];
        g.extent[a] = hi[a] > lo[a] ? hi[a] - lo[a] : 0.0;
    }
    const double wanted =
        std::max(1.0, std::round(static_cast<double>(faces) / static_cast<double>(std::max(1LL, facesPerTile))));
    // Cells per unit of length, s, such that the product of extent × s over
    // the axes that get more than one cell is the number of cells wanted.
    bool active[3];
    for (int a = 0; a < 3; ++a) active[a] = g.extent[a] > 0;
    double scale = 0.0;
    for (;;) {
        int count = 0;
        double volume = 1.0;
        for (int a = 0; a < 3; ++a)
            if (active[a]) {
                ++count;
                volume *= g.extent[a];
            }
        if (count == 0) return g;
        scale = std::pow(wanted / volume, 1.0 / count);
        bool dropped = false;
        for (int a = 0; a < 3; ++a)
            if (active[a] && g.extent[a] * scale < 1.0) {
                active[a] = false;  // one cell along this axis
                dropped = true;
            }
        if (!dropped) break;
    }
    for (int a = 0; a < 3; ++a) {
        if (!active[a]) continue;
        const double cells = std::round(g.extent[a] * scale);
        // Never more cells along an axis than faces in all.
        g.n[a] = static_cast<int>(std::clamp(cells, 1.0, std::min(1e6, std::max(1.0, static_cast<double>(faces)))));
    }
    return g;
}

}  // namespace zeq::tiles
