// How far one triangle surface lies from another, measured over points
// sampled on each: the geometry of zeq_surface_distance, in a header of its
// own (standard library only) so that the unit tests can reach it.
//
// A point's distance to a surface is its exact distance to the nearest
// triangle, found through a bounding-box tree over the triangles. The points
// of a surface are all its vertices plus `samples` points spread over its
// triangles in proportion to their area, each uniform within its triangle;
// the random numbers come from our own SplitMix64 stream, so the points are
// the same with every compiler and standard library.
#pragma once

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <limits>
#include <vector>

namespace zeq::surface {

struct Vec3 {
    double x, y, z;
};
inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline double dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double length2(Vec3 a) { return dot(a, a); }

// The point of segment ab nearest to p; a when the segment has no length.
inline Vec3 closestOnSegment(Vec3 p, Vec3 a, Vec3 b) {
    const Vec3 ab = b - a;
    const double len2 = length2(ab);
    if (!(len2 > 0)) return a;
    const double t = std::clamp(dot(p - a, ab) / len2, 0.0, 1.0);
    return a + ab * t;
}

// The nearest of the three sides' nearest points.
inline Vec3 closestOnSides(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
    Vec3 best = closestOnSegment(p, a, b);
    double bestD2 = length2(p - best);
    for (Vec3 q : {closestOnSegment(p, b, c), closestOnSegment(p, c, a)}) {
        const double d2q = length2(p - q);
        if (d2q < bestD2) best = q, bestD2 = d2q;
    }
    return best;
}

// The point of triangle abc nearest to p. The signs of p's projections on
// the sides tell which of the seven regions p lies over: a corner (the
// corner is the answer), a side (the foot on that side's segment) or the
// face (the foot in the plane, from barycentric weights that are ratios of
// the sub-triangle areas).
//
// Those tests need area: with a side of no length, the tests of that side
// pass whatever p is. A triangle whose height is below 1e-12 of its longest
// side (none at all when its corners coincide or line up) is taken as its
// three sides, which it then differs from by less than that height.
inline Vec3 closestOnTriangle(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
    const Vec3 ab = b - a, ac = c - a;
    const double longest2 = std::max({length2(ab), length2(ac), length2(c - b)});
    // |ab x ac| is twice the area, the longest side times the height.
    if (!(length2(cross(ab, ac)) > 1e-24 * longest2 * longest2)) return closestOnSides(p, a, b, c);
    const Vec3 ap = p - a;
    const double d1 = dot(ab, ap), d2 = dot(ac, ap);
    if (d1 <= 0 && d2 <= 0) return a;
    const Vec3 bp = p - b;
    const double d3 = dot(ab, bp), d4 = dot(ac, bp);
    if (d3 >= 0 && d4 <= d3) return b;
    const Vec3 cp = p - c;
    const double d5 = dot(ab, cp), d6 = dot(ac, cp);
    if (d6 >= 0 && d5 <= d6) return c;
    const double vc = d1 * d4 - d3 * d2;  // twice the signed area of p a b, times the normal's length
    if (vc <= 0 && d1 >= 0 && d3 <= 0) return closestOnSegment(p, a, b);
    const double vb = d5 * d2 - d1 * d6;  // likewise p c a
    if (vb <= 0 && d2 >= 0 && d6 <= 0) return closestOnSegment(p, a, c);
    const double va = d3 * d6 - d5 * d4;  // likewise p b c
    if (va <= 0 && d4 - d3 >= 0 && d5 - d6 >= 0) return closestOnSegment(p, b, c);
    const double sum = va + vb + vc;
    if (!(sum > 0)) return closestOnSides(p, a, b, c);
    const double v = vb / sum, w = vc / sum;
    return a + ab * v + ac * w;
}

inline double distance2ToTriangle(Vec3 p, Vec3 a, Vec3 b, Vec3 c) {
    return length2(p - closestOnTriangle(p, a, b, c));
}

// A triangle mesh as plain arrays: positions and three 0-based corners per
// triangle.
struct Surface {
    std::vector<Vec3> positions;
    std::vector<std::array<std::uint32_t, 3>> triangles;
};

struct Box {
    Vec3 lo{std::numeric_limits<double>::infinity(), std::numeric_limits<double>::infinity(),
            std::numeric_limits<double>::infinity()};
    Vec3 hi{-std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity(),
            -std::numeric_limits<double>::infinity()};
    void add(Vec3 p) {
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
    }
    void add(const Box& b) {
        add(b.lo);
        add(b.hi);
    }
    // Squared distance from p to the box; 0 inside.
    double distance2(Vec3 p) const {
        const double dx = std::max({lo.x - p.x, 0.0, p.x - hi.x});
        const double dy = std::max({lo.y - p.y, 0.0, p.y - hi.y});
        const double dz = std::max({lo.z - p.z, 0.0, p.z - hi.z});
        return dx * dx + dy * dy + dz * dz;
    }
    bool empty() const { return lo.x > hi.x; }
};

// The bounding box of a surface's positions and its diagonal's length.
inline double boxDiagonal(const Surface& s) {
    Box box;
    for (Vec3 p : s.positions) box.add(p);
    return box.empty() ? 0.0 : std::sqrt(length2(box.hi - box.lo));
}

// A bounding-box tree over the triangles of a surface, answering the squared
// distance from a point to the nearest of them. Each node splits its
// triangles at the median of their centres along the longest side of the
// centres' box, down to leaves of at most kLeafSize; the triangles are
// copied out in leaf order, so that a leaf's corners lie together in memory.
// Triangles without area are kept: they are part of the surface a point can
// be near.
class TriangleTree {
public:
    explicit TriangleTree(const Surface& s) {
        const std::size_t n = s.triangles.size();
        if (n == 0) return;
        std::vector<std::uint32_t> order(n);
        std::vector<Box> boxes(n);
        std::vector<Vec3> centres(n);
        for (std::size_t i = 0; i < n; ++i) {
            order[i] = static_cast<std::uint32_t>(i);
            for (std::uint32_t corner : s.triangles[i]) boxes[i].add(s.positions[corner]);
            centres[i] = (boxes[i].lo + boxes[i].hi) * 0.5;
        }
        nodes_.reserve(2 * (n / kLeafSize + 1));
        nodes_.push_back({});
        build(0, order, boxes, centres, 0, n);
        corners_.reserve(n);
        for (std::uint32_t t : order) {
            const auto& tri = s.triangles[t];
            corners_.push_back({s.positions[tri[0]], s.positions[tri[1]], s.positions[tri[2]]});
        }
    }

