// Face construction on load: shared edges, edge ends, list orders, numbering.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "tests/unit/test_mesh.h"

namespace zeq {
namespace {

using test::buildMesh;
using test::cornersOf;
using Ids = std::vector<int>;
using Corners = std::array<int, 3>;

template <class List>
Ids ids(const List& list) {
    Ids out;
    for (const auto* p : list) out.push_back(p->getId());
    return out;
}

std::pair<int, int> endsOf(const Edge* e) { return {e->end1->getId(), e->end2->getId()}; }

const std::vector<Point3> kSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

using BuildFace = test::GlobalMeshTest;

//  2
//  | \      one triangle (0,1,2): e0 = 0-1, e1 = 1-2, e2 = 2-0, face f0 = e0 e1 e2
//  0--1
TEST_F(BuildFace, SingleTriangleEdgesFollowTheCornerOrder) {
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    ASSERT_EQ(theMesh.edges.size(), 3u);
    ASSERT_EQ(theMesh.faces.size(), 1u);
    EXPECT_EQ(ids(theMesh.edges), (Ids{0, 1, 2}));
    EXPECT_EQ(endsOf(theMesh.edges[0]), std::make_pair(0, 1));
    EXPECT_EQ(endsOf(theMesh.edges[1]), std::make_pair(1, 2));
    EXPECT_EQ(endsOf(theMesh.edges[2]), std::make_pair(2, 0));
    const Face* f = theMesh.faces[0];
    EXPECT_EQ(f->getId(), 0);
    EXPECT_EQ(ids(f->edges), (Ids{0, 1, 2}));
    EXPECT_EQ(f->faceMark, 0);
    EXPECT_EQ(f->getNormal(), nullptr);
    for (const Edge* e : theMesh.edges) {
        EXPECT_EQ(ids(e->faces), (Ids{0}));
        EXPECT_EQ(e->edgeMark, 0);
        EXPECT_EQ(e->collapsed, 0);
    }
    EXPECT_EQ(ids(theMesh.vertices[0]->edges), (Ids{0, 2}));
    EXPECT_EQ(ids(theMesh.vertices[1]->edges), (Ids{0, 1}));
    EXPECT_EQ(ids(theMesh.vertices[2]->edges), (Ids{1, 2}));
    EXPECT_EQ(cornersOf(f), (Corners{0, 1, 2}));
    EXPECT_EQ(test::checkInvariants(theMesh), "");
}

TEST_F(BuildFace, SingleTriangleStartingAtAnotherCorner) {
    // (2,0,1): e0 = 2-0, e1 = 0-1, e2 = 1-2; vertex 0 lists e0 before e1.
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{2, 0, 1}});
    EXPECT_EQ(endsOf(theMesh.edges[0]), std::make_pair(2, 0));
    EXPECT_EQ(endsOf(theMesh.edges[1]), std::make_pair(0, 1));
    EXPECT_EQ(endsOf(theMesh.edges[2]), std::make_pair(1, 2));
    EXPECT_EQ(ids(theMesh.vertices[0]->edges), (Ids{0, 1}));
    EXPECT_EQ(ids(theMesh.vertices[2]->edges), (Ids{0, 2}));
    EXPECT_EQ(cornersOf(theMesh.faces[0]), (Corners{2, 0, 1}));
}

//  3-----2
//  |   / |   Two triangles over the diagonal 0-2, read in either order, with
//  |  /  |   the diagonal as the first, second or third side of the face read
//  | /   |   second and run in either direction: always five edges, and the
//  0-----1   diagonal lists the face read first, then the other one.
struct SharedSideCase {
    std::string name;
    std::array<int, 3> first, second;
    int shared;                      // id of the diagonal edge
    std::pair<int, int> sharedEnds;  // as the first face created it
    Ids secondEdges;                 // the second face's edge list
    std::pair<int, int> e3, e4;      // the two edges the second face created
};

TEST_F(BuildFace, TwoTrianglesSharingASideMakeFiveEdges) {
    const std::vector<SharedSideCase> cases = {
        {"lower first", {0, 1, 2}, {0, 2, 3}, 2, {2, 0}, {2, 3, 4}, {2, 3}, {3, 0}},
        {"upper first", {0, 2, 3}, {0, 1, 2}, 0, {0, 2}, {3, 4, 0}, {0, 1}, {1, 2}},
        {"same direction", {0, 1, 2}, {2, 0, 3}, 2, {2, 0}, {2, 3, 4}, {0, 3}, {3, 2}},
        {"diagonal as second side", {0, 1, 2}, {3, 0, 2}, 2, {2, 0}, {3, 2, 4}, {3, 0}, {2, 3}},
        {"diagonal as third side", {0, 1, 2}, {2, 3, 0}, 2, {2, 0}, {3, 4, 2}, {2, 3}, {3, 0}},
    };
    for (const SharedSideCase& c : cases) {
        SCOPED_TRACE(c.name);
        resetGlobals();
        buildMesh(kSquare, {c.first, c.second});
        ASSERT_EQ(theMesh.edges.size(), 5u);
        ASSERT_EQ(theMesh.faces.size(), 2u);
        const Edge* shared = theMesh.edges[c.shared];
        EXPECT_EQ(endsOf(shared), c.sharedEnds);  // never swapped by the reuse
        EXPECT_EQ(ids(shared->faces), (Ids{0, 1}));
        EXPECT_EQ(ids(theMesh.faces[1]->edges), c.secondEdges);
        EXPECT_EQ(endsOf(theMesh.edges[3]), c.e3);
        EXPECT_EQ(endsOf(theMesh.edges[4]), c.e4);
        EXPECT_EQ(cornersOf(theMesh.faces[0]), c.first);
        EXPECT_EQ(cornersOf(theMesh.faces[1]), c.second);
        for (const Edge* e : theMesh.edges) {
            if (e == shared) continue;
            EXPECT_EQ(e->faces.size(), 1u) << "edge " << e->getId();
        }
        EXPECT_EQ(test::checkInvariants(theMesh), "");
    }
}

