#include "io/build_face.h"

namespace zeq {

namespace {

// The edge of `from` to a vertex numbered like `to`; the last match wins.
// Matching by number rather than by pointer means a corner named twice in a
// face record matches any edge of that vertex.
Edge* findEdgeTo(const Vertex* from, const Vertex* to) {
    Edge* found = nullptr;
    for (Edge* e : from->edges) {
        if ((e->end1 != nullptr && e->end1->getId() == to->getId()) ||
            (e->end2 != nullptr && e->end2->getId() == to->getId()))
            found = e;
    }
    return found;
}

Edge* createEdge(Mesh& mesh, Vertex* a, Vertex* b, LoadCounters& counters) {
    Edge* e = mesh.newEdge(counters.nextEdge++, a, b);
    e->edgeMark = 0;
    mesh.addEdge(e);
    a->linkEdge(e);
    b->linkEdge(e);
    return e;
}

}  // namespace

void buildFace(Mesh& mesh, Vertex* p, Vertex* q, Vertex* r, LoadCounters& counters) {
    // All lookups come before anything is created, so a face never finds an
    // edge it made itself.
    Edge* pq = findEdgeTo(p, q);
    Edge* pr = findEdgeTo(p, r);
    Edge* qr = findEdgeTo(q, r);

    FaceEdgeList edges;
    edges.pushBack(pq != nullptr ? pq : createEdge(mesh, p, q, counters));
    edges.pushBack(qr != nullptr ? qr : createEdge(mesh, q, r, counters));
    edges.pushBack(pr != nullptr ? pr : createEdge(mesh, r, p, counters));

    Face* face = mesh.newFace(counters.nextFace++, edges);
    face->faceMark = 0;
    mesh.addFace(face);
    for (Edge* e : edges) e->linkFace(face);
}

}  // namespace zeq
