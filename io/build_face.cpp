#include "io/build_face.h"

namespace zeq {

namespace {

// Vertices with more edges than this are indexed in LoadCounters::hubEdges.
constexpr std::uint32_t kHubDegree = 64;

std::uint64_t hubKey(VertexId hub, VertexId other) {
    return (static_cast<std::uint64_t>(static_cast<std::uint32_t>(hub->getId())) << 32) |
           static_cast<std::uint32_t>(other->getId());
}

// The edge of `from` to a vertex numbered like `to`; the last match wins.
// During a load ids are unique, so for two distinct vertices that is the one
// edge between them; a corner named twice matches every edge of the vertex,
// so the last one wins.
EdgeId findEdgeTo(VertexId from, VertexId to, const LoadCounters& counters) {
    if (from == to) return from->edges.empty() ? nullptr : from->edges[from->edges.size() - 1];
    if (from->edges.size() > kHubDegree) {
        auto it = counters.hubEdges.find(hubKey(from, to));
        return it == counters.hubEdges.end() ? nullptr : it->second;
    }
    // Distinct vertices of one load have distinct ids, so comparing the ends
    // themselves gives the same match without visiting the end vertices.
    EdgeId found = nullptr;
    for (EdgeId e : from->edges)
        if (e->end1 == to || e->end2 == to) found = e;
    return found;
}

// Keeps the hub index complete: a vertex that has just passed the degree
// limit enters with all its edges, a hub gains each new edge.
void indexHubEdge(VertexId end, EdgeId e, LoadCounters& counters) {
    const std::uint32_t degree = end->edges.size();
    if (degree <= kHubDegree) return;
    if (degree == kHubDegree + 1) {
        for (EdgeId g : end->edges) counters.hubEdges[hubKey(end, otherEnd(g, end))] = g;
    } else {
        counters.hubEdges[hubKey(end, otherEnd(e, end))] = e;
    }
}

EdgeId createEdge(Mesh& mesh, VertexId a, VertexId b, LoadCounters& counters) {
    EdgeId e = mesh.newEdge(counters.nextEdge++, a, b);
    mesh.addEdge(e);
    // A new edge is in no list yet: linking it appends it to a's list, then
    // to b's (unless the edge is a self-loop), without the membership scans
    // that would cost the degree of the vertex.
    a->edges.pushBack(e);
    if (b != a) b->edges.pushBack(e);
    indexHubEdge(a, e, counters);
    if (b != a) indexHubEdge(b, e, counters);
    return e;
}

// The edges the lookup will scan. A vertex past the hub degree is looked up
// through the hub index instead, and walking its list for every face around
// it would cost time quadratic in its degree.
void fetchEdges(VertexId v) {
    if (v->edges.size() > kHubDegree) return;
    for (EdgeId e : v->edges) prefetchRecord(e);
}

}  // namespace

bool PendingFaces::add(long long i, long long j, long long k) {
    if (!cornersInRange(i, j, k, static_cast<long long>(mesh_.vertices.size()))) {
        flush();
        return false;
    }
    const Corners face{mesh_.vertices[static_cast<std::size_t>(i)], mesh_.vertices[static_cast<std::size_t>(j)],
                       mesh_.vertices[static_cast<std::size_t>(k)]};
    prefetchRecord(face.p);
    prefetchRecord(face.q);
    prefetchRecord(face.r);
    slots_[(first_ + count_) & (kSlots - 1)] = face;
    ++count_;
    // The corners fetched kEdgeLead faces ago have arrived by now: start on
    // the edges they list.
    if (count_ > kEdgeLead) {
        const Corners& ahead = slots_[(first_ + count_ - 1 - kEdgeLead) & (kSlots - 1)];
        fetchEdges(ahead.p);
        fetchEdges(ahead.q);
        fetchEdges(ahead.r);
    }
    if (count_ > kHeldBack) buildOldest();
    return true;
}

void PendingFaces::flush() {
    while (count_ > 0) buildOldest();
}

void PendingFaces::buildOldest() {
    const Corners face = slots_[first_];
    first_ = (first_ + 1) & (kSlots - 1);
    --count_;
    buildFace(mesh_, face.p, face.q, face.r, counters_);
}

void reserveFaceLists(Mesh& mesh) {
    const std::size_t vertexCount = mesh.vertices.size();
    mesh.edges.reserve(mesh.edges.size() + 3 * vertexCount);
    mesh.faces.reserve(mesh.faces.size() + 2 * vertexCount);
    mesh.reserveRecords(mesh.edges.size() + 3 * vertexCount, mesh.faces.size() + 2 * vertexCount);
}

void buildFace(Mesh& mesh, VertexId p, VertexId q, VertexId r, LoadCounters& counters) {
    // All lookups come before anything is created, so a face never finds an
    // edge it made itself.
    EdgeId pq = findEdgeTo(p, q, counters);
    EdgeId pr = findEdgeTo(p, r, counters);
    EdgeId qr = findEdgeTo(q, r, counters);

    FaceEdgeList edges;
    edges.pushBack(pq != nullptr ? pq : createEdge(mesh, p, q, counters));
    edges.pushBack(qr != nullptr ? qr : createEdge(mesh, q, r, counters));
    edges.pushBack(pr != nullptr ? pr : createEdge(mesh, r, p, counters));

    FaceId face = mesh.newFace(counters.nextFace++, edges);
    mesh.addFace(face);
    // The new face is in no edge's list: each distinct edge gains it once.
    for (std::uint32_t i = 0; i < edges.size(); ++i) {
        EdgeId e = edges[i];
        bool repeated = false;
        for (std::uint32_t j = 0; j < i; ++j) repeated = repeated || edges[j] == e;
        if (!repeated) e->faces.pushBack(face);
    }
}

}  // namespace zeq
