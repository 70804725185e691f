// The ring queries against a reference written the plain way from their
// contract: snapshots of the argument's lists, linear scans, vector erase.
// Every form of every kind is asked on meshes that reach the fast paths (long
// and spilled lists, holes left by lazy removal, the hash table of a large
// face star, edges with three and more faces, repeated faces, clashing
// numbers, edges with a missing end), and the whole shared record must agree
// with the reference after every query.
#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "orient/orient_faces.h"
#include "simplify/run_pass.h"
#include "simplify/simplification_state.h"
#include "tests/unit/test_mesh.h"

namespace zeq::test {
namespace {

// ---------------------------------------------------------------------------
// The reference

// What the shared record holds: the reference keeps its own copy of all of it.
struct Answer {
    int kind = 0;
    std::vector<VertexId> vertices;
    std::vector<EdgeId> edges;
    std::vector<FaceId> faces;
};

// A snapshot of a record's list, read entry by entry into a plain vector.
template <class List>
auto plain(const List& snapshot) {
    std::vector<std::decay_t<decltype(snapshot[0])>> out;
    for (std::uint32_t i = 0; i < snapshot.size(); ++i) out.push_back(snapshot[i]);
    return out;
}
std::vector<EdgeId> edgesOf(VertexId v) { return plain(v->edgeList()); }
std::vector<FaceId> facesOf(EdgeId e) { return plain(e->faceList()); }
std::vector<EdgeId> edgesOf(FaceId f) { return plain(f->edgeList()); }

template <class T>
bool listed(const std::vector<T>& list, T x) {
    for (const T y : list)
        if (y == x) return true;
    return false;
}

// Takes out the first entry equal to x, if any; the rest keep their order.
template <class T>
void eraseFirst(std::vector<T>& list, T x) {
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (list[i] == x) {
            list.erase(list.begin() + static_cast<std::ptrdiff_t>(i));
            return;
        }
    }
}

bool isEndOf(VertexId v, EdgeId e) { return e->end1 == v || e->end2 == v; }

// end1 of e, then end2, each only if set and not v.
void endsOtherThan(std::vector<VertexId>& out, EdgeId e, VertexId v) {
    if (e->end1 != nullptr && e->end1 != v) out.push_back(e->end1);
    if (e->end2 != nullptr && e->end2 != v) out.push_back(e->end2);
}

void referenceVertices(std::vector<VertexId>& out, VertexId v, EdgeId e, FaceId f) {
    if (e != nullptr && f == nullptr) {
        endsOtherThan(out, e, v);
    } else if (e != nullptr) {
        for (const EdgeId g : edgesOf(f))
            if (g == e) endsOtherThan(out, e, v);
    } else if (f != nullptr) {
        for (const EdgeId g : edgesOf(f))
            for (const VertexId corner : {g->end1, g->end2})
                if (corner != v && !listed(out, corner)) out.push_back(corner);
    } else {
        for (const EdgeId g : edgesOf(v)) out.push_back(g->end1 == v ? g->end2 : g->end1);
    }
}

void referenceEdges(std::vector<EdgeId>& out, VertexId v, EdgeId e, FaceId f) {
    if (v != nullptr && f != nullptr) {
        for (const EdgeId g : edgesOf(f))
            if (isEndOf(v, g) && g != e) out.push_back(g);
    } else if (v != nullptr) {
        out = edgesOf(v);
        if (e != nullptr) eraseFirst(out, e);
    } else if (f != nullptr) {
        out = edgesOf(f);
        if (e != nullptr) eraseFirst(out, e);
    } else {
        for (const EdgeId g : edgesOf(e->end1))
            if (g->getId() != e->getId()) out.push_back(g);
        for (const EdgeId g : edgesOf(e->end2))
            if (g->getId() != e->getId()) out.push_back(g);
    }
}

void referenceFaces(std::vector<FaceId>& out, std::vector<EdgeId>& edgeOut, VertexId v, EdgeId e, FaceId f) {
    if (v != nullptr && e != nullptr) {
        if (isEndOf(v, e)) out = facesOf(e);
        if (f != nullptr) eraseFirst(out, f);
    } else if (v != nullptr) {
        for (const EdgeId g : edgesOf(v))
            for (const FaceId h : facesOf(g))
                if (h != f && !listed(out, h)) out.push_back(h);
    } else if (e != nullptr) {
        out = facesOf(e);
        if (f != nullptr) eraseFirst(out, f);
    } else {
        edgeOut = edgesOf(f);
        for (const EdgeId g : edgeOut)
            for (const FaceId h : facesOf(g))
                if (h->getId() != f->getId() && !listed(out, h)) out.push_back(h);
    }
}

// The query as its contract states it: store the kind, empty the list of that
// kind, fill it; any other kind changes nothing else.
void referenceQuery(Answer& a, int kind, VertexId v, EdgeId e, FaceId f) {
    a.kind = kind;
    if (kind == kVertices) {
        a.vertices.clear();
        referenceVertices(a.vertices, v, e, f);
    } else if (kind == kEdges) {
        a.edges.clear();
        referenceEdges(a.edges, v, e, f);
    } else if (kind == kFaces) {
        a.faces.clear();
        referenceFaces(a.faces, a.edges, v, e, f);
    }
}

// True when the contract defines the answer: not all three arguments null;
// the edge-only form of kind 1 with both ends of e set; and the corner form of
// kind 0 (no edge, a face) only for faces whose edges all have both ends, as
// the answer for a missing end is left open.
bool defined(int kind, VertexId v, EdgeId e, FaceId f) {
    if (v == nullptr && e == nullptr && f == nullptr) return false;
    if (kind == kEdges && v == nullptr && e != nullptr && f == nullptr)
        return e->end1 != nullptr && e->end2 != nullptr;
    if (kind == kVertices && e == nullptr && f != nullptr) {
        for (const EdgeId g : edgesOf(f))
            if (g->end1 == nullptr || g->end2 == nullptr) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------
// The comparison

template <class H>
std::string show(H h) {
    return h ? std::to_string(h.index()) : std::string("-");
}
template <class H>
std::string show(const std::vector<H>& hs) {
    std::string out = "[";
    for (std::size_t i = 0; i < hs.size(); ++i) out += (i != 0 ? " " : "") + show(hs[i]);
    return out + "]";
}

// Asks the mesh and the reference the same queries and compares the whole
// shared record after each: the list of the query's kind, `kind`, and the
// lists the query must leave as they were. The reference starts from the
// record as it is.
class QueryComparison {
public:
    explicit QueryComparison(std::uint32_t seed) : random_(seed) { resync(); }

    ~QueryComparison() {
        EXPECT_EQ(failures_, 0) << "queries answered differently from the reference, of " << asked_;
    }

    // Takes the shared record as it is now: after code other than these
    // queries has asked its own (a collapse does).
    void resync() {
        mirror_.kind = currentRun().neighbourhood.kind;
        mirror_.vertices = currentRun().neighbourhood.vertices;
        mirror_.edges = currentRun().neighbourhood.edges;
        mirror_.faces = currentRun().neighbourhood.faces;
    }
    Random& random() { return random_; }

    // One query of the given kind, when the contract defines it. Now and then
    // a kind outside 0, 1 and 2 goes first: it must change only `kind`.
    void ask(int kind, VertexId v, EdgeId e, FaceId f) {
        if (!defined(kind, v, e, f)) return;
        if (random_.oneIn(64)) askOnce(random_.oneIn(2) ? 3 : -1, v, e, f);
        askOnce(kind, v, e, f);
    }
    void askAllKinds(VertexId v, EdgeId e, FaceId f) {
        for (const int kind : {kVertices, kEdges, kFaces}) ask(kind, v, e, f);
    }

    // Every form on the records of the global mesh: each record alone, each
    // pair and triple of records that meet (a vertex and its edges, a face and
    // its corners and edges, an edge and its faces), and as many random
    // triples, any of them null, as `randomTriples`.
    void everyForm(int randomTriples) {
        const Mesh& m = theMesh();
        const std::vector<VertexId> vertices(m.vertices.begin(), m.vertices.end());
        const std::vector<EdgeId> edges(m.edges.begin(), m.edges.end());
        const std::vector<FaceId> faces(m.faces.begin(), m.faces.end());
        for (const VertexId v : vertices) {
            askAllKinds(v, {}, {});
            for (const EdgeId e : edgesOf(v)) askAllKinds(v, e, {});
            for (int i = 0; i < 2; ++i) askAllKinds(v, random_.pick(edges), {});
        }
        for (const EdgeId e : edges) {
            askAllKinds({}, e, {});
            for (const FaceId f : facesOf(e)) askAllKinds({}, e, f);
        }
        for (const FaceId f : faces) {
            askAllKinds({}, {}, f);
            askAllKinds({}, random_.pick(edges), f);
            askAllKinds(random_.pick(vertices), {}, f);
            std::vector<VertexId> corners;
            const std::vector<EdgeId> sides = edgesOf(f);
            for (const EdgeId e : sides)
                for (const VertexId c : {e->end1, e->end2})
                    if (c != nullptr && !listed(corners, c)) corners.push_back(c);
            for (const VertexId c : corners) askAllKinds(c, {}, f);
            for (const EdgeId e : sides) {
                askAllKinds({}, e, f);
                for (const VertexId c : corners) askAllKinds(c, e, f);
            }
            askAllKinds(random_.pick(vertices), random_.pick(edges), f);
        }
        randomForms(randomTriples, vertices, edges, faces);
    }

    // Random triples over the given records; each argument is null one time
    // in four.
    void randomForms(int count, const std::vector<VertexId>& vertices, const std::vector<EdgeId>& edges,
                     const std::vector<FaceId>& faces) {
        for (int i = 0; i < count; ++i) {
            const VertexId v = random_.oneIn(4) ? VertexId{} : random_.pick(vertices);
            const EdgeId e = random_.oneIn(4) ? EdgeId{} : random_.pick(edges);
            const FaceId f = random_.oneIn(4) ? FaceId{} : random_.pick(faces);
            ask(static_cast<int>(random_.below(3)), v, e, f);
        }
    }

private:
    void askOnce(int kind, VertexId v, EdgeId e, FaceId f) {
        ++asked_;
        // The mesh first: it must cope with whatever the lists hold (holes
        // included) before the reference's snapshots read them.
        Neighbourhood* n = theMesh().queryNeighbourhood(kind, v, e, f);
        referenceQuery(mirror_, kind, v, e, f);
        std::string diff;
        if (n != &currentRun().neighbourhood) diff += " not the shared record;";
        if (n->kind != mirror_.kind) diff += " kind " + std::to_string(n->kind) + ";";
        if (n->vertices != mirror_.vertices)
            diff += " vertices " + show(n->vertices) + " instead of " + show(mirror_.vertices) + ";";
        if (n->edges != mirror_.edges) diff += " edges " + show(n->edges) + " instead of " + show(mirror_.edges) + ";";
        if (n->faces != mirror_.faces) diff += " faces " + show(n->faces) + " instead of " + show(mirror_.faces) + ";";
        if (diff.empty()) return;
        if (++failures_ <= kReported)
            ADD_FAILURE() << "kind " << kind << " (v " << show(v) << ", e " << show(e) << ", f " << show(f)
                          << "):" << diff;
        // Carry on from what the mesh answered, so later queries are judged
        // on their own.
        resync();
    }

    static constexpr int kReported = 10;
    Random random_;
    Answer mirror_;
    int asked_ = 0;
    int failures_ = 0;
};

// ---------------------------------------------------------------------------
// The meshes

using NeighbourhoodReference = GlobalMeshTest;

TEST_F(NeighbourhoodReference, SmallClosedMeshes) {
    for (const bool octahedron : {false, true}) {
        for (const bool oriented : {false, true}) {
            SCOPED_TRACE(std::string(octahedron ? "octahedron" : "tetrahedron") + (oriented ? ", oriented" : ""));
            resetRunState();
            buildMesh(octahedron ? kOcta : kTetra, octahedron ? kOctaFaces : kTetraFaces);
            if (oriented) printedBy([] { orientFaces(theMesh()); });
            QueryComparison q(octahedron ? 11u : 12u);
            q.everyForm(2000);
        }
    }
}

// A random soup of triangles over few vertices: vertices of high degree with
// spilled lists, edges with three and more faces (spilled face lists), faces
// listed several times, faces naming a corner twice (loops and an edge listed
// twice by one face), and some edges and faces renumbered to clash with
// others, for the forms that compare numbers.
void buildSoup(std::uint32_t seed) {
    Random random(seed);
    constexpr int kVertices = 14;
    std::vector<Point3> positions;
    for (int i = 0; i < kVertices; ++i) positions.push_back({double(i), double(i * i % 7), double(i % 3)});
    std::vector<Corners> faces;
    for (int i = 0; i < 90; ++i) {
        const int a = static_cast<int>(random.below(kVertices));
        int b = static_cast<int>(random.below(kVertices - 1));
        b += b >= a ? 1 : 0;
        int c = static_cast<int>(random.below(kVertices));
        while (c == a || c == b) c = static_cast<int>(random.below(kVertices));
        faces.push_back({a, b, c});
    }
    for (int i = 0; i < 12; ++i) faces.push_back(faces[random.below(faces.size())]);
    faces.push_back({3, 3, 5});
    faces.push_back({4, 6, 4});
    faces.push_back({7, 8, 8});
    faces.push_back({9, 9, 9});
    buildMesh(positions, faces);
    for (int i = 0; i < 6; ++i) {
        theMesh().edges[random.below(theMesh().edges.size())]->setId(
            theMesh().edges[random.below(theMesh().edges.size())]->getId());
        theMesh().faces[random.below(theMesh().faces.size())]->setId(
            theMesh().faces[random.below(theMesh().faces.size())]->getId());
    }
}

TEST_F(NeighbourhoodReference, NonManifoldSoup) {
    for (const std::uint32_t seed : {1u, 2u}) {
        SCOPED_TRACE(seed);
        resetRunState();
        buildSoup(seed);
        std::size_t widest = 0;
        for (const EdgeId e : theMesh().edges) widest = std::max<std::size_t>(widest, e->faces.size());
        ASSERT_GE(widest, 3u);
        QueryComparison q(seed);
        q.everyForm(4000);
    }
}

// The soup half way through a rewiring: some edges have lost an end, some
// links are one-sided (a face no longer listed by one of its edges, a vertex
// no longer listing one of its edges). The queries read only the arguments'
// lists and must follow them as they are.
TEST_F(NeighbourhoodReference, SoupWithMissingEndsAndOneSidedLinks) {
    buildSoup(3);
    Random random(33u);
    printedBy([&] {
        for (int i = 0; i < 10; ++i) {
            const EdgeId e = theMesh().edges[random.below(theMesh().edges.size())];
            const VertexId end = random.oneIn(2) ? e->end1 : e->end2;
            if (end != nullptr) end->unlinkEdge(e);  // the edge loses that end
        }
        for (int i = 0; i < 6; ++i) {
            const EdgeId e = theMesh().edges[random.below(theMesh().edges.size())];
            if (!e->faces.empty()) e->dropFace(e->faces.front());
            const VertexId v = theMesh().vertices[random.below(theMesh().vertices.size())];
            if (!v->edges.empty()) v->dropEdge(v->edges[v->edges.size() / 2]);
        }
    });
    QueryComparison q(34u);
    q.everyForm(4000);
}

// A closed fan of 200 triangles around vertex 0, and 70 of them listed once
// more: the centre's face star (270 faces around 200 edges) is gathered in the
// hash table, which has to grow on the way.
TEST_F(NeighbourhoodReference, FanAroundAVertexOfHighDegree) {
    constexpr int kRim = 200;
    std::vector<Point3> positions(kRim + 1);
    std::vector<Corners> faces;
    for (int i = 0; i < kRim; ++i) faces.push_back({0, 1 + i, 1 + (i + 1) % kRim});
    for (int i = 0; i < 70; ++i) faces.push_back(faces[(i * 37) % kRim]);
    buildMesh(positions, faces);
    const VertexId centre = theMesh().vertices[0];
    ASSERT_EQ(centre->edges.size(), static_cast<std::uint32_t>(kRim));
    const std::vector<VertexId> vertices(theMesh().vertices.begin(), theMesh().vertices.end());
    QueryComparison q(200u);
    // The star alone, without each face in turn, and in between stars of
    // other vertices (the table is shared between queries).
    q.ask(kFaces, centre, {}, {});
    ASSERT_EQ(currentRun().neighbourhood.faces.size(), 270u);
    for (int i = 0; i < 20; ++i) {
        q.ask(kFaces, centre, {}, theMesh().faces[q.random().below(theMesh().faces.size())]);
        q.ask(kFaces, q.random().pick(vertices), {}, {});
    }
    q.everyForm(2000);
}

// A closed cylinder of 100 segments with fan caps, whose two centres have
// degree 100: long vertex lists that remove lazily. Edges are collapsed one by
// one (tryCollapse, as the pass does, sweeping back and forth). After each
// collapse the two vertices of highest degree are asked first, while their
// lists may still hold the holes the collapse left, then a random sample.
// Every form is asked at the end.
TEST_F(NeighbourhoodReference, AfterCollapses) {
    constexpr int kSegments = 100;
    constexpr double kPi = 3.14159265358979323846;
    std::vector<Point3> positions;
    for (const double z : {-1.0, 1.0})
        for (int i = 0; i < kSegments; ++i)
            positions.push_back({std::cos(2 * kPi * i / kSegments), std::sin(2 * kPi * i / kSegments), z});
    const int bottom = 2 * kSegments, top = bottom + 1;
    positions.push_back({0, 0, -1});
    positions.push_back({0, 0, 1});
    std::vector<Corners> faces;
    for (int i = 0; i < kSegments; ++i) {
        const int j = (i + 1) % kSegments;
        faces.push_back({i, j, kSegments + j});
        faces.push_back({i, kSegments + j, kSegments + i});
        faces.push_back({bottom, j, i});
        faces.push_back({top, kSegments + i, kSegments + j});
    }
    buildMesh(positions, faces);
    printedBy([] { orientFaces(theMesh()); });
    currentRun().thresholdPercent = 0;  // every collapse that turns no face over
    const std::vector<VertexId> vertices(theMesh().vertices.begin(), theMesh().vertices.end());
    const std::vector<EdgeId> edges(theMesh().edges.begin(), theMesh().edges.end());
    const std::vector<FaceId> faceList(theMesh().faces.begin(), theMesh().faces.end());
    // The vertices of highest degree, by a count that leaves their lists as they are.
    auto widest = [&] {
        std::vector<VertexId> byDegree = vertices;
        std::partial_sort(byDegree.begin(), byDegree.begin() + 2, byDegree.end(),
                          [](VertexId a, VertexId b) { return a->edges.size() > b->edges.size(); });
        return std::vector<VertexId>(byDegree.begin(), byDegree.begin() + 2);
    };
    QueryComparison q(100u);
    int collapses = 0;
    int collapsesAtLongLists = 0;
    for (int pass = 0; pass < 4 && collapses < 120; ++pass) {
        for (std::size_t k = 0; k < edges.size() && collapses < 120; ++k) {
            const EdgeId e = edges[pass % 2 == 0 ? k : edges.size() - 1 - k];
            const bool collapsed = tryCollapse(e);
            q.resync();  // the collapse asked queries of its own
            if (!collapsed) continue;
            ++collapses;
            const std::vector<VertexId> hubs = widest();
            if (hubs[0]->edges.size() >= 64) ++collapsesAtLongLists;
            for (const VertexId hub : hubs) {
                q.ask(kFaces, hub, {}, {});
                q.ask(kEdges, hub, q.random().pick(edges), {});
                q.ask(kVertices, hub, {}, {});
                q.ask(kFaces, hub, {}, q.random().pick(faceList));
            }
            q.randomForms(60, vertices, edges, faceList);
        }
        sweepMarks().clearTouched();
    }
    EXPECT_GE(collapses, 100);
    EXPECT_GE(collapsesAtLongLists, 50);
    q.everyForm(3000);
}

}  // namespace
}  // namespace zeq::test
