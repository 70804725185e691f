// Edge collapse: wing merges, re-hanging, retirement in place, and the guard
// that passes over neighbourhoods a collapse cannot handle.
#include <gtest/gtest.h>

#include <array>
#include <vector>

#include "simplify/collapse_edge.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

using Corners = std::array<int, 3>;

class EdgeCollapse : public GlobalMeshTest {};

std::vector<int> edgeIds(const Face* f) {
    std::vector<int> ids;
    for (const Edge* e : f->edges) ids.push_back(e->getId());
    return ids;
}
std::vector<int> edgeIds(const Vertex* v) {
    std::vector<int> ids;
    for (const Edge* e : v->edges) ids.push_back(e->getId());
    return ids;
}
std::vector<int> faceIds(const Edge* e) {
    std::vector<int> ids;
    for (const Face* f : e->faces) ids.push_back(f->getId());
    return ids;
}
template <class T>
std::vector<int> idsOf(const std::vector<T*>& list) {
    std::vector<int> ids;
    for (const T* p : list) ids.push_back(p->getId());
    return ids;
}

int liveVertices() {
    int n = 0;
    for (const Vertex* v : theMesh.vertices) n += v->edges.empty() ? 0 : 1;
    return n;
}
int liveEdges() {
    int n = 0;
    for (const Edge* e : theMesh.edges) n += e->collapsed ? 0 : 1;
    return n;
}
int liveFaces() {
    int n = 0;
    for (const Face* f : theMesh.faces) n += f->edges.empty() ? 0 : 1;
    return n;
}

void expectRetired(const Edge* e) {
    SCOPED_TRACE(e->getId());
    EXPECT_EQ(e->collapsed, 1);
    EXPECT_EQ(e->end1, nullptr);
    EXPECT_EQ(e->end2, nullptr);
    EXPECT_TRUE(e->faces.empty());
}

// Octahedron, faces wound outward, positions slightly irregular:
//
//   f0 (0,2,4)  f1 (2,1,4)  f2 (1,3,4)  f3 (3,0,4)     4 top, 5 bottom,
//   f4 (2,0,5)  f5 (1,2,5)  f6 (3,1,5)  f7 (0,3,5)     0 +x, 1 -x, 2 +y, 3 -y
//
// Load, edge (end1,end2): e0 (0,2) e1 (2,4) e2 (4,0) e3 (2,1) e4 (1,4)
// e5 (1,3) e6 (3,4) e7 (3,0) e8 (0,5) e9 (5,2) e10 (5,1) e11 (5,3).
// Faces: f0 [e0 e1 e2] f1 [e3 e4 e1] f2 [e5 e6 e4] f3 [e7 e2 e6]
//        f4 [e0 e8 e9] f5 [e3 e9 e10] f6 [e5 e10 e11] f7 [e7 e11 e8].
// Edge faces: e0 [f0 f4] e1 [f0 f1] e2 [f0 f3] e3 [f1 f5] e4 [f1 f2]
//   e5 [f2 f6] e6 [f2 f3] e7 [f3 f7] e8 [f4 f7] e9 [f4 f5] e10 [f5 f6]
//   e11 [f6 f7].
// Vertex edges: 0 [e0 e2 e7 e8] 1 [e3 e4 e5 e10] 2 [e0 e1 e3 e9]
//   3 [e5 e6 e7 e11] 4 [e1 e2 e4 e6] 5 [e8 e9 e10 e11].
const std::vector<Point3> kOcta = {{1.1, 0.05, -0.02}, {-0.97, 0.01, 0.03}, {0.03, 0.9, 0.01},
                                   {-0.02, -1.05, 0.0}, {0.01, -0.03, 1.2}, {0.0, 0.02, -0.95}};
const std::vector<Corners> kOctaFaces = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                         {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};

