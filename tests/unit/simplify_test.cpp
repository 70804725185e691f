// Candidate evaluation, the simplification pass and the driver, and a
// property test of whole runs on generated closed meshes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <map>
#include <regex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "io/smf_reader.h"
#include "io/smf_writer.h"
#include "orient/orient_faces.h"
#include "simplify/collapse_edge.h"
#include "simplify/evaluate_collapse.h"
#include "simplify/run_pass.h"
#include "simplify/run_simplification.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

using Corners = std::array<int, 3>;

constexpr double kPi = 3.14159265358979323846;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool samePosition(const Point3& a, const Point3& b) { return std::memcmp(&a, &b, sizeof(Point3)) == 0; }

void expectAt(const Vertex* v, double x, double y, double z) {
    SCOPED_TRACE(v->getId());
    EXPECT_EQ(v->getPosition()->x, x);
    EXPECT_EQ(v->getPosition()->y, y);
    EXPECT_EQ(v->getPosition()->z, z);
}

bool allUntouched() {
    for (const Vertex* v : theMesh.vertices)
        if (v->touched != 0) return false;
    return true;
}

std::string masked(const std::string& out) {
    static const std::regex seconds("Simplification time = [-0-9.]+ seconds");
    return std::regex_replace(out, seconds, "Simplification time = X seconds");
}

const std::string kTimeLine = "\nSimplification time = X seconds  \n";

std::string timeLines(int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += kTimeLine;
    return s;
}

std::string countsText(int vertices, int edges, int faces) {
    return "\n\nSimplified Mesh: \n " + std::to_string(vertices) + " <Vertices>\n " + std::to_string(edges) +
           " <Edges>\n " + std::to_string(faces) + " <Faces>\n";
}

std::string missedText(int faces) {
    return "\nThe ZEQ generate a simplified mesh with " + std::to_string(faces) + " Faces!\n";
}

// ---------------------------------------------------------------------------
// Candidate evaluation
//
//        B (0,1,0)
//        |  \                       e0 = (V1,V2) carries F1 = (0,1,4) and
//        |    \                     F2 = (1,0,5); G = (1,2,3) is the only other
//        |  G   V2 (1,0,0)          face at V1 or V2. V1 is placed so that the
//        |    /                     midpoint is (cos t, 0, sin t): G turns by t
//        |  /                       about the hinge AB.
//        A (0,-1,0)
class CandidateEvaluation : public GlobalMeshTest {
protected:
    void build(const Point3& v1Position) {
        resetGlobals();
        buildMesh({v1Position, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {1.5, 2, 0.3}, {1.5, -2, -0.3}},
                  {{0, 1, 4}, {1, 0, 5}, {1, 2, 3}});
        orientFaces(theMesh);
        v1 = theMesh.vertices[0];
        v2 = theMesh.vertices[1];
        Edge* e = theMesh.edges[0];
        f1 = e->faces[0];
        f2 = e->faces[1];
        g = theMesh.faces[2];
    }
    void buildTilted(double degrees) {
        const double t = degrees * kPi / 180.0;
        build({2 * std::cos(t) - 1, 0, 2 * std::sin(t)});
    }
    int evaluateAt(float threshold) {
        thresholdPercent = threshold;
        return evaluateCollapse(f1, f2, v1, v2);
    }

    Vertex* v1 = nullptr;
    Vertex* v2 = nullptr;
    Face* f1 = nullptr;
    Face* f2 = nullptr;
    Face* g = nullptr;
};

TEST_F(CandidateEvaluation, ThresholdHundredAcceptsEightDegreesAndRejectsNine) {
    // Limit 1 - 1/100 = 0.99: cos 8 deg = 0.99027, cos 9 deg = 0.98769.
    buildTilted(8);
    EXPECT_EQ(evaluateAt(100), 0);
    buildTilted(9);
    EXPECT_EQ(evaluateAt(100), 1);
}

TEST_F(CandidateEvaluation, LowerThresholdsTolerateLargerTilts) {
    // 80: limit 0.9875 (9.07 deg). 2: limit 0.5 (60 deg).
    buildTilted(9);
    EXPECT_EQ(evaluateAt(80), 0);
    buildTilted(9.2);
    EXPECT_EQ(evaluateAt(80), 1);
    buildTilted(59);
    EXPECT_EQ(evaluateAt(2), 0);
    buildTilted(61);
    EXPECT_EQ(evaluateAt(2), 1);
}

