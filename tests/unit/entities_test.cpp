// The incidence records: one-sided add/drop, two-sided link/unlink, edge ends.
#include <algorithm>
#include <type_traits>

#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

using VertexIds = std::vector<VertexId>;
using EdgeIds = std::vector<EdgeId>;
using FaceIds = std::vector<FaceId>;

// The entries of an incidence list, front to back.
template <class List>
auto entries(const List& list) {
    std::vector<std::decay_t<decltype(list[0])>> out;
    for (const auto& h : list) out.push_back(h);
    return out;
}
VertexIds ends(const EdgeId e) { return {e->end1, e->end2}; }

// Records made in the global mesh for these tests alone: no faces are built,
// so every list holds only what a test puts there. Edges start with the given
// ends (none by default) and no back links.
VertexId vertex(int id) {
    const VertexId v = theMesh().newVertex(id, Point3{});
    theMesh().addVertex(v);
    return v;
}
EdgeId edge(int id, const VertexId end1 = VertexId{}, const VertexId end2 = VertexId{}) {
    const EdgeId e = theMesh().newEdge(id, end1, end2);
    theMesh().addEdge(e);
    return e;
}
FaceId face(int id) {
    const FaceId f = theMesh().newFace(id, FaceEdgeList{});
    theMesh().addFace(f);
    return f;
}
EdgeIds looseEdges(int count) {
    EdgeIds out;
    for (int i = 0; i < count; ++i) out.push_back(edge(i));
    return out;
}

using IncidenceList = GlobalMeshTest;
using Links = GlobalMeshTest;

// Within the inline capacity and past it: an add keeps one entry, a drop takes
// only the first occurrence and keeps the order of the rest, neither touches
// the other side; a snapshot is a copy that later drops leave alone; a
// release empties the list.
TEST_F(IncidenceList, AddDropSnapshotAndRelease) {
    const VertexId v = vertex(0);
    EdgeIds pool;
    for (int i = 0; i < 20; ++i) {
        pool.push_back(edge(i));
        EXPECT_TRUE(v->addEdge(pool.back()));
    }
    EXPECT_FALSE(v->addEdge(pool[19]));  // present: no second entry, no reordering
    EXPECT_FALSE(v->addEdge(pool[0]));
    const auto snapshot = v->edgeList();
    v->edges.pushBack(pool[0]);  // a duplicate at the end
    for (int i : {0, 7, 19, 10}) EXPECT_TRUE(v->dropEdge(pool[i]));
    EXPECT_FALSE(v->dropEdge(pool[7]));  // absent: nothing changes
    EXPECT_TRUE(v->addEdge(pool[7]));    // re-added at the end
    EdgeIds expected;
    for (int i : {1, 2, 3, 4, 5, 6, 8, 9, 11, 12, 13, 14, 15, 16, 17, 18, 0, 7}) expected.push_back(pool[i]);
    EXPECT_EQ(entries(v->edges), expected);
    ASSERT_EQ(snapshot.size(), 20u);
    EXPECT_TRUE(snapshot[7] == pool[7] && snapshot[19] == pool[19]);
    EXPECT_EQ(ends(pool[0]), (VertexIds{VertexId{}, VertexId{}}));
    v->releaseLists();
    EXPECT_TRUE(v->edges.empty());
    v->addEdge(pool[3]);
    EXPECT_EQ(entries(v->edges), (EdgeIds{pool[3]}));
}

// A long vertex edge list removes lazily (holes squeezed out before any read
// by position): whatever the mix of drops, adds, reads and copies, it gives
// the same answers as a plain list that shifts on every drop.
TEST_F(IncidenceList, LongVertexListBehavesLikeAPlainList) {
    const EdgeIds pool = looseEdges(400);
    const VertexId v = vertex(0);
    EdgeIds model;
    auto drop = [&](int i) {
        const auto it = std::find(model.begin(), model.end(), pool[i]);
        const bool present = it != model.end();
        if (present) model.erase(it);
        EXPECT_EQ(v->dropEdge(pool[i]), present) << "edge " << i;
    };
    auto add = [&](int i) {
        const bool absent = std::find(model.begin(), model.end(), pool[i]) == model.end();
        if (absent) model.push_back(pool[i]);
        EXPECT_EQ(v->addEdge(pool[i]), absent) << "edge " << i;
    };
    for (int i = 0; i < 300; ++i) add(i);
    // Drops in list order and in reverse, as forward and backward sweeps make them.
    for (int i = 10; i < 200; i += 2) drop(i);
    EXPECT_EQ(v->edges.size(), model.size());
    EXPECT_EQ(entries(v->edges), model);
    for (int i = 299; i > 150; i -= 3) drop(i);
    EXPECT_TRUE(v->edges.contains(pool[201]) && !v->edges.contains(pool[299]));
    EXPECT_EQ(v->edges[5], model[5]);
    // Then a random mix, checking every answer against the plain list.
    std::uint32_t state = 12345;
    auto next = [&state](int bound) {
        state = state * 1664525u + 1013904223u;
        return static_cast<int>((state >> 8) % static_cast<std::uint32_t>(bound));
    };
    for (int step = 0; step < 4000; ++step) {
        const int i = next(400);
        switch (next(10)) {
            case 0: add(i); break;
            case 1: EXPECT_EQ(v->edges.contains(pool[i]), std::find(model.begin(), model.end(), pool[i]) != model.end()); break;
            case 2: {
                const auto snapshot = v->edgeList();
                EXPECT_EQ(entries(snapshot), model);
                break;
            }
            case 3:
                if (!model.empty()) {
                    EXPECT_EQ(v->edges.front(), model.front());
                }
                break;
            default: drop(i); break;
        }
        ASSERT_EQ(v->edges.size(), model.size());
        if (model.size() < 70) for (int k = 0; k < 200; ++k) add(next(400));
    }
    EXPECT_EQ(entries(v->edges), model);
}