TEST_F(BuildFace, VertexEdgeListsAreInCreationOrder) {
    // Lower then upper triangle of the square: e0 0-1, e1 1-2, e2 2-0, e3 2-3, e4 3-0.
    buildMesh(kSquare, {{0, 1, 2}, {0, 2, 3}});
    EXPECT_EQ(ids(theMesh.vertices[0]->edges), (Ids{0, 2, 4}));
    EXPECT_EQ(ids(theMesh.vertices[1]->edges), (Ids{0, 1}));
    EXPECT_EQ(ids(theMesh.vertices[2]->edges), (Ids{1, 2, 3}));
    EXPECT_EQ(ids(theMesh.vertices[3]->edges), (Ids{3, 4}));
    EXPECT_EQ(ids(theMesh.edges), (Ids{0, 1, 2, 3, 4}));
    EXPECT_EQ(ids(theMesh.faces), (Ids{0, 1}));
}

TEST_F(BuildFace, SameTriangleTwiceSharesAllThreeEdges) {
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 1, 2}});
    ASSERT_EQ(theMesh.edges.size(), 3u);
    ASSERT_EQ(theMesh.faces.size(), 2u);
    EXPECT_EQ(ids(theMesh.faces[1]->edges), (Ids{0, 1, 2}));
    for (const Edge* e : theMesh.edges) EXPECT_EQ(ids(e->faces), (Ids{0, 1}));

    // The same corners in the opposite winding: the edges are found, not made,
    // and the face lists them as 0-2, 2-1, 1-0.
    resetGlobals();
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 2, 1}});
    ASSERT_EQ(theMesh.edges.size(), 3u);
    EXPECT_EQ(ids(theMesh.faces[1]->edges), (Ids{2, 1, 0}));
    EXPECT_EQ(cornersOf(theMesh.faces[1]), (Corners{0, 2, 1}));
    EXPECT_EQ(test::checkInvariants(theMesh), "");
}

// A record naming vertex 0 twice, (0,0,1), on a vertex without edges makes a
// loop edge 0-0, then 0-1 and 1-0: a loop is linked to its vertex once.
TEST_F(BuildFace, RepeatedCornerOnAFreshVertexMakesALoopEdge) {
    buildMesh({{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}});
    ASSERT_EQ(theMesh.edges.size(), 3u);
    EXPECT_EQ(endsOf(theMesh.edges[0]), std::make_pair(0, 0));
    EXPECT_EQ(endsOf(theMesh.edges[1]), std::make_pair(0, 1));
    EXPECT_EQ(endsOf(theMesh.edges[2]), std::make_pair(1, 0));
    EXPECT_EQ(ids(theMesh.vertices[0]->edges), (Ids{0, 1, 2}));
    EXPECT_EQ(ids(theMesh.vertices[1]->edges), (Ids{1, 2}));
    EXPECT_EQ(ids(theMesh.faces[0]->edges), (Ids{0, 1, 2}));

    // Vertex 0 now has two parallel edges to 1 (e1, e2): the lookup keeps the
    // last, so a face (0,1,2) reuses e2 as its first side.
    Vertex* v2 = theMesh.newVertex(2, Point3{0, 1, 0});
    theMesh.addVertex(v2);
    LoadCounters counters;
    counters.nextEdge = 3;
    counters.nextFace = 1;
    buildFace(theMesh, theMesh.vertices[0], theMesh.vertices[1], v2, counters);
    ASSERT_EQ(theMesh.edges.size(), 5u);
    EXPECT_EQ(ids(theMesh.faces[1]->edges), (Ids{2, 3, 4}));
    EXPECT_EQ(endsOf(theMesh.edges[3]), std::make_pair(1, 2));
    EXPECT_EQ(endsOf(theMesh.edges[4]), std::make_pair(2, 0));
    EXPECT_EQ(ids(theMesh.edges[2]->faces), (Ids{0, 1}));
    EXPECT_EQ(ids(theMesh.edges[1]->faces), (Ids{0}));
    EXPECT_EQ(counters.nextEdge, 5);
    EXPECT_EQ(counters.nextFace, 2);
}