TEST_F(CandidateEvaluation, ThresholdZeroAcceptsAnyTiltOfAProperFace) {
    buildTilted(150);
    EXPECT_EQ(evaluateAt(2), 1);
    EXPECT_EQ(evaluateAt(0), 0);
}

TEST_F(CandidateEvaluation, ThresholdZeroRejectsAFaceMadeCollinear) {
    // Midpoint (0, 0.25, 0) lies on AB: G's recomputed normal is (0,0,0).
    build({-1, 0.5, 0});
    EXPECT_EQ(evaluateAt(0), 1);
}

TEST_F(CandidateEvaluation, ThresholdZeroRejectsADegenerateStoredNormal) {
    buildTilted(3);
    ASSERT_EQ(evaluateAt(0), 0);
    g->getNormal()->set(kNaN, kNaN, kNaN);
    EXPECT_EQ(evaluateAt(0), 1);
    g->getNormal()->set(0, 0, 0);
    EXPECT_EQ(evaluateAt(0), 1);
}

TEST_F(CandidateEvaluation, PositionsAreRestoredBitForBit) {
    buildTilted(8);
    std::vector<Point3> before;
    for (const Vertex* v : theMesh.vertices) before.push_back(v->positionCopy());
    EXPECT_EQ(evaluateAt(100), 0);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_TRUE(samePosition(theMesh.vertices[i]->positionCopy(), before[i])) << i;
    EXPECT_EQ(evaluateAt(200), 1);
    for (std::size_t i = 0; i < before.size(); ++i)
        EXPECT_TRUE(samePosition(theMesh.vertices[i]->positionCopy(), before[i])) << i;
}

TEST_F(CandidateEvaluation, TheTwoFacesOfTheEdgeAreNeverExamined) {
    // At the midpoint F1 and F2 have two coincident corners; give them
    // unusable stored normals as well.
    buildTilted(5);
    f1->getNormal()->set(kNaN, kNaN, kNaN);
    f2->getNormal()->set(0, 0, 0);
    EXPECT_EQ(evaluateAt(100), 0);
}

TEST_F(CandidateEvaluation, StoredNormalAgainstTheCycleRejectsUntilThresholdZero) {
    buildTilted(3);
    ASSERT_EQ(evaluateAt(100), 0);
    Point3* n = g->getNormal();
    n->set(-n->x, -n->y, -n->z);
    EXPECT_EQ(evaluateAt(100), 1);
    EXPECT_EQ(evaluateAt(20), 1);
    EXPECT_EQ(evaluateAt(2), 1);
    EXPECT_EQ(evaluateAt(0), 0);
}

// ---------------------------------------------------------------------------
// Flat grids
//
// A grid of cols x rows vertices v(i,j) = j*cols + i at (i, j, 0); square
// (i,j) is split into (v(i,j), v(i+1,j), v(i+1,j+1)) and
// (v(i,j), v(i+1,j+1), v(i,j+1)). Copies sit 10 apart along x.
void buildGrids(int cols, int rows, int copies) {
    std::vector<Point3> positions;
    std::vector<Corners> faces;
    for (int k = 0; k < copies; ++k) {
        const int base = k * cols * rows;
        for (int j = 0; j < rows; ++j)
            for (int i = 0; i < cols; ++i) positions.push_back({i + 10.0 * k, static_cast<double>(j), 0});
        for (int j = 0; j + 1 < rows; ++j)
            for (int i = 0; i + 1 < cols; ++i) {
                const int a = base + j * cols + i;
                faces.push_back({a, a + 1, a + cols + 1});
                faces.push_back({a, a + cols + 1, a + cols});
            }
    }
    buildMesh(positions, faces);
    orientFaces(theMesh);
}

