// The normal-deviation test of one candidate edge.
#pragma once

#include "mesh/mesh.h"

namespace zeq {

// The midpoint both ends of a collapsed edge move to, in double precision.
// The test and the collapse use this one expression, so an accepted candidate
// is collapsed to exactly the geometry that was tested.
inline Point3 collapseMidpoint(const Point3& p1, const Point3& p2) {
    return Point3{(p1.x + p2.x) * 0.5, (p1.y + p2.y) * 0.5, (p1.z + p2.z) * 0.5};
}

// Tentatively moves V1 and V2 to their midpoint and recomputes the normal of
// every face around them except F1 and F2 (the faces of the edge, which
// vanish) from the face's first two edges. Returns 1 (reject) as soon as one
// face's normal falls below the cosine limit 1 - 1/`thresholdPercent` against
// the normal stored by the orientation pass, or is degenerate (a zero-length
// or NaN normal, a face without a stored normal, or whose first two edges
// share no corner); 0 (accept) otherwise. Both positions are restored exactly
// whatever the outcome. Overwrites the shared neighbourhood record.
int evaluateCollapse(Face* f1, Face* f2, Vertex* v1, Vertex* v2);

}  // namespace zeq