// Collapsing e0 = (0,2): V1 = 0 removed, V2 = 2 kept, F1 = f0, F2 = f4.
// D1 = f0's other edge at 0 = e2, T1 = 4, K1 = e1, X1 = f3 (across e2).
// D2 = f4's other edge at 0 = e8, T2 = 5, K2 = e9, X2 = f7 (across e8).
void collapseOctahedronEdge0() {
    Edge* e = theMesh.edges[0];
    collapseEdge(e, theMesh.vertices[0], theMesh.vertices[2], theMesh.faces[0], theMesh.faces[4]);
}

TEST_F(EdgeCollapse, FaceStarAndOtherEdgeQueriesAroundACollapse) {
    buildMesh(kOcta, kOctaFaces);
    Vertex* v0 = theMesh.vertices[0];
    Vertex* v2 = theMesh.vertices[2];
    const auto& E = theMesh.edges;
    const auto& F = theMesh.faces;
    // Star of 0 along [e0 e2 e7 e8]: f0 f4 | f3 | f7.
    EXPECT_EQ(idsOf(theMesh.queryNeighbourhood(kFaces, v0, nullptr, nullptr)->faces),
              (std::vector<int>{0, 4, 3, 7}));
    // Star of 2 along [e0 e1 e3 e9]: f0 f4 | f1 | f5.
    EXPECT_EQ(idsOf(theMesh.queryNeighbourhood(kFaces, v2, nullptr, nullptr)->faces),
              (std::vector<int>{0, 4, 1, 5}));
    EXPECT_EQ(idsOf(theMesh.queryNeighbourhood(kEdges, v0, E[0], F[0])->edges), (std::vector<int>{2}));
    EXPECT_EQ(idsOf(theMesh.queryNeighbourhood(kEdges, v0, E[0], F[4])->edges), (std::vector<int>{8}));
    EXPECT_EQ(idsOf(theMesh.queryNeighbourhood(kFaces, v0, E[2], F[0])->faces), (std::vector<int>{3}));
    EXPECT_EQ(idsOf(theMesh.queryNeighbourhood(kFaces, v0, E[8], F[4])->faces), (std::vector<int>{7}));

    collapseOctahedronEdge0();
    // 2 now holds [e1 e3 e9 e7]; e1 [f1 f3], e3 [f1 f5], e9 [f5 f7], e7 [f3 f7].
    EXPECT_EQ(idsOf(theMesh.queryNeighbourhood(kFaces, v2, nullptr, nullptr)->faces),
              (std::vector<int>{1, 3, 5, 7}));
    EXPECT_TRUE(theMesh.queryNeighbourhood(kFaces, v0, nullptr, nullptr)->faces.empty());
    EXPECT_EQ(idsOf(theMesh.queryNeighbourhood(kEdges, v2, nullptr, nullptr)->edges),
              (std::vector<int>{1, 3, 9, 7}));
    // f3 is now [e6 e7 e1]: its other edge at 2 besides e1 is e7 = (3,2).
    EXPECT_EQ(idsOf(theMesh.queryNeighbourhood(kEdges, v2, E[1], F[3])->edges), (std::vector<int>{7}));
    EXPECT_EQ(idsOf(theMesh.queryNeighbourhood(kFaces, v2, E[7], F[3])->faces), (std::vector<int>{7}));
}

