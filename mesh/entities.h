// The incidence records of a triangle mesh: Point3, Vertex, Edge, Face.
//
// Every adjacency is stored on both sides: a vertex lists its edges and each
// edge names its two ends; an edge lists its faces and each face lists its
// edges. Operations named add/drop change one side of a link, link/unlink
// change both. Lists keep insertion order, and that order is observable: the
// neighbourhood queries and the writers walk them front to back.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

#include "mesh/handle_list.h"
#include "mesh/handles.h"
#include "mesh/slot_list.h"

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

// Inline capacities: a vertex has about six edges (eight right after a
// collapse); an edge two faces; a face three edges.
// A vertex never lists an edge twice (edges are added with addIfAbsent), which
// lets a long edge list remove lazily (see HandleList). Edges and faces very
// rarely hold more than their inline entries, so they keep no count.
using VertexEdgeList = HandleList<EdgeId, 8, true>;
using EdgeFaceList = SlotList<FaceId, 2>;
using FaceEdgeList = SlotList<EdgeId, 3>;

// The records live in the mesh's arrays and are reached through handles; the
// mesh creates them (Mesh::newVertex, newEdge, newFace) and they cannot be
// copied. A record's operations that change a neighbour reach it through the
// neighbour's handle.
class Vertex {
public:
    Vertex(int id, const Point3& position) : position_(position), id_(id) {}
    Vertex(const Vertex&) = delete;
    Vertex& operator=(const Vertex&) = delete;

    int getId() const { return id_; }
    void setId(int id) { id_ = id; }

    // The position is updated in place through this pointer; it never changes
    // while the mesh's vertices stay as they are.
    Point3* getPosition() { return &position_; }
    const Point3* getPosition() const { return &position_; }
    Point3 positionCopy() const { return position_; }

    // Snapshot: the caller may change this vertex while walking the copy.
    VertexEdgeList edgeList() const { return edges; }

    bool addEdge(EdgeId e) { return edges.addIfAbsent(e); }
    // addEdge, and on an actual append the edge takes this vertex in a free end.
    void linkEdge(EdgeId e);
    bool dropEdge(EdgeId e) { return edges.removeFirst(e); }
    // dropEdge, and when it was found the edge clears the end that held us.
    void unlinkEdge(EdgeId e);
    void releaseLists() { edges.release(); }

    // This record's own handle.
    VertexId handle() const;

private:
    Point3 position_;
    int id_;

public:
    VertexEdgeList edges;
};

class Edge {
public:
    Edge(VertexId first, VertexId second) : end1(first), end2(second) {}
    Edge(const Edge&) = delete;
    Edge& operator=(const Edge&) = delete;

    // The number given at creation (see Mesh::newEdge).
    int getId() const;
    void setId(int id);
    VertexId getEnd1() const { return end1; }
    VertexId getEnd2() const { return end2; }

    EdgeFaceList faceList() const { return faces; }

    // Stores v in end1 if null, else in end2 if null; no back link. True when
    // a slot was filled.
    bool fillFreeEnd(VertexId v);
    // fillFreeEnd, and when a slot was filled the vertex lists this edge.
    void attachEnd(VertexId v);
    // Clears the end holding v and drops this edge from v. A vertex that is
    // not an end prints the one error line of the mesh model and changes nothing.
    void detachEnd(VertexId v);
    // For each non-null end, end1 first: drop this edge from it, clear the end.
    void detachBothEnds();

    bool addFace(FaceId f) { return faces.addIfAbsent(f); }
    // addFace, and on an actual append the face lists this edge.
    void linkFace(FaceId f);
    bool dropFace(FaceId f) { return faces.removeFirst(f); }
    // dropFace, and when it was found the face drops this edge.
    void unlinkFace(FaceId f);
    void releaseLists() { faces.release(); }

    // Set once a collapse has retired the edge; permanent. Kept by the mesh
    // beside the records, a bit per edge.
    bool collapsed() const;
    void setCollapsed();

    EdgeId handle() const;

    VertexId end1;
    VertexId end2;
    EdgeFaceList faces;
};

class Face {
public:
    explicit Face(const FaceEdgeList& edgeList) : edges(edgeList) {}
    Face(const Face&) = delete;
    Face& operator=(const Face&) = delete;

    // The number given at creation (see Mesh::newFace).
    int getId() const;
    void setId(int id);

    // Null until the orientation pass stores the face's unit normal.
    FaceNormal* getNormal() { return hasNormal() ? &normal_ : nullptr; }
    const FaceNormal* getNormal() const { return hasNormal() ? &normal_ : nullptr; }
    // Keeps an existing normal; only a face without one takes n.
    void setNormalIfAbsent(const FaceNormal& n) {
        if (!hasNormal()) normal_ = n;
    }

    FaceEdgeList edgeList() const { return edges; }

    bool addEdge(EdgeId e) { return edges.addIfAbsent(e); }
    // addEdge, and on an actual append the edge lists this face.
    void linkEdge(EdgeId e);
    bool dropEdge(EdgeId e) { return edges.removeFirst(e); }
    // dropEdge, and when it was found the edge drops this face.
    void unlinkEdge(EdgeId e);
    void releaseLists() { edges.release(); }

    FaceId handle() const;

    FaceEdgeList edges;

private:
    // A face without a normal holds this bit pattern, a signalling NaN, in
    // the length: no arithmetic produces one, so no computed normal is
    // mistaken for the absence of one.
    static constexpr std::uint32_t kNoNormal = 0x7F800001u;
    bool hasNormal() const { return std::bit_cast<std::uint32_t>(normal_.length) != kNoNormal; }

    FaceNormal normal_{0.0f, 0.0f, 0.0f, std::bit_cast<float>(kNoNormal)};
};

// The sizes the memory of a large mesh is made of.
static_assert(sizeof(Vertex) == 64 && sizeof(Edge) == 16 && sizeof(Face) == 28);


}  // namespace zeq
