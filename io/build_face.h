// Face construction on load, with edges shared between faces.
#pragma once

#include <cstdint>
#include <unordered_map>

#include "mesh/mesh.h"

namespace zeq {

// The numbering of one load: edges and faces are numbered 0, 1, 2, ... in the
// order they are created. Also an index of the edges between two vertices of
// very high degree, so that finding an existing edge stays cheap there (a fan
// of a million triangles around one vertex would otherwise take quadratic
// time); an edge with an ordinary end is found through that end's list.
struct LoadCounters {
    int nextEdge = 0;
    int nextFace = 0;
    std::unordered_map<std::uint64_t, EdgeId> hubEdges;  // edges between two hubs, by their ends' positions
};

// Reserves the mesh's edge and face lists for a closed surface over the
// vertices read so far (about three edges and two faces per vertex), sparing
// their regrowth during the load. Follows the vertices actually read, never a
// header's claim; the lists still grow if the file holds more.
void reserveFaceLists(Mesh& mesh);

// Builds the triangle with corners P, Q, R (file order) and appends it and any
// new edge to the mesh. An edge between two corners is reused when P's edge
// list (for PQ and PR) or Q's (for QR) already holds one; when several match,
// the last one in the list wins. The face's edge list is PQ, QR, RP; a new
// edge takes its ends in the face's corner order. Cannot fail; degenerate or
// repeated faces are built as they come.
void buildFace(Mesh& mesh, VertexId p, VertexId q, VertexId r, LoadCounters& counters);

// True when positions i, j, k (0-based) all lie among `count` vertices read.
inline bool cornersInRange(long long i, long long j, long long k, long long count) {
    return i >= 0 && i < count && j >= 0 && j < count && k >= 0 && k < count;
}

// Faces read but not yet built, built in the order they were read. Building a
// face reads its corners' edge lists and the ends of those edges; in a file
// whose records come in no useful order these lie anywhere in memory. Holding
// a few faces back lets their memory be fetched while earlier faces are
// built: the mesh comes out exactly as if each face had been built on
// arrival. The vertices must all be read before the first face is added.
class PendingFaces {
public:
    PendingFaces(Mesh& mesh, LoadCounters& counters) : mesh_(mesh), counters_(counters) {}
    PendingFaces(const PendingFaces&) = delete;
    PendingFaces& operator=(const PendingFaces&) = delete;

    // Queues the face with corners at positions i, j, k of the vertex list
    // (0-based). When a position lies outside the vertices read, builds
    // every face queued before it, queues nothing and returns false.
    bool add(long long i, long long j, long long k);
    // Builds every queued face.
    void flush();

private:
    static constexpr std::uint32_t kSlots = 32;     // a power of two
    static constexpr std::uint32_t kHeldBack = 16;  // faces in the queue before the oldest is built
    static constexpr std::uint32_t kEdgeLead = 8;   // faces ahead whose corners' edges are fetched

    struct Corners {
        VertexId p;
        VertexId q;
        VertexId r;
    };
    void buildOldest();

    Mesh& mesh_;
    LoadCounters& counters_;
    Corners slots_[kSlots];
    std::uint32_t first_ = 0;  // the oldest queued face
    std::uint32_t count_ = 0;
};

}  // namespace zeq
