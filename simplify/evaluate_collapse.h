// The normal-deviation test of one candidate edge.
#pragma once

#include <cmath>

#include "mesh/mesh.h"

namespace zeq {

// The midpoint of two coordinates, (a + b) * 0.5 in double precision. Near the
// top of the double range the sum overflows; halving first then gives the
// finite midpoint (the two forms agree whenever the sum is finite).
inline double midpointOf(double a, double b) {
    const double mid = (a + b) * 0.5;
    if (std::isinf(mid) && std::isfinite(a) && std::isfinite(b)) return a * 0.5 + b * 0.5;
    return mid;
}

// The midpoint both ends of a collapsed edge move to. The test and the
// collapse use this one expression, so an accepted candidate is collapsed to
// exactly the geometry that was tested.
inline Point3 collapseMidpoint(const Point3& p1, const Point3& p2) {
    return Point3{midpointOf(p1.x, p2.x), midpointOf(p1.y, p2.y), midpointOf(p1.z, p2.z)};
}

// The cosine of the angle between face g's normal as its corners stand now,
// computed from its first two edges with their vectors rounded to single
// precision, and the normal the orientation stored for it; NaN for a
// degenerate face (a zero-length or NaN normal, no stored normal, or first
// two edges that share no corner).
double faceCosine(FaceId g);

// What evaluateCollapse says of a candidate.
enum class CollapseVerdict {
    Accept,
    TooTilted,  // a face would tilt past the limit, or become degenerate
    TooFar,     // the surface would stray further than the distance bound
};

// Tentatively moves V1 and V2 to their midpoint and recomputes the normal of
// every face around them except F1 and F2 (the faces of the edge, which
// vanish) from the face's first two edges. TooTilted as soon as one face's
// normal falls below the cosine limit 1 - 1/`thresholdPercent` (or the angle
// bound's cosine, when that is higher) against the normal stored by the
// orientation pass, or is degenerate (see faceCosine); when distances are
// kept, TooFar when the faces around the ends would stray further than the
// distance bound allows (see CollapseBounds), the distance they would reach
// being left in collapseBounds.pending; Accept otherwise. Both positions are
// restored exactly whatever the outcome. Overwrites the shared neighbourhood
// record.
CollapseVerdict evaluateCollapse(FaceId f1, FaceId f2, VertexId v1, VertexId v2);

}  // namespace zeq
