// Face construction on load: shared edges, edge ends, list orders, numbering.
#include <algorithm>
#include <map>
#include <utility>

#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

using Ends = std::pair<int, int>;

// The ends of the edges from the given index on, and the edge list of every
// vertex.
std::vector<Ends> endsFrom(std::size_t first) {
    std::vector<Ends> out;
    for (std::size_t i = first; i < theMesh().edges.size(); ++i)
        out.emplace_back(theMesh().edges[i]->end1->getId(), theMesh().edges[i]->end2->getId());
    return out;
}
std::vector<Ids> vertexLists() {
    std::vector<Ids> out;
    for (const VertexId v : theMesh().vertices) out.push_back(ids(v->edges));
    return out;
}

const std::vector<Point3> kSquare = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};

using BuildFace = GlobalMeshTest;

//  2
//  | \      one triangle (0,1,2): e0 = 0-1, e1 = 1-2, e2 = 2-0, face f0 = e0 e1 e2
//  0--1
TEST_F(BuildFace, SingleTriangleEdgesFollowTheCornerOrder) {
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}});
    ASSERT_EQ(theMesh().edges.size(), 3u);
    EXPECT_EQ(ids(theMesh().edges), (Ids{0, 1, 2}));
    EXPECT_EQ(endsFrom(0), (std::vector<Ends>{{0, 1}, {1, 2}, {2, 0}}));
    EXPECT_EQ(ids(theMesh().faces), (Ids{0}));
    EXPECT_EQ(edgesOf(0), (Ids{0, 1, 2}));
    for (int e = 0; e < 3; ++e) EXPECT_EQ(facesOf(e), (Ids{0}));
    EXPECT_EQ(vertexLists(), (std::vector<Ids>{{0, 2}, {0, 1}, {1, 2}}));
    EXPECT_EQ(checkInvariants(theMesh()), "");
}

//  3-----2
//  |   / |   Two triangles over the diagonal 0-2, read in either order, with
//  |  /  |   the diagonal as the first, second or third side of the face read
//  | /   |   second and run in either direction: always five edges, and the
//  0-----1   diagonal lists the face read first, then the other one.
TEST_F(BuildFace, TwoTrianglesSharingASideMakeFiveEdges) {
    struct Case {
        Corners first, second;
        int shared;       // id of the diagonal edge
        Ends sharedEnds;  // as the first face created it
        Ids secondEdges;  // the second face's edge list
        Ends e3, e4;      // the two edges the second face created
    };
    const std::vector<Case> cases = {
        {{0, 1, 2}, {0, 2, 3}, 2, {2, 0}, {2, 3, 4}, {2, 3}, {3, 0}},  // lower first
        {{0, 2, 3}, {0, 1, 2}, 0, {0, 2}, {3, 4, 0}, {0, 1}, {1, 2}},  // upper first
        {{0, 1, 2}, {2, 0, 3}, 2, {2, 0}, {2, 3, 4}, {0, 3}, {3, 2}},  // same direction
        {{0, 1, 2}, {3, 0, 2}, 2, {2, 0}, {3, 2, 4}, {3, 0}, {2, 3}},  // diagonal as second side
        {{0, 1, 2}, {2, 3, 0}, 2, {2, 0}, {3, 4, 2}, {2, 3}, {3, 0}},  // diagonal as third side
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.second[0] * 100 + c.second[1] * 10 + c.second[2]);
        resetRunState();
        buildMesh(kSquare, {c.first, c.second});
        ASSERT_EQ(theMesh().edges.size(), 5u);
        EXPECT_EQ(endsFrom(0)[c.shared], c.sharedEnds);  // never swapped by the reuse
        EXPECT_EQ(edgesOf(1), c.secondEdges);
        EXPECT_EQ(endsFrom(3), (std::vector<Ends>{c.e3, c.e4}));
        EXPECT_EQ(cornersOf(theMesh().faces[0]), c.first);
        EXPECT_EQ(cornersOf(theMesh().faces[1]), c.second);
        EXPECT_EQ(facesOf(c.shared), (Ids{0, 1}));
        for (int e = 0; e < 5; ++e) EXPECT_EQ(facesOf(e).size(), e == c.shared ? 2u : 1u) << e;
        EXPECT_EQ(checkInvariants(theMesh()), "");
    }
    // The lists of the last case's vertices are in creation order.
    EXPECT_EQ(vertexLists(), (std::vector<Ids>{{0, 2, 4}, {0, 1}, {1, 2, 3}, {3, 4}}));
}

