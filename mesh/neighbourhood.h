// The ring queries asked of the mesh topology, and their one shared answer.
#pragma once

#include <vector>

#include "mesh/entities.h"

namespace zeq {

enum NeighbourhoodKind : int { kVertices = 0, kEdges = 1, kFaces = 2 };

// The answer of the latest query. A query clears and refills only the list of
// its own kind (the face-ring form of kind 2 also refills `edges`); the other
// lists keep what earlier queries left, and `kind` tells which list is fresh.
// The record is shared by every query: read an answer completely before
// asking again. Lists keep their storage between queries.
struct Neighbourhood {
    int kind = 0;
    std::vector<VertexId> vertices;
    std::vector<EdgeId> edges;
    std::vector<FaceId> faces;
};

}  // namespace zeq