// The vertex side touches the edge only when its own list changed; a freed end
// slot is refilled by the next attach, end1 before end2.
TEST_F(Links, VertexSideLinksFillAndClearTheEndSlot) {
    const VertexId a = vertex(0), b = vertex(1), w = vertex(2);
    const EdgeId other = edge(5, b, a), e = edge(0);
    a->linkEdge(e);
    a->linkEdge(e);  // already listed: a must not land in end2 as well
    EXPECT_EQ(ends(e), (VertexIds{a, VertexId{}}));
    EXPECT_EQ(entries(a->edges), (EdgeIds{e}));
    b->addEdge(other);
    b->linkEdge(e);
    b->dropEdge(e);
    b->unlinkEdge(e);  // b no longer lists e: the edge keeps b
    EXPECT_EQ(ends(e), (VertexIds{a, b}));
    b->addEdge(e);
    b->unlinkEdge(e);
    EXPECT_EQ(ends(e), (VertexIds{a, VertexId{}}));
    EXPECT_EQ(entries(b->edges), (EdgeIds{other}));
    w->addEdge(other);
    e->attachEnd(w);  // the freed slot, and w lists e after its other edge
    EXPECT_EQ(entries(w->edges), (EdgeIds{other, e}));
    a->unlinkEdge(e);  // the same through end1
    e->attachEnd(b);
    EXPECT_EQ(ends(e), (VertexIds{b, w}));
    e->attachEnd(a);  // full: no slot, so no back link either
    EXPECT_TRUE(a->edges.empty());
}

// A foreign vertex prints the one error line and changes nothing; real ends
// detach silently, one at a time or both (a loop edge included).
TEST_F(Links, DetachEnds) {
    const VertexId a = vertex(0), b = vertex(1), x = vertex(2);
    const EdgeId e = edge(0, a, b), loop = edge(1, x, x);
    a->addEdge(e);
    b->addEdge(e);
    x->addEdge(e);
    x->addEdge(loop);
    EXPECT_EQ(printedBy([&] { e->detachEnd(x); }), "Erro: vertice nao pertence a aresta logo nao removido!\n");
    EXPECT_EQ(ends(e), (VertexIds{a, b}));
    EXPECT_EQ(entries(x->edges), (EdgeIds{e, loop}));
    EXPECT_EQ(printedBy([&] {
                  e->detachEnd(a);
                  e->detachBothEnds();  // only end2 is left
                  loop->detachBothEnds();
              }),
              "");
    EXPECT_EQ(ends(e), (VertexIds{VertexId{}, VertexId{}}));
    EXPECT_TRUE(a->edges.empty() && b->edges.empty());
    EXPECT_EQ(ends(loop), (VertexIds{VertexId{}, VertexId{}}));
    EXPECT_EQ(entries(x->edges), (EdgeIds{e}));
}

// Edge-face pairs: each side changes the other only when its own list changed.
TEST_F(Links, EdgeAndFaceSidesPairUpOnlyOnAChange) {
    const EdgeId e = edge(0), g = edge(1);
    const FaceId f = face(0), h = face(1);
    e->linkFace(f);
    EXPECT_EQ(entries(f->edges), (EdgeIds{e}));
    f->dropEdge(e);
    e->linkFace(f);  // e already lists f: the face side is left alone
    EXPECT_TRUE(f->edges.empty());
    h->addEdge(e);
    e->unlinkFace(h);  // e does not list h: h keeps e
    EXPECT_EQ(entries(h->edges), (EdgeIds{e}));
    f->addEdge(e);
    e->unlinkFace(f);
    EXPECT_TRUE(e->faces.empty() && f->edges.empty());

    f->linkEdge(g);
    f->linkEdge(e);
    EXPECT_EQ(entries(f->edges), (EdgeIds{g, e}));
    EXPECT_EQ(entries(g->faces), (FaceIds{f}));
    g->dropFace(f);
    f->linkEdge(g);  // f already lists g: g does not get f back
    EXPECT_TRUE(g->faces.empty());
    g->addFace(h);
    h->dropEdge(e);
    h->unlinkEdge(g);  // h does not list g: g keeps h
    EXPECT_EQ(entries(g->faces), (FaceIds{h}));
    f->unlinkEdge(e);
    EXPECT_EQ(entries(f->edges), (EdgeIds{g}));
    EXPECT_TRUE(e->faces.empty());
}

}  // namespace
}  // namespace zeq::test
