#include "io/build_face.h"

namespace zeq {

namespace {

// Vertices with more edges than this are hubs: their lists are never walked
// for a lookup.
constexpr std::uint32_t kHubDegree = 64;

bool isHub(VertexId v) { return v->edges.size() > kHubDegree; }

std::uint64_t pairKey(VertexId a, VertexId b) {
    const std::uint32_t i = a.index();
    const std::uint32_t j = b.index();
    return i < j ? (std::uint64_t{i} << 32 | j) : (std::uint64_t{j} << 32 | i);
}

// The last edge in v's list with `other` as an end.
EdgeId lastEdgeTo(VertexId v, VertexId other) {
    EdgeId found = nullptr;
    for (EdgeId e : v->edges)
        if (e->end1 == other || e->end2 == other) found = e;
    return found;
}

// The edge of `from` to `to`; the last match in from's list wins. A corner
// named twice matches every edge of the vertex, so the last one wins.
// During a load the lists only grow, each at its end, so for two distinct
// vertices the edges between them come in the same order, that of their
// creation, in both lists: the last match is the same whichever list is
// walked. The shorter one is; between two hubs the index answers.
EdgeId findEdgeTo(VertexId from, VertexId to, const LoadCounters& counters) {
    if (from == to) return from->edges.empty() ? nullptr : from->edges[from->edges.size() - 1];
    if (!isHub(from)) return lastEdgeTo(from, to);
    if (!isHub(to)) return lastEdgeTo(to, from);
    auto it = counters.hubEdges.find(pairKey(from, to));
    return it == counters.hubEdges.end() ? nullptr : it->second;
}

// Keeps the index of edges between two hubs complete: a vertex that has just
// become a hub enters with its edges to other hubs, in list order so that the
// last edge of a pair wins, and a new edge between hubs enters at once.
void indexHubEdges(VertexId end, EdgeId e, LoadCounters& counters) {
    const std::uint32_t degree = end->edges.size();
    if (degree <= kHubDegree) return;
    if (degree == kHubDegree + 1) {
        for (EdgeId g : end->edges) {
            const VertexId other = otherEnd(g, end);
            if (other != end && isHub(other)) counters.hubEdges[pairKey(end, other)] = g;
        }
    } else {
        const VertexId other = otherEnd(e, end);
        if (other != end && isHub(other)) counters.hubEdges[pairKey(end, other)] = e;
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
    indexHubEdges(a, e, counters);
    if (b != a) indexHubEdges(b, e, counters);
    return e;
}

// The edges the lookup will scan. A hub's list is never scanned, and walking
// it for every face around it would cost time quadratic in its degree.
void fetchEdges(VertexId v) {
    if (isHub(v)) return;
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