// After triangle (0,1,2), a record (0,0,1) matches every edge of 0 for its
// first side (the last, e2 = 2-0, wins) and e0 = 0-1 for the other two:
// it is built from existing edges only.
TEST_F(BuildFace, RepeatedCornerOnAnExistingVertexMatchesItsLastEdge) {
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 0, 1}});
    ASSERT_EQ(theMesh.edges.size(), 3u);
    ASSERT_EQ(theMesh.faces.size(), 2u);
    EXPECT_EQ(ids(theMesh.faces[1]->edges), (Ids{2, 0, 0}));
    EXPECT_EQ(ids(theMesh.edges[2]->faces), (Ids{0, 1}));
    EXPECT_EQ(ids(theMesh.edges[0]->faces), (Ids{0, 1}));
    EXPECT_EQ(ids(theMesh.edges[1]->faces), (Ids{0}));
}

TEST_F(BuildFace, UnusedVerticesKeepEmptyLists) {
    //  3        vertex 1 is named by no face
    //  | \ .
    //  0--2   1
    buildMesh(kSquare, {{0, 2, 3}});
    EXPECT_TRUE(theMesh.vertices[1]->edges.empty());
    EXPECT_EQ(theMesh.vertices.size(), 4u);
    EXPECT_EQ(theMesh.edges.size(), 3u);
    EXPECT_EQ(cornersOf(theMesh.faces[0]), (Corners{0, 2, 3}));
}

// The edge between two given vertices, or null; fails the test on two.
const Edge* edgeBetween(int a, int b) {
    const Edge* found = nullptr;
    for (const Edge* e : theMesh.edges) {
        const int x = e->end1->getId(), y = e->end2->getId();
        if ((x == a && y == b) || (x == b && y == a)) {
            EXPECT_EQ(found, nullptr) << "two edges " << a << "-" << b;
            found = e;
        }
    }
    return found;
}

// A closed fan of 100 triangles around vertex 0 (rim 1..100), its faces read
// alternately as (0,k,k+1) and (k,0,k+1): the centre is found both as first
// and as second corner, long after it has passed any small degree. Each pair
// of neighbouring corners still gets exactly one edge: 100 spokes, 100 rim
// edges, the closing face (0,100,1) reusing the very first spoke 0-1.
TEST_F(BuildFace, HighDegreeVertexStillSharesEveryEdge) {
    std::vector<Point3> positions(103);
    std::vector<std::array<int, 3>> faces;
    for (int k = 1; k < 100; ++k)
        faces.push_back(k % 2 == 1 ? std::array<int, 3>{0, k, k + 1} : std::array<int, 3>{k, 0, k + 1});
    faces.push_back({0, 100, 1});
    buildMesh(positions, faces);

    ASSERT_EQ(theMesh.edges.size(), 200u);
    EXPECT_EQ(theMesh.vertices[0]->edges.size(), 100u);
    for (int k = 1; k <= 100; ++k) {
        const Edge* spoke = edgeBetween(0, k);
        const Edge* rim = edgeBetween(k, k % 100 + 1);
        ASSERT_NE(spoke, nullptr);
        ASSERT_NE(rim, nullptr);
        EXPECT_EQ(spoke->faces.size(), 2u) << "spoke 0-" << k;
        EXPECT_EQ(ids(rim->faces), (Ids{k - 1})) << "rim " << k;
    }
    EXPECT_EQ(ids(theMesh.faces[99]->edges),
              (Ids{edgeBetween(0, 100)->getId(), 199, edgeBetween(0, 1)->getId()}));
    EXPECT_EQ(ids(edgeBetween(0, 1)->faces), (Ids{0, 99}));

    // (0,0,101) at the centre: its first side matches every edge of 0, the
    // last (spoke 0-100) wins; then two parallel edges 0-101 and 101-0 are
    // made. A following (0,101,102) must take the later one, 101-0.
    LoadCounters counters;
    counters.nextEdge = 200;
    counters.nextFace = 100;
    buildFace(theMesh, theMesh.vertices[0], theMesh.vertices[0], theMesh.vertices[101], counters);
    EXPECT_EQ(ids(theMesh.faces.back()->edges), (Ids{edgeBetween(0, 100)->getId(), 200, 201}));
    EXPECT_EQ(endsOf(theMesh.edges[200]), std::make_pair(0, 101));
    EXPECT_EQ(endsOf(theMesh.edges[201]), std::make_pair(101, 0));
    buildFace(theMesh, theMesh.vertices[0], theMesh.vertices[101], theMesh.vertices[102], counters);
    EXPECT_EQ(ids(theMesh.faces.back()->edges), (Ids{201, 202, 203}));
    EXPECT_EQ(endsOf(theMesh.edges[202]), std::make_pair(101, 102));
    EXPECT_EQ(endsOf(theMesh.edges[203]), std::make_pair(102, 0));
    EXPECT_EQ(test::checkInvariants(theMesh), "");
}

}  // namespace
}  // namespace zeq
