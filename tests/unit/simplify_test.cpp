// Candidate evaluation, the simplification pass and the driver, and a
// property test of whole runs on generated closed meshes.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <tuple>

#include "app/run_program.h"
#include "io/smf_reader.h"
#include "io/smf_writer.h"
#include "orient/orient_faces.h"
#include "simplify/collapse_bounds.h"
#include "simplify/simplification_state.h"
#include "simplify/collapse_edge.h"
#include "simplify/evaluate_collapse.h"
#include "simplify/run_pass.h"
#include "simplify/run_simplification.h"
#include "simplify/simplification_state.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

constexpr double kPi = 3.14159265358979323846;
const double kNaN = std::numeric_limits<double>::quiet_NaN();

bool samePosition(const Point3& a, const Point3& b) { return std::memcmp(&a, &b, sizeof(Point3)) == 0; }

void expectAt(int vertex, double x, double y, double z) {
    EXPECT_TRUE(samePoint(*theMesh().vertices[vertex]->getPosition(), {x, y, z})) << "vertex " << vertex;
}

bool retired(int vertex) { return theMesh().vertices[vertex]->edges.empty(); }

bool allUntouched() {
    const auto& v = theMesh().vertices;
    return std::all_of(v.begin(), v.end(), [](const VertexId x) { return !sweepMarks().touched(x); });
}

const std::string kTimeLine = "\nSimplification time = X seconds  \n";

std::string masked(const std::string& out) {
    static const std::regex seconds("Simplification time = [-0-9.]+ seconds");
    return std::regex_replace(out, seconds, "Simplification time = X seconds");
}

std::string timeLines(int n) { return n == 0 ? "" : kTimeLine + timeLines(n - 1); }

// The closing lines for the live counts, with the missed-target line when the
// face count is not the target.
std::string countsText(int vertices, int edges, int faces, int target) {
    std::string s = "\n\nSimplified Mesh: \n " + std::to_string(vertices) + " <Vertices>\n " + std::to_string(edges) +
                    " <Edges>\n " + std::to_string(faces) + " <Faces>\n";
    if (faces != target) s += "\nThe ZEQ generate a simplified mesh with " + std::to_string(faces) + " Faces!\n";
    return s;
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
        resetRunState();
        buildMesh({v1Position, {1, 0, 0}, {0, -1, 0}, {0, 1, 0}, {1.5, 2, 0.3}, {1.5, -2, -0.3}},
                  {{0, 1, 4}, {1, 0, 5}, {1, 2, 3}});
        orientFaces(theMesh());
    }
    void buildTilted(double degrees) {
        const double t = degrees * kPi / 180.0;
        build({2 * std::cos(t) - 1, 0, 2 * std::sin(t)});
    }
    // e0's faces are F1 = f0 and F2 = f1; G is f2.
    int evaluateAt(float threshold) {
        currentRun().thresholdPercent = threshold;
        const CollapseVerdict verdict =
            evaluateCollapse(theMesh().faces[0], theMesh().faces[1], theMesh().vertices[0], theMesh().vertices[1]);
        EXPECT_NE(verdict, CollapseVerdict::TooFar);  // no distances kept here
        return verdict == CollapseVerdict::Accept ? 0 : 1;
    }
};

// The cosine limit is 1 - 1/threshold: 100 gives 0.99 (cos 8 deg = 0.99027,
// cos 9 deg = 0.98769), 80 gives 0.9875 (9.07 deg), 2 gives 0.5 (60 deg), and
// at 0 any tilt of a proper face is accepted. F1 and F2, degenerate at the
// midpoint, are never examined, and both positions are restored bit for bit.
TEST_F(CandidateEvaluation, TiltAgainstTheThreshold) {
    const std::vector<std::tuple<double, float, int>> rows = {  // degrees, threshold, reject
        {8, 100, 0}, {9, 100, 1}, {9, 80, 0}, {9.2, 80, 1}, {59, 2, 0}, {61, 2, 1}, {150, 2, 1}, {150, 0, 0}};
    for (const auto& [degrees, threshold, reject] : rows) {
        buildTilted(degrees);
        const Point3 p0 = theMesh().vertices[0]->positionCopy(), p1 = theMesh().vertices[1]->positionCopy();
        EXPECT_EQ(evaluateAt(threshold), reject) << degrees << " deg at " << threshold;
        EXPECT_TRUE(samePosition(*theMesh().vertices[0]->getPosition(), p0));
        EXPECT_TRUE(samePosition(*theMesh().vertices[1]->getPosition(), p1));
    }
}

