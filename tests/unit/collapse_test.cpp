// Edge collapse: wing merges, re-hanging, retirement in place, and the guard
// that passes over neighbourhoods a collapse cannot handle.
#include <limits>

#include "simplify/collapse_edge.h"
#include "simplify/evaluate_collapse.h"
#include "simplify/simplification_state.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

using EdgeCollapse = GlobalMeshTest;

void expectRetired(std::initializer_list<int> edges) {
    for (int id : edges) {
        const EdgeId e = theMesh().edges[id];
        EXPECT_TRUE(e->collapsed() && e->end1 == nullptr && e->end2 == nullptr && e->faces.empty()) << id;
    }
}

// Runs the guard on edge e with its ends and faces in list order.
bool guardAccepts(int edge, CollapseWings& wings) {
    const EdgeId e = theMesh().edges[edge];
    EXPECT_EQ(e->faces.size(), 2u) << "edge " << edge;
    return e->faces.size() == 2 && findCollapseWings(e, e->end1, e->end2, e->faces[0], e->faces[1], wings);
}

// The octahedron with slightly irregular positions, faces as kOctaFaces:
//   f0 (0,2,4)  f1 (2,1,4)  f2 (1,3,4)  f3 (3,0,4)
//   f4 (2,0,5)  f5 (1,2,5)  f6 (3,1,5)  f7 (0,3,5)
// Load, edge (end1,end2): e0 (0,2) e1 (2,4) e2 (4,0) e3 (2,1) e4 (1,4)
// e5 (1,3) e6 (3,4) e7 (3,0) e8 (0,5) e9 (5,2) e10 (5,1) e11 (5,3).
// Faces: f0 [e0 e1 e2] f1 [e3 e4 e1] f2 [e5 e6 e4] f3 [e7 e2 e6]
//        f4 [e0 e8 e9] f5 [e3 e9 e10] f6 [e5 e10 e11] f7 [e7 e11 e8].
// Vertex edges: 0 [e0 e2 e7 e8] 1 [e3 e4 e5 e10] 2 [e0 e1 e3 e9]
//   3 [e5 e6 e7 e11] 4 [e1 e2 e4 e6] 5 [e8 e9 e10 e11].
const std::vector<Point3> kBumpyOcta = {{1.1, 0.05, -0.02}, {-0.97, 0.01, 0.03}, {0.03, 0.9, 0.01},
                                        {-0.02, -1.05, 0.0}, {0.01, -0.03, 1.2}, {0.0, 0.02, -0.95}};

// Collapsing e0 = (0,2): V1 = 0 removed, V2 = 2 kept, F1 = f0, F2 = f4.
// D1 = f0's other edge at 0 = e2, T1 = 4, K1 = e1, X1 = f3 (across e2).
// D2 = f4's other edge at 0 = e8, T2 = 5, K2 = e9, X2 = f7 (across e8).
void collapseOctahedronEdge0() {
    CollapseWings wings;
    EXPECT_TRUE(guardAccepts(0, wings));
    collapseEdge(theMesh().edges[0], theMesh().vertices[0], theMesh().vertices[2], theMesh().faces[0], theMesh().faces[4], wings);
}

TEST_F(EdgeCollapse, OneCollapseOnAClosedMeshRetiresOneVertexThreeEdgesTwoFaces) {
    buildMesh(kBumpyOcta, kOctaFaces);
    CollapseWings wings;
    ASSERT_TRUE(guardAccepts(0, wings));
    EXPECT_EQ((std::vector<EdgeId>{wings.d1, wings.d2}), (std::vector<EdgeId>{theMesh().edges[2], theMesh().edges[8]}));
    EXPECT_EQ((std::vector<FaceId>{wings.x1, wings.x2}), (std::vector<FaceId>{theMesh().faces[3], theMesh().faces[7]}));
    EXPECT_EQ(edgesOf(3), (Ids{7, 2, 6}));  // asking changes nothing
    const Point3 p0 = kBumpyOcta[0], p2 = kBumpyOcta[2];
    collapseOctahedronEdge0();

    EXPECT_EQ(currentRun().collapseCount, 1);
    EXPECT_EQ(theMesh().edges.size(), 12u);
    EXPECT_EQ(liveCounts(), (std::array<int, 3>{5, 9, 6}));
    EXPECT_EQ(checkInvariants(theMesh()), "");
    const VertexId v0 = theMesh().vertices[0];
    const VertexId v2 = theMesh().vertices[2];
    // V1 keeps its coordinates; V2 sits at ((x1 + x2) * 0.5, ...).
    EXPECT_TRUE(samePoint(*v0->getPosition(), p0));
    EXPECT_TRUE(samePoint(*v2->getPosition(), {(p0.x + p2.x) * 0.5, (p0.y + p2.y) * 0.5, (p0.z + p2.z) * 0.5}));
    EXPECT_TRUE(!sweepMarks().touched(v0) && sweepMarks().touched(v2));
    expectRetired({0, 2, 8});
    EXPECT_TRUE(theMesh().faces[0]->edges.empty() && theMesh().faces[4]->edges.empty() && v0->edges.empty());
    // 2: its own list without e0, then 0's other edge e7 (now (3,2), V2 in
    // the slot where 0 stood).
    EXPECT_EQ(edgesAt(2), (Ids{1, 3, 9, 7}));
    EXPECT_TRUE(theMesh().edges[7]->end1 == theMesh().vertices[3] && theMesh().edges[7]->end2 == v2);
    EXPECT_EQ(edgesAt(4), (Ids{1, 4, 6}));
    EXPECT_EQ(edgesAt(5), (Ids{9, 10, 11}));
    // K1 = e1 and K2 = e9 swap the vanished face for the wing face.
    EXPECT_EQ(facesOf(1), (Ids{1, 3}));
    EXPECT_EQ(facesOf(9), (Ids{5, 7}));
    EXPECT_EQ(facesOf(7), (Ids{3, 7}));
    // Untouched faces keep their lists.
    EXPECT_EQ(edgesOf(1), (Ids{3, 4, 1}));
    EXPECT_EQ(edgesOf(5), (Ids{3, 9, 10}));
}

