// Contracting one interior edge.
#pragma once

#include "mesh/mesh.h"

namespace zeq {

// The elements one collapse of edge e (faces F1, F2, ends V1 removed and V2
// kept) retires or stitches: on F1's side the wing edge D1 between V1 and F1's
// third corner, and the wing face X1 across D1; the same on F2's side.
struct CollapseWings {
    EdgeId d1 = nullptr;
    EdgeId d2 = nullptr;
    FaceId x1 = nullptr;
    FaceId x2 = nullptr;
};

// Looks up the wings of a candidate and checks that the collapse would leave
// every live face on live edges. False (pass the candidate over) when the two
// ends are one vertex; a wing edge or wing face does not exist; D1 and D2 are
// one edge or do not each have exactly two faces; or a wing face is F1 or F2.
// On a two-manifold neighbourhood none of these holds. Overwrites the shared
// neighbourhood record.
bool findCollapseWings(EdgeId e, VertexId v1, VertexId v2, FaceId f1, FaceId f2, CollapseWings& wings);

// Collapses e: V1 is merged into V2, V2 moves to the edge's midpoint and is
// marked touched, e, D1 and D2 are retired, F1 and F2 emptied, and each wing
// face takes the kept edge of F1 or F2 in the place D1 or D2 held in its
// cycle, so every surviving face keeps its winding. Adds one to
// `collapseCount`. `wings` are the candidate's, as findCollapseWings found
// and checked them.
void collapseEdge(EdgeId e, VertexId v1, VertexId v2, FaceId f1, FaceId f2, const CollapseWings& wings);

// Retires edge D, shared by X and F, and moves F's remaining edges over to X,
// keeping X's cyclic order. Returns X. An edge given as `leaving` (the edge
// being collapsed, which the collapse takes out of X again right after) only
// leaves F and is not put into X: the lists end as if it had been.
FaceId mergeWing(FaceId x, FaceId f, EdgeId d, EdgeId leaving = nullptr);

}  // namespace zeq
