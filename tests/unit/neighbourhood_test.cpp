// Ring queries: every form of kinds 0, 1 and 2, and the face star of a vertex
// of high degree.
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

//      2
//     / \        f0 = (0,1,2): e0 = 0-1, e1 = 1-2, e2 = 2-0
//    0---1       f1 = (1,0,3): reuses e0, e3 = 0-3, e4 = 3-1
//     \ /        v0: e0 e2 e3   v1: e0 e1 e4   v2: e1 e2   v3: e3 e4
//      3         e0: f0 f1, every other edge one face
class DiamondQuery : public GlobalMeshTest {
protected:
    void SetUp() override {
        GlobalMeshTest::SetUp();
        buildMesh({{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, -1, 0}}, {{0, 1, 2}, {1, 0, 3}});
    }
    // The fresh list of a query; -1 stands for an absent argument.
    Ids query(int kind, int v, int e, int f) {
        Neighbourhood* n = theMesh().queryNeighbourhood(kind, v < 0 ? VertexId{} : theMesh().vertices[v],
                                                      e < 0 ? EdgeId{} : theMesh().edges[e],
                                                      f < 0 ? FaceId{} : theMesh().faces[f]);
        EXPECT_EQ(n, &currentRun().neighbourhood);
        EXPECT_EQ(n->kind, kind);
        return kind == kVertices ? ids(n->vertices) : kind == kEdges ? ids(n->edges) : ids(n->faces);
    }
};

TEST_F(DiamondQuery, EveryForm) {
    struct Row {
        int kind, v, e, f;
        Ids expected;
    };
    const std::vector<Row> rows = {
        // (v, e, f): f's other edges at v; (v, -, f): f's edges at v.
        {kEdges, 0, 0, 0, {2}}, {kEdges, 2, 0, 0, {1, 2}}, {kEdges, 0, -1, 0, {0, 2}}, {kEdges, 3, 3, 0, {}},
        // (v, e, -): v's edges minus the first occurrence of e, when present.
        {kEdges, 0, -1, -1, {0, 2, 3}}, {kEdges, 0, 2, -1, {0, 3}}, {kEdges, 0, 1, -1, {0, 2, 3}},
        // (-, e, f): f's edges minus e.
        {kEdges, -1, 3, 1, {0, 4}}, {kEdges, -1, 1, 1, {0, 3, 4}}, {kEdges, -1, -1, 1, {0, 3, 4}},
        // (-, e, -): edges at end1, then at end2, leaving out e.
        {kEdges, -1, 0, -1, {2, 3, 1, 4}}, {kEdges, -1, 2, -1, {1, 0, 3}},
        // (v, e, f): e's faces other than f, when v is an end of e.
        {kFaces, 0, 0, 0, {1}}, {kFaces, 1, 0, 1, {0}}, {kFaces, 2, 0, 0, {}}, {kFaces, 2, 0, -1, {}},
        {kFaces, 0, 0, -1, {0, 1}}, {kFaces, 0, 2, 0, {}},
        // (v, -, f): the star of v without f, in order of first appearance.
        {kFaces, 0, -1, -1, {0, 1}}, {kFaces, 0, -1, 0, {1}}, {kFaces, 2, -1, 1, {0}},
        // (-, e, f): e's faces other than f; (-, -, f): the faces across f's edges.
        {kFaces, -1, 0, -1, {0, 1}}, {kFaces, -1, 0, 1, {0}}, {kFaces, -1, 1, 1, {0}}, {kFaces, -1, -1, 0, {1}},
        // Kind 0: other ends of e, corners of f other than v, far ends at v.
        {kVertices, 0, 0, -1, {1}}, {kVertices, -1, 0, -1, {0, 1}}, {kVertices, 2, 0, -1, {0, 1}},
        {kVertices, 0, 0, 1, {1}}, {kVertices, 0, 1, 1, {}}, {kVertices, 0, -1, 1, {1, 3}},
        {kVertices, -1, -1, 1, {0, 1, 3}}, {kVertices, 0, -1, -1, {1, 2, 3}}, {kVertices, 3, -1, -1, {0, 1}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(query(r.kind, r.v, r.e, r.f), r.expected)
            << "kind " << r.kind << " v " << r.v << " e " << r.e << " f " << r.f;
    // (-, e, -) and (-, -, f) leave out every record numbered like the argument,
    // and (-, -, f) also refills the edge list with f's edges.
    theMesh().edges[3]->setId(0);
    theMesh().faces[1]->setId(0);
    EXPECT_EQ(query(kEdges, -1, 0, -1), (Ids{2, 1, 4}));
    EXPECT_EQ(query(kFaces, -1, -1, 0), (Ids{}));
    EXPECT_EQ(ids(currentRun().neighbourhood.edges), (Ids{0, 1, 2}));
}

// A closed fan of 100 triangles fi = (0, i+1, i+2), f99 = (0, 100, 1). The
// centre's edges in creation order are the spokes 0-1, 0-2, ..., 0-100; spoke
// 0-1 carries f0 and f99, spoke 0-k (k >= 2) carries f(k-2) and f(k-1). So the
// star in order of first appearance is f0, f99, f1, f2, ..., f98.
TEST_F(DiamondQuery, StarOfAVertexOfHighDegree) {
    resetRunState();
    std::vector<Corners> faces;
    for (int i = 0; i < 99; ++i) faces.push_back({0, i + 1, i + 2});
    faces.push_back({0, 100, 1});
    buildMesh(std::vector<Point3>(101), faces);
    Ids star{0, 99};
    for (int i = 1; i < 99; ++i) star.push_back(i);
    EXPECT_EQ(query(kFaces, 0, -1, -1), star);
    Ids withoutF50 = star;
    withoutF50.erase(withoutF50.begin() + 51);
    EXPECT_EQ(query(kFaces, 0, -1, 50), withoutF50);
    // A small star in between, then the large one again: nothing carried over.
    EXPECT_EQ(query(kFaces, 50, -1, -1), (Ids{48, 49}));
    EXPECT_EQ(query(kFaces, 0, -1, -1), star);
}

// One triangle listed 100 times: its corners have two edges each but a star
// of 100 faces, more than a star usually has per edge.
TEST_F(DiamondQuery, StarBiggerThanTheDegreeSuggests) {
    resetRunState();
    buildMesh(std::vector<Point3>(3), std::vector<Corners>(100, Corners{0, 1, 2}));
    Ids all;
    for (int i = 0; i < 100; ++i) all.push_back(i);
    EXPECT_EQ(query(kFaces, 0, -1, -1), all);
    all.erase(all.begin() + 7);
    EXPECT_EQ(query(kFaces, 2, -1, 7), all);
}

}  // namespace
}  // namespace zeq::test
