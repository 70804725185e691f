#include "mesh/mesh.h"

namespace zeq {

namespace {
Neighbourhood sharedNeighbourhood;
}

Mesh theMesh;
Neighbourhood* const neighbourhood = &sharedNeighbourhood;
int collapseCount = 0;
float thresholdPercent = 100.0f;

Mesh::~Mesh() { clear(); }

void Mesh::clear() {
    vertices.clear();
    edges.clear();
    faces.clear();
    // The arenas run each record's destructor, which releases its list storage.
    vertexArena_.clear();
    edgeArena_.clear();
    faceArena_.clear();
}

void resetGlobals() {
    theMesh.clear();
    neighbourhood->kind = 0;
    neighbourhood->vertices.clear();
    neighbourhood->edges.clear();
    neighbourhood->faces.clear();
    collapseCount = 0;
    thresholdPercent = 100.0f;
}

}  // namespace zeq