    // Squared distance from p to the nearest triangle; infinity for a tree of
    // no triangles. Nearer child first, and no node whose box lies farther
    // than the best distance so far.
    double nearest2(Vec3 p) const {
        double best = std::numeric_limits<double>::infinity();
        if (nodes_.empty()) return best;
        std::vector<Pending>& stack = stack_;
        stack.clear();
        stack.push_back({0, nodes_[0].box.distance2(p)});
        while (!stack.empty()) {
            const Pending top = stack.back();
            stack.pop_back();
            if (top.d2 >= best) continue;
            const Node& node = nodes_[top.node];
            if (node.count > 0) {
                for (std::uint32_t i = node.first; i < node.first + node.count; ++i) {
                    const auto& t = corners_[i];
                    best = std::min(best, distance2ToTriangle(p, t[0], t[1], t[2]));
                }
                continue;
            }
            const std::uint32_t l = node.first, r = node.first + 1;
            const double dl = nodes_[l].box.distance2(p), dr = nodes_[r].box.distance2(p);
            // The nearer child goes on top, to be opened first.
            if (dl <= dr) {
                if (dr < best) stack.push_back({r, dr});
                if (dl < best) stack.push_back({l, dl});
            } else {
                if (dl < best) stack.push_back({l, dl});
                if (dr < best) stack.push_back({r, dr});
            }
        }
        return best;
    }

private:
    static constexpr std::size_t kLeafSize = 4;

    // A leaf holds triangles first .. first + count - 1 (count > 0); an inner
    // node (count 0) has its children at first and first + 1.
    struct Node {
        Box box;
        std::uint32_t first = 0;
        std::uint32_t count = 0;
    };

    void build(std::size_t at, std::vector<std::uint32_t>& order, const std::vector<Box>& boxes,
               const std::vector<Vec3>& centres, std::size_t begin, std::size_t end) {
        Box box, centreBox;
        for (std::size_t i = begin; i < end; ++i) {
            box.add(boxes[order[i]]);
            centreBox.add(centres[order[i]]);
        }
        nodes_[at].box = box;
        if (end - begin <= kLeafSize) {
            nodes_[at].first = static_cast<std::uint32_t>(begin);
            nodes_[at].count = static_cast<std::uint32_t>(end - begin);
            return;
        }
        const Vec3 extent = centreBox.hi - centreBox.lo;
        const int axis = extent.x >= extent.y && extent.x >= extent.z ? 0 : extent.y >= extent.z ? 1 : 2;
        auto key = [&](std::uint32_t t) {
            const Vec3 c = centres[t];
            return axis == 0 ? c.x : axis == 1 ? c.y : c.z;
        };
        const std::size_t mid = begin + (end - begin) / 2;
        std::nth_element(order.begin() + static_cast<std::ptrdiff_t>(begin),
                         order.begin() + static_cast<std::ptrdiff_t>(mid),
                         order.begin() + static_cast<std::ptrdiff_t>(end),
                         [&](std::uint32_t s, std::uint32_t t) {
                             const double ks = key(s), kt = key(t);
                             return ks < kt || (ks == kt && s < t);
                         });
        const auto left = static_cast<std::uint32_t>(nodes_.size());
        nodes_.push_back({});
        nodes_.push_back({});
        nodes_[at].first = left;
        nodes_[at].count = 0;
        build(left, order, boxes, centres, begin, mid);
        build(left + 1, order, boxes, centres, mid, end);
    }

