// Orientation pass: winding propagation, edge order and stored unit normals.
#include <algorithm>
#include <cmath>

#include "orient/orient_faces.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

using OrientPass = GlobalMeshTest;

// The same cyclic winding written from its smallest corner.
Corners rotated(Corners c) {
    std::rotate(c.begin(), std::min_element(c.begin(), c.end()), c.end());
    return c;
}
Corners flipped(const Corners& c) { return {c[0], c[2], c[1]}; }

Point3 minus(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point3 cross(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double length(const Point3& a) { return std::sqrt(dot(a, a)); }

Point3 centroid(const FaceId f) {
    Point3 s{0, 0, 0};
    for (int id : cornersOf(f)) {
        const Point3 p = theMesh().vertices[id]->positionCopy();
        s = {s.x + p.x / 3, s.y + p.y / 3, s.z + p.z / 3};
    }
    return s;
}

// Tetrahedron, every face wound outward in the file:
//
//        3 (0,0,1)
//        |
//        0 ---- 1 (1,0,0)      faces F0 (0,2,1) bottom, F1 (0,1,3) front,
//       /                            F2 (0,3,2) left,   F3 (1,2,3) slanted
//      2 (0,1,0)
//
// Load: F0 makes e0 (0,2), e1 (2,1), e2 (1,0); F1 reuses e2 and makes
// e3 (1,3), e4 (3,0); F2 reuses e4, makes e5 (3,2), reuses e0; F3 reuses e1,
// e5, e3. Edge lists F0 [e0 e1 e2], F1 [e2 e3 e4], F2 [e4 e5 e0],
// F3 [e1 e5 e3]; face lists e0 [F0 F2], e1 [F0 F3], e2 [F0 F1], e3 [F1 F3],
// e4 [F1 F2], e5 [F2 F3].
TEST_F(OrientPass, ConsistentTetrahedronKeepsFileWindingWithEntryEdgeFirst) {
    buildMesh(kTetra, kTetraFaces);
    EXPECT_EQ(orientFaces(theMesh()), 4u);  // every face oriented
    const auto& F = theMesh().faces;
    // Seed F0 from e0 = (0,2) entered end2 -> end1: item (F0, a=2, b=0, e0).
    // Other edge at 2 is e1, third corner 1: winding 0->2->1, list
    // [e0 e1 e2]; F0 moves to the end of e1's and e2's face lists. Walk:
    // across e0 queue (F2, 0, 2), across e2 (F1, 1, 0), across e1 (F3, 2, 1).
    // F2: other edge at 0 is e4, third 3 -> winding 2->0->3, list [e0 e4 e5].
    // F1: other edge at 1 is e3, third 3 -> winding 0->1->3, list [e2 e3 e4].
    // F3: other edge at 2 is e5, third 3 -> winding 1->2->3, list [e1 e5 e3].
    const std::vector<Ids> edgeLists = {{0, 1, 2}, {2, 3, 4}, {0, 4, 5}, {1, 5, 3}};
    // Corners read back from the first two edges: (head, tail, third).
    const std::vector<Corners> corners = {{0, 2, 1}, {0, 1, 3}, {2, 0, 3}, {1, 2, 3}};
    // Unlinking and relinking moved each face to the end of those edges' lists.
    const std::vector<Ids> faceLists = {{0, 2}, {3, 0}, {1, 0}, {1, 3}, {2, 1}, {2, 3}};
    // F0: a=2 b=0 f=1: u = p0-p2 = (0,-1,0), w = p2-p1 = (-1,1,0), n = (0,0,-1).
    // F1: a=1 b=0 f=3: u = (-1,0,0), w = (1,0,-1), n = (0,-1,0).
    // F2: a=0 b=2 f=3: u = (0,1,0), w = (0,0,-1), n = (-1,0,0).
    // F3: a=2 b=1 f=3: u = (1,-1,0), w = (0,1,-1), n = (1,1,1), L = float(sqrt 3).
    const double third = 1.0 / static_cast<double>(static_cast<float>(std::sqrt(3.0)));
    const std::vector<Point3> normals = {{0, 0, -1}, {0, -1, 0}, {-1, 0, 0}, {third, third, third}};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(ids(F[i]->edges), edgeLists[i]);
        EXPECT_EQ(cornersOf(F[i]), corners[i]);
        ASSERT_NE(F[i]->getNormal(), nullptr);
        EXPECT_NEAR(length(minus(F[i]->getNormal()->value(), normals[i])), 0.0, 1e-15);
    }
    for (int e = 0; e < 6; ++e) EXPECT_EQ(ids(theMesh().edges[e]->faces), faceLists[e]) << e;
    EXPECT_EQ(windingClash(theMesh()), "");
    EXPECT_EQ(checkInvariants(theMesh()), "");
}

// Faces 1, 4 and 6 written inward, and face 0 outward or inward: the whole
// surface follows face 0, with unit normals along the winding.
TEST_F(OrientPass, RandomlyWoundOctahedronFollowsItsFirstFace) {
    for (bool firstInward : {false, true}) {
        SCOPED_TRACE(firstInward);
        resetRunState();
        std::vector<Corners> file = kOctaFaces;
        for (int i : {1, 4, 6}) file[i] = flipped(file[i]);
        if (firstInward) file[0] = flipped(file[0]);
        buildMesh(kOcta, file);
        orientFaces(theMesh());
        EXPECT_EQ(cornersOf(theMesh().faces[0]), file[0]);
        const double side = firstInward ? -1 : 1;
        for (int i = 0; i < 8; ++i) {
            SCOPED_TRACE(i);
            const FaceId f = theMesh().faces[i];
            EXPECT_EQ(rotated(cornersOf(f)), rotated(firstInward ? flipped(kOctaFaces[i]) : kOctaFaces[i]));
            ASSERT_NE(f->getNormal(), nullptr);
            const Point3 n = f->getNormal()->value();
            EXPECT_NEAR(length(n), 1.0, 1e-6);
            EXPECT_NEAR(dot(n, centroid(f)), side / std::sqrt(3.0), 1e-6);
        }
        EXPECT_EQ(windingClash(theMesh()), "");
        EXPECT_EQ(checkInvariants(theMesh()), "");
    }
}

TEST_F(OrientPass, LaterComponentIsEnteredFromEnd1AndComesOutReversed) {
    // Two copies of the outward tetrahedron, the second on vertices 4..7 and
    // edges e6..e11, faces G0..G3 = F4..F7.
    std::vector<Point3> positions = kTetra;
    for (const Point3& p : kTetra) positions.push_back({p.x + 5, p.y, p.z});
    std::vector<Corners> faces = kTetraFaces;
    for (const Corners& c : kTetraFaces) faces.push_back({c[0] + 4, c[1] + 4, c[2] + 4});
    buildMesh(positions, faces);
    orientFaces(theMesh());
    const auto& F = theMesh().faces;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rotated(cornersOf(F[i])), rotated(faces[i]));
        EXPECT_EQ(rotated(cornersOf(F[i + 4])), rotated(flipped(faces[i + 4])));
    }
    // Second seed G0 = (4,6,5), first edge e6 = (4,6): item (G0, a=4, b=6, e6).
    // Other edge of G0 at 4 is e8 = (5,4), third corner 5: winding 6->4->5,
    // list [e6 e8 e7].
    EXPECT_EQ(ids(F[4]->edges), (Ids{6, 8, 7}));
    EXPECT_EQ(cornersOf(F[4]), (Corners{6, 4, 5}));
    EXPECT_EQ(windingClash(theMesh()), "");
}