TEST_F(EdgeCollapse, OneCollapseOnAClosedMeshRetiresOneVertexThreeEdgesTwoFaces) {
    buildMesh(kOcta, kOctaFaces);
    const Point3 p0 = theMesh.vertices[0]->positionCopy();
    const Point3 p2 = theMesh.vertices[2]->positionCopy();
    collapseOctahedronEdge0();

    EXPECT_EQ(collapseCount, 1);
    EXPECT_EQ(theMesh.vertices.size(), 6u);
    EXPECT_EQ(theMesh.edges.size(), 12u);
    EXPECT_EQ(theMesh.faces.size(), 8u);
    EXPECT_EQ(liveVertices(), 5);
    EXPECT_EQ(liveEdges(), 9);
    EXPECT_EQ(liveFaces(), 6);
    EXPECT_EQ(checkInvariants(theMesh), "");

    const Vertex* v0 = theMesh.vertices[0];
    const Vertex* v2 = theMesh.vertices[2];
    // V1 keeps its coordinates; V2 sits at ((x1 + x2) * 0.5, ...).
    EXPECT_EQ(v0->getPosition()->x, p0.x);
    EXPECT_EQ(v0->getPosition()->y, p0.y);
    EXPECT_EQ(v0->getPosition()->z, p0.z);
    EXPECT_EQ(v2->getPosition()->x, (p0.x + p2.x) * 0.5);
    EXPECT_EQ(v2->getPosition()->y, (p0.y + p2.y) * 0.5);
    EXPECT_EQ(v2->getPosition()->z, (p0.z + p2.z) * 0.5);
    EXPECT_EQ(v0->touched, 0);
    EXPECT_EQ(v2->touched, 1);

    const auto& E = theMesh.edges;
    const auto& F = theMesh.faces;
    expectRetired(E[0]);
    expectRetired(E[2]);
    expectRetired(E[8]);
    EXPECT_TRUE(F[0]->edges.empty());
    EXPECT_TRUE(F[4]->edges.empty());
    EXPECT_TRUE(v0->edges.empty());
    // 2: its own list without e0, then 0's other edge e7 (now (3,2), V2 in
    // the slot where 0 stood).
    EXPECT_EQ(edgeIds(v2), (std::vector<int>{1, 3, 9, 7}));
    EXPECT_EQ(E[7]->end1, theMesh.vertices[3]);
    EXPECT_EQ(E[7]->end2, v2);
    EXPECT_EQ(edgeIds(theMesh.vertices[4]), (std::vector<int>{1, 4, 6}));
    EXPECT_EQ(edgeIds(theMesh.vertices[5]), (std::vector<int>{9, 10, 11}));
    // K1 = e1 and K2 = e9 swap the vanished face for the wing face.
    EXPECT_EQ(faceIds(E[1]), (std::vector<int>{1, 3}));
    EXPECT_EQ(faceIds(E[9]), (std::vector<int>{5, 7}));
    EXPECT_EQ(faceIds(E[7]), (std::vector<int>{3, 7}));
    // Wings keep their winding with 2 in 0's place: (3,0,4) -> (4,3,2),
    // (0,3,5) -> (2,3,5).
    EXPECT_EQ(edgeIds(F[3]), (std::vector<int>{6, 7, 1}));
    EXPECT_EQ(edgeIds(F[7]), (std::vector<int>{7, 11, 9}));
    EXPECT_EQ(cornersOf(F[3]), (Corners{4, 3, 2}));
    EXPECT_EQ(cornersOf(F[7]), (Corners{2, 3, 5}));
    // Untouched faces keep their lists.
    EXPECT_EQ(edgeIds(F[1]), (std::vector<int>{3, 4, 1}));
    EXPECT_EQ(edgeIds(F[5]), (std::vector<int>{3, 9, 10}));
}

// The wing faces f3 and f7 written from different starting corners, so that
// the retired edge stands first, second or third in their lists.
struct WingOrder {
    const char* name;
    Corners f3;
    std::vector<int> f3Before;  // D1 = e2 somewhere in it
    Corners f7;
    std::vector<int> f7Before;  // D2 = e8 somewhere in it
};

class WingMergeTable : public EdgeCollapse, public ::testing::WithParamInterface<WingOrder> {};