// The 4 x 4 grid (3 x 3 squares, 18 faces, 33 edges):
//
//   12 -- 13 -- 14 -- 15        interior vertices 5 6 9 10
//    |  /  |  /  |  /  |
//    8 --  9 -- 10 -- 11        edges between two of them:
//    |  /  |  /  |  /  |          e8 (6,5)  e13 (5,9)  e17 (6,10)
//    4 --  5 --  6 --  7          e18 (10,5)  e19 (10,9)
//    |  /  |  /  |  /  |
//    0 --  1 --  2 --  3        every other edge has a boundary end.
//
// Edges in creation order: e0 (0,1) e1 (1,5) e2 (5,0) e3 (5,4) e4 (4,0)
// e5 (1,2) e6 (2,6) e7 (6,1) e8 (6,5) e9 (2,3) e10 (3,7) e11 (7,2) e12 (7,6)
// e13 (5,9) e14 (9,4) e15 (9,8) e16 (8,4) e17 (6,10) e18 (10,5) e19 (10,9)
// e20 (7,11) e21 (11,6) e22 (11,10) e23 (9,13) e24 (13,8) e25 (13,12)
// e26 (12,8) e27 (10,14) e28 (14,9) e29 (14,13) e30 (11,15) e31 (15,10)
// e32 (15,14).
//
// The grid is flat, so a candidate is accepted unless the move turns a face
// over or flattens it; every collapse below was checked face by face to keep
// all faces around both ends turning the same way.
//
// Forward pass 0: e8 collapses (6 into 5, 5 to (1.5,1)), retiring e7 and e17;
// e13 and e18 wait (5 touched); e19 collapses (10 into 9, 9 to (1.5,2)),
// retiring e18 and e27. Nothing after e19 has two interior ends.
// Pass 1: only e13 = (5,9) is left between interior vertices: 5 into 9, 9 to
// (1.5,1.5). Then one interior vertex remains and nothing can collapse.
class SimplificationPass : public GlobalMeshTest {};

TEST_F(SimplificationPass, ForwardPassCollapsesOnlyEdgesBetweenInteriorVertices) {
    buildGrids(4, 4, 1);
    std::vector<Point3> before;
    for (const Vertex* v : theMesh.vertices) before.push_back(v->positionCopy());
    runPass(0, 0, 0);
    EXPECT_EQ(collapseCount, 2);
    for (int id : {7, 8, 17, 18, 19, 27}) EXPECT_EQ(theMesh.edges[id]->collapsed, 1) << id;
    int retired = 0;
    for (const Edge* e : theMesh.edges) retired += e->collapsed;
    EXPECT_EQ(retired, 6);
    EXPECT_TRUE(theMesh.vertices[6]->edges.empty());
    EXPECT_TRUE(theMesh.vertices[10]->edges.empty());
    expectAt(theMesh.vertices[5], 1.5, 1, 0);
    expectAt(theMesh.vertices[9], 1.5, 2, 0);
    // Boundary vertices neither move nor go.
    for (int id = 0; id < 16; ++id) {
        if (id == 5 || id == 6 || id == 9 || id == 10) continue;
        EXPECT_TRUE(samePosition(theMesh.vertices[id]->positionCopy(), before[id])) << id;
        EXPECT_FALSE(theMesh.vertices[id]->edges.empty()) << id;
    }
    // e13 was passed over while 5 was frozen.
    EXPECT_EQ(theMesh.edges[13]->collapsed, 0);
    EXPECT_EQ(theMesh.edges[13]->end1, theMesh.vertices[5]);
    EXPECT_EQ(theMesh.edges[13]->end2, theMesh.vertices[9]);
    EXPECT_TRUE(allUntouched());
    EXPECT_EQ(checkInvariants(theMesh), "");
}

