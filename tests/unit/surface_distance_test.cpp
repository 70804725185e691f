// The geometry of zeq_surface_distance (bench/surface_distance.h): the nearest
// point of a triangle in each of its regions, triangles without area, the
// bounding-box tree against a plain search, and whole comparisons whose
// answer is known.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "bench/surface_distance.h"

namespace zeq::surface {
namespace {

void expectPoint(Vec3 got, Vec3 want) {
    EXPECT_NEAR(got.x, want.x, 1e-15);
    EXPECT_NEAR(got.y, want.y, 1e-15);
    EXPECT_NEAR(got.z, want.z, 1e-15);
}

// The right triangle (0,0,0) (1,0,0) (0,1,0) in the plane z = 0.
const Vec3 kA{0, 0, 0}, kB{1, 0, 0}, kC{0, 1, 0};

Vec3 nearest(Vec3 p) { return closestOnTriangle(p, kA, kB, kC); }

TEST(SurfaceDistance, CornerRegions) {
    expectPoint(nearest({-1, -1, 1}), kA);
    EXPECT_DOUBLE_EQ(distance2ToTriangle({-1, -1, 1}, kA, kB, kC), 3.0);
    expectPoint(nearest({2, -0.5, 0}), kB);   // beyond b, below side ab
    expectPoint(nearest({3, 1, -2}), kB);     // beyond b, past side bc's end
    expectPoint(nearest({-0.5, 2, 0.5}), kC);
    EXPECT_DOUBLE_EQ(distance2ToTriangle({-0.5, 2, 0.5}, kA, kB, kC), 0.25 + 1 + 0.25);
}

TEST(SurfaceDistance, SideRegions) {
    expectPoint(nearest({0.3, -1, 2}), {0.3, 0, 0});   // side ab
    EXPECT_DOUBLE_EQ(distance2ToTriangle({0.3, -1, 2}, kA, kB, kC), 5.0);
    expectPoint(nearest({-2, 0.4, 0}), {0, 0.4, 0});   // side ca
    expectPoint(nearest({1, 1, 1}), {0.5, 0.5, 0});    // side bc: foot (0.5, 0.5), distance sqrt(0.5 + 1)
    EXPECT_DOUBLE_EQ(distance2ToTriangle({1, 1, 1}, kA, kB, kC), 1.5);
    expectPoint(nearest({0.9, 0.3, 0}), {0.8, 0.2, 0});  // side bc, in the plane
}

TEST(SurfaceDistance, FaceRegion) {
    expectPoint(nearest({0.2, 0.3, -5}), {0.2, 0.3, 0});
    EXPECT_DOUBLE_EQ(distance2ToTriangle({0.2, 0.3, -5}, kA, kB, kC), 25.0);
    expectPoint(nearest({0.25, 0.25, 0}), {0.25, 0.25, 0});  // on the triangle
    // A tilted triangle: the plane x + y + z = 1 through the unit points.
    const Vec3 a{1, 0, 0}, b{0, 1, 0}, c{0, 0, 1};
    const Vec3 q = closestOnTriangle({1, 1, 1}, a, b, c);
    expectPoint(q, {1.0 / 3, 1.0 / 3, 1.0 / 3});
    EXPECT_NEAR(distance2ToTriangle({1, 1, 1}, a, b, c), 4.0 / 3, 1e-15);
}

TEST(SurfaceDistance, TrianglesWithoutArea) {
    // Three coincident corners: a point.
    const Vec3 p{1, 2, 3};
    expectPoint(closestOnTriangle({1, 2, 4}, p, p, p), p);
    EXPECT_DOUBLE_EQ(distance2ToTriangle({1, 2, 4}, p, p, p), 1.0);
    // Corners on a line, in every order: the segment from (0,0,0) to (2,0,0).
    const Vec3 l0{0, 0, 0}, l1{2, 0, 0}, l2{1, 0, 0};
    const Vec3 orders[][3] = {{l0, l1, l2}, {l0, l2, l1}, {l1, l0, l2}, {l1, l2, l0}, {l2, l0, l1}, {l2, l1, l0}};
    for (const auto& t : orders) {
        expectPoint(closestOnTriangle({1, 1, 0}, t[0], t[1], t[2]), {1, 0, 0});
        expectPoint(closestOnTriangle({0.5, 0, -3}, t[0], t[1], t[2]), {0.5, 0, 0});
        expectPoint(closestOnTriangle({3, 0, 1}, t[0], t[1], t[2]), {2, 0, 0});
        expectPoint(closestOnTriangle({-1, -1, -1}, t[0], t[1], t[2]), {0, 0, 0});
    }
    // Two coincident corners: a segment again.
    expectPoint(closestOnTriangle({0.5, 1, 0}, l0, l0, l1), {0.5, 0, 0});
    expectPoint(closestOnTriangle({0.5, 1, 0}, l0, l1, l1), {0.5, 0, 0});
    expectPoint(closestOnTriangle({0.5, 1, 0}, l1, l0, l0), {0.5, 0, 0});
    // A side of almost no length: its corner and the long side's foot.
    const Vec3 n0{0, 0, 0}, n1{1e-200, 0, 0}, n2{0, 2, 0};
    expectPoint(closestOnTriangle({-1, 1, 0}, n0, n1, n2), {0, 1, 0});
    expectPoint(closestOnTriangle({-1, 1, 0}, n1, n2, n0), {0, 1, 0});
}

// A wavy grid of n x n squares, two triangles each, plus one triangle without
// area in the middle of it.
Surface wavyGrid(int n) {
    Surface s;
    for (int j = 0; j <= n; ++j)
        for (int i = 0; i <= n; ++i)
            s.positions.push_back({i * 1.0 / n, j * 1.0 / n, 0.1 * std::sin(7.0 * i / n) * std::cos(5.0 * j / n)});
    auto at = [n](int i, int j) { return static_cast<std::uint32_t>(j * (n + 1) + i); };
    for (int j = 0; j < n; ++j)
        for (int i = 0; i < n; ++i) {
            s.triangles.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            s.triangles.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    s.triangles.push_back({at(n / 2, n / 2), at(n / 2, n / 2), at(n / 2 + 1, n / 2)});
    return s;
}

TEST(SurfaceDistance, TreeAgreesWithEveryTriangle) {
    const Surface s = wavyGrid(12);
    const TriangleTree tree(s);
    SplitMix64 random(7);
    for (int k = 0; k < 500; ++k) {
        const Vec3 p{random.unit() * 1.6 - 0.3, random.unit() * 1.6 - 0.3, random.unit() - 0.5};
        double want = std::numeric_limits<double>::infinity();
        for (const auto& t : s.triangles)
            want = std::min(want, distance2ToTriangle(p, s.positions[t[0]], s.positions[t[1]], s.positions[t[2]]));
        EXPECT_EQ(tree.nearest2(p), want);
    }
    EXPECT_EQ(TriangleTree(Surface{}).nearest2({0, 0, 0}), std::numeric_limits<double>::infinity());
}

TEST(SurfaceDistance, SamplesAreTheVerticesThenPointsOnTheSurface) {
    const Surface s = wavyGrid(6);
    const std::vector<Vec3> points = samplePoints(s, 1000, 3);
    ASSERT_EQ(points.size(), s.positions.size() + 1000);
    for (std::size_t i = 0; i < s.positions.size(); ++i) expectPoint(points[i], s.positions[i]);
    const TriangleTree tree(s);
    for (Vec3 p : points) EXPECT_LE(tree.nearest2(p), 1e-28);
    // The same seed gives the same points; another seed other points.
    const std::vector<Vec3> again = samplePoints(s, 1000, 3), other = samplePoints(s, 1000, 4);
    for (std::size_t i = 0; i < points.size(); ++i) {
        EXPECT_EQ(points[i].x, again[i].x);
        EXPECT_EQ(points[i].z, again[i].z);
    }
    EXPECT_NE(points.back().x, other.back().x);
    // No area: the vertices alone.
    Surface flat;
    flat.positions = {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}};
    flat.triangles = {{0, 1, 2}};
    EXPECT_EQ(samplePoints(flat, 1000, 3).size(), 3u);
}

TEST(SurfaceDistance, AMeshAgainstItselfIsAtNoDistance) {
    const Surface s = wavyGrid(20);
    const Comparison c = compare(s, s, 20000, 1);
    EXPECT_LE(c.hausdorff(), 1e-15);
    EXPECT_LE(c.rms(), 1e-15);
    EXPECT_EQ(c.aToB.points, s.positions.size() + 20000);
    EXPECT_EQ(c.bToA.points, s.positions.size() + 20000);
}

// The unit square as two triangles, lifted to height z.
Surface square(double z) {
    Surface s;
    s.positions = {{0, 0, z}, {1, 0, z}, {1, 1, z}, {0, 1, z}};
    s.triangles = {{0, 1, 2}, {0, 2, 3}};
    return s;
}

TEST(SurfaceDistance, ASquareAgainstItsShiftAlongTheNormal) {
    const Comparison c = compare(square(0), square(0.1), 10000, 1);
    const double diagonal = std::sqrt(2.0);
    EXPECT_NEAR(c.diagonal, diagonal, 1e-15);
    EXPECT_NEAR(c.hausdorff() / c.diagonal, 0.1 / diagonal, 1e-12);
    EXPECT_NEAR(c.rms() / c.diagonal, 0.1 / diagonal, 1e-12);
    EXPECT_NEAR(c.aToB.max, 0.1, 1e-12);
    EXPECT_NEAR(c.bToA.rms(), 0.1, 1e-12);
}

TEST(SurfaceDistance, AFlatSquareAgainstATentHasTheRidgeAsItsLargestDistance) {
    // The square's middle line x = 0.5 raised to 0.2: the tent's ridge lies
    // 0.2 above the square, and the square's points on that line are
    // 0.2 / sqrt(1 + 0.4^2) from the tent's slopes.
    Surface tent;
    tent.positions = {{0, 0, 0}, {0.5, 0, 0.2}, {1, 0, 0}, {0, 1, 0}, {0.5, 1, 0.2}, {1, 1, 0}};
    tent.triangles = {{0, 1, 4}, {0, 4, 3}, {1, 2, 5}, {1, 5, 4}};
    const Comparison c = compare(square(0), tent, 20000, 1);
    EXPECT_NEAR(c.bToA.max, 0.2, 1e-12);  // the ridge's vertices
    EXPECT_LE(c.aToB.max, 0.2 / std::sqrt(1 + 0.16) + 1e-12);
    EXPECT_GT(c.aToB.max, 0.9 * 0.2 / std::sqrt(1 + 0.16));
    EXPECT_NEAR(c.hausdorff(), 0.2, 1e-12);
    EXPECT_GT(c.rms(), 0.0);
    EXPECT_LT(c.rms(), c.hausdorff());
}

}  // namespace
}  // namespace zeq::surface
