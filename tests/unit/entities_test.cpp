// The incidence records: one-sided add/drop, two-sided link/unlink, edge ends.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "mesh/entities.h"

namespace zeq {
namespace {

const char* const kForeignVertexLine = "Erro: vertice nao pertence a aresta logo nao removido!\n";

template <class List>
std::vector<const void*> entries(const List& list) {
    return std::vector<const void*>(list.begin(), list.end());
}

TEST(IncidenceList, AddKeepsOneEntryAndDropTakesOnlyTheFirstOccurrence) {
    Vertex v(0, Point3{});
    Edge a(0, nullptr, nullptr), b(1, nullptr, nullptr), c(2, nullptr, nullptr);

    EXPECT_FALSE(v.dropEdge(&a));  // removing from an empty list does nothing
    EXPECT_TRUE(v.edges.empty());

    EXPECT_TRUE(v.addEdge(&a));
    EXPECT_TRUE(v.addEdge(&b));
    EXPECT_FALSE(v.addEdge(&a));  // present: no second entry, no reordering
    EXPECT_EQ(entries(v.edges), (std::vector<const void*>{&a, &b}));

    EXPECT_FALSE(v.dropEdge(&c));  // absent: nothing changes
    EXPECT_EQ(entries(v.edges), (std::vector<const void*>{&a, &b}));

    // A list that holds a duplicate (written directly) loses only the first one,
    // and the entries after it keep their order.
    v.edges.pushBack(&c);
    v.edges.pushBack(&a);  // a, b, c, a
    EXPECT_TRUE(v.dropEdge(&a));
    EXPECT_EQ(entries(v.edges), (std::vector<const void*>{&b, &c, &a}));
    EXPECT_TRUE(v.dropEdge(&a));
    EXPECT_EQ(entries(v.edges), (std::vector<const void*>{&b, &c}));

    // No back links from the one-sided operations.
    EXPECT_EQ(a.end1, nullptr);
    EXPECT_EQ(a.end2, nullptr);
}

TEST(IncidenceList, ConstructorsDoNotTouchTheOtherSide) {
    Vertex p(4, Point3{1, 2, 3}), q(5, Point3{});
    Edge e(7, &p, &q);
    FaceEdgeList list;
    list.pushBack(&e);
    Face f(9, list);
    list.pushBack(&e);  // the face holds its own copy

    EXPECT_EQ(p.getId(), 4);
    EXPECT_EQ(p.touched, 0);
    EXPECT_EQ(p.positionCopy().z, 3.0);
    EXPECT_TRUE(p.edges.empty());
    EXPECT_TRUE(q.edges.empty());
    EXPECT_EQ(e.collapsed, 0);
    EXPECT_TRUE(e.faces.empty());
    EXPECT_EQ(entries(f.edges), (std::vector<const void*>{&e}));
    EXPECT_EQ(f.getNormal(), nullptr);
    EXPECT_FALSE(f.isOriented());
    f.setOriented(2);  // only the value 1 means oriented
    EXPECT_FALSE(f.isOriented());
    f.setOriented(1);
    EXPECT_TRUE(f.isOriented());
}

// linkEdge on a vertex fills a free end of the edge; linking the same edge
// again must not touch the edge, or the vertex would land in end2 as well.
TEST(VertexLinks, SecondLinkDoesNothingAndUnlinkOfAbsentEdgeDoesNothing) {
    Vertex v(0, Point3{}), w(1, Point3{});
    Edge e(0, nullptr, nullptr);

    v.linkEdge(&e);
    EXPECT_EQ(e.end1, &v);
    EXPECT_EQ(e.end2, nullptr);
    v.linkEdge(&e);
    EXPECT_EQ(e.end2, nullptr);
    EXPECT_EQ(entries(v.edges), (std::vector<const void*>{&e}));

    // Even with end1 cleared behind its back, the second link does not refill it.
    e.end1 = nullptr;
    v.linkEdge(&e);
    EXPECT_EQ(e.end1, nullptr);
    e.end1 = &v;

    // w is end2 by construction but does not list the edge: unlinking is a
    // no-op on both sides (the back half runs only after a removal).
    Edge g(1, &v, &w);
    testing::internal::CaptureStdout();
    w.unlinkEdge(&g);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(g.end1, &v);
    EXPECT_EQ(g.end2, &w);
}

// A----B      unlinkEdge(B) clears end2 only; attachEnd(W) puts W into that
//             same slot and lists the edge at W, end1 untouched.
TEST(VertexLinks, UnlinkThenAttachRefillsTheSameSlot) {
    Vertex a(0, Point3{}), b(1, Point3{}), w(2, Point3{});
    Edge other(5, &b, &a);
    Edge e(0, &a, &b);
    a.linkEdge(&e);
    b.linkEdge(&other);
    b.linkEdge(&e);
    w.linkEdge(&other);  // w lists an unrelated edge first; order must be kept

    b.unlinkEdge(&e);
    EXPECT_EQ(e.end1, &a);
    EXPECT_EQ(e.end2, nullptr);
    EXPECT_EQ(entries(b.edges), (std::vector<const void*>{&other}));
    EXPECT_EQ(entries(a.edges), (std::vector<const void*>{&e}));

    e.attachEnd(&w);
    EXPECT_EQ(e.end1, &a);
    EXPECT_EQ(e.end2, &w);
    EXPECT_EQ(entries(w.edges), (std::vector<const void*>{&other, &e}));

    // The same through end1.
    a.unlinkEdge(&e);
    EXPECT_EQ(e.end1, nullptr);
    EXPECT_EQ(e.end2, &w);
    EXPECT_TRUE(a.edges.empty());
    e.attachEnd(&b);
    EXPECT_EQ(e.end1, &b);
    EXPECT_EQ(e.end2, &w);
    EXPECT_EQ(entries(b.edges), (std::vector<const void*>{&other, &e}));
}

TEST(EdgeEnds, FillFreeEndAndAttachEndFillEnd1FirstAndStopWhenFull) {
    Vertex a(0, Point3{}), b(1, Point3{}), c(2, Point3{});
    Edge e(0, nullptr, nullptr);

    EXPECT_TRUE(e.fillFreeEnd(&a));
    EXPECT_TRUE(e.fillFreeEnd(&b));
    EXPECT_FALSE(e.fillFreeEnd(&c));
    EXPECT_EQ(e.end1, &a);
    EXPECT_EQ(e.end2, &b);
    EXPECT_TRUE(a.edges.empty());  // fillFreeEnd has no back link

    e.attachEnd(&c);  // full: no slot, so no back link either
    EXPECT_EQ(e.end1, &a);
    EXPECT_EQ(e.end2, &b);
    EXPECT_TRUE(c.edges.empty());

    Edge g(1, nullptr, &b);
    g.attachEnd(&c);
    EXPECT_EQ(g.end1, &c);
    EXPECT_EQ(entries(c.edges), (std::vector<const void*>{&g}));
}

// A----B   X is not an end: one error line, nothing changes anywhere.
TEST(EdgeEnds, DetachOfForeignVertexPrintsOneLineAndChangesNothing) {
    Vertex a(0, Point3{}), b(1, Point3{}), x(2, Point3{});
    Edge e(0, &a, &b), xs(1, &x, &a);
    a.linkEdge(&e);
    b.linkEdge(&e);
    x.linkEdge(&xs);
    a.linkEdge(&xs);

    testing::internal::CaptureStdout();
    e.detachEnd(&x);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kForeignVertexLine);
    EXPECT_EQ(e.end1, &a);
    EXPECT_EQ(e.end2, &b);
    EXPECT_EQ(entries(a.edges), (std::vector<const void*>{&e, &xs}));
    EXPECT_EQ(entries(b.edges), (std::vector<const void*>{&e}));
    EXPECT_EQ(entries(x.edges), (std::vector<const void*>{&xs}));