// A record naming vertex 0 twice, (0,0,1), on a vertex without edges makes a
// loop edge 0-0, then 0-1 and 1-0: a loop is listed by its vertex once.
TEST_F(BuildFace, RepeatedCornerOnAFreshVertexMakesALoopEdge) {
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 0, 1}});
    EXPECT_EQ(endsFrom(0), (std::vector<Ends>{{0, 0}, {0, 1}, {1, 0}}));
    EXPECT_EQ(vertexLists(), (std::vector<Ids>{{0, 1, 2}, {1, 2}, {}}));
    EXPECT_EQ(edgesOf(0), (Ids{0, 1, 2}));
    // Vertex 0 now has two parallel edges to 1 (e1, e2): the lookup keeps the
    // last, so a face (0,1,2) reuses e2 as its first side.
    LoadCounters counters{3, 1, {}};
    buildFace(theMesh(), theMesh().vertices[0], theMesh().vertices[1], theMesh().vertices[2], counters);
    EXPECT_EQ(edgesOf(1), (Ids{2, 3, 4}));
    EXPECT_EQ(endsFrom(0), (std::vector<Ends>{{0, 0}, {0, 1}, {1, 0}, {1, 2}, {2, 0}}));
    EXPECT_EQ((std::vector<Ids>{facesOf(1), facesOf(2)}), (std::vector<Ids>{{0}, {0, 1}}));
    EXPECT_TRUE(counters.nextEdge == 5 && counters.nextFace == 2);
}

// After triangle (0,1,2), a record (0,0,1) matches every edge of 0 for its
// first side (the last, e2 = 2-0, wins) and e0 = 0-1 for the other two: it is
// built from existing edges only, and e0 lists it once.
TEST_F(BuildFace, RepeatedCornerOnAnExistingVertexMatchesItsLastEdge) {
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {0, 0, 1}});
    ASSERT_EQ(theMesh().edges.size(), 3u);
    EXPECT_EQ(edgesOf(1), (Ids{2, 0, 0}));
    for (int e : {0, 2}) EXPECT_EQ(facesOf(e), (Ids{0, 1}));
    EXPECT_EQ(facesOf(1), (Ids{0}));
}

