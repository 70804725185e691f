// The one mesh of a run, the process-wide counters and the topology queries.
#pragma once

#include <vector>

#include "mesh/arena.h"
#include "mesh/entities.h"
#include "mesh/neighbourhood.h"
#include "mesh/record_list.h"

namespace zeq {

// Owns every Vertex, Edge and Face created by the load. The three lists hold
// them in creation order; entries are only ever appended, never removed,
// reordered or replaced. Records retired by simplification stay in the lists:
// a retired edge has `collapsed` 1 and no ends, a retired vertex or face an
// empty `edges` list.
class Mesh {
public:
    using VertexList = RecordList<Vertex>;
    using EdgeList = RecordList<Edge>;
    using FaceList = RecordList<Face>;

    Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    ~Mesh();

    // Record creation: the mesh owns the result. Creating does not append it
    // to a list; the load appends it with addVertex/addEdge/addFace.
    VertexId newVertex(int id, const Point3& position) { return vertexArena_.create(id, position); }
    EdgeId newEdge(int id, VertexId end1, VertexId end2) { return edgeArena_.create(id, end1, end2); }
    FaceId newFace(int id, const FaceEdgeList& edgeList) { return faceArena_.create(id, edgeList); }

    // Appends without a duplicate check.
    void addVertex(VertexId v) { vertices.push_back(v); }
    void addEdge(EdgeId e) { edges.push_back(e); }
    void addFace(FaceId f) { faces.push_back(f); }

    // Ring query of the given kind around the given elements (absent ones are
    // null). Reads only the arguments' incidence lists and never changes a
    // record. Returns the shared record, whose list of this kind is
    // overwritten by the next query of the same kind.
    Neighbourhood* queryNeighbourhood(int kind, VertexId v, EdgeId e, FaceId f);

    // Frees every record and empties the lists, leaving an empty mesh.
    void clear();

private:
    // Declared before the lists, which read them.
    Arena<Vertex> vertexArena_;
    Arena<Edge> edgeArena_;
    Arena<Face> faceArena_;

public:
    VertexList vertices{vertexArena_};
    EdgeList edges{edgeArena_};
    FaceList faces{faceArena_};
};

// The global state of a run. Every stage works on these directly.
extern Mesh theMesh;
extern Neighbourhood* const neighbourhood;  // the one shared query answer
extern int collapseCount;                   // collapses so far; each retires 1 vertex, 3 edges, 2 faces
extern float thresholdPercent;              // normal-deviation tolerance: cos limit 1 - 1/threshold

// Live face count: every collapse retires exactly two faces.
inline long long liveFaceCount(const Mesh& mesh) {
    return static_cast<long long>(mesh.faces.size()) - 2LL * collapseCount;
}

// The two ring questions of a triangle, answered through queryNeighbourhood
// (so they overwrite the shared record): the first edge of `face` at corner
// `v` other than `except`, and the first face on `edge` (which ends at `v`)
// other than `face`. Null when there is none.
inline EdgeId otherEdgeAt(Mesh& mesh, VertexId v, EdgeId except, FaceId face) {
    Neighbourhood* n = mesh.queryNeighbourhood(kEdges, v, except, face);
    return n->edges.empty() ? nullptr : n->edges.front();
}
inline FaceId faceAcross(Mesh& mesh, VertexId v, EdgeId edge, FaceId face) {
    Neighbourhood* n = mesh.queryNeighbourhood(kFaces, v, edge, face);
    return n->faces.empty() ? nullptr : n->faces.front();
}

// Puts the globals back to their start-up state (an empty mesh, no collapses,
// threshold 100). The program loads one mesh per process and never calls it;
// tests and fuzz drivers use it between inputs.
void resetGlobals();

}  // namespace zeq