    // Inside unlinkEdge the vertex has already dropped the edge by then; the
    // edge keeps its ends.
    x.edges.pushBack(&e);
    testing::internal::CaptureStdout();
    x.unlinkEdge(&e);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kForeignVertexLine);
    EXPECT_EQ(entries(x.edges), (std::vector<const void*>{&xs}));
    EXPECT_EQ(e.end1, &a);
    EXPECT_EQ(e.end2, &b);

    // A real end detaches silently.
    testing::internal::CaptureStdout();
    e.detachEnd(&b);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(e.end2, nullptr);
    EXPECT_TRUE(b.edges.empty());
}

//   C         detachBothEnds on AB: both ends cleared, the edge leaves both
//  / \        lists, the other edges keep their order.
// A---B
TEST(EdgeEnds, DetachBothEndsClearsEachSetEnd) {
    Vertex a(0, Point3{}), b(1, Point3{}), c(2, Point3{});
    Edge ab(0, &a, &b), bc(1, &b, &c), ca(2, &c, &a);
    for (Edge* e : {&ab, &bc, &ca}) {
        e->end1->linkEdge(e);
        e->end2->linkEdge(e);
    }
    ab.detachBothEnds();
    EXPECT_EQ(ab.end1, nullptr);
    EXPECT_EQ(ab.end2, nullptr);
    EXPECT_EQ(entries(a.edges), (std::vector<const void*>{&ca}));
    EXPECT_EQ(entries(b.edges), (std::vector<const void*>{&bc}));

    // Only end2 set (end1 was detached earlier): no message, end2 cleared.
    testing::internal::CaptureStdout();
    bc.detachEnd(&b);
    bc.detachBothEnds();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(bc.end2, nullptr);
    EXPECT_TRUE(c.edges.contains(&ca));
    EXPECT_FALSE(c.edges.contains(&bc));

    // A loop edge whose two ends are one vertex.
    Edge loop(3, &a, &a);
    a.linkEdge(&loop);
    loop.detachBothEnds();
    EXPECT_EQ(loop.end1, nullptr);
    EXPECT_EQ(loop.end2, nullptr);
    EXPECT_EQ(entries(a.edges), (std::vector<const void*>{&ca}));
}

