#include "simplify/run_pass.h"

#include <cstdint>
#include <cstdio>

#include "mesh/process_clock.h"
#include "simplify/collapse_edge.h"
#include "simplify/collapse_bounds.h"
#include "simplify/evaluate_collapse.h"
#include "simplify/simplification_state.h"

namespace zeq {

namespace {

bool targetReached(std::uint32_t targetFaces) {
    return static_cast<long long>(targetFaces) >= liveFaceCount(theMesh());
}

// Fetches, in stages, the records the sweep will read for the edges ahead of
// it: an edge's ends and faces some way ahead, then the edges those list,
// then the faces and far ends of those edges. The sweep order is known in
// advance, and in a file whose records come in no useful order every one of
// them lies somewhere else in memory. Only ordinary neighbourhoods are
// fetched (a vertex of at most kFetchDegree edges, an edge of at most two
// faces), so the fetching costs a bounded amount per edge whatever the mesh.
constexpr std::uint32_t kFetchDegree = 8;

bool worthFetching(EdgeId e, const SweepMarks& marks) {
    return !e->collapsed() && e->end1 != nullptr && e->end2 != nullptr && !marks.touched(e->end1) &&
           !marks.touched(e->end2);
}

void fetchEnds(EdgeId e) {
    if (e->collapsed()) return;
    const MeshAttributes* attributes = theMesh().attributes.get();
    for (VertexId v : {e->end1, e->end2}) {
        if (v == nullptr) continue;
        prefetchRecord(v);
        // A collapse blends the ends' values too.
        if (attributes != nullptr && attributes->vertexLayout.stride() != 0)
            __builtin_prefetch(attributes->vertexRecord(v));
    }
    if (e->faces.size() <= 2)
        for (FaceId f : e->faces) prefetchRecord(f);
}

void fetchEdgesAround(EdgeId e, const SweepMarks& marks) {
    if (!worthFetching(e, marks)) return;
    for (VertexId v : {e->end1, e->end2}) {
        if (v->edges.size() > kFetchDegree) continue;
        for (EdgeId g : v->edges) prefetchRecord(g);
    }
}

void fetchFacesAround(EdgeId e, const SweepMarks& marks) {
    if (!worthFetching(e, marks)) return;
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

void fetchAhead(const Mesh::EdgeList& edges, std::size_t i, bool forward, const SweepMarks& marks) {
    const std::size_t n = edges.size();
    auto at = [&](std::size_t d) -> EdgeId {
        if (forward) return i + d < n ? edges[i + d] : nullptr;
        return i >= d ? edges[i - d] : nullptr;
    };
    if (EdgeId e = at(kEndsAhead)) fetchEnds(e);
    if (EdgeId e = at(kEdgesAhead)) fetchEdgesAround(e, marks);
    if (EdgeId e = at(kFacesAhead)) fetchFacesAround(e, marks);
}

// Whether the records the sweep reads lie scattered over memory: fetching
// ahead pays off then, and costs more than it saves when neighbouring edges
// of the list have their ends near each other (a file written in a good
// order), where the caches already hold what the next edges need. Looks at
// pairs of neighbouring live edges at evenly spread places of the list.
bool recordsScattered(const Mesh::EdgeList& edges) {
    constexpr std::size_t kSamples = 1024;
    constexpr std::uint32_t kNear = 2048;  // vertices: 128 KiB of records
    const std::size_t n = edges.size();
    if (n < 2 * kSamples) return false;
    std::size_t near = 0;
    std::size_t looked = 0;
    for (std::size_t s = 0; s < kSamples; ++s) {
        const std::size_t i = s * (n - 1) / kSamples;
        const EdgeId a = edges[i];
        const EdgeId b = edges[i + 1];
        if (a->collapsed() || b->collapsed() || !a->end1 || !b->end1) continue;
        const std::uint32_t p = a->end1.index();
        const std::uint32_t q = b->end1.index();
        ++looked;
        if ((p > q ? p - q : q - p) < kNear) ++near;
    }
    return 2 * near < looked;
}

}  // namespace

bool scanTouchesBoundary(VertexId v) {
    // A vertex on a seam of what the mesh carries is held as a boundary is.
    if (theMesh().attributes && theMesh().attributes->held(v)) return true;
    Neighbourhood* n = theMesh().queryNeighbourhood(kEdges, v, nullptr, nullptr);
    for (EdgeId g : n->edges)
        if (g->faces.size() == 1) return true;
    return false;
}

bool touchesBoundary(VertexId v) {
    SweepMarks& marks = sweepMarks();
    if (marks.boundary(v) == SweepMarks::Boundary::Unknown)
        marks.setBoundary(v, scanTouchesBoundary(v) ? SweepMarks::Boundary::Yes : SweepMarks::Boundary::No);
    return marks.boundary(v) == SweepMarks::Boundary::Yes;
}

// Filters in the order they are applied.
bool tryCollapse(EdgeId e) {
    // Retired edges have no ends: test before touching them.
    if (e->collapsed()) return false;
    VertexId v1 = e->end1;
    VertexId v2 = e->end2;
    if (v1 == nullptr || v2 == nullptr) return false;
    // A vertex moves at most once per pass.
    const SweepMarks& marks = sweepMarks();
    if (marks.touched(v1)) return false;
    if (marks.touched(v2)) return false;
    // Only interior edges between exactly two triangles.
    if (e->faces.size() != 2) return false;
    FaceId f1 = e->faces[0];
    FaceId f2 = e->faces[1];
    if (touchesBoundary(v1)) return false;
    if (touchesBoundary(v2)) return false;
    CollapseWings wings;
    if (!findCollapseWings(e, v1, v2, f1, f2, wings)) return false;
    const bool tracking = collapseBounds().tracking;
    if (tracking && stillRefused(e, v1, v2)) return false;
    const CollapseVerdict verdict = evaluateCollapse(f1, f2, v1, v2);
    if (verdict != CollapseVerdict::Accept) {
        if (verdict == CollapseVerdict::TooFar) noteDistanceRefusal(e);
        return false;
    }
    if (tracking) noteCollapseRegion();
    collapseEdge(e, v1, v2, f1, f2, wings);
    if (tracking) recordCollapseDistance();
    return true;
}

void printSimplificationTime(double seconds) {
    simplificationState().printedSeconds += seconds;
    consolePrintf("\nSimplification time = %1.4f seconds  \n", seconds);
}

void runPass(std::uint32_t targetFaces, int timingEnabled, int passIndex) {
    const long long start = timingEnabled ? processClockMs() : 0;
    const auto& edges = theMesh().edges;
    SweepMarks& marks = sweepMarks();
    const bool fetch = recordsScattered(edges);
    // Nothing is inserted into or erased from the edge list while
    // simplifying, so indices stay valid throughout the sweep.
    if (passIndex % 2 == 0) {
        for (std::size_t i = 0; i < edges.size(); ++i) {
            if (fetch) fetchAhead(edges, i, true, marks);
            tryCollapse(edges[i]);
            if (targetReached(targetFaces)) break;
        }
    } else {
        for (std::size_t i = edges.size(); i-- > 0;) {
            if (fetch) fetchAhead(edges, i, false, marks);
            tryCollapse(edges[i]);
            if (targetReached(targetFaces)) break;
        }
    }
    marks.clearTouched();
    if (timingEnabled) printSimplificationTime(secondsSince(start));
}

}  // namespace zeq