TEST_P(WingMergeTable, KeptEdgeTakesTheRetiredEdgesPlaceInTheCycle) {
    std::vector<Corners> faces = kOctaFaces;
    faces[3] = GetParam().f3;
    faces[7] = GetParam().f7;
    buildMesh(kOcta, faces);
    // Rotating a face's corners changes neither edge ids nor edge ends here.
    ASSERT_EQ(edgeIds(theMesh.faces[3]), GetParam().f3Before);
    ASSERT_EQ(edgeIds(theMesh.faces[7]), GetParam().f7Before);
    collapseOctahedronEdge0();
    // f3 cycle e7 -> e2 -> e6 with e2 replaced by K1 = e1, K1 last: [e6 e7 e1]
    // whatever the row: [Q R K] for D first, [R P K] second, [P Q K] third.
    EXPECT_EQ(edgeIds(theMesh.faces[3]), (std::vector<int>{6, 7, 1}));
    // f7 cycle e7 -> e11 -> e8 with e8 replaced by K2 = e9: [e7 e11 e9].
    EXPECT_EQ(edgeIds(theMesh.faces[7]), (std::vector<int>{7, 11, 9}));
    EXPECT_EQ(cornersOf(theMesh.faces[3]), (Corners{4, 3, 2}));
    EXPECT_EQ(cornersOf(theMesh.faces[7]), (Corners{2, 3, 5}));
    EXPECT_EQ(checkInvariants(theMesh), "");
}

// f3: (3,0,4) -> [e7 e2 e6]; (0,4,3) -> [e2 e6 e7]; (4,3,0) -> [e6 e7 e2].
// f7: (0,3,5) -> [e7 e11 e8]; (3,5,0) -> [e11 e8 e7]; (5,0,3) -> [e8 e7 e11].
INSTANTIATE_TEST_SUITE_P(
    RetiredEdgePosition, WingMergeTable,
    ::testing::Values(WingOrder{"D1second_D2third", {3, 0, 4}, {7, 2, 6}, {0, 3, 5}, {7, 11, 8}},
                      WingOrder{"D1first_D2second", {0, 4, 3}, {2, 6, 7}, {3, 5, 0}, {11, 8, 7}},
                      WingOrder{"D1third_D2first", {4, 3, 0}, {6, 7, 2}, {5, 0, 3}, {8, 7, 11}}),
    [](const ::testing::TestParamInfo<WingOrder>& p) { return std::string(p.param.name); });

TEST_F(EdgeCollapse, MergeWingMovesTheRemainingEdgesOfTheFaceToTheWing) {
    buildMesh(kOcta, kOctaFaces);
    Face* f0 = theMesh.faces[0];
    Face* f3 = theMesh.faces[3];
    Edge* e2 = theMesh.edges[2];
    // f3 [e7 e2 e6]: D second, so e7 moves behind e6; then f0's remaining
    // [e0 e1] are appended from the last: e1, then e0.
    EXPECT_EQ(mergeWing(f3, f0, e2), f3);
    EXPECT_EQ(edgeIds(f3), (std::vector<int>{6, 7, 1, 0}));
    EXPECT_TRUE(f0->edges.empty());
    expectRetired(e2);
    EXPECT_EQ(faceIds(theMesh.edges[1]), (std::vector<int>{1, 3}));
    EXPECT_EQ(faceIds(theMesh.edges[0]), (std::vector<int>{4, 3}));
    EXPECT_EQ(edgeIds(theMesh.vertices[4]), (std::vector<int>{1, 4, 6}));
    EXPECT_EQ(edgeIds(theMesh.vertices[0]), (std::vector<int>{0, 7, 8}));
    EXPECT_EQ(collapseCount, 0);
    EXPECT_EQ(checkInvariants(theMesh), "");
}

// Tetrahedron F0 (0,2,1) F1 (0,1,3) F2 (0,3,2) F3 (1,2,3): e0 (0,2) e1 (2,1)
// e2 (1,0) e3 (1,3) e4 (3,0) e5 (3,2); F0 [e0 e1 e2] F1 [e2 e3 e4]
// F2 [e4 e5 e0] F3 [e1 e5 e3].
const std::vector<Point3> kTetra = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const std::vector<Corners> kTetraFaces = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

