#include "simplify/collapse_bounds.h"

#include <algorithm>
#include <cmath>

#include "simplify/evaluate_collapse.h"
#include "simplify/simplification_state.h"

namespace zeq {

SimplificationState& makeSimplificationState() {
    RunState& run = currentRun();
    run.simplification = std::make_unique<SimplificationState>();
    return static_cast<SimplificationState&>(*run.simplification);
}

void startTrackingDistances(const Mesh& mesh) {
    collapseBounds().tracking = true;
    collapseBounds().faceDistance.assign(mesh.createdFaces(), 0.0);
}

void noteCollapseRegion() {
    CollapseBounds& b = collapseBounds();
    if (b.changedAt.empty()) return;
    const auto now = static_cast<std::uint32_t>(currentRun().collapseCount + 1);
    for (FaceId g : b.star)
        for (EdgeId e : g->edges) {
            b.changedAt[e->end1.index()] = now;
            b.changedAt[e->end2.index()] = now;
        }
}

void noteDistanceRefusal(EdgeId e) {
    CollapseBounds& b = collapseBounds();
    if (b.refusedAt.empty()) {
        b.changedAt.assign(theMesh().createdVertices(), 0);
        b.refusedAt.assign(theMesh().createdEdges(), 0);
    }
    b.refusedAt[e.index()] = static_cast<std::uint32_t>(currentRun().collapseCount + 1);
}

void recordCollapseDistance() {
    CollapseBounds& b = collapseBounds();
    for (FaceId g : b.star) b.faceDistance[g.index()] = b.pending;
}

double largestTilt(const Mesh& mesh) {
    double largest = 0;
    for (FaceId f : mesh.faces) {
        if (f->edges.empty()) continue;
        const double cosine = faceCosine(f);
        if (std::isnan(cosine)) continue;
        const double degrees = std::acos(std::clamp(cosine, -1.0, 1.0)) * (180.0 / 3.14159265358979323846);
        largest = std::max(largest, degrees);
    }
    return largest;
}

double largestDistance(const Mesh& mesh) {
    double largest = 0;
    const CollapseBounds& b = collapseBounds();
    if (!b.tracking) return largest;
    for (FaceId f : mesh.faces)
        if (!f->edges.empty()) largest = std::max(largest, b.faceDistance[f.index()]);
    return largest;
}

double boxDiagonal(const Mesh& mesh) {
    double lo[3] = {0, 0, 0}, hi[3] = {0, 0, 0};
    bool first = true;
    for (VertexId v : mesh.vertices) {
        const Point3& p = *v->getPosition();
        const double c[3] = {p.x, p.y, p.z};
        for (int a = 0; a < 3; ++a) {
            if (first || c[a] < lo[a]) lo[a] = c[a];
            if (first || c[a] > hi[a]) hi[a] = c[a];
        }
        first = false;
    }
    const double dx = hi[0] - lo[0], dy = hi[1] - lo[1], dz = hi[2] - lo[2];
    return std::sqrt(dx * dx + dy * dy + dz * dz);
}

}  // namespace zeq