TEST_F(SimplificationPass, KeptVertexIsFrozenForTheRestOfThePassOnly) {
    // Stopping right after the first collapse (18 -> 16 faces): e13 = (5,9)
    // would now be accepted (midpoint (1.25,1.5) turns no face over) ...
    buildGrids(4, 4, 1);
    runPass(16, 0, 0);
    ASSERT_EQ(collapseCount, 1);
    EXPECT_TRUE(allUntouched());
    Edge* e13 = theMesh.edges[13];
    ASSERT_EQ(e13->faces.size(), 2u);
    thresholdPercent = 100;
    EXPECT_EQ(evaluateCollapse(e13->faces[0], e13->faces[1], e13->end1, e13->end2), 0);

    // ... yet the full pass leaves it, since 5 kept its place in e8's collapse.
    resetGlobals();
    buildGrids(4, 4, 1);
    runPass(0, 0, 0);
    ASSERT_EQ(collapseCount, 2);
    EXPECT_EQ(theMesh.edges[13]->collapsed, 0);
    expectAt(theMesh.vertices[5], 1.5, 1, 0);

    // The next pass may collapse it.
    runPass(0, 0, 1);
    EXPECT_EQ(collapseCount, 3);
    EXPECT_EQ(theMesh.edges[13]->collapsed, 1);
    EXPECT_TRUE(theMesh.vertices[5]->edges.empty());
    expectAt(theMesh.vertices[9], 1.5, 1.5, 0);
    EXPECT_TRUE(allUntouched());
    EXPECT_EQ(checkInvariants(theMesh), "");
}

TEST_F(SimplificationPass, EvenPassesSweepForwardAndOddPassesBackward) {
    // Target 16 ends each pass after its first collapse.
    buildGrids(4, 4, 1);
    runPass(16, 0, 0);
    EXPECT_EQ(collapseCount, 1);
    EXPECT_EQ(theMesh.edges[8]->collapsed, 1);
    EXPECT_TRUE(theMesh.vertices[6]->edges.empty());
    expectAt(theMesh.vertices[5], 1.5, 1, 0);
    EXPECT_FALSE(theMesh.vertices[10]->edges.empty());

    resetGlobals();
    buildGrids(4, 4, 1);
    // Backward the last edge with two interior ends is e19 = (10,9).
    runPass(16, 0, 1);
    EXPECT_EQ(collapseCount, 1);
    EXPECT_EQ(theMesh.edges[19]->collapsed, 1);
    EXPECT_TRUE(theMesh.vertices[10]->edges.empty());
    expectAt(theMesh.vertices[9], 1.5, 2, 0);
    EXPECT_FALSE(theMesh.vertices[6]->edges.empty());
    EXPECT_TRUE(allUntouched());
}

// Regular octahedron, faces outward (edge ids as loaded: e0 = (0,2) first,
// e11 = (5,3) last).
const std::vector<Point3> kOcta = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
const std::vector<Corners> kOctaFaces = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                         {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};

TEST_F(SimplificationPass, FirstEdgeInSweepOrderIsExaminedEvenWithTheTargetMet) {
    // At threshold 0 any collapse of the octahedron that flattens no face is
    // accepted. Target 8 is met before the sweep starts, but the stop test
    // follows the first edge.
    buildMesh(kOcta, kOctaFaces);
    orientFaces(theMesh);
    thresholdPercent = 0;
    runPass(8, 0, 0);
    EXPECT_EQ(collapseCount, 1);
    EXPECT_EQ(theMesh.edges[0]->collapsed, 1);
    EXPECT_TRUE(theMesh.vertices[0]->edges.empty());
    expectAt(theMesh.vertices[2], 0.5, 0.5, 0);

    resetGlobals();
    buildMesh(kOcta, kOctaFaces);
    orientFaces(theMesh);
    thresholdPercent = 0;
    runPass(8, 0, 1);
    EXPECT_EQ(collapseCount, 1);
    EXPECT_EQ(theMesh.edges[11]->collapsed, 1);
    EXPECT_TRUE(theMesh.vertices[5]->edges.empty());
    expectAt(theMesh.vertices[3], 0, -0.5, -0.5);
    EXPECT_TRUE(allUntouched());
    EXPECT_EQ(checkInvariants(theMesh), "");
}

TEST_F(SimplificationPass, PrintsItsOwnTimeOnlyWhenTiming) {
    buildGrids(3, 3, 1);
    testing::internal::CaptureStdout();
    runPass(0, 0, 0);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    testing::internal::CaptureStdout();
    runPass(0, 1, 1);
    EXPECT_EQ(masked(testing::internal::GetCapturedStdout()), kTimeLine);
}

// ---------------------------------------------------------------------------
// Driver
class SimplificationDriver : public GlobalMeshTest {
protected:
    std::string run(std::uint32_t target, bool timing, int* result = nullptr) {
        testing::internal::CaptureStdout();
        const int r = runSimplification(target, timing);
        if (result != nullptr) *result = r;
        return masked(testing::internal::GetCapturedStdout());
    }
};