TEST_F(EdgeCollapse, DegreeThreeVertexMergesBothWingsIntoOneFace) {
    buildMesh(kTetra, kTetraFaces);
    const auto& E = theMesh.edges;
    const auto& F = theMesh.faces;
    // e0: V1 = 0, V2 = 2, F1 = F0, F2 = F2. D1 = e2, T1 = 1, K1 = e1; D2 = e4,
    // T2 = 3, K2 = e5; X1 = X2 = F1.
    // First merge: F1 [e2 e3 e4] -> [e3 e4] -> [e3 e4 e1 e0].
    // Second merge: D = e4 second -> [e3 e1 e0] -> [e1 e0 e3]; F2's [e5 e0]
    // from the last: e0 already there, then e5 -> [e1 e0 e3 e5]. Removing e0
    // leaves [e1 e3 e5]: corners (2,1,3), the old (0,1,3) with 2 for 0.
    collapseEdge(E[0], theMesh.vertices[0], theMesh.vertices[2], F[0], F[2]);
    EXPECT_EQ(edgeIds(F[1]), (std::vector<int>{1, 3, 5}));
    EXPECT_EQ(cornersOf(F[1]), (Corners{2, 1, 3}));
    EXPECT_EQ(edgeIds(F[3]), (std::vector<int>{1, 5, 3}));
    EXPECT_TRUE(F[0]->edges.empty());
    EXPECT_TRUE(F[2]->edges.empty());
    for (int id : {0, 2, 4}) expectRetired(E[id]);
    EXPECT_EQ(faceIds(E[1]), (std::vector<int>{3, 1}));
    EXPECT_EQ(faceIds(E[3]), (std::vector<int>{1, 3}));
    EXPECT_EQ(faceIds(E[5]), (std::vector<int>{3, 1}));
    EXPECT_TRUE(theMesh.vertices[0]->edges.empty());
    EXPECT_EQ(edgeIds(theMesh.vertices[1]), (std::vector<int>{1, 3}));
    EXPECT_EQ(edgeIds(theMesh.vertices[2]), (std::vector<int>{1, 5}));
    EXPECT_EQ(edgeIds(theMesh.vertices[3]), (std::vector<int>{3, 5}));
    EXPECT_EQ(liveVertices(), 3);
    EXPECT_EQ(liveEdges(), 3);
    EXPECT_EQ(liveFaces(), 2);
    EXPECT_EQ(collapseCount, 1);
    EXPECT_EQ(checkInvariants(theMesh), "");
}

TEST_F(EdgeCollapse, CommonNeighbourBesidesTheThirdCornersLeavesTwoEdges) {
    // Triangular bipyramid: equator 0 1 2, apexes 3 and 4. Faces (0,1,3)
    // (1,2,3) (2,0,3) (1,0,4) (2,1,4) (0,2,4); e0 = (0,1) has faces f0, f3,
    // T1 = 3 and T2 = 4, and 0 and 1 also share the neighbour 2
    // (e5 = (2,0), e3 = (1,2)). After the collapse e5 runs (2,1).
    buildMesh({{1, 0, 0}, {-0.5, 0.87, 0}, {-0.5, -0.87, 0}, {0, 0, 1}, {0, 0, -1}},
              {{0, 1, 3}, {1, 2, 3}, {2, 0, 3}, {1, 0, 4}, {2, 1, 4}, {0, 2, 4}});
    CollapseWings wings;
    ASSERT_TRUE(findCollapseWings(theMesh.edges[0], theMesh.vertices[0], theMesh.vertices[1],
                                  theMesh.faces[0], theMesh.faces[3], wings));
    collapseEdge(theMesh.edges[0], theMesh.vertices[0], theMesh.vertices[1], theMesh.faces[0],
                 theMesh.faces[3]);
    EXPECT_EQ(theMesh.edges[5]->end1, theMesh.vertices[2]);
    EXPECT_EQ(theMesh.edges[5]->end2, theMesh.vertices[1]);
    int between = 0;
    for (const Edge* e : theMesh.vertices[1]->edges)
        between += (e->end1 == theMesh.vertices[2] || e->end2 == theMesh.vertices[2]) ? 1 : 0;
    EXPECT_EQ(between, 2);
    EXPECT_EQ(liveVertices(), 4);
    EXPECT_EQ(liveEdges(), 6);
    EXPECT_EQ(liveFaces(), 4);
    EXPECT_EQ(checkInvariants(theMesh), "");
}

