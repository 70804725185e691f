// The corners of a triangle, decoded from its edge list: the one decoder of
// a face's winding, for the writers and for the simplification.
#pragma once

#include "mesh/mesh.h"

namespace zeq {

// A face's corners in winding order (a, s, b): s is the corner its first two
// edges share, a the first edge's other end, b the second's. When the second
// edge shares both ends with the first (two edges between the same two
// vertices), s is the second edge's end1. False when the face has fewer than
// two edges, when its first two edges share no corner, or when an end is
// missing (a retired edge).
[[gnu::always_inline]] inline bool decodeCorners(FaceId face, VertexId& a, VertexId& s, VertexId& b) {
    if (face->edges.size() < 2) return false;
    const EdgeId e0 = face->edges[0];
    const EdgeId e1 = face->edges[1];
    if (e1->end1 == e0->end1 || e1->end1 == e0->end2) {
        s = e1->end1;
        b = e1->end2;
    } else if (e1->end2 == e0->end1 || e1->end2 == e0->end2) {
        s = e1->end2;
        b = e1->end1;
    } else {
        return false;
    }
    a = s == e0->end1 ? e0->end2 : e0->end1;
    return s != nullptr && a != nullptr && b != nullptr;
}

}  // namespace zeq
