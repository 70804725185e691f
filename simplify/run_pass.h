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

// The time line printed for each pass and, without timing, for the whole run.
void printSimplificationTime(double seconds);

}  // namespace zeq