TEST_F(SimplificationDriver, NothingCollapsibleRunsTheWholeScheduleDownToZero) {
    // 3 x 3 grid: 9 vertices, 16 edges, 8 faces; its one interior vertex has
    // only boundary neighbours, so no edge is ever a candidate.
    buildGrids(3, 3, 1);
    int result = -1;
    EXPECT_EQ(run(4, false, &result), kTimeLine + countsText(9, 16, 8) + missedText(8));
    EXPECT_EQ(result, 0);
    EXPECT_EQ(thresholdPercent, 0.0f);
}

TEST_F(SimplificationDriver, WithTimingEachOfTheNineteenPassesPrintsItsTime) {
    // 100 90 80 70 60 50 40 30 20 18 16 14 12 10 8 6 4 2 0: one pass each.
    buildGrids(3, 3, 1);
    EXPECT_EQ(run(4, true), timeLines(19) + countsText(9, 16, 8) + missedText(8));
    EXPECT_EQ(thresholdPercent, 0.0f);
}

TEST_F(SimplificationDriver, GridRunsUntilNothingIsLeftToCollapse) {
    // Pass 0: two collapses, pass 1: one, then 17 empty passes; every pass
    // stalled, so the run ends after the pass at threshold 0.
    buildGrids(4, 4, 1);
    int result = -1;
    EXPECT_EQ(run(0, false, &result), kTimeLine + countsText(13, 24, 12) + missedText(12));
    EXPECT_EQ(result, 3);
    EXPECT_EQ(thresholdPercent, 0.0f);
    for (int id : {5, 6, 10}) EXPECT_TRUE(theMesh.vertices[id]->edges.empty()) << id;
    expectAt(theMesh.vertices[9], 1.5, 1.5, 0);
    for (int id : {0, 1, 2, 3, 4, 7, 8, 11, 12, 13, 14, 15})
        expectAt(theMesh.vertices[id], id % 4, id / 4, 0);
    EXPECT_TRUE(allUntouched());
    EXPECT_EQ(checkInvariants(theMesh), "");
}

TEST_F(SimplificationDriver, FirstPassReachingTheTargetExactlyEndsQuietly) {
    buildGrids(4, 4, 1);
    int result = -1;
    EXPECT_EQ(run(16, false, &result), kTimeLine + countsText(15, 30, 16));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(thresholdPercent, 100.0f);
}

TEST_F(SimplificationDriver, OddTargetIsPassedByOneAndReported) {
    // 18 faces, target 17: the first collapse leaves 16 and ends the pass.
    buildGrids(4, 4, 1);
    int result = -1;
    EXPECT_EQ(run(17, false, &result), kTimeLine + countsText(15, 30, 16) + missedText(16));
    EXPECT_EQ(result, 1);
    EXPECT_EQ(thresholdPercent, 100.0f);
    EXPECT_FALSE(theMesh.vertices[10]->edges.empty());
}

// Each 4 x 3 grid (12 vertices, 23 edges, 12 faces) has exactly one edge
// between interior vertices, e8 = (6,5); it collapses in pass 0 and nothing
// collapses afterwards.
TEST_F(SimplificationDriver, PassWithNineCollapsesStalls) {
    buildGrids(4, 3, 9);
    // Pass 0 at 100 adds 9 and lowers to 90; then 90 ... 0: 19 passes.
    EXPECT_EQ(run(0, true), timeLines(19) + countsText(99, 180, 90) + missedText(90));
    EXPECT_EQ(collapseCount, 9);
    EXPECT_EQ(thresholdPercent, 0.0f);
}

TEST_F(SimplificationDriver, PassWithTenCollapsesDoesNotStall) {
    buildGrids(4, 3, 10);
    // Pass 0 at 100 adds 10 and keeps 100; pass 1 at 100 stalls; 20 passes.
    EXPECT_EQ(run(0, true), timeLines(20) + countsText(110, 200, 100) + missedText(100));
    EXPECT_EQ(collapseCount, 10);
    EXPECT_EQ(thresholdPercent, 0.0f);
}

// ---------------------------------------------------------------------------
// Property test on generated closed meshes