TEST_F(OrientPass, NormalRoundsEdgeVectorsCrossProductAndLengthToSingle) {
    // One triangle P, Q, R. Seed from PQ entered end2 -> end1: a = Q, b = P,
    // f = R; u = P - Q, w = Q - R.
    const Point3 p{1 + 0x1p-40, 2, 0};
    const Point3 q{0, 0, 0};
    const Point3 r{-3 - 0x1p-33, 0, -1 + 0x1p-45};
    buildMesh({p, q, r}, {{0, 1, 2}});
    orientFaces(theMesh());
    // u = (1 + 2^-40, 2, 0) rounds to (1, 2, 0); w = (3 + 2^-33, 0, 1 - 2^-45)
    // rounds to (3, 0, 1). n = (2*1 - 0*0, 0*3 - 1*1, 1*0 - 2*3) = (2, -1, -6),
    // L = float(sqrt(41)); the quotients are taken in double.
    const double length41 = static_cast<float>(std::sqrt(41.0));
    const Point3 expected{2.0 / length41, -1.0 / length41, -6.0 / length41};
    ASSERT_NE(theMesh().faces[0]->getNormal(), nullptr);
    const Point3 n = theMesh().faces[0]->getNormal()->value();
    EXPECT_EQ(n.x, expected.x);
    EXPECT_EQ(n.y, expected.y);
    EXPECT_EQ(n.z, expected.z);
    // The scenario tells the rounding apart: all-double arithmetic differs.
    const Point3 exact = cross(minus(p, q), minus(q, r));
    EXPECT_NE(exact.x / length(exact), expected.x);
    EXPECT_NE(2.0 / std::sqrt(41.0), expected.x);
    EXPECT_NE(static_cast<double>(2.0f / static_cast<float>(length41)), expected.x);
}

