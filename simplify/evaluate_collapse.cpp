#include "simplify/evaluate_collapse.h"

#include <cmath>
#include <utility>

namespace zeq {

namespace {

// True when face g, seen with its corners where they stand now, still has a
// normal within `cosineLimit` of its stored one.
bool normalHolds(FaceId g, double cosineLimit) {
    if (g->edges.size() < 2) return false;
    EdgeId e1 = g->edges[0];
    EdgeId e2 = g->edges[1];
    // The shared corner S and the far ends A (of e1) and B (of e2). Each test
    // that holds overrides the one before; for a triangle exactly one holds.
    VertexId s = nullptr;
    VertexId a = nullptr;
    VertexId b = nullptr;
    if (e2->end1 == e1->end1) s = e1->end1, a = e1->end2, b = e2->end2;
    if (e2->end2 == e1->end1) s = e1->end1, a = e1->end2, b = e2->end1;
    if (e2->end1 == e1->end2) s = e1->end2, a = e1->end1, b = e2->end2;
    if (e2->end2 == e1->end2) s = e1->end2, a = e1->end1, b = e2->end1;
    // First two edges sharing no corner: treated like a degenerate face.
    if (s == nullptr || a == nullptr || b == nullptr) return false;
    const FaceNormal* storedNormal = g->getNormal();
    if (storedNormal == nullptr) return false;
    const Point3 stored = storedNormal->value();

    const Point3& ps = *s->getPosition();
    const Point3& pa = *a->getPosition();
    const Point3& pb = *b->getPosition();
    // Edge vectors rounded to single precision, as the stored normals were.
    const float ax = static_cast<float>(ps.x - pa.x);
    const float ay = static_cast<float>(ps.y - pa.y);
    const float az = static_cast<float>(ps.z - pa.z);
    const float bx = static_cast<float>(pb.x - ps.x);
    const float by = static_cast<float>(pb.y - ps.y);
    const float bz = static_cast<float>(pb.z - ps.z);
    const double nx = static_cast<double>(ay) * bz - static_cast<double>(az) * by;
    const double ny = static_cast<double>(az) * bx - static_cast<double>(ax) * bz;
    const double nz = static_cast<double>(ax) * by - static_cast<double>(ay) * bx;
    const double sx = static_cast<float>(stored.x);
    const double sy = static_cast<float>(stored.y);
    const double sz = static_cast<float>(stored.z);
    const double cosine =
        (sx * nx + sy * ny + sz * nz) / std::sqrt((sx * sx + sy * sy + sz * sz) * (nx * nx + ny * ny + nz * nz));
    // A NaN cosine (zero-length normal) fails the comparison and rejects.
    return cosine >= cosineLimit;
}

}  // namespace

int evaluateCollapse(FaceId f1, FaceId f2, VertexId v1, VertexId v2) {
    // At threshold 0 the limit is minus infinity: only degenerate faces reject.
    const double cosineLimit = 1.0 - 1.0 / static_cast<double>(thresholdPercent);
    Point3* p1 = v1->getPosition();
    Point3* p2 = v2->getPosition();
    const Point3 saved1 = *p1;
    const Point3 saved2 = *p2;
    const Point3 mid = collapseMidpoint(saved1, saved2);
    p1->set(mid.x, mid.y, mid.z);
    p2->set(mid.x, mid.y, mid.z);

    // Whether the candidate is rejected depends only on the set of faces
    // examined, not on their order, so the smaller star goes first: a
    // candidate at a vertex of high degree is usually rejected by a face
    // around its other end, before the big star is gathered at all.
    VertexId first = v2;
    VertexId second = v1;
    if (v1->edges.size() < v2->edges.size()) std::swap(first, second);
    int reject = 0;
    for (VertexId end : {first, second}) {
        Neighbourhood* n = theMesh.queryNeighbourhood(kFaces, end, nullptr, nullptr);
        for (FaceId g : n->faces) {
            if (g == f1 || g == f2) continue;
            if (!normalHolds(g, cosineLimit)) {
                reject = 1;
                break;
            }
        }
        if (reject) break;
    }

    p1->set(saved1.x, saved1.y, saved1.z);
    p2->set(saved2.x, saved2.y, saved2.z);
    return reject;
}

}  // namespace zeq