struct Generated {
    std::vector<Point3> positions;
    std::vector<Corners> faces;
};

// Deterministic jitter.
class Jitter {
public:
    explicit Jitter(std::uint32_t seed) : state_(seed) {}
    double next(double amount) {
        state_ = state_ * 1664525u + 1013904223u;
        return amount * (static_cast<double>(state_ >> 8) / 8388608.0 - 1.0);
    }

private:
    std::uint32_t state_;
};

// Octahedron subdivided `levels` times (each triangle into four), pushed to
// the unit sphere with a small radial jitter.
Generated sphere(int levels, std::uint32_t seed) {
    Generated g;
    g.positions = kOcta;
    g.faces = kOctaFaces;
    for (int l = 0; l < levels; ++l) {
        std::map<std::pair<int, int>, int> middle;
        auto mid = [&](int a, int b) {
            const auto key = std::make_pair(std::min(a, b), std::max(a, b));
            auto it = middle.find(key);
            if (it != middle.end()) return it->second;
            const Point3& p = g.positions[a];
            const Point3& q = g.positions[b];
            g.positions.push_back({(p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2});
            const int id = static_cast<int>(g.positions.size()) - 1;
            middle[key] = id;
            return id;
        };
        std::vector<Corners> next;
        for (const Corners& f : g.faces) {
            const int ab = mid(f[0], f[1]);
            const int bc = mid(f[1], f[2]);
            const int ca = mid(f[2], f[0]);
            next.push_back({f[0], ab, ca});
            next.push_back({ab, f[1], bc});
            next.push_back({ca, bc, f[2]});
            next.push_back({ab, bc, ca});
        }
        g.faces = next;
    }
    Jitter jitter(seed);
    for (Point3& p : g.positions) {
        const double r = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) / (1 + jitter.next(0.03));
        p = {p.x / r, p.y / r, p.z / r};
    }
    return g;
}