    // A node still to open and its box's squared distance from the point.
    struct Pending {
        std::uint32_t node;
        double d2;
    };

    std::vector<Node> nodes_;
    std::vector<std::array<Vec3, 3>> corners_;
    // Reused from query to query: a tree is queried from one thread.
    mutable std::vector<Pending> stack_;
};

// SplitMix64: a 64-bit counter stepped by the golden ratio and mixed.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state_(seed) {}
    std::uint64_t next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ULL);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
        return z ^ (z >> 31);
    }
    // Uniform in [0, 1), from the top 53 bits.
    double unit() { return static_cast<double>(next() >> 11) * 0x1.0p-53; }

private:
    std::uint64_t state_;
};

// Every position of `s`, then `samples` points on its triangles: a triangle
// is drawn with probability proportional to its area (so triangles without
// area are never drawn) and a point uniform within it, by folding a uniform
// point of the parallelogram on ab, ac back into the triangle. A surface
// without area gives its positions alone.
inline std::vector<Vec3> samplePoints(const Surface& s, std::uint64_t samples, std::uint64_t seed) {
    std::vector<Vec3> points(s.positions);
    std::vector<double> cumulative(s.triangles.size());
    double total = 0;
    for (std::size_t i = 0; i < s.triangles.size(); ++i) {
        const auto& t = s.triangles[i];
        const Vec3 a = s.positions[t[0]], b = s.positions[t[1]], c = s.positions[t[2]];
        total += std::sqrt(length2(cross(b - a, c - a)));
        cumulative[i] = total;
    }
    if (!(total > 0) || !std::isfinite(total)) return points;
    SplitMix64 random(seed);
    points.reserve(points.size() + samples);
    for (std::uint64_t k = 0; k < samples; ++k) {
        const double u = random.unit() * total;
        // The first triangle whose running total passes u: one with area.
        std::size_t i = static_cast<std::size_t>(
            std::upper_bound(cumulative.begin(), cumulative.end(), u) - cumulative.begin());
        if (i == cumulative.size()) --i;  // u rounded up to the total
        const auto& t = s.triangles[i];
        const Vec3 a = s.positions[t[0]], b = s.positions[t[1]], c = s.positions[t[2]];
        double r1 = random.unit(), r2 = random.unit();
        if (r1 + r2 > 1) r1 = 1 - r1, r2 = 1 - r2;
        points.push_back(a + (b - a) * r1 + (c - a) * r2);
    }
    return points;
}

// Distances from a set of points to a surface: the largest, and the sum of
// the squares over `points` points.
struct OneSided {
    double max = 0;
    double sumSquares = 0;
    std::size_t points = 0;
    double rms() const { return points == 0 ? 0.0 : std::sqrt(sumSquares / static_cast<double>(points)); }
};

inline OneSided measure(const std::vector<Vec3>& points, const TriangleTree& target) {
    OneSided r;
    double max2 = 0;
    for (Vec3 p : points) {
        const double d2 = target.nearest2(p);
        max2 = std::max(max2, d2);
        r.sumSquares += d2;
    }
    r.max = std::sqrt(max2);
    r.points = points.size();
    return r;
}

// Both directions between surfaces a and b, `samples` points on each besides
// the vertices; b's points come from a stream of its own.
struct Comparison {
    OneSided aToB, bToA;
    double diagonal = 0;  // of a's bounding box
    double hausdorff() const { return std::max(aToB.max, bToA.max); }
    double rms() const {
        const std::size_t n = aToB.points + bToA.points;
        return n == 0 ? 0.0 : std::sqrt((aToB.sumSquares + bToA.sumSquares) / static_cast<double>(n));
    }
};

inline std::uint64_t secondSeed(std::uint64_t seed) { return seed ^ 0xD6E8FEB86659FD93ULL; }

inline Comparison compare(const Surface& a, const Surface& b, std::uint64_t samples, std::uint64_t seed) {
    Comparison c;
    c.diagonal = boxDiagonal(a);
    {
        const TriangleTree treeB(b);
        c.aToB = measure(samplePoints(a, samples, seed), treeB);
    }
    const TriangleTree treeA(a);
    c.bToA = measure(samplePoints(b, samples, secondSeed(seed)), treeA);
    return c;
}

}  // namespace zeq::surface
