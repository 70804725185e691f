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
    // Each record's destructor gives back its lists' storage.
    vertexRecords_.clear();
    edgeRecords_.clear();
    faceRecords_.clear();
    edgeNumbers_.clear();
    faceNumbers_.clear();
    std::vector<std::uint64_t>().swap(collapsedBits_);
    attributes.reset();
    ++generation_;
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