// At threshold 0 only a degenerate face rejects: one made collinear by the
// move, one with a NaN or zero stored normal. A stored normal against the
// cycle rejects at every other threshold.
TEST_F(CandidateEvaluation, ThresholdZeroRejectsOnlyDegenerateFaces) {
    // Midpoint (0, 0.25, 0) lies on AB: G's recomputed normal is (0,0,0).
    build({-1, 0.5, 0});
    EXPECT_EQ(evaluateAt(0), 1);
    buildTilted(3);
    ASSERT_EQ(evaluateAt(100), 0);
    FaceNormal* n = theMesh().faces[2]->getNormal();
    *n = FaceNormal{-n->x, -n->y, -n->z, n->length};
    for (float threshold : {100.0f, 20.0f, 2.0f}) EXPECT_EQ(evaluateAt(threshold), 1) << threshold;
    EXPECT_EQ(evaluateAt(0), 0);
    *n = FaceNormal{kNaN, kNaN, kNaN, 1.0f};
    EXPECT_EQ(evaluateAt(0), 1);
    *n = FaceNormal{0, 0, 0, 1.0f};
    EXPECT_EQ(evaluateAt(0), 1);
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
    orientFaces(theMesh());
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
using SimplificationPass = GlobalMeshTest;

TEST_F(SimplificationPass, ForwardPassCollapsesOnlyEdgesBetweenInteriorVertices) {
    buildGrids(4, 4, 1);
    runPass(0, 0, 0);
    EXPECT_EQ(currentRun().collapseCount, 2);
    Ids gone;
    for (const EdgeId e : theMesh().edges)
        if (e->collapsed()) gone.push_back(e->getId());
    EXPECT_EQ(gone, (Ids{7, 8, 17, 18, 19, 27}));
    EXPECT_TRUE(retired(6) && retired(10));
    expectAt(5, 1.5, 1, 0);
    expectAt(9, 1.5, 2, 0);
    // e13 was passed over while 5 was frozen.
    EXPECT_TRUE(theMesh().edges[13]->end1 == theMesh().vertices[5] && theMesh().edges[13]->end2 == theMesh().vertices[9]);
    EXPECT_TRUE(allUntouched());
    EXPECT_EQ(checkInvariants(theMesh()), "");
}

TEST_F(SimplificationPass, EvenPassesSweepForwardAndOddPassesBackward) {
    // Target 16 ends each pass after its first collapse: forward that is e8
    // (6 into 5), backward the last edge with two interior ends, e19 (10 into 9).
    // After e8 alone, e13 = (5,9) would be accepted (midpoint (1.25,1.5) turns
    // no face over): only the freeze of the kept vertex 5 keeps a full pass
    // from collapsing it.
    for (int passIndex : {0, 1, 2, 3}) {
        SCOPED_TRACE(passIndex);
        resetRunState();
        buildGrids(4, 4, 1);
        runPass(16, 0, passIndex);
        EXPECT_EQ(currentRun().collapseCount, 1);
        const bool forward = passIndex % 2 == 0;
        EXPECT_EQ(theMesh().edges[forward ? 8 : 19]->collapsed(), true);
        EXPECT_TRUE(retired(forward ? 6 : 10));
        EXPECT_FALSE(retired(forward ? 10 : 6));
        expectAt(forward ? 5 : 9, 1.5, forward ? 1 : 2, 0);
        EXPECT_TRUE(allUntouched());
        if (!forward) continue;
        const EdgeId e13 = theMesh().edges[13];
        ASSERT_EQ(e13->faces.size(), 2u);
        currentRun().thresholdPercent = 100;
        EXPECT_EQ(evaluateCollapse(e13->faces[0], e13->faces[1], e13->end1, e13->end2), CollapseVerdict::Accept);
    }
}

// ---------------------------------------------------------------------------
// Driver
class SimplificationDriver : public GlobalMeshTest {
protected:
    // The output of a run, with the times masked.
    std::string run(std::uint32_t target, bool timing) {
        return masked(printedBy([&] { result = runSimplification(target, timing); }));
    }
    int result = -1;
};

TEST_F(SimplificationDriver, NothingCollapsibleRunsTheWholeScheduleDownToZero) {
    // 3 x 3 grid: 9 vertices, 16 edges, 8 faces; its one interior vertex has
    // only boundary neighbours, so no edge is ever a candidate. With timing
    // each pass prints its time: 100 90 80 70 60 50 40 30 20 18 16 14 12 10 8
    // 6 4 2 0, one pass each; without, the run prints one total.
    for (bool timing : {false, true}) {
        resetRunState();
        buildGrids(3, 3, 1);
        EXPECT_EQ(run(4, timing), timeLines(timing ? 19 : 1) + countsText(9, 16, 8, 4));
        EXPECT_EQ(result, 0);
        EXPECT_EQ(currentRun().thresholdPercent, 0.0f);
    }
}

TEST_F(SimplificationDriver, GridRunsUntilNothingIsLeftToCollapse) {
    // Pass 0: two collapses, pass 1: one, then 17 empty passes; every pass
    // stalled, so the run ends after the pass at threshold 0.
    buildGrids(4, 4, 1);
    EXPECT_EQ(run(0, false), kTimeLine + countsText(13, 24, 12, 0));
    EXPECT_EQ(result, 3);
    EXPECT_EQ(currentRun().thresholdPercent, 0.0f);
    EXPECT_EQ(liveCounts(), (std::array<int, 3>{13, 24, 12}));
    for (int id : {5, 6, 10}) EXPECT_TRUE(retired(id)) << id;
    expectAt(9, 1.5, 1.5, 0);
    // Boundary vertices neither move nor go.
    for (int id : {0, 1, 2, 3, 4, 7, 8, 11, 12, 13, 14, 15}) expectAt(id, id % 4, id / 4, 0);
    EXPECT_TRUE(allUntouched());
    EXPECT_EQ(checkInvariants(theMesh()), "");
}

TEST_F(SimplificationDriver, TargetReachedOrPassedInTheFirstPass) {
    // 18 faces: target 16 is met exactly and ends quietly; target 17 is passed
    // by one (the first collapse leaves 16 and ends the pass) and reported.
    for (int target : {16, 17}) {
        resetRunState();
        buildGrids(4, 4, 1);
        EXPECT_EQ(run(target, false), kTimeLine + countsText(15, 30, 16, target));
        EXPECT_EQ(result, 1);
        EXPECT_EQ(currentRun().thresholdPercent, 100.0f);
        EXPECT_FALSE(retired(10));
    }
}

// Each 4 x 3 grid (12 vertices, 23 edges, 12 faces) has exactly one edge
// between interior vertices, e8 = (6,5); it collapses in pass 0 and nothing
// collapses afterwards. Nine copies: pass 0 at 100 adds 9, stalls and lowers
// to 90; then 90 ... 0: 19 passes. Ten copies: pass 0 at 100 adds 10 and
// keeps 100; pass 1 at 100 stalls; 20 passes.
TEST_F(SimplificationDriver, PassWithNineCollapsesStallsAndWithTenDoesNot) {
    for (int copies : {9, 10}) {
        resetRunState();
        buildGrids(4, 3, copies);
        EXPECT_EQ(run(0, true),
                  timeLines(copies == 9 ? 19 : 20) + countsText(11 * copies, 20 * copies, 10 * copies, 0));
        EXPECT_EQ(currentRun().collapseCount, copies);
        EXPECT_EQ(currentRun().thresholdPercent, 0.0f);
    }
}

// ---------------------------------------------------------------------------
// Property test on generated closed meshes

struct Generated {
    std::vector<Point3> positions;
    std::vector<Corners> faces;
};

// Deterministic jitter in [-amount, amount).
double jitter(std::uint32_t& state, double amount) {
    state = state * 1664525u + 1013904223u;
    return amount * (static_cast<double>(state >> 8) / 8388608.0 - 1.0);
}

// Octahedron subdivided `levels` times (each triangle into four), pushed to
// the unit sphere with a small radial jitter.
Generated sphere(int levels, std::uint32_t seed) {
    Generated g{kOcta, kOctaFaces};
    for (int l = 0; l < levels; ++l) {
        std::map<std::pair<int, int>, int> middle;
        auto mid = [&](int a, int b) {
            auto [it, fresh] = middle.try_emplace(std::minmax(a, b), static_cast<int>(g.positions.size()));
            if (fresh) {
                const Point3& p = g.positions[a];
                const Point3& q = g.positions[b];
                g.positions.push_back({(p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2});
            }
            return it->second;
        };
        std::vector<Corners> next;
        for (const Corners& f : g.faces) {
            const int ab = mid(f[0], f[1]), bc = mid(f[1], f[2]), ca = mid(f[2], f[0]);
            next.insert(next.end(), {{f[0], ab, ca}, {ab, f[1], bc}, {ca, bc, f[2]}, {ab, bc, ca}});
        }
        g.faces = next;
    }
    for (Point3& p : g.positions) {
        const double r = std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z) / (1 + jitter(seed, 0.03));
        p = {p.x / r, p.y / r, p.z / r};
    }
    return g;
}

// Torus of ring x tube quads, each split into two triangles, with jitter.
Generated torus(int ring, int tube, std::uint32_t seed) {
    Generated g;
    for (int i = 0; i < ring; ++i)
        for (int j = 0; j < tube; ++j) {
            const double u = 2 * kPi * i / ring, v = 2 * kPi * j / tube, w = 2 + 0.7 * std::cos(v);
            g.positions.push_back({w * std::cos(u) + jitter(seed, 0.02), w * std::sin(u) + jitter(seed, 0.02),
                                   0.7 * std::sin(v) + jitter(seed, 0.02)});
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
    int a, b;  // subdivision levels; or ring and tube counts
    std::uint32_t seed, target;
    float startThreshold;
};

class SimplificationProperty : public GlobalMeshTest, public ::testing::WithParamInterface<RunCase> {};

TEST_P(SimplificationProperty, RunKeepsTheMeshWellFormed) {
    const RunCase& rc = GetParam();
    Generated g = rc.isSphere ? sphere(rc.a, rc.seed) : torus(rc.a, rc.b, rc.seed);
    std::uint32_t state = rc.seed * 7 + 1;  // about a third of the faces wound the other way
    for (Corners& f : g.faces)
        if (jitter(state, 1.0) < -0.33) std::swap(f[1], f[2]);
    buildMesh(g.positions, g.faces);
    const std::array<int, 3> start = liveCounts();
    ASSERT_EQ(start[0] - start[1] + start[2], rc.isSphere ? 2 : 0);
    orientFaces(theMesh());
    EXPECT_EQ(windingClash(theMesh()), "");

    currentRun().thresholdPercent = rc.startThreshold;
    int result = -1;
    printedBy([&] { result = runSimplification(rc.target, false); });
    const int cc = currentRun().collapseCount;
    EXPECT_TRUE(result == cc && cc > 0) << result;
    EXPECT_TRUE(liveFaceCount(theMesh()) <= rc.target || currentRun().thresholdPercent == 0.0f) << liveFaceCount(theMesh());
    EXPECT_EQ(liveFaceCount(theMesh()), start[2] - 2 * cc);
    EXPECT_EQ(liveCounts(), (std::array<int, 3>{start[0] - cc, start[1] - 3 * cc, start[2] - 2 * cc}));
    EXPECT_EQ(checkInvariants(theMesh()), "");
    EXPECT_EQ(windingClash(theMesh()), "");
    EXPECT_TRUE(allUntouched());
    std::set<std::pair<VertexId, VertexId>> pairs;
    for (const EdgeId e : theMesh().edges) {
        if (e->collapsed()) continue;
        EXPECT_EQ(e->faces.size(), 2u) << "edge " << e->getId();
        pairs.insert(std::minmax(e->end1, e->end2));
    }
    for (const FaceId f : theMesh().faces) {
        const Corners c = cornersOf(f);
        const bool triangle = f->edges.size() == 3 && c[0] >= 0 && c[0] != c[1] && c[1] != c[2] && c[2] != c[0];
        EXPECT_TRUE(f->edges.empty() || triangle) << "face " << f->getId();
    }
    // Written and read back: the live records, and one edge per pair of corners.
    // The counts to expect are all taken above, so the simplified mesh can go
    // and the file is read back into the emptied global mesh.
    const std::size_t cornerPairs = pairs.size();
    const std::string path = testing::TempDir() + "zeq_property_" + rc.name + "_" +
                             std::to_string(std::random_device{}()) + ".smf";
    ASSERT_EQ(writeSmf(theMesh(), path.c_str()), 0);
    resetRunState();
    ReadStatus status = ReadStatus::FileNotFound;
    printedBy([&] { status = readSmf(theMesh(), path.c_str()); });
    std::remove(path.c_str());
    ASSERT_EQ(status, ReadStatus::Loaded);
    EXPECT_EQ(static_cast<int>(theMesh().vertices.size()), start[0] - cc);
    EXPECT_EQ(static_cast<int>(theMesh().faces.size()), start[2] - 2 * cc);
    EXPECT_EQ(theMesh().edges.size(), cornerPairs);
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

// ---------------------------------------------------------------------------
// Kept boundary states

// A wavy grid of n x n quads with its border open; with `pinched`, some
// triangles are listed twice and some are stacked on an interior edge, so
// that edges with one face or three appear and vanish as collapses go on.
Generated wavyGrid(int n, bool pinched, std::uint32_t seed) {
    Generated g;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= n; ++j)
            g.positions.push_back({i + jitter(seed, 0.2), j + jitter(seed, 0.2), 0.3 * std::sin(i + 2.0 * j)});
    auto at = [n](int i, int j) { return i * (n + 1) + j; };
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            g.faces.push_back({at(i, j), at(i + 1, j), at(i + 1, j + 1)});
            g.faces.push_back({at(i, j), at(i + 1, j + 1), at(i, j + 1)});
        }
    if (pinched) {
        const std::size_t quads = g.faces.size();
        for (std::size_t f = 7; f < quads; f += 11) g.faces.push_back(g.faces[f]);
        for (std::size_t f = 12; f < quads; f += 17) {
            const Corners c = g.faces[f];
            g.positions.push_back({g.positions[c[0]].x, g.positions[c[0]].y, 1.0});
            g.faces.push_back({c[0], c[1], static_cast<int>(g.positions.size()) - 1});
        }
    }
    return g;
}

// Runs whole sweeps edge by edge with every boundary state known at the start,
// and after every collapse compares each vertex's kept state (where known)
// with a fresh scan of its edges. Returns the number of collapses; adds to
// `changes` every time some vertex's scan differs from its previous one.
int sweepComparingBoundaryStates(int passes, int& changes) {
    std::vector<bool> last;
    for (const VertexId v : theMesh().vertices) last.push_back(scanTouchesBoundary(v));
    for (int pass = 0; pass < passes; ++pass) {
        for (const VertexId v : theMesh().vertices) touchesBoundary(v);
        const std::size_t count = theMesh().edges.size();
        for (std::size_t k = 0; k < count; ++k) {
            const EdgeId e = theMesh().edges[pass % 2 == 0 ? k : count - 1 - k];
            if (!tryCollapse(e)) continue;
            for (std::size_t i = 0; i < theMesh().vertices.size(); ++i) {
                const VertexId v = theMesh().vertices[i];
                const bool scanned = scanTouchesBoundary(v);
                const SweepMarks::Boundary known = sweepMarks().boundary(v);
                if (known != SweepMarks::Boundary::Unknown) {
                    EXPECT_EQ(known == SweepMarks::Boundary::Yes, scanned)
                        << "vertex " << i << " after collapse " << currentRun().collapseCount;
                }
                if (scanned != last[i]) ++changes;
                last[i] = scanned;
            }
        }
        sweepMarks().clearTouched();
    }
    return currentRun().collapseCount;
}

TEST_F(SimplificationPass, KeptBoundaryStateAgreesWithAScanAfterEveryCollapse) {
    for (const int kind : {0, 1, 2, 3}) {
        for (const std::uint32_t seed : {1u, 2u, 3u}) {
            SCOPED_TRACE("mesh kind " + std::to_string(kind) + ", seed " + std::to_string(seed));
            resetRunState();
            const Generated g = kind == 0   ? wavyGrid(9, false, seed)
                                : kind == 1 ? wavyGrid(9, true, seed)
                                : kind == 2 ? sphere(2, seed)
                                            : torus(12, 8, seed);
            buildMesh(g.positions, g.faces);
            printedBy([] { orientFaces(theMesh()); });
            // Threshold 0 accepts every collapse that flattens no face.
            currentRun().thresholdPercent = 0;
            int changes = 0;
            EXPECT_GT(sweepComparingBoundaryStates(20, changes), 20);
            // Around a two-manifold collapse no vertex gains or loses a boundary.
            if (kind != 1) {
                EXPECT_EQ(changes, 0);
            }
        }
    }
}

// The distance bound remembers its refusals: an edge it refused is not
// measured again while nothing around its ends changes. After whole runs,
// every edge still held refused must be refused by the test itself.
TEST_F(SimplificationPass, RememberedDistanceRefusalsAreRefusalsStill) {
    for (const int kind : {2, 3}) {
        for (const std::uint32_t seed : {1u, 2u}) {
            SCOPED_TRACE("mesh kind " + std::to_string(kind) + ", seed " + std::to_string(seed));
            resetRunState();
            collapseBounds() = CollapseBounds{};
            const Generated g = kind == 2 ? sphere(3, seed) : torus(24, 16, seed);
            buildMesh(g.positions, g.faces);
            printedBy([] { orientFaces(theMesh()); });
            startTrackingDistances(theMesh());
            collapseBounds().maxDistance = 0.02 * boxDiagonal(theMesh());
            currentRun().thresholdPercent = 10;
            printedBy([] { runSimplification(0, false); });
            int held = 0;
            for (EdgeId e : theMesh().edges) {
                if (e->collapsed() || e->faces.size() != 2 || !stillRefused(e, e->end1, e->end2)) continue;
                ++held;
                EXPECT_EQ(evaluateCollapse(e->faces[0], e->faces[1], e->end1, e->end2), CollapseVerdict::TooFar)
                    << "edge " << e->getId();
            }
            EXPECT_GT(held, 0);
            collapseBounds() = CollapseBounds{};
        }
    }
}

// A collapse made without the pass's filters, of an interior edge whose
// removed end carries a fin (two edges with one face each): the kept end takes
// the fin's edges over and now touches a boundary, and its kept state says so.
TEST_F(SimplificationPass, CollapseMarksTheBoundaryStatesItChanges) {
    // 5 x 5 vertices (vertex 5i + j); e = (6, 7) between two interior
    // vertices, created by the face (1, 6, 7); the fin is (6, 25, 26).
    Generated g = wavyGrid(4, false, 5);
    g.positions.push_back({1.0, 1.0, 2.0});
    g.positions.push_back({1.5, 1.0, 2.0});
    g.faces.push_back({6, 25, 26});
    buildMesh(g.positions, g.faces);
    printedBy([] { orientFaces(theMesh()); });
    const VertexId v6 = theMesh().vertices[6];
    const VertexId v7 = theMesh().vertices[7];
    EdgeId e{};
    for (const EdgeId g2 : theMesh().edges)
        if (g2->end1 == v6 && g2->end2 == v7) e = g2;
    ASSERT_NE(e, nullptr);
    ASSERT_EQ(e->faces.size(), 2u);
    for (const VertexId v : theMesh().vertices) touchesBoundary(v);
    EXPECT_TRUE(touchesBoundary(v6));
    EXPECT_FALSE(touchesBoundary(v7));
    CollapseWings wings;
    ASSERT_TRUE(findCollapseWings(e, v6, v7, e->faces[0], e->faces[1], wings));
    collapseEdge(e, v6, v7, e->faces[0], e->faces[1], wings);
    EXPECT_TRUE(touchesBoundary(v7));
    EXPECT_FALSE(touchesBoundary(v6));  // retired: no edges left
    for (std::size_t i = 0; i < theMesh().vertices.size(); ++i)
        EXPECT_EQ(touchesBoundary(theMesh().vertices[i]), scanTouchesBoundary(theMesh().vertices[i])) << "vertex " << i;
}

// ---------------------------------------------------------------------------
// A vertex of high degree

// A closed cylinder of 8 segments with fan caps, as zeq_gen_mesh writes it.
const char* const kCylinder8 = R"(# generated by zeq_gen_mesh cylinder 8
v 0 0 -1
v 1 0 -1
v 0.707106781 0.707106781 -1
v 0 1 -1
v -0.707106781 0.707106781 -1
v -1 0 -1
v -0.707106781 -0.707106781 -1
v 0 -1 -1
v 0.707106781 -0.707106781 -1
v 1 0 1
v 0.707106781 0.707106781 1
v 0 1 1
v -0.707106781 0.707106781 1
v -1 0 1
v -0.707106781 -0.707106781 1
v 0 -1 1
v 0.707106781 -0.707106781 1
v 0 0 1
f 2 3 11
f 2 11 10
f 3 4 12
f 3 12 11
f 4 5 13
f 4 13 12
f 5 6 14
f 5 14 13
f 6 7 15
f 6 15 14
f 7 8 16
f 7 16 15
f 8 9 17
f 8 17 16
f 9 2 10
f 9 10 17
f 18 10 11
f 18 11 12
f 18 12 13
f 18 13 14
f 18 14 15
f 18 15 16
f 18 16 17
f 18 17 10
f 1 3 2
f 1 4 3
f 1 5 4
f 1 6 5
f 1 7 6
f 1 8 7
f 1 9 8
f 1 2 9
)";