TEST(FaceLinks, EdgeAndFaceSidesStayPairedAndRepeatsAreNoOps) {
    Edge e(0, nullptr, nullptr), g(1, nullptr, nullptr);
    Face f(0, FaceEdgeList{}), h(1, FaceEdgeList{});

    e.linkFace(&f);
    EXPECT_EQ(entries(e.faces), (std::vector<const void*>{&f}));
    EXPECT_EQ(entries(f.edges), (std::vector<const void*>{&e}));

    // Second link: the edge already lists f, so the face side is not touched
    // even when it lost e in the meantime.
    f.dropEdge(&e);
    e.linkFace(&f);
    EXPECT_TRUE(f.edges.empty());
    f.addEdge(&e);

    // unlinkFace with a face the edge does not list: h keeps its edge.
    h.addEdge(&e);
    e.unlinkFace(&h);
    EXPECT_EQ(entries(h.edges), (std::vector<const void*>{&e}));
    EXPECT_EQ(entries(e.faces), (std::vector<const void*>{&f}));

    e.unlinkFace(&f);
    EXPECT_TRUE(e.faces.empty());
    EXPECT_TRUE(f.edges.empty());

    // The face-side pair.
    f.linkEdge(&g);
    f.linkEdge(&e);
    EXPECT_EQ(entries(f.edges), (std::vector<const void*>{&g, &e}));
    EXPECT_EQ(entries(g.faces), (std::vector<const void*>{&f}));
    g.dropFace(&f);
    f.linkEdge(&g);  // already listed by f: g does not get f back
    EXPECT_TRUE(g.faces.empty());
    f.unlinkEdge(&g);
    EXPECT_EQ(entries(f.edges), (std::vector<const void*>{&e}));
    f.unlinkEdge(&g);  // absent: nothing
    f.unlinkEdge(&e);
    EXPECT_TRUE(f.edges.empty());
    EXPECT_TRUE(e.faces.empty());
}

TEST(FaceNormal, SetNormalIfAbsentKeepsTheFirst) {
    Face f(0, FaceEdgeList{});
    EXPECT_EQ(f.getNormal(), nullptr);
    f.setNormalIfAbsent(Point3{0, 0, 1});
    Point3* first = f.getNormal();
    ASSERT_NE(first, nullptr);
    f.setNormalIfAbsent(Point3{1, 0, 0});
    EXPECT_EQ(f.getNormal(), first);
    EXPECT_EQ(first->x, 0.0);
    EXPECT_EQ(first->z, 1.0);
    first->set(0, 1, 0);  // updated in place through the pointer
    EXPECT_EQ(f.getNormal()->y, 1.0);
}

