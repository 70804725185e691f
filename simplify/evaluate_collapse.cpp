#include "simplify/evaluate_collapse.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "mesh/face_corners.h"
#include "simplify/collapse_bounds.h"
#include "simplify/simplification_state.h"

namespace zeq {

namespace {

double dot(const Point3& u, const Point3& v) { return u.x * v.x + u.y * v.y + u.z * v.z; }
Point3 minus(const Point3& u, const Point3& v) { return Point3{u.x - v.x, u.y - v.y, u.z - v.z}; }
Point3 cross(const Point3& u, const Point3& v) {
    return Point3{u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}
double length(const Point3& u) { return std::sqrt(dot(u, u)); }

// A point seen from above a plane: its place in the plane and its height.
struct Flat {
    double x, y, h;
};

// How far the surface around a collapse may move: a bound on the Hausdorff
// distance between the faces around the ends before the collapse (the old
// star) and after it (the new star, without the edge's two faces). Both
// stars span the same ring of outer corners. When every face of both has
// its normal within 90 degrees of one direction, both are height fields over
// the plane across it, over the same polygon, and the vertical gap between
// them (never less than the distance from a point of one to the other) is
// largest where the two triangulations overlaid have a vertex: at an inner
// vertex of either (V1 and V2; M lies on the old edge V1 V2) or where an
// inner edge of one crosses an inner edge of the other. Otherwise (or for a
// star of more than 64 faces) the bound is half the edge: every point moves
// at most that far.
double starGap(const std::vector<FaceId>& faces, FaceId f1, FaceId f2, VertexId v1, VertexId v2, const Point3& before1,
               const Point3& before2, const Point3& mid) {
    const double half = std::max(length(minus(mid, before1)), length(minus(mid, before2)));
    // The overlay costs the product of the two stars' sizes: around a vertex
    // of very high degree (a fan of thousands of faces) the half edge does.
    constexpr std::size_t kLargestStar = 64;
    if (faces.size() > kLargestStar) return half;
    struct Triangle {
        Point3 c[3];
        Flat f[3];  // the corners seen from above, once the plane is known
        VertexId id[3];
        int inner = -1;  // the corner that is V1, V2 or M
    };
    std::vector<Triangle> olds, news;
    Point3 up{0, 0, 0};
    for (FaceId g : faces) {
        VertexId s, a, b;
        if (!decodeCorners(g, a, s, b)) return half;
        Triangle before, after;
        const VertexId corners[3] = {a, s, b};
        for (int k = 0; k < 3; ++k) {
            const VertexId v = corners[k];
            before.id[k] = after.id[k] = v;
            after.c[k] = *v->getPosition();
            before.c[k] = v == v1 ? before1 : v == v2 ? before2 : after.c[k];
            if (v == v1 || v == v2) before.inner = after.inner = k;
        }
        const Point3 n = cross(minus(before.c[1], before.c[0]), minus(before.c[2], before.c[1]));
        up = Point3{up.x + n.x, up.y + n.y, up.z + n.z};
        olds.push_back(before);
        if (g != f1 && g != f2) news.push_back(after);
    }
    const double upLength = length(up);
    if (!(upLength > 0)) return half;
    const Point3 n{up.x / upLength, up.y / upLength, up.z / upLength};
    // Both stars must face the same way throughout to be height fields.
    for (const std::vector<Triangle>* star : {&olds, &news})
        for (const Triangle& t : *star)
            if (!(dot(cross(minus(t.c[1], t.c[0]), minus(t.c[2], t.c[1])), n) > 0)) return half;
    // A plane across n.
    Point3 u = std::abs(n.x) < 0.6 ? Point3{0, -n.z, n.y} : Point3{-n.y, n.x, 0};
    const double uLength = length(u);
    u = Point3{u.x / uLength, u.y / uLength, u.z / uLength};
    const Point3 w = cross(n, u);
    auto flat = [&](const Point3& p) { return Flat{dot(p, u), dot(p, w), dot(p, n)}; };
    for (std::vector<Triangle>* star : {&olds, &news})
        for (Triangle& t : *star)
            for (int k = 0; k < 3; ++k) t.f[k] = flat(t.c[k]);
    auto crosses = [](const Flat& a, const Flat& b, const Flat& c, const Flat& d) {
        auto orient = [](const Flat& p, const Flat& q, const Flat& r) {
            return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
        };
        const double o1 = orient(a, b, c), o2 = orient(a, b, d), o3 = orient(c, d, a), o4 = orient(c, d, b);
        return ((o1 >= 0 && o2 <= 0) || (o1 <= 0 && o2 >= 0)) && ((o3 >= 0 && o4 <= 0) || (o3 <= 0 && o4 >= 0));
    };
    // The ring of outer corners, seen from above, must be a simple polygon,
    // each corner on two of its sides: then both stars, their triangles all
    // turned the same way, cover it once.
    std::vector<std::pair<VertexId, VertexId>> ring;
    std::vector<std::pair<Flat, Flat>> ringFlat;
    for (const Triangle& t : news) {
        if (t.inner < 0) return half;
        const int a = (t.inner + 1) % 3, b = (t.inner + 2) % 3;
        ring.emplace_back(t.id[a], t.id[b]);
        ringFlat.emplace_back(t.f[a], t.f[b]);
    }
    for (std::size_t i = 0; i < ring.size(); ++i) {
        int starts = 0, ends = 0;
        for (std::size_t j = 0; j < ring.size(); ++j) {
            starts += ring[j].first == ring[i].first;
            ends += ring[j].second == ring[i].first;
            if (j <= i) continue;
            const bool adjacent = ring[i].first == ring[j].first || ring[i].first == ring[j].second ||
                                  ring[i].second == ring[j].first || ring[i].second == ring[j].second;
            if (!adjacent && crosses(ringFlat[i].first, ringFlat[i].second, ringFlat[j].first, ringFlat[j].second))
                return half;
        }
        if (starts != 1 || ends != 1) return half;
    }

    double gap = 0;
    // The old inner vertices under the new star: the height of the new
    // triangle holding each.
    for (const Point3& p : {before1, before2}) {
        const Flat q = flat(p);
        bool found = false;
        for (const Triangle& t : news) {
            const Flat &a = t.f[0], &b = t.f[1], &c = t.f[2];
            const double area = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
            const double wa = ((b.x - q.x) * (c.y - q.y) - (b.y - q.y) * (c.x - q.x)) / area;
            const double wb = ((c.x - q.x) * (a.y - q.y) - (c.y - q.y) * (a.x - q.x)) / area;
            const double wc = 1.0 - wa - wb;
            constexpr double kSlack = -1e-12;
            if (wa < kSlack || wb < kSlack || wc < kSlack) continue;
            gap = std::max(gap, std::abs(wa * a.h + wb * b.h + wc * c.h - q.h));
            found = true;
            break;
        }
        if (!found) return half;
    }
    // Inner edges of each star crossing inner edges of the other.
    // Each inner edge is shared by two triangles: it is taken once, and only
    // when it comes with the same inner end first (so the arithmetic, and
    // the largest gap, are exactly those of taking it twice).
    auto innerEdges = [](const std::vector<Triangle>& star, std::vector<std::pair<Flat, Flat>>& edges) {
        std::vector<std::pair<VertexId, VertexId>> taken;
        for (const Triangle& t : star) {
            if (t.inner < 0) continue;
            for (int k = 0; k < 3; ++k) {
                if (k == t.inner) continue;
                const std::pair<VertexId, VertexId> ends(t.id[t.inner], t.id[k]);
                if (std::find(taken.begin(), taken.end(), ends) != taken.end()) continue;
                taken.push_back(ends);
                edges.emplace_back(t.f[t.inner], t.f[k]);
            }
        }
    };
    std::vector<std::pair<Flat, Flat>> oldEdges, newEdges;
    innerEdges(olds, oldEdges);
    innerEdges(news, newEdges);
    for (const auto& [a, b] : oldEdges) {
        for (const auto& [c, d] : newEdges) {
            const double den = (b.x - a.x) * (d.y - c.y) - (b.y - a.y) * (d.x - c.x);
            if (den == 0) continue;  // parallel: their overlay vertices are ends
            const double s = ((c.x - a.x) * (d.y - c.y) - (c.y - a.y) * (d.x - c.x)) / den;
            const double t = ((c.x - a.x) * (b.y - a.y) - (c.y - a.y) * (b.x - a.x)) / den;
            if (s < 0 || s > 1 || t < 0 || t > 1) continue;
            gap = std::max(gap, std::abs((a.h + s * (b.h - a.h)) - (c.h + t * (d.h - c.h))));
        }
    }
    return std::min(gap, half);
}

// faceCosine, kept here where the hot loop of evaluateCollapse can inline it.
[[gnu::always_inline]] inline double cosineOf(FaceId g) {
    constexpr double kDegenerate = std::numeric_limits<double>::quiet_NaN();
    VertexId s, a, b;
    // First two edges sharing no corner: treated like a degenerate face.
    if (!decodeCorners(g, a, s, b)) return kDegenerate;
    const FaceNormal* storedNormal = g->getNormal();
    if (storedNormal == nullptr) return kDegenerate;
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
    return (sx * nx + sy * ny + sz * nz) / std::sqrt((sx * sx + sy * sy + sz * sz) * (nx * nx + ny * ny + nz * nz));
}

}  // namespace

double faceCosine(FaceId g) { return cosineOf(g); }

CollapseVerdict evaluateCollapse(FaceId f1, FaceId f2, VertexId v1, VertexId v2) {
    // At threshold 0 the limit is minus infinity: only degenerate faces
    // reject. An angle bound keeps it from falling below the bound's cosine.
    const double cosineLimit =
        std::max(1.0 - 1.0 / static_cast<double>(currentRun().thresholdPercent), collapseBounds().cosineFloor);
    const bool tracking = collapseBounds().tracking;
    std::vector<double>& faceDistance = collapseBounds().faceDistance;
    std::vector<FaceId>& star = collapseBounds().star;
    double distance = 0;
    if (tracking) star.clear();
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
    CollapseVerdict verdict = CollapseVerdict::Accept;
    for (VertexId end : {first, second}) {
        Neighbourhood* n = theMesh().queryNeighbourhood(kFaces, end, nullptr, nullptr);
        for (FaceId g : n->faces) {
            // Each face once: a face around both ends is F1 or F2.
            if (tracking && !(end == second && (g == f1 || g == f2))) {
                distance = std::max(distance, faceDistance[g.index()]);
                star.push_back(g);
            }
            if (g == f1 || g == f2) continue;
            // A NaN cosine (zero-length normal) fails the comparison and rejects.
            if (!(cosineOf(g) >= cosineLimit)) {
                verdict = CollapseVerdict::TooTilted;
                break;
            }
        }
        if (verdict != CollapseVerdict::Accept) break;
    }
    if (tracking && verdict == CollapseVerdict::Accept) {
        // The gap is never negative: a star already beyond the bound is
        // refused without measuring it.
        if (distance <= collapseBounds().maxDistance) distance += starGap(star, f1, f2, v1, v2, saved1, saved2, mid);
        if (!(distance <= collapseBounds().maxDistance)) verdict = CollapseVerdict::TooFar;
        collapseBounds().pending = distance;
    }

    p1->set(saved1.x, saved1.y, saved1.z);
    p2->set(saved2.x, saved2.y, saved2.z);
    return verdict;
}

}  // namespace zeq