class HubMesh : public FileTest {
protected:
    // Runs zeq -N target on the cylinder and returns the output file.
    std::string simplified(const char* target) {
        resetRunState();
        const std::string in = write("cylinder8.smf", kCylinder8);
        const std::string out = path("out.smf");
        const char* argv[] = {"zeq", "-N", target, in.c_str(), out.c_str()};
        int status = -1;
        printedBy([&] { status = runProgram(5, argv); });
        EXPECT_EQ(status, 0);
        return contentOf(out);
    }
};

// The results below are those of zeq before the passes learnt to keep
// boundary states, to walk the smaller face star first and to remove long
// edge lists lazily; none of those may change a result.
TEST_F(HubMesh, FanCappedCylinderSimplifiesAsBefore) {
    EXPECT_EQ(simplified("20"), R"(#SMF
v 0 0 -1
v 0.853553 0.353553 -1
v -0.353553 0.853553 -1
v -0.853553 -0.353553 -1
v 0 -1 -1
v 0.707107 -0.707107 -1
v 0.853553 0.353553 1
v -0.353553 0.853553 1
v -0.853553 -0.353553 1
v 0 -1 1
v 0.707107 -0.707107 1
v 0 0 1
f 8 2 3 
f 2 8 7 
f 3 4 9 
f 3 9 8 
f 4 5 10 
f 4 10 9 
f 5 6 11 
f 5 11 10 
f 2 7 6 
f 6 7 11 
f 7 8 12 
f 8 9 12 
f 9 10 12 
f 11 12 10 
f 7 12 11 
f 3 2 1 
f 4 3 1 
f 1 5 4 
f 1 6 5 
f 2 6 1 
)");
    EXPECT_EQ(simplified("8"), R"(#SMF
v 0.25 0.603553 -1
v -0.853553 -0.353553 -1
v 0.176777 -0.426777 -1
v 0.25 0.603553 1
v -0.853553 -0.353553 1
v 0.176777 -0.426777 1
f 1 2 5 
f 1 5 4 
f 2 3 6 
f 5 2 6 
f 1 4 3 
f 6 3 4 
f 4 5 6 
f 2 1 3 
)");
}

}  // namespace
}  // namespace zeq::test