TEST_F(EdgeCollapse, WingsOfAManifoldNeighbourhoodAreFound) {
    buildMesh(kOcta, kOctaFaces);
    CollapseWings wings;
    ASSERT_TRUE(findCollapseWings(theMesh.edges[0], theMesh.vertices[0], theMesh.vertices[2],
                                  theMesh.faces[0], theMesh.faces[4], wings));
    EXPECT_EQ(wings.d1, theMesh.edges[2]);
    EXPECT_EQ(wings.d2, theMesh.edges[8]);
    EXPECT_EQ(wings.x1, theMesh.faces[3]);
    EXPECT_EQ(wings.x2, theMesh.faces[7]);
    // Asking changes nothing.
    EXPECT_EQ(liveEdges(), 12);
    EXPECT_EQ(edgeIds(theMesh.faces[3]), (std::vector<int>{7, 2, 6}));
}

TEST_F(EdgeCollapse, GuardRefusesASelfLoop) {
    // (0,0,1) makes e0 with both ends at 0.
    buildMesh({{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}});
    Edge* loop = theMesh.edges[0];
    ASSERT_EQ(loop->end1, loop->end2);
    CollapseWings wings;
    EXPECT_FALSE(findCollapseWings(loop, loop->end1, loop->end2, theMesh.faces[0], theMesh.faces[0],
                                   wings));
}

TEST_F(EdgeCollapse, GuardRefusesWhenBothSidesShareTheirWingEdge) {
    // After one collapse the tetrahedron is a pillow: F1 [e1 e3 e5] and
    // F3 [e1 e5 e3] over the same three edges. For e1 = (2,1) both faces'
    // other edge at 2 is e5, so D1 = D2.
    buildMesh(kTetra, kTetraFaces);
    collapseEdge(theMesh.edges[0], theMesh.vertices[0], theMesh.vertices[2], theMesh.faces[0],
                 theMesh.faces[2]);
    for (int id : {1, 3, 5}) {
        SCOPED_TRACE(id);
        Edge* e = theMesh.edges[id];
        ASSERT_EQ(e->faces.size(), 2u);
        CollapseWings wings;
        EXPECT_FALSE(findCollapseWings(e, e->end1, e->end2, e->faces[0], e->faces[1], wings));
    }
    EXPECT_EQ(checkInvariants(theMesh), "");
}

TEST_F(EdgeCollapse, GuardRefusesAWingEdgeWithThreeFaces) {
    // A fin (0,4,6) on the octahedron's e2 = (4,0), which is D1 of e0.
    std::vector<Point3> positions = kOcta;
    positions.push_back({2, 0, 2});
    std::vector<Corners> faces = kOctaFaces;
    faces.push_back({0, 4, 6});
    buildMesh(positions, faces);
    ASSERT_EQ(faceIds(theMesh.edges[2]), (std::vector<int>{0, 3, 8}));
    CollapseWings wings;
    EXPECT_FALSE(findCollapseWings(theMesh.edges[0], theMesh.vertices[0], theMesh.vertices[2],
                                   theMesh.faces[0], theMesh.faces[4], wings));
}

TEST_F(EdgeCollapse, GuardRefusesATriangleListedTwice) {
    // (0,1,2) twice: two faces over e0 (0,1), e1 (1,2), e2 (2,0), each edge
    // with both faces; every candidate's wing face would be the other face.
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 1, 2}});
    for (Edge* e : theMesh.edges) {
        SCOPED_TRACE(e->getId());
        ASSERT_EQ(faceIds(e), (std::vector<int>{0, 1}));
        CollapseWings wings;
        EXPECT_FALSE(findCollapseWings(e, e->end1, e->end2, e->faces[0], e->faces[1], wings));
    }
}

}  // namespace
}  // namespace zeq::test
