#include "simplify/run_simplification.h"

#include <cstdio>

#include "mesh/mesh.h"
#include "mesh/process_clock.h"
#include "simplify/collapse_bounds.h"
#include "simplify/run_pass.h"
#include "simplify/simplification_state.h"

namespace zeq {

namespace {

// A pass with fewer collapses than this has stalled.
constexpr int kStallLimit = 10;

// Relaxes the threshold after a stalled pass; false when it is already 0 and
// nothing is left to relax, or when the next step would tolerate more tilt
// than the angle bound allows.
bool lowerThreshold() {
    if (currentRun().thresholdPercent == 0) return false;
    const float next = static_cast<float>(static_cast<double>(currentRun().thresholdPercent) - (currentRun().thresholdPercent > 20 ? 10 : 2));
    if (1.0 - 1.0 / static_cast<double>(next) < collapseBounds().cosineFloor) return false;
    currentRun().thresholdPercent = next;
    return true;
}

}  // namespace

int runSimplification(std::uint32_t targetFaces, bool timingEnabled) {
    const long long start = timingEnabled ? 0 : processClockMs();
    const auto target = static_cast<long long>(targetFaces);
    int passIndex = 0;
    int collapsesBefore = currentRun().collapseCount;
    for (;;) {
        runPass(targetFaces, timingEnabled ? 1 : 0, passIndex);
        ++passIndex;
        const bool shortOfTarget = target < liveFaceCount(theMesh());
        // A stalled pass relaxes the threshold; a stall at 0 ends the run.
        if (shortOfTarget && currentRun().collapseCount - collapsesBefore < kStallLimit && !lowerThreshold())
            break;
        collapsesBefore = currentRun().collapseCount;
        // Target reached or passed (a collapse removes two faces at once).
        if (!shortOfTarget) break;
    }
    dropSweepMarks();
    simplificationState().passes = passIndex;
    if (!timingEnabled) printSimplificationTime(secondsSince(start));

    const Mesh& mesh = theMesh();
    const long long liveVertices = static_cast<long long>(mesh.vertices.size()) - currentRun().collapseCount;
    const long long liveEdges = static_cast<long long>(mesh.edges.size()) - 3LL * currentRun().collapseCount;
    const long long liveFaces = liveFaceCount(mesh);
    consolePrintf("\n\nSimplified Mesh: \n %d <Vertices>\n %d <Edges>\n %d <Faces>\n",
                static_cast<int>(liveVertices), static_cast<int>(liveEdges), static_cast<int>(liveFaces));
    if (liveFaces != target)
        consolePrintf("\nThe ZEQ generate a simplified mesh with %d Faces!\n", static_cast<int>(liveFaces));
    return currentRun().collapseCount;
}

float startingThreshold(int targetFaces, std::size_t faceCount) {
    const float ratio =
        static_cast<float>(static_cast<double>(targetFaces) * 100 / static_cast<double>(faceCount));
    if (ratio >= 80) return 100;
    if (ratio >= 60) return 80;
    if (ratio >= 50) return 60;
    if (ratio >= 40) return 40;
    if (ratio >= 30) return 30;
    if (ratio >= 20) return 20;
    return 10;  // below 20, or not a number (an empty mesh)
}

}  // namespace zeq
