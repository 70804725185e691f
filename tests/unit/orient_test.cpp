// Orientation pass: winding propagation, edge order and stored unit normals.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "orient/orient_faces.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

using Corners = std::array<int, 3>;

class OrientPass : public GlobalMeshTest {};

// The same cyclic winding written from its smallest corner.
Corners rotated(Corners c) {
    std::rotate(c.begin(), std::min_element(c.begin(), c.end()), c.end());
    return c;
}

Corners flipped(const Corners& c) { return {c[0], c[2], c[1]}; }

std::vector<int> edgeIds(const Face* f) {
    std::vector<int> ids;
    for (const Edge* e : f->edges) ids.push_back(e->getId());
    return ids;
}

std::vector<int> faceIds(const Edge* e) {
    std::vector<int> ids;
    for (const Face* f : e->faces) ids.push_back(f->getId());
    return ids;
}

// +1 when the winding of f runs along e from end1 to end2, -1 the other way,
// 0 when e is not a side of f's corner cycle.
int runAlong(const Face* f, const Edge* e) {
    const Corners c = cornersOf(f);
    for (int k = 0; k < 3; ++k) {
        const int from = c[k];
        const int to = c[(k + 1) % 3];
        if (from == e->end1->getId() && to == e->end2->getId()) return 1;
        if (from == e->end2->getId() && to == e->end1->getId()) return -1;
    }
    return 0;
}

// The first edge with two faces that do not run along it in opposite
// directions, or "" when there is none.
std::string windingClash(const Mesh& mesh) {
    for (const Edge* e : mesh.edges) {
        if (e->faces.size() != 2) continue;
        const int a = runAlong(e->faces[0], e);
        const int b = runAlong(e->faces[1], e);
        if (a == 0 || b == 0 || a != -b) return "edge " + std::to_string(e->getId());
    }
    return "";
}