// The wing faces f3 and f7 written from different starting corners, so that
// the retired edge stands first, second or third in their lists. Whatever the
// row, the kept edge takes the retired edge's place in the cycle and comes
// last: f3 cycle e7 -> e2 -> e6 becomes [e6 e7 e1] ([Q R K] for D first,
// [R P K] second, [P Q K] third), f7 cycle e7 -> e11 -> e8 becomes [e7 e11 e9].
struct WingOrder {
    const char* name;
    Corners f3, f7;
    Ids f3Before, f7Before;  // with D1 = e2 and D2 = e8 somewhere in them
};

class WingMergeTable : public EdgeCollapse, public ::testing::WithParamInterface<WingOrder> {};

TEST_P(WingMergeTable, KeptEdgeTakesTheRetiredEdgesPlaceInTheCycle) {
    std::vector<Corners> faces = kOctaFaces;
    faces[3] = GetParam().f3;
    faces[7] = GetParam().f7;
    buildMesh(kBumpyOcta, faces);
    // Rotating a face's corners changes neither edge ids nor edge ends here.
    ASSERT_EQ(edgesOf(3), GetParam().f3Before);
    ASSERT_EQ(edgesOf(7), GetParam().f7Before);
    collapseOctahedronEdge0();
    EXPECT_EQ(edgesOf(3), (Ids{6, 7, 1}));
    EXPECT_EQ(edgesOf(7), (Ids{7, 11, 9}));
    // Wings keep their winding with 2 in 0's place: (3,0,4) -> (4,3,2),
    // (0,3,5) -> (2,3,5).
    EXPECT_EQ(cornersOf(theMesh().faces[3]), (Corners{4, 3, 2}));
    EXPECT_EQ(cornersOf(theMesh().faces[7]), (Corners{2, 3, 5}));
    EXPECT_EQ(checkInvariants(theMesh()), "");
}

// f3: (3,0,4) -> [e7 e2 e6]; (0,4,3) -> [e2 e6 e7]; (4,3,0) -> [e6 e7 e2].
// f7: (0,3,5) -> [e7 e11 e8]; (3,5,0) -> [e11 e8 e7]; (5,0,3) -> [e8 e7 e11].
INSTANTIATE_TEST_SUITE_P(
    RetiredEdgePosition, WingMergeTable,
    ::testing::Values(WingOrder{"D1second_D2third", {3, 0, 4}, {0, 3, 5}, {7, 2, 6}, {7, 11, 8}},
                      WingOrder{"D1first_D2second", {0, 4, 3}, {3, 5, 0}, {2, 6, 7}, {11, 8, 7}},
                      WingOrder{"D1third_D2first", {4, 3, 0}, {5, 0, 3}, {6, 7, 2}, {8, 7, 11}}),
    [](const ::testing::TestParamInfo<WingOrder>& p) { return std::string(p.param.name); });

TEST_F(EdgeCollapse, MergeWingMovesTheRemainingEdgesOfTheFaceToTheWing) {
    buildMesh(kBumpyOcta, kOctaFaces);
    const FaceId f3 = theMesh().faces[3];
    // f3 [e7 e2 e6]: D second, so e7 moves behind e6; then f0's remaining
    // [e0 e1] are appended from the last: e1, then e0.
    EXPECT_EQ(mergeWing(f3, theMesh().faces[0], theMesh().edges[2]), f3);
    EXPECT_EQ(edgesOf(3), (Ids{6, 7, 1, 0}));
    EXPECT_TRUE(theMesh().faces[0]->edges.empty());
    expectRetired({2});
    EXPECT_EQ(facesOf(1), (Ids{1, 3}));
    EXPECT_EQ(facesOf(0), (Ids{4, 3}));
    EXPECT_EQ(edgesAt(4), (Ids{1, 4, 6}));
    EXPECT_EQ(edgesAt(0), (Ids{0, 7, 8}));
    EXPECT_EQ(currentRun().collapseCount, 0);
    EXPECT_EQ(checkInvariants(theMesh()), "");
}