TEST_F(OrientPass, FacesThatAreNoTriangleCycleKeepTheirOrder) {
    EXPECT_EQ(orientFaces(theMesh()), 0u);  // an empty mesh is left alone
    // Face (0,0,1): e0 = (0,0) a self-loop, e1 = (0,1), e2 = (1,0). The seed
    // has tail and head both 0, so its normal is 0/0.
    buildMesh({{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}});
    EXPECT_EQ(orientFaces(theMesh()), 1u);
    const FaceId f = theMesh().faces[0];
    EXPECT_EQ(ids(f->edges), (Ids{0, 1, 2}));
    ASSERT_NE(f->getNormal(), nullptr);
    EXPECT_TRUE(std::isnan(f->getNormal()->value().x));

}

TEST_F(OrientPass, EdgeWithThreeFacesQueuesEveryOtherFaceTheSameWay) {
    // Three triangles on e0 = (0,1): F0 (0,1,2) in the plane, F1 (1,0,3) in
    // the plane on the other side, F2 (0,1,4) a fin written the same way as F0.
    // F0 (a=1, b=0) runs 0->1 along e0 and queues F1 and F2 both with tail 0,
    // head 1: each comes out running 1->0 along e0.
    //   F1 [e0 e3 e4]: other edge at 0 is e3 = (0,3) -> winding 1->0->3.
    //   F2 [e0 e5 e6]: e5 = (1,4), e6 = (4,0); other edge at 0 is e6 ->
    //   winding 1->0->4, list [e0 e6 e5].
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, -1, 0}, {0.5, 0, 1}}, {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
    ASSERT_EQ(ids(theMesh().edges[0]->faces), (Ids{0, 1, 2}));
    EXPECT_EQ(orientFaces(theMesh()), 3u);  // each face once
    const auto& F = theMesh().faces;
    EXPECT_EQ((std::vector<Corners>{cornersOf(F[0]), cornersOf(F[1]), cornersOf(F[2])}),
              (std::vector<Corners>{{0, 1, 2}, {1, 0, 3}, {1, 0, 4}}));
    EXPECT_EQ(ids(F[2]->edges), (Ids{0, 6, 5}));
    // F2's normal: (p0 - p1) x (p4 - p0) = (-1,0,0) x (0.5,0,1) = (0,1,0).
    EXPECT_DOUBLE_EQ(F[2]->getNormal()->value().y, 1.0);
}

}  // namespace
}  // namespace zeq::test