Point3 minus(const Point3& a, const Point3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
Point3 cross(const Point3& a, const Point3& b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double dot(const Point3& a, const Point3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
double length(const Point3& a) { return std::sqrt(dot(a, a)); }

Point3 positionOf(int id) { return theMesh.vertices[id]->positionCopy(); }

Point3 centroid(const Face* f) {
    const Corners c = cornersOf(f);
    Point3 s{0, 0, 0};
    for (int id : c) {
        const Point3 p = positionOf(id);
        s = {s.x + p.x / 3, s.y + p.y / 3, s.z + p.z / 3};
    }
    return s;
}

// Right-hand normal of the corner cycle that the face's first two edges give.
Point3 cycleNormal(const Face* f) {
    const Corners c = cornersOf(f);
    return cross(minus(positionOf(c[1]), positionOf(c[0])), minus(positionOf(c[2]), positionOf(c[1])));
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
const std::vector<Point3> kTetraPositions = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
const std::vector<Corners> kTetraFaces = {{0, 2, 1}, {0, 1, 3}, {0, 3, 2}, {1, 2, 3}};

// Octahedron around the origin, every face wound outward.
const std::vector<Point3> kOctaPositions = {{1, 0, 0},  {-1, 0, 0}, {0, 1, 0},
                                            {0, -1, 0}, {0, 0, 1},  {0, 0, -1}};
const std::vector<Corners> kOctaOutward = {{0, 2, 4}, {2, 1, 4}, {1, 3, 4}, {3, 0, 4},
                                           {2, 0, 5}, {1, 2, 5}, {3, 1, 5}, {0, 3, 5}};

TEST_F(OrientPass, ConsistentTetrahedronKeepsFileWindingWithEntryEdgeFirst) {
    buildMesh(kTetraPositions, kTetraFaces);
    orientFaces(theMesh);
    const auto& F = theMesh.faces;
    // Seed F0 from e0 = (0,2) entered end2 -> end1: item (F0, a=2, b=0, e0).
    // Other edge at 2 is e1, third corner 1: winding 0->2->1, list
    // [e0 e1 e2]; F0 moves to the end of e1's and e2's face lists. Walk:
    // across e0 queue (F2, 0, 2), across e2 (F1, 1, 0), across e1 (F3, 2, 1).
    // F2: other edge at 0 is e4, third 3 -> winding 2->0->3, list [e0 e4 e5].
    // F1: other edge at 1 is e3, third 3 -> winding 0->1->3, list [e2 e3 e4].
    // F3: other edge at 2 is e5, third 3 -> winding 1->2->3, list [e1 e5 e3].
    EXPECT_EQ(edgeIds(F[0]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(edgeIds(F[1]), (std::vector<int>{2, 3, 4}));
    EXPECT_EQ(edgeIds(F[2]), (std::vector<int>{0, 4, 5}));
    EXPECT_EQ(edgeIds(F[3]), (std::vector<int>{1, 5, 3}));
    // Corners read back from the first two edges: (head, tail, third).
    EXPECT_EQ(cornersOf(F[0]), (Corners{0, 2, 1}));
    EXPECT_EQ(cornersOf(F[1]), (Corners{0, 1, 3}));
    EXPECT_EQ(cornersOf(F[2]), (Corners{2, 0, 3}));
    EXPECT_EQ(cornersOf(F[3]), (Corners{1, 2, 3}));
    // Unlinking and relinking E and T moved each face to the end of their lists.
    const auto& E = theMesh.edges;
    EXPECT_EQ(faceIds(E[0]), (std::vector<int>{0, 2}));
    EXPECT_EQ(faceIds(E[1]), (std::vector<int>{3, 0}));
    EXPECT_EQ(faceIds(E[2]), (std::vector<int>{1, 0}));
    EXPECT_EQ(faceIds(E[3]), (std::vector<int>{1, 3}));
    EXPECT_EQ(faceIds(E[4]), (std::vector<int>{2, 1}));
    EXPECT_EQ(faceIds(E[5]), (std::vector<int>{2, 3}));
    for (const Face* f : F) EXPECT_TRUE(f->isOriented());
    EXPECT_EQ(windingClash(theMesh), "");
    EXPECT_EQ(checkInvariants(theMesh), "");
}

TEST_F(OrientPass, TetrahedronNormalsAreUnitAndOutward) {
    buildMesh(kTetraPositions, kTetraFaces);
    orientFaces(theMesh);
    const auto& F = theMesh.faces;
    // F0: a=2 b=0 f=1: u = p0-p2 = (0,-1,0), w = p2-p1 = (-1,1,0), n = (0,0,-1).
    // F1: a=1 b=0 f=3: u = (-1,0,0), w = (1,0,-1), n = (0,-1,0).
    // F2: a=0 b=2 f=3: u = (0,1,0), w = (0,0,-1), n = (-1,0,0).
    // F3: a=2 b=1 f=3: u = (1,-1,0), w = (0,1,-1), n = (1,1,1), L = float(sqrt 3).
    const double third = 1.0 / static_cast<double>(static_cast<float>(std::sqrt(3.0)));
    const std::array<Point3, 4> expected = {
        Point3{0, 0, -1}, Point3{0, -1, 0}, Point3{-1, 0, 0}, Point3{third, third, third}};
    const Point3 middle{0.25, 0.25, 0.25};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        const Point3* n = F[i]->getNormal();
        ASSERT_NE(n, nullptr);
        EXPECT_DOUBLE_EQ(n->x, expected[i].x);
        EXPECT_DOUBLE_EQ(n->y, expected[i].y);
        EXPECT_DOUBLE_EQ(n->z, expected[i].z);
        EXPECT_NEAR(length(*n), 1.0, 1e-6);
        EXPECT_GT(dot(*n, minus(centroid(F[i]), middle)), 0.0);
    }
}

TEST_F(OrientPass, RandomlyWoundOctahedronComesOutConsistentFromFirstFace) {
    // Faces 1, 4 and 6 are written inward; face 0 is outward, so the whole
    // surface must come out outward.
    std::vector<Corners> file = kOctaOutward;
    for (int i : {1, 4, 6}) file[i] = flipped(kOctaOutward[i]);
    buildMesh(kOctaPositions, file);
    orientFaces(theMesh);
    EXPECT_EQ(cornersOf(theMesh.faces[0]), (Corners{0, 2, 4}));
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const Face* f = theMesh.faces[i];
        EXPECT_TRUE(f->isOriented());
        EXPECT_EQ(rotated(cornersOf(f)), rotated(kOctaOutward[i]));
        const Point3* n = f->getNormal();
        ASSERT_NE(n, nullptr);
        EXPECT_NEAR(length(*n), 1.0, 1e-6);
        // Outward, and the same direction as the cycle of the first two edges.
        EXPECT_NEAR(dot(*n, centroid(f)), 1.0 / std::sqrt(3.0), 1e-6);
        const Point3 c = cycleNormal(f);
        EXPECT_NEAR(dot(*n, c) / length(c), 1.0, 1e-6);
    }
    EXPECT_EQ(windingClash(theMesh), "");
    EXPECT_EQ(checkInvariants(theMesh), "");
}

TEST_F(OrientPass, OctahedronFollowsAnInwardFirstFace) {
    std::vector<Corners> file = kOctaOutward;
    file[0] = flipped(kOctaOutward[0]);
    buildMesh(kOctaPositions, file);
    orientFaces(theMesh);
    for (int i = 0; i < 8; ++i) {
        SCOPED_TRACE(i);
        const Face* f = theMesh.faces[i];
        EXPECT_EQ(rotated(cornersOf(f)), rotated(flipped(kOctaOutward[i])));
        EXPECT_LT(dot(*f->getNormal(), centroid(f)), 0.0);
    }
    EXPECT_EQ(windingClash(theMesh), "");
}

TEST_F(OrientPass, LaterComponentIsEnteredFromEnd1AndComesOutReversed) {
    // Two copies of the outward tetrahedron, the second on vertices 4..7 and
    // edges e6..e11, faces G0..G3 = F4..F7.
    std::vector<Point3> positions = kTetraPositions;
    for (const Point3& p : kTetraPositions) positions.push_back({p.x + 5, p.y, p.z});
    std::vector<Corners> faces = kTetraFaces;
    for (const Corners& c : kTetraFaces) faces.push_back({c[0] + 4, c[1] + 4, c[2] + 4});
    buildMesh(positions, faces);
    orientFaces(theMesh);
    const auto& F = theMesh.faces;
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(rotated(cornersOf(F[i])), rotated(faces[i]));
        EXPECT_EQ(rotated(cornersOf(F[i + 4])), rotated(flipped(faces[i + 4])));
        EXPECT_GT(dot(*F[i]->getNormal(), minus(centroid(F[i]), {0.25, 0.25, 0.25})), 0.0);
        EXPECT_LT(dot(*F[i + 4]->getNormal(), minus(centroid(F[i + 4]), {5.25, 0.25, 0.25})), 0.0);
    }
    // Second seed G0 = (4,6,5), first edge e6 = (4,6): item (G0, a=4, b=6, e6).
    // Other edge of G0 at 4 is e8 = (5,4), third corner 5: winding 6->4->5,
    // list [e6 e8 e7].
    EXPECT_EQ(edgeIds(F[4]), (std::vector<int>{6, 8, 7}));
    EXPECT_EQ(cornersOf(F[4]), (Corners{6, 4, 5}));
    EXPECT_EQ(windingClash(theMesh), "");
}

TEST_F(OrientPass, MeshWithoutFacesIsLeftAlone) {
    orientFaces(theMesh);
    EXPECT_TRUE(theMesh.faces.empty());
    buildMesh({{0, 0, 0}, {1, 0, 0}}, {});
    orientFaces(theMesh);
    EXPECT_TRUE(theMesh.faces.empty());
    EXPECT_TRUE(theMesh.vertices[0]->edges.empty());
}

TEST_F(OrientPass, NormalRoundsEdgeVectorsCrossProductAndLengthToSingle) {
    // One triangle P, Q, R. Seed from PQ entered end2 -> end1: a = Q, b = P,
    // f = R; u = P - Q, w = Q - R.
    const Point3 p{1 + 0x1p-40, 2, 0};
    const Point3 q{0, 0, 0};
    const Point3 r{-3 - 0x1p-33, 0, -1 + 0x1p-45};
    buildMesh({p, q, r}, {{0, 1, 2}});
    orientFaces(theMesh);
    // u = (1 + 2^-40, 2, 0) rounds to (1, 2, 0); w = (3 + 2^-33, 0, 1 - 2^-45)
    // rounds to (3, 0, 1). n = (2*1 - 0*0, 0*3 - 1*1, 1*0 - 2*3) = (2, -1, -6),
    // L = float(sqrt(41)); the quotients are taken in double.
    const double length41 = static_cast<float>(std::sqrt(41.0));
    const Point3 expected{2.0 / length41, -1.0 / length41, -6.0 / length41};
    const Point3* n = theMesh.faces[0]->getNormal();
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->x, expected.x);
    EXPECT_EQ(n->y, expected.y);
    EXPECT_EQ(n->z, expected.z);
    // The scenario tells the rounding apart: all-double arithmetic differs.
    const Point3 exact = cross(minus(p, q), minus(q, r));
    EXPECT_NE(exact.x / length(exact), expected.x);
    EXPECT_NE(2.0 / std::sqrt(41.0), expected.x);
    EXPECT_NE(static_cast<double>(2.0f / static_cast<float>(length41)), expected.x);
}

TEST_F(OrientPass, FaceNamingAVertexTwiceTerminatesAndKeepsItsOrder) {
    // Face (0,0,1): e0 = (0,0) a self-loop, e1 = (0,1), e2 = (1,0). The seed
    // has tail and head both 0, so its normal is 0/0.
    buildMesh({{0, 0, 0}, {1, 0, 0}}, {{0, 0, 1}});
    orientFaces(theMesh);
    const Face* f = theMesh.faces[0];
    EXPECT_TRUE(f->isOriented());
    EXPECT_EQ(edgeIds(f), (std::vector<int>{0, 1, 2}));
    ASSERT_NE(f->getNormal(), nullptr);
    EXPECT_TRUE(std::isnan(f->getNormal()->x));
}

TEST_F(OrientPass, RepeatedCornerFaceBesideATriangleIsHandledOnce) {
    // F0 (0,1,2): e0 (0,1), e1 (1,2), e2 (2,0). F1 (1,0,0): PQ = e0, PR = e0,
    // QR = last edge of vertex 0 = e2, so F1 lists [e0 e2 e0]. F0 queues F1
    // across e0; across e2 it is already queued.
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, {{0, 1, 2}, {1, 0, 0}});
    ASSERT_EQ(edgeIds(theMesh.faces[1]), (std::vector<int>{0, 2, 0}));
    orientFaces(theMesh);
    EXPECT_TRUE(theMesh.faces[0]->isOriented());
    EXPECT_TRUE(theMesh.faces[1]->isOriented());
    EXPECT_EQ(edgeIds(theMesh.faces[0]), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(edgeIds(theMesh.faces[1]), (std::vector<int>{0, 2, 0}));
}

TEST_F(OrientPass, EdgeWithThreeFacesQueuesEveryOtherFaceTheSameWay) {
    // Three triangles on e0 = (0,1): F0 (0,1,2) in the plane, F1 (1,0,3) in
    // the plane on the other side, F2 (0,1,4) a fin written the same way as F0.
    // F0 (a=1, b=0) runs 0->1 along e0 and queues F1 and F2 both with tail 0,
    // head 1: each comes out running 1->0 along e0.
    //   F1 [e0 e3 e4]: other edge at 0 is e3 = (0,3) -> winding 1->0->3.
    //   F2 [e0 e5 e6]: e5 = (1,4), e6 = (4,0); other edge at 0 is e6 ->
    //   winding 1->0->4, list [e0 e6 e5].
    buildMesh({{0, 0, 0}, {1, 0, 0}, {0.5, 1, 0}, {0.5, -1, 0}, {0.5, 0, 1}},
              {{0, 1, 2}, {1, 0, 3}, {0, 1, 4}});
    ASSERT_EQ(faceIds(theMesh.edges[0]), (std::vector<int>{0, 1, 2}));
    orientFaces(theMesh);
    const auto& F = theMesh.faces;
    EXPECT_EQ(cornersOf(F[0]), (Corners{0, 1, 2}));
    EXPECT_EQ(cornersOf(F[1]), (Corners{1, 0, 3}));
    EXPECT_EQ(cornersOf(F[2]), (Corners{1, 0, 4}));
    EXPECT_EQ(edgeIds(F[2]), (std::vector<int>{0, 6, 5}));
    EXPECT_EQ(runAlong(F[0], theMesh.edges[0]), 1);
    EXPECT_EQ(runAlong(F[1], theMesh.edges[0]), -1);
    EXPECT_EQ(runAlong(F[2], theMesh.edges[0]), -1);
    // F2's normal: (p0 - p1) x (p4 - p0) = (-1,0,0) x (0.5,0,1) = (0,1,0).
    EXPECT_DOUBLE_EQ(F[2]->getNormal()->y, 1.0);
    for (const Face* f : F) EXPECT_TRUE(f->isOriented());
}

}  // namespace
}  // namespace zeq::test