TEST(Snapshots, CopiesAreUnaffectedByLaterDrops) {
    Vertex v(0, Point3{});
    Edge a(0, &v, nullptr), b(1, &v, nullptr), c(2, &v, nullptr);
    Face f(0, FaceEdgeList{}), g(1, FaceEdgeList{});
    for (Edge* e : {&a, &b, &c}) v.addEdge(e);

    VertexEdgeList vs = v.edgeList();
    v.dropEdge(&b);
    v.dropEdge(&a);
    EXPECT_EQ(entries(vs), (std::vector<const void*>{&a, &b, &c}));
    EXPECT_EQ(entries(v.edges), (std::vector<const void*>{&c}));

    a.addFace(&f);
    a.addFace(&g);
    EdgeFaceList fs = a.faceList();
    a.dropFace(&f);
    EXPECT_EQ(entries(fs), (std::vector<const void*>{&f, &g}));

    f.addEdge(&c);
    f.addEdge(&b);
    FaceEdgeList es = f.edgeList();
    f.dropEdge(&c);
    EXPECT_EQ(entries(es), (std::vector<const void*>{&c, &b}));
}

// A vertex of degree 20 (well past any small inline capacity): order is kept
// through appends, removals at the front, middle and back, re-adds, snapshots
// and a release that empties the list.
TEST(Snapshots, LongListsKeepOrderThroughGrowthAndRemovals) {
    Vertex v(0, Point3{});
    std::vector<Edge*> pool;
    for (int i = 0; i < 20; ++i) pool.push_back(new Edge(i, &v, nullptr));
    std::vector<const void*> expected;
    for (Edge* e : pool) {
        EXPECT_TRUE(v.addEdge(e));
        expected.push_back(e);
    }
    EXPECT_EQ(entries(v.edges), expected);
    EXPECT_FALSE(v.addEdge(pool[19]));  // found in the grown part
    EXPECT_FALSE(v.addEdge(pool[0]));

    VertexEdgeList snapshot = v.edgeList();
    for (int i : {0, 7, 19, 10}) {
        EXPECT_TRUE(v.dropEdge(pool[i]));
        expected.erase(std::find(expected.begin(), expected.end(), pool[i]));
    }
    EXPECT_EQ(entries(v.edges), expected);
    EXPECT_EQ(v.edges.size(), 16u);
    EXPECT_EQ(snapshot.size(), 20u);
    EXPECT_EQ(snapshot[7], pool[7]);
    EXPECT_EQ(snapshot[19], pool[19]);

    EXPECT_TRUE(v.addEdge(pool[7]));  // re-added at the end
    expected.push_back(pool[7]);
    EXPECT_EQ(entries(v.edges), expected);

    // Shrunk back below the inline size, then grown again.
    for (int i = 1; i < 19; ++i) v.dropEdge(pool[i]);
    EXPECT_TRUE(v.edges.empty());
    for (int i = 19; i >= 0; --i) v.addEdge(pool[i]);
    EXPECT_EQ(v.edges.front(), pool[19]);
    EXPECT_EQ(v.edges[19], pool[0]);

    v.releaseLists();
    EXPECT_TRUE(v.edges.empty());
    v.addEdge(pool[3]);
    EXPECT_EQ(entries(v.edges), (std::vector<const void*>{pool[3]}));

    // The same for an edge with many faces and a face with many edges.
    Edge e(99, nullptr, nullptr);
    std::vector<Face*> faces;
    for (int i = 0; i < 5; ++i) faces.push_back(new Face(i, FaceEdgeList{}));
    for (Face* f : faces) e.linkFace(f);
    e.unlinkFace(faces[1]);
    EXPECT_EQ(entries(e.faces), (std::vector<const void*>{faces[0], faces[2], faces[3], faces[4]}));
    for (int i = 0; i < 6; ++i) faces[0]->linkEdge(pool[i]);
    faces[0]->unlinkEdge(pool[0]);
    EXPECT_EQ(entries(faces[0]->edges),
              (std::vector<const void*>{&e, pool[1], pool[2], pool[3], pool[4], pool[5]}));
    EXPECT_EQ(entries(faces[0]->edgeList()), entries(faces[0]->edges));

    for (Face* f : faces) delete f;
    for (Edge* p : pool) delete p;
}

}  // namespace
}  // namespace zeq