// Torus of ring x tube quads, each split into two triangles, with jitter.
Generated torus(int ring, int tube, std::uint32_t seed) {
    Generated g;
    Jitter jitter(seed);
    for (int i = 0; i < ring; ++i)
        for (int j = 0; j < tube; ++j) {
            const double u = 2 * kPi * i / ring;
            const double v = 2 * kPi * j / tube;
            const double w = 2 + 0.7 * std::cos(v);
            g.positions.push_back({w * std::cos(u) + jitter.next(0.02), w * std::sin(u) + jitter.next(0.02),
                                   0.7 * std::sin(v) + jitter.next(0.02)});
        }
    auto at = [&](int i, int j) { return (i % ring) * tube + (j % tube); };
    for (int i = 0; i < ring; ++i)
        for (int j = 0; j < tube; ++j) {
            g.faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            g.faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    return g;
}

struct RunCase {
    const char* name;
    bool isSphere;
    int a;  // subdivision levels, or ring count
    int b;  // tube count
    std::uint32_t seed;
    std::uint32_t target;
    float startThreshold;
};

class SimplificationProperty : public GlobalMeshTest, public ::testing::WithParamInterface<RunCase> {};

int runAlong(const Face* f, const Edge* e) {
    const Corners c = cornersOf(f);
    for (int k = 0; k < 3; ++k) {
        if (c[k] == e->end1->getId() && c[(k + 1) % 3] == e->end2->getId()) return 1;
        if (c[k] == e->end2->getId() && c[(k + 1) % 3] == e->end1->getId()) return -1;
    }
    return 0;
}

void expectConsistentWinding() {
    for (const Edge* e : theMesh.edges) {
        if (e->collapsed || e->faces.size() != 2) continue;
        const int a = runAlong(e->faces[0], e);
        const int b = runAlong(e->faces[1], e);
        EXPECT_TRUE(a != 0 && a == -b) << "edge " << e->getId();
    }
}

TEST_P(SimplificationProperty, RunKeepsTheMeshWellFormed) {
    const RunCase& rc = GetParam();
    Generated g = rc.isSphere ? sphere(rc.a, rc.seed) : torus(rc.a, rc.b, rc.seed);
    // Wind about a third of the faces the other way in the file.
    Jitter pick(rc.seed * 7 + 1);
    for (Corners& f : g.faces)
        if (pick.next(1.0) < -0.33) std::swap(f[1], f[2]);
    buildMesh(g.positions, g.faces);
    const int vertices0 = static_cast<int>(theMesh.vertices.size());
    const int edges0 = static_cast<int>(theMesh.edges.size());
    const int faces0 = static_cast<int>(theMesh.faces.size());
    ASSERT_EQ(vertices0 - edges0 + faces0, rc.isSphere ? 2 : 0);

    orientFaces(theMesh);
    expectConsistentWinding();
    for (const Face* f : theMesh.faces) {
        ASSERT_NE(f->getNormal(), nullptr);
        const Point3& n = *f->getNormal();
        EXPECT_NEAR(n.x * n.x + n.y * n.y + n.z * n.z, 1.0, 1e-6);
    }

    thresholdPercent = rc.startThreshold;
    testing::internal::CaptureStdout();
    const int result = runSimplification(rc.target, false);
    testing::internal::GetCapturedStdout();

    const int cc = collapseCount;
    EXPECT_EQ(result, cc);
    EXPECT_GT(cc, 0);
    const long long live = liveFaceCount(theMesh);
    EXPECT_TRUE(live <= rc.target || thresholdPercent == 0.0f) << live;
    EXPECT_EQ(checkInvariants(theMesh), "");
    EXPECT_TRUE(allUntouched());

    int liveV = 0;
    for (const Vertex* v : theMesh.vertices) liveV += v->edges.empty() ? 0 : 1;
    int liveE = 0;
    std::set<std::pair<const Vertex*, const Vertex*>> pairs;
    for (const Edge* e : theMesh.edges) {
        if (e->collapsed) continue;
        ++liveE;
        EXPECT_EQ(e->faces.size(), 2u) << "edge " << e->getId();
        pairs.insert(std::minmax(e->end1, e->end2));
    }
    int liveF = 0;
    for (const Face* f : theMesh.faces) {
        if (f->edges.empty()) continue;
        ++liveF;
        EXPECT_EQ(f->edges.size(), 3u);
        const Corners c = cornersOf(f);
        EXPECT_TRUE(c[0] >= 0 && c[0] != c[1] && c[1] != c[2] && c[2] != c[0]) << "face " << f->getId();
        for (int id : c)
            if (id >= 0) {
                EXPECT_FALSE(theMesh.vertices[id]->edges.empty());
            }
    }
    EXPECT_EQ(liveV, vertices0 - cc);
    EXPECT_EQ(liveE, edges0 - 3 * cc);
    EXPECT_EQ(liveF, faces0 - 2 * cc);
    EXPECT_EQ(live, liveF);
    expectConsistentWinding();

    const std::string path = testing::TempDir() + "zeq_property_" + rc.name + ".smf";
    ASSERT_EQ(writeSmf(theMesh, path.c_str()), 0);
    Mesh reread;
    testing::internal::CaptureStdout();
    const ReadStatus status = readSmf(reread, path.c_str());
    testing::internal::GetCapturedStdout();
    std::remove(path.c_str());
    ASSERT_EQ(status, ReadStatus::Loaded);
    EXPECT_EQ(static_cast<int>(reread.vertices.size()), liveV);
    EXPECT_EQ(static_cast<int>(reread.faces.size()), liveF);
    // The load shares one edge per pair of corners.
    EXPECT_EQ(reread.edges.size(), pairs.size());
}

INSTANTIATE_TEST_SUITE_P(
    GeneratedMeshes, SimplificationProperty,
    ::testing::Values(RunCase{"sphere2_half", true, 2, 0, 11u, 64, 60.0f},
                      RunCase{"sphere2_zero", true, 2, 0, 12u, 0, 10.0f},
                      RunCase{"sphere3_odd", true, 3, 0, 13u, 101, 20.0f},
                      RunCase{"sphere3_tenth", true, 3, 0, 14u, 51, 10.0f},
                      RunCase{"torus12x8_half", false, 12, 8, 21u, 96, 60.0f},
                      RunCase{"torus16x6_nine", false, 16, 6, 22u, 9, 10.0f},
                      RunCase{"torus12x8_zero", false, 12, 8, 23u, 0, 10.0f}),
    [](const ::testing::TestParamInfo<RunCase>& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace zeq::test