// A closed fan of 100 triangles around vertex 0 (rim 1..100), its faces read
// alternately as (0,k,k+1) and (k,0,k+1): the centre is found both as first
// and as second corner, long after it has passed any small degree. Each pair
// of neighbouring corners still gets exactly one edge: 100 spokes, 100 rim
// edges, the closing face (0,100,1) reusing the very first spoke 0-1.
TEST_F(BuildFace, HighDegreeVertexStillSharesEveryEdge) {
    std::vector<Corners> faces;
    for (int k = 1; k < 100; ++k) faces.push_back(k % 2 == 1 ? Corners{0, k, k + 1} : Corners{k, 0, k + 1});
    faces.push_back({0, 100, 1});
    buildMesh(std::vector<Point3>(103), faces);
    // 200 edges for the 200 pairs of neighbouring corners: none made twice.
    ASSERT_EQ(theMesh().edges.size(), 200u);
    EXPECT_EQ(checkInvariants(theMesh()), "");
    std::map<Ends, int> between;  // edge id by sorted pair of ends
    for (const EdgeId e : theMesh().edges) between[std::minmax(e->end1->getId(), e->end2->getId())] = e->getId();
    for (int k = 1; k <= 100; ++k) EXPECT_EQ(facesOf(between[{0, k}]).size(), 2u) << "spoke 0-" << k;
    EXPECT_EQ(edgesOf(99), (Ids{between[{0, 100}], 199, between[{0, 1}]}));
    EXPECT_EQ(facesOf(between[{0, 1}]), (Ids{0, 99}));

    // (0,0,101) at the centre: its first side matches every edge of 0, the
    // last (spoke 0-100) wins; then two parallel edges 0-101 and 101-0 are
    // made. A following (0,101,102) must take the later one, 101-0.
    LoadCounters counters{200, 100, {}};
    const auto& v = theMesh().vertices;
    buildFace(theMesh(), v[0], v[0], v[101], counters);
    EXPECT_EQ(edgesOf(100), (Ids{between[{0, 100}], 200, 201}));
    EXPECT_EQ(endsFrom(200), (std::vector<Ends>{{0, 101}, {101, 0}}));
    buildFace(theMesh(), v[0], v[101], v[102], counters);
    EXPECT_EQ(edgesOf(101), (Ids{201, 202, 203}));
    EXPECT_EQ(endsFrom(202), (std::vector<Ends>{{101, 102}, {102, 0}}));
    EXPECT_EQ(checkInvariants(theMesh()), "");
}

// Faces held back and built later come out exactly as faces built on
// arrival: scattered corners, a vertex of high degree (its edges are found
// through the hub index), repeated corners, a face read twice, and more faces
// than the queue holds.
TEST_F(BuildFace, PendingFacesBuildAsIfEachWereBuiltOnArrival) {
    constexpr int kVertices = 300;
    std::vector<Corners> faces;
    std::uint32_t state = 12345;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 8) % kVertices);
    };
    for (int n = 0; n < 400; ++n) faces.push_back({next(), next(), next()});
    for (int k = 1; k < 120; ++k) faces.push_back({0, k, k + 1});
    faces.push_back({5, 5, 6});
    faces.push_back({7, 7, 7});
    faces.push_back(faces[3]);

    buildMesh(std::vector<Point3>(kVertices), faces);
    const std::vector<Ids> direct = linkIds();
    resetRunState();

    for (int i = 0; i < kVertices; ++i) theMesh().addVertex(theMesh().newVertex(i, Point3{}));
    LoadCounters counters;
    PendingFaces pending(theMesh(), counters);
    for (const Corners& f : faces) ASSERT_TRUE(pending.add(f[0], f[1], f[2]));
    EXPECT_LT(theMesh().faces.size(), faces.size());  // some are still held back
    pending.flush();
    EXPECT_EQ(linkIds(), direct);
    EXPECT_EQ(checkInvariants(theMesh()), "");
}

// A corner outside the vertex list builds every face queued before it and
// queues nothing; so does a negative one.
TEST_F(BuildFace, PendingFacesStopAtACornerOutOfRange) {
    for (long long bad : {4LL, -1LL}) {
        resetRunState();
        for (int i = 0; i < 4; ++i) theMesh().addVertex(theMesh().newVertex(i, Point3{}));
        LoadCounters counters;
        PendingFaces pending(theMesh(), counters);
        ASSERT_TRUE(pending.add(0, 1, 2));
        ASSERT_TRUE(pending.add(0, 2, 3));
        EXPECT_EQ(theMesh().faces.size(), 0u);
        EXPECT_FALSE(pending.add(1, bad, 3));
        EXPECT_EQ(theMesh().faces.size(), 2u);
        EXPECT_EQ(theMesh().edges.size(), 5u);
        pending.flush();
        EXPECT_EQ(theMesh().faces.size(), 2u);
    }
}

}  // namespace
}  // namespace zeq::test
