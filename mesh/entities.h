// The incidence records of a triangle mesh: Point3, Vertex, Edge, Face.
//
// Every adjacency is stored on both sides: a vertex lists its edges and each
// edge names its two ends; an edge lists its faces and each face lists its
// edges. Operations named add/drop change one side of a link, link/unlink
// change both. Lists keep insertion order, and that order is observable: the
// neighbourhood queries and the writers walk them front to back.
#pragma once

#include <cstddef>
#include <cstdint>

#include "mesh/handles.h"
#include "mesh/ptr_list.h"

namespace zeq {

struct Point3 {
    double x = 0.0;
    double y = 0.0;
    double z = 0.0;

    void set(double nx, double ny, double nz) {
        x = nx;
        y = ny;
        z = nz;
    }
};

// A face's unit normal as the orientation pass computes it: the cross
// product's components and its length, each rounded to single precision, and
// the normal is their quotient taken in double precision. Keeping the four
// floats instead of the three doubles saves a third of the space, and value()
// rebuilds the same doubles bit for bit.
struct FaceNormal {
    float x = 0.0f;
    float y = 0.0f;
    float z = 0.0f;
    float length = 1.0f;

    Point3 value() const {
        const double l = length;
        return Point3{static_cast<double>(x) / l, static_cast<double>(y) / l, static_cast<double>(z) / l};
    }
};

class Edge;
class Face;

// Inline capacities: a vertex has about six edges (eight right after a
// collapse); an edge two faces; a face three edges.
// A vertex never lists an edge twice (edges are added with addIfAbsent), which
// lets a long edge list remove lazily (see PtrList).
using VertexEdgeList = PtrList<Edge, 8, true>;
using EdgeFaceList = PtrList<Face, 2>;
using FaceEdgeList = PtrList<Edge, 3>;

class Vertex {
public:
    Vertex(int id, const Point3& position) : id_(id), position_(position) {}
    Vertex(const Vertex&) = delete;
    Vertex& operator=(const Vertex&) = delete;

    int getId() const { return id_; }
    void setId(int id) { id_ = id; }

    // The position is updated in place through this pointer; it never changes.
    Point3* getPosition() { return &position_; }
    const Point3* getPosition() const { return &position_; }
    Point3 positionCopy() const { return position_; }

    // Snapshot: the caller may change this vertex while walking the copy.
    VertexEdgeList edgeList() const { return edges; }

    bool addEdge(Edge* e) { return edges.addIfAbsent(e); }
    // addEdge, and on an actual append the edge takes this vertex in a free end.
    void linkEdge(Edge* e);
    bool dropEdge(Edge* e) { return edges.removeFirst(e); }
    // dropEdge, and when it was found the edge clears the end that held us.
    void unlinkEdge(Edge* e);
    void releaseLists() { edges.release(); }

    VertexEdgeList edges;
    // Markers and flags only ever hold 0 or 1; one byte each keeps the record small.
    std::int8_t vertexMark = 0;
    std::int8_t touched = 0;
    // Whether some edge in `edges` has exactly one face, as last found by a
    // scan: -1 not known (a new vertex, or one whose neighbourhood a collapse
    // may have changed that way), 0 no, 1 yes. The simplification pass scans
    // at most once per change instead of at every candidate; see
    // touchesBoundary.
    std::int8_t boundaryState = -1;

private:
    int id_;
    Point3 position_;
};

class Edge {
public:
    Edge(int id, Vertex* first, Vertex* second) : end1(first), end2(second), id_(id) {}
    Edge(const Edge&) = delete;
    Edge& operator=(const Edge&) = delete;

    int getId() const { return id_; }
    void setId(int id) { id_ = id; }
    Vertex* getEnd1() const { return end1; }
    Vertex* getEnd2() const { return end2; }

    EdgeFaceList faceList() const { return faces; }

    // Stores v in end1 if null, else in end2 if null; no back link. True when
    // a slot was filled.
    bool fillFreeEnd(Vertex* v);
    // fillFreeEnd, and when a slot was filled the vertex lists this edge.
    void attachEnd(Vertex* v);
    // Clears the end holding v and drops this edge from v. A vertex that is
    // not an end prints the one error line of the mesh model and changes nothing.
    void detachEnd(Vertex* v);
    // For each non-null end, end1 first: drop this edge from it, clear the end.
    void detachBothEnds();

    bool addFace(Face* f) { return faces.addIfAbsent(f); }
    // addFace, and on an actual append the face lists this edge.
    void linkFace(Face* f);
    bool dropFace(Face* f) { return faces.removeFirst(f); }
    // dropFace, and when it was found the face drops this edge.
    void unlinkFace(Face* f);
    void releaseLists() { faces.release(); }

    Vertex* end1;
    Vertex* end2;
    EdgeFaceList faces;
    std::int8_t edgeMark = 0;
    std::int8_t collapsed = 0;
    // Set once the orientation pass has walked across this edge: from then on
    // every face on it is queued or handled, and a later walk has nothing to
    // queue there.
    bool orientWalked = false;

private:
    int id_;
};

class Face {
public:
    Face(int id, const FaceEdgeList& edgeList) : edges(edgeList), id_(id) {}
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    int getId() const { return id_; }
    void setId(int id) { id_ = id; }

    // Null until the orientation pass stores the face's unit normal.
    FaceNormal* getNormal() { return hasNormal_ ? &normal_ : nullptr; }
    const FaceNormal* getNormal() const { return hasNormal_ ? &normal_ : nullptr; }
    // Keeps an existing normal; only a face without one takes n.
    void setNormalIfAbsent(const FaceNormal& n) {
        if (hasNormal_) return;
        normal_ = n;
        hasNormal_ = true;
    }

    bool isOriented() const { return oriented == 1; }
    void setOriented(int value) { oriented = static_cast<std::int8_t>(value); }

    FaceEdgeList edgeList() const { return edges; }

    bool addEdge(Edge* e) { return edges.addIfAbsent(e); }
    // addEdge, and on an actual append the edge lists this face.
    void linkEdge(Edge* e);
    bool dropEdge(Edge* e) { return edges.removeFirst(e); }
    // dropEdge, and when it was found the edge drops this face.
    void unlinkEdge(Edge* e);
    void releaseLists() { edges.release(); }

    FaceEdgeList edges;

private:
    int id_;

public:
    std::int8_t faceMark = 0;
    std::int8_t oriented = 0;
    // Set while the orientation pass holds the face in its queue, so the
    // "already queued" test does not have to scan the queue.
    bool inOrientQueue = false;

private:
    bool hasNormal_ = false;
    FaceNormal normal_;
};

// The end of e that is not v (end2 when end1 is v, else end1).
inline Vertex* otherEnd(const Edge* e, const Vertex* v) { return e->end1 == v ? e->end2 : e->end1; }

// True when v is one of e's ends.
inline bool hasEnd(const Edge* e, const Vertex* v) { return e->end1 == v || e->end2 == v; }

// Starts fetching every cache line of a record the caller will read a little
// later, without waiting for it. Records are not aligned to cache lines, so a
// 104-byte vertex may lie across three.
template <class T>
inline void prefetchRecord(const T* p) {
    constexpr std::size_t kLine = 64;
    const char* bytes = reinterpret_cast<const char*>(p);
    for (std::size_t offset = 0; offset < sizeof(T); offset += kLine) __builtin_prefetch(bytes + offset);
    __builtin_prefetch(bytes + sizeof(T) - 1);
}

}  // namespace zeq
