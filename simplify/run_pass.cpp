#include "simplify/run_pass.h"

#include <cstdint>
#include <cstdio>

#include "mesh/process_clock.h"
#include "simplify/collapse_edge.h"
#include "simplify/evaluate_collapse.h"

namespace zeq {

namespace {

bool targetReached(std::uint32_t targetFaces) {
    return static_cast<long long>(targetFaces) >= liveFaceCount(theMesh);
}

// Fetches, in stages, the records the sweep will read for the edges ahead of
// it: an edge's ends and faces some way ahead, then the edges those list,
// then the faces and far ends of those edges. The sweep order is known in
// advance, and in a file whose records come in no useful order every one of
// them lies somewhere else in memory. Only ordinary neighbourhoods are
// fetched (a vertex of at most kFetchDegree edges, an edge of at most two
// faces), so the fetching costs a bounded amount per edge whatever the mesh.
constexpr std::uint32_t kFetchDegree = 8;

bool worthFetching(EdgeId e) {
    return e->collapsed == 0 && e->end1 != nullptr && e->end2 != nullptr && e->end1->touched == 0 &&
           e->end2->touched == 0;
}

void fetchEnds(EdgeId e) {
    if (e->collapsed != 0) return;
    for (VertexId v : {e->end1, e->end2}) {
        if (v != nullptr) prefetchRecord(v);
    }
    if (e->faces.size() <= 2)
        for (FaceId f : e->faces) prefetchRecord(f);
}

void fetchEdgesAround(EdgeId e) {
    if (!worthFetching(e)) return;
    for (VertexId v : {e->end1, e->end2}) {
        if (v->edges.size() > kFetchDegree) continue;
        for (EdgeId g : v->edges) prefetchRecord(g);
    }
}

void fetchFacesAround(EdgeId e) {
    if (!worthFetching(e)) return;
    for (VertexId v : {e->end1, e->end2}) {
        if (v->edges.size() > kFetchDegree) continue;
        for (EdgeId g : v->edges) {
            prefetchRecord(otherEnd(g, v));
            if (g->faces.size() <= 2)
                for (FaceId h : g->faces) prefetchRecord(h);
        }
    }
}

constexpr std::size_t kEndsAhead = 24;
constexpr std::size_t kEdgesAhead = 12;
constexpr std::size_t kFacesAhead = 5;

void fetchAhead(const Mesh::EdgeList& edges, std::size_t i, bool forward) {
    const std::size_t n = edges.size();
    auto at = [&](std::size_t d) -> EdgeId {
        if (forward) return i + d < n ? edges[i + d] : nullptr;
        return i >= d ? edges[i - d] : nullptr;
    };
    if (EdgeId e = at(kEndsAhead)) fetchEnds(e);
    if (EdgeId e = at(kEdgesAhead)) fetchEdgesAround(e);
    if (EdgeId e = at(kFacesAhead)) fetchFacesAround(e);
}

}  // namespace

bool scanTouchesBoundary(VertexId v) {
    Neighbourhood* n = theMesh.queryNeighbourhood(kEdges, v, nullptr, nullptr);
    for (EdgeId g : n->edges)
        if (g->faces.size() == 1) return true;
    return false;
}

bool touchesBoundary(VertexId v) {
    if (v->boundaryState < 0) v->boundaryState = scanTouchesBoundary(v) ? 1 : 0;
    return v->boundaryState == 1;
}

// Filters in the order they are applied.
bool tryCollapse(EdgeId e) {
    // Retired edges have no ends: test before touching them.
    if (e->collapsed != 0) return false;
    VertexId v1 = e->end1;
    VertexId v2 = e->end2;
    if (v1 == nullptr || v2 == nullptr) return false;
    // A vertex moves at most once per pass.
    if (v1->touched != 0) return false;
    if (v2->touched != 0) return false;
    // Only interior edges between exactly two triangles.
    if (e->faces.size() != 2) return false;
    FaceId f1 = e->faces[0];
    FaceId f2 = e->faces[1];
    if (touchesBoundary(v1)) return false;
    if (touchesBoundary(v2)) return false;
    CollapseWings wings;
    if (!findCollapseWings(e, v1, v2, f1, f2, wings)) return false;
    if (evaluateCollapse(f1, f2, v1, v2) == 1) return false;
    collapseEdge(e, v1, v2, f1, f2);
    return true;
}

void printSimplificationTime(double seconds) {
    std::printf("\nSimplification time = %1.4f seconds  \n", seconds);
}

void runPass(std::uint32_t targetFaces, int timingEnabled, int passIndex) {
    const long long start = timingEnabled ? processClockMs() : 0;
    const auto& edges = theMesh.edges;
    // Nothing is inserted into or erased from the edge list while
    // simplifying, so indices stay valid throughout the sweep.
    if (passIndex % 2 == 0) {
        for (std::size_t i = 0; i < edges.size(); ++i) {
            fetchAhead(edges, i, true);
            tryCollapse(edges[i]);
            if (targetReached(targetFaces)) break;
        }
    } else {
        for (std::size_t i = edges.size(); i-- > 0;) {
            fetchAhead(edges, i, false);
            tryCollapse(edges[i]);
            if (targetReached(targetFaces)) break;
        }
    }
    for (VertexId v : theMesh.vertices) v->touched = 0;
    if (timingEnabled) printSimplificationTime(secondsSince(start));
}

}  // namespace zeq