// Tetrahedron F0 (0,2,1) F1 (0,1,3) F2 (0,3,2) F3 (1,2,3): e0 (0,2) e1 (2,1)
// e2 (1,0) e3 (1,3) e4 (3,0) e5 (3,2); F0 [e0 e1 e2] F1 [e2 e3 e4]
// F2 [e4 e5 e0] F3 [e1 e5 e3]. Collapsing e0 gives a pillow: F1 [e1 e3 e5]
// and F3 [e1 e5 e3] over the same three edges.
void collapseTetrahedronEdge0() {
    buildMesh(kTetra, kTetraFaces);
    CollapseWings wings;
    EXPECT_TRUE(guardAccepts(0, wings));
    collapseEdge(theMesh().edges[0], theMesh().vertices[0], theMesh().vertices[2], theMesh().faces[0], theMesh().faces[2], wings);
}

TEST_F(EdgeCollapse, DegreeThreeVertexMergesBothWingsIntoOneFace) {
    // e0: V1 = 0, V2 = 2, F1 = F0, F2 = F2. D1 = e2, T1 = 1, K1 = e1; D2 = e4,
    // T2 = 3, K2 = e5; X1 = X2 = F1.
    // First merge: F1 [e2 e3 e4] -> [e3 e4] -> [e3 e4 e1 e0].
    // Second merge: D = e4 second -> [e3 e1 e0] -> [e1 e0 e3]; F2's [e5 e0]
    // from the last: e0 already there, then e5 -> [e1 e0 e3 e5]. Removing e0
    // leaves [e1 e3 e5]: corners (2,1,3), the old (0,1,3) with 2 for 0.
    collapseTetrahedronEdge0();
    EXPECT_EQ(edgesOf(1), (Ids{1, 3, 5}));
    EXPECT_EQ(cornersOf(theMesh().faces[1]), (Corners{2, 1, 3}));
    EXPECT_EQ(edgesOf(3), (Ids{1, 5, 3}));
    expectRetired({0, 2, 4});
    EXPECT_EQ((std::vector<Ids>{facesOf(1), facesOf(3), facesOf(5)}), (std::vector<Ids>{{3, 1}, {1, 3}, {3, 1}}));
    EXPECT_EQ((std::vector<Ids>{edgesAt(1), edgesAt(2), edgesAt(3)}), (std::vector<Ids>{{1, 3}, {1, 5}, {3, 5}}));
    EXPECT_EQ(liveCounts(), (std::array<int, 3>{3, 3, 2}));
    EXPECT_EQ(currentRun().collapseCount, 1);
    EXPECT_EQ(checkInvariants(theMesh()), "");
}

// Neighbourhoods a collapse cannot handle are passed over.
TEST_F(EdgeCollapse, GuardRefusals) {
    CollapseWings wings;
    // A self-loop: (0,0,1) makes e0 with both ends at 0.
    buildMesh({{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}});
    const EdgeId loop = theMesh().edges[0];
    EXPECT_FALSE(findCollapseWings(loop, loop->end1, loop->end2, theMesh().faces[0], theMesh().faces[0], wings));

    // The pillow: for each edge both faces' other edge at one end is the same
    // edge, so D1 = D2.
    resetRunState();
    collapseTetrahedronEdge0();
    for (int id : {1, 3, 5}) EXPECT_FALSE(guardAccepts(id, wings)) << id;

    // A fin (0,4,6) on the octahedron's e2 = (4,0), which is D1 of e0.
    resetRunState();
    std::vector<Point3> positions = kBumpyOcta;
    positions.push_back({2, 0, 2});
    std::vector<Corners> faces = kOctaFaces;
    faces.push_back({0, 4, 6});
    buildMesh(positions, faces);
    ASSERT_EQ(facesOf(2), (Ids{0, 3, 8}));
    EXPECT_FALSE(guardAccepts(0, wings));

    // (0,1,2) twice: every candidate's wing face would be the other face.
    resetRunState();
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 1, 2}});
    for (int id : {0, 1, 2}) EXPECT_FALSE(guardAccepts(id, wings)) << id;
}

// The midpoint is (a + b) * 0.5; near the top of the double range, where the
// sum overflows, it is still the finite midpoint, so a collapse never writes
// an infinite coordinate.
TEST(CollapseMidpoint, SumFormAndFiniteNearTheTopOfTheRange) {
    const double big = std::numeric_limits<double>::max();
    EXPECT_EQ(midpointOf(0.1, 0.7), (0.1 + 0.7) * 0.5);
    EXPECT_EQ(midpointOf(-3.0, 5.0), 1.0);
    EXPECT_EQ(midpointOf(big, big), big);
    EXPECT_EQ(midpointOf(big, -big), 0.0);
    EXPECT_EQ(midpointOf(1.5e308, 1.0e308), 1.25e308);
}

}  // namespace
}  // namespace zeq::test
