// One sweep of the greedy simplifier over the edge list.
#pragma once

#include <cstdint>

#include "mesh/mesh.h"

namespace zeq {

// Walks the global mesh's edge list, first to last when `passIndex` is even and
// last to first when odd, and collapses every edge that passes the filters
// (live; neither end touched in this pass; exactly two faces; no edge at
// either end on a boundary; a collapsible neighbourhood) and the
// normal-deviation test. After every edge it reaches it stops once the live
// face count is at or below `targetFaces`. Clears `touched` on every vertex at
// the end. With `timingEnabled` prints its own time.
void runPass(std::uint32_t targetFaces, int timingEnabled, int passIndex);

// True when some edge at v has exactly one face: v lies on a boundary and
// never moves. The answer is kept in v's `boundaryState` and v's edges are
// scanned only when it is not known (collapseEdge marks it unknown wherever a
// collapse may change it), so a vertex of high degree is not scanned again for
// every candidate at it.
bool touchesBoundary(VertexId v);

// The scan itself: walks v's edges (a kind-1 query) whatever `boundaryState`
// holds, and leaves the state alone. A vertex the mesh's attributes hold (a
// seam) counts as on a boundary without a scan.
bool scanTouchesBoundary(VertexId v);

// Applies the pass's filters and the normal-deviation test to e and collapses
// it when all pass; true when e was collapsed. One step of runPass.
bool tryCollapse(EdgeId e);

// The time line printed for each pass and, without timing, for the whole run.
void printSimplificationTime(double seconds);

}  // namespace zeq
