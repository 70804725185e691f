#include "simplify/run_pass.h"

#include <cstdio>

#include "mesh/process_clock.h"
#include "simplify/collapse_edge.h"
#include "simplify/evaluate_collapse.h"

namespace zeq {

namespace {

bool targetReached(std::uint32_t targetFaces) {
    return static_cast<long long>(targetFaces) >= liveFaceCount(theMesh);
}

}  // namespace

bool scanTouchesBoundary(Vertex* v) {
    Neighbourhood* n = theMesh.queryNeighbourhood(kEdges, v, nullptr, nullptr);
    for (const Edge* g : n->edges)
        if (g->faces.size() == 1) return true;
    return false;
}

bool touchesBoundary(Vertex* v) {
    if (v->boundaryState < 0) v->boundaryState = scanTouchesBoundary(v) ? 1 : 0;
    return v->boundaryState == 1;
}

// Filters in the order they are applied.
bool tryCollapse(Edge* e) {
    // Retired edges have no ends: test before touching them.
    if (e->collapsed != 0) return false;
    Vertex* v1 = e->end1;
    Vertex* v2 = e->end2;
    if (v1 == nullptr || v2 == nullptr) return false;
    // A vertex moves at most once per pass.
    if (v1->touched != 0) return false;
    if (v2->touched != 0) return false;
    // Only interior edges between exactly two triangles.
    if (e->faces.size() != 2) return false;
    Face* f1 = e->faces[0];
    Face* f2 = e->faces[1];
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
            tryCollapse(edges[i]);
            if (targetReached(targetFaces)) break;
        }
    } else {
        for (std::size_t i = edges.size(); i-- > 0;) {
            tryCollapse(edges[i]);
            if (targetReached(targetFaces)) break;
        }
    }
    for (Vertex* v : theMesh.vertices) v->touched = 0;
    if (timingEnabled) printSimplificationTime(secondsSince(start));
}

}  // namespace zeq
