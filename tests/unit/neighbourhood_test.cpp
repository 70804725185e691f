// Ring queries: every form of kinds 0, 1 and 2 on tiny meshes, and the
// sharing rules of the one answer record.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <vector>

#include "tests/unit/test_mesh.h"

namespace zeq {
namespace {

using test::buildMesh;

template <class T>
std::vector<int> ids(const std::vector<T*>& list) {
    std::vector<int> out;
    for (const T* p : list) out.push_back(p->getId());
    return out;
}

using Ids = std::vector<int>;

//      2
//     / \        f0 = (0,1,2): e0 = 0-1, e1 = 1-2, e2 = 2-0
//    0---1       f1 = (1,0,3): reuses e0, e3 = 0-3, e4 = 3-1
//     \ /        v0: e0 e2 e3   v1: e0 e1 e4   v2: e1 e2   v3: e3 e4
//      3         e0: f0 f1, every other edge one face
class DiamondQuery : public test::GlobalMeshTest {
protected:
    void SetUp() override {
        test::GlobalMeshTest::SetUp();
        buildMesh({{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, -1, 0}}, {{0, 1, 2}, {1, 0, 3}});
        ASSERT_EQ(theMesh.edges.size(), 5u);
    }
    Vertex* v(int i) { return theMesh.vertices[i]; }
    Edge* e(int i) { return theMesh.edges[i]; }
    Face* f(int i) { return theMesh.faces[i]; }
    Neighbourhood* q(int kind, Vertex* vv, Edge* ee, Face* ff) {
        return theMesh.queryNeighbourhood(kind, vv, ee, ff);
    }
};

TEST_F(DiamondQuery, EdgeKindAllForms) {
    Neighbourhood* n = q(1, v(0), e(0), f(0));
    EXPECT_EQ(n, neighbourhood);
    EXPECT_EQ(n->kind, 1);
    EXPECT_EQ(ids(n->edges), (Ids{2}));  // the other edge of f0 at corner 0

    // e0 is opposite corner 2 in f0: both other edges touch 2.
    EXPECT_EQ(ids(q(1, v(2), e(0), f(0))->edges), (Ids{1, 2}));
    EXPECT_EQ(ids(q(1, v(0), nullptr, f(0))->edges), (Ids{0, 2}));
    EXPECT_EQ(ids(q(1, v(3), e(3), f(0))->edges), (Ids{}));  // 3 is not a corner of f0

    // (v, e, null): edges of v, minus the first occurrence of e when present.
    EXPECT_EQ(ids(q(1, v(0), nullptr, nullptr)->edges), (Ids{0, 2, 3}));
    EXPECT_EQ(ids(q(1, v(0), e(2), nullptr)->edges), (Ids{0, 3}));
    EXPECT_EQ(ids(q(1, v(0), e(1), nullptr)->edges), (Ids{0, 2, 3}));  // e1 not at v0

    // (null, e, f): edges of f, minus e when present.
    EXPECT_EQ(ids(q(1, nullptr, e(3), f(1))->edges), (Ids{0, 4}));
    EXPECT_EQ(ids(q(1, nullptr, e(1), f(1))->edges), (Ids{0, 3, 4}));
    EXPECT_EQ(ids(q(1, nullptr, nullptr, f(1))->edges), (Ids{0, 3, 4}));

    // (null, e, null): edges at end1 then at end2, leaving out e itself.
    EXPECT_EQ(ids(q(1, nullptr, e(0), nullptr)->edges), (Ids{2, 3, 1, 4}));
    EXPECT_EQ(ids(q(1, nullptr, e(2), nullptr)->edges), (Ids{1, 0, 3}));  // e2 = 2-0
}

// That form compares ids, not pointers, and does not check for duplicates: an
// extra edge x parallel to e0 is listed once at each end; renumbering e3 like
// e0 makes it disappear from the answer.
TEST_F(DiamondQuery, EdgeRingOfAnEdgeComparesIdsAndKeepsDuplicates) {
    Edge* x = theMesh.newEdge(7, v(1), v(0));
    theMesh.addEdge(x);
    v(1)->linkEdge(x);
    v(0)->linkEdge(x);
    EXPECT_EQ(ids(q(1, nullptr, e(0), nullptr)->edges), (Ids{2, 3, 7, 1, 4, 7}));

    e(3)->setId(0);
    EXPECT_EQ(ids(q(1, nullptr, e(0), nullptr)->edges), (Ids{2, 7, 1, 4, 7}));
}

TEST_F(DiamondQuery, FaceKindAllForms) {
    EXPECT_EQ(ids(q(2, v(0), e(0), f(0))->faces), (Ids{1}));  // the face across e0
    EXPECT_EQ(neighbourhood->kind, 2);
    EXPECT_EQ(ids(q(2, v(1), e(0), f(1))->faces), (Ids{0}));
    EXPECT_EQ(ids(q(2, v(2), e(0), f(0))->faces), (Ids{}));  // 2 is not an end of e0
    EXPECT_EQ(ids(q(2, v(2), e(0), nullptr)->faces), (Ids{}));
    EXPECT_EQ(ids(q(2, v(0), e(0), nullptr)->faces), (Ids{0, 1}));
    EXPECT_EQ(ids(q(2, v(0), e(2), f(0))->faces), (Ids{}));  // boundary edge: nothing across

    // (v, null, f): the star of v without f.
    EXPECT_EQ(ids(q(2, v(0), nullptr, nullptr)->faces), (Ids{0, 1}));
    EXPECT_EQ(ids(q(2, v(0), nullptr, f(0))->faces), (Ids{1}));
    EXPECT_EQ(ids(q(2, v(2), nullptr, f(1))->faces), (Ids{0}));

    // (null, e, f).
    EXPECT_EQ(ids(q(2, nullptr, e(0), nullptr)->faces), (Ids{0, 1}));
    EXPECT_EQ(ids(q(2, nullptr, e(0), f(1))->faces), (Ids{0}));
    EXPECT_EQ(ids(q(2, nullptr, e(1), f(1))->faces), (Ids{0}));  // f1 not on e1
}

// The face-ring form also replaces `edges` with f's edges, and excludes by id.
TEST_F(DiamondQuery, FaceRingOfAFaceRefillsEdgesAndComparesIds) {
    q(1, v(3), nullptr, nullptr);
    Neighbourhood* n = q(2, nullptr, nullptr, f(0));
    EXPECT_EQ(ids(n->faces), (Ids{1}));
    EXPECT_EQ(ids(n->edges), (Ids{0, 1, 2}));

    f(1)->setId(0);  // a different face numbered like f0 is left out too
    EXPECT_TRUE(q(2, nullptr, nullptr, f(0))->faces.empty());
}

TEST_F(DiamondQuery, VertexKindAllForms) {
    EXPECT_EQ(ids(q(0, v(0), e(0), nullptr)->vertices), (Ids{1}));
    EXPECT_EQ(neighbourhood->kind, 0);
    EXPECT_EQ(ids(q(0, nullptr, e(0), nullptr)->vertices), (Ids{0, 1}));
    EXPECT_EQ(ids(q(0, v(2), e(0), nullptr)->vertices), (Ids{0, 1}));
    EXPECT_EQ(ids(q(0, v(0), e(0), f(1))->vertices), (Ids{1}));
    EXPECT_EQ(ids(q(0, v(0), e(1), f(1))->vertices), (Ids{}));  // e1 not in f1
    // f1's edges are e0 (0-1), e3 (0-3), e4 (3-1): corners in order first met.
    EXPECT_EQ(ids(q(0, v(0), nullptr, f(1))->vertices), (Ids{1, 3}));
    EXPECT_EQ(ids(q(0, nullptr, nullptr, f(1))->vertices), (Ids{0, 1, 3}));
    EXPECT_EQ(ids(q(0, v(0), nullptr, nullptr)->vertices), (Ids{1, 2, 3}));
    EXPECT_EQ(ids(q(0, v(3), nullptr, nullptr)->vertices), (Ids{0, 1}));
}

//        3-----2
//       / \ f1/ \        a closed fan of six triangles around vertex 0:
//      / f2\ / f0\       fk = (0, k+1, k+2) for k = 0..4, f5 = (0, 6, 1)
//     4-----0-----1      v0's edges in creation order: e0 (0-1), e2 (0-2),
//      \ f3/ \ f5/       e4 (0-3), e6 (0-4), e8 (0-5), e10 (0-6)
//       \ / f4\ /        e0 carries f0 and f5, so f5 is met second.
//        5-----6
class FanQuery : public test::GlobalMeshTest {
protected:
    void SetUp() override {
        test::GlobalMeshTest::SetUp();
        buildMesh({{0, 0, 0}, {2, 0, 0}, {1, 2, 0}, {-1, 2, 0}, {-2, 0, 0}, {-1, -2, 0}, {1, -2, 0}},
                  {{0, 1, 2}, {0, 2, 3}, {0, 3, 4}, {0, 4, 5}, {0, 5, 6}, {0, 6, 1}});
        ASSERT_EQ(theMesh.edges.size(), 12u);
    }
    Vertex* centre() { return theMesh.vertices[0]; }
};

TEST_F(FanQuery, StarOfASixValentVertexInOrderOfFirstAppearance) {
    Neighbourhood* n = theMesh.queryNeighbourhood(2, centre(), nullptr, nullptr);
    EXPECT_EQ(ids(n->faces), (Ids{0, 5, 1, 2, 3, 4}));
    n = theMesh.queryNeighbourhood(2, centre(), nullptr, theMesh.faces[1]);
    EXPECT_EQ(ids(n->faces), (Ids{0, 5, 2, 3, 4}));
    n = theMesh.queryNeighbourhood(2, centre(), nullptr, theMesh.faces[0]);
    EXPECT_EQ(ids(n->faces), (Ids{5, 1, 2, 3, 4}));

    EXPECT_EQ(ids(theMesh.queryNeighbourhood(1, centre(), nullptr, nullptr)->edges),
              (Ids{0, 2, 4, 6, 8, 10}));
    EXPECT_EQ(ids(theMesh.queryNeighbourhood(1, centre(), theMesh.edges[4], nullptr)->edges),
              (Ids{0, 2, 6, 8, 10}));
    // A rim vertex: 1 has e0, e1 (1-2) and e11 (6-1).
    EXPECT_EQ(ids(theMesh.queryNeighbourhood(2, theMesh.vertices[1], nullptr, nullptr)->faces),
              (Ids{0, 5}));
}

// Each query clears and refills only its own list; kind 3 stores the number alone.
TEST_F(FanQuery, QueriesLeaveTheOtherListsAsTheyWere) {
    Neighbourhood* n = theMesh.queryNeighbourhood(0, centre(), nullptr, nullptr);
    const Ids vertices = ids(n->vertices);
    theMesh.queryNeighbourhood(2, centre(), nullptr, nullptr);
    const Ids star = ids(n->faces);

    theMesh.queryNeighbourhood(1, centre(), theMesh.edges[0], theMesh.faces[0]);
    EXPECT_EQ(n->kind, 1);
    EXPECT_EQ(ids(n->edges), (Ids{2}));
    EXPECT_EQ(ids(n->faces), star);
    EXPECT_EQ(ids(n->vertices), vertices);

    theMesh.queryNeighbourhood(2, nullptr, theMesh.edges[1], nullptr);
    EXPECT_EQ(ids(n->faces), (Ids{0}));
    EXPECT_EQ(ids(n->edges), (Ids{2}));  // only the face-ring form of kind 2 touches edges

    theMesh.queryNeighbourhood(3, centre(), theMesh.edges[0], theMesh.faces[0]);
    EXPECT_EQ(n->kind, 3);
    EXPECT_EQ(ids(n->edges), (Ids{2}));
    EXPECT_EQ(ids(n->faces), (Ids{0}));
    EXPECT_EQ(ids(n->vertices), vertices);
    EXPECT_EQ(vertices, (Ids{1, 2, 3, 4, 5, 6}));
}

// A closed fan of 100 triangles fi = (0, i+1, i+2), f99 = (0, 100, 1). The
// centre's edges in creation order are the spokes 0-1, 0-2, ..., 0-100; spoke
// 0-1 carries f0 and f99, spoke 0-k (k >= 2) carries f(k-2) and f(k-1). So the
// star in order of first appearance is f0, f99, f1, f2, ..., f98.
TEST(HubQuery, StarOfAVertexOfHighDegree) {
    resetGlobals();
    std::vector<std::array<int, 3>> faces;
    for (int i = 0; i < 99; ++i) faces.push_back({0, i + 1, i + 2});
    faces.push_back({0, 100, 1});
    buildMesh(std::vector<Point3>(101), faces);
    Vertex* centre = theMesh.vertices[0];

    Ids star{0, 99};
    for (int i = 1; i < 99; ++i) star.push_back(i);
    EXPECT_EQ(ids(theMesh.queryNeighbourhood(2, centre, nullptr, nullptr)->faces), star);

    Ids withoutF50 = star;
    withoutF50.erase(std::find(withoutF50.begin(), withoutF50.end(), 50));
    EXPECT_EQ(ids(theMesh.queryNeighbourhood(2, centre, nullptr, theMesh.faces[50])->faces), withoutF50);

    // A small star in between, then the large one again: nothing carried over.
    EXPECT_EQ(ids(theMesh.queryNeighbourhood(2, theMesh.vertices[50], nullptr, nullptr)->faces),
              (Ids{48, 49}));
    EXPECT_EQ(ids(theMesh.queryNeighbourhood(2, centre, nullptr, nullptr)->faces), star);
    EXPECT_EQ(ids(theMesh.queryNeighbourhood(2, centre, nullptr, theMesh.faces[0])->faces).size(), 99u);
    resetGlobals();
}

}  // namespace
}  // namespace zeq
