// The mesh of a run, the state the run keeps beside it, and the topology
// queries.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>
#include <unordered_map>
#include <vector>

#include "mesh/attributes.h"
#include "mesh/entities.h"
#include "mesh/flat_array.h"
#include "mesh/neighbourhood.h"
#include "mesh/record_list.h"

namespace zeq {

// Holds every Vertex, Edge and Face created by the load, each kind in one
// array in creation order, reached through handles. The three lists hold the
// handles in the order the load appended them; entries are only ever
// appended, never removed, reordered or replaced. Records retired by
// simplification stay: a retired edge has `collapsed` 1 and no ends, a
// retired vertex or face an empty `edges` list.
//
// A run has one mesh (see RunState), and handles name records of it.
class Mesh {
public:
    using VertexList = RecordList<VertexId>;
    using EdgeList = RecordList<EdgeId>;
    using FaceList = RecordList<FaceId>;

    Mesh() = default;
    Mesh(const Mesh&) = delete;
    Mesh& operator=(const Mesh&) = delete;
    ~Mesh();

    // Record creation. Creating does not append the record to a list; the
    // load appends it with addVertex/addEdge/addFace. Edges and faces are
    // numbered by their position unless given another number here.
    VertexId newVertex(int id, const Point3& position) {
        checkRoom(vertexRecords_.size());
        vertexRecords_.emplaceBack(id, position);
        return VertexId(static_cast<std::uint32_t>(vertexRecords_.size() - 1));
    }
    EdgeId newEdge(int id, VertexId end1, VertexId end2) {
        checkRoom(edgeRecords_.size());
        if (edgeRecords_.size() % 64 == 0) collapsedBits_.push_back(0);
        edgeRecords_.emplaceBack(end1, end2);
        const EdgeId e(static_cast<std::uint32_t>(edgeRecords_.size() - 1));
        if (id != static_cast<int>(e.index())) renumber(e, id);
        return e;
    }
    FaceId newFace(int id, const FaceEdgeList& edgeList) {
        checkRoom(faceRecords_.size());
        faceRecords_.emplaceBack(edgeList);
        const FaceId f(static_cast<std::uint32_t>(faceRecords_.size() - 1));
        if (id != static_cast<int>(f.index())) renumber(f, id);
        return f;
    }

    // How many records of each kind have been created.
    std::size_t createdVertices() const { return vertexRecords_.size(); }
    std::size_t createdEdges() const { return edgeRecords_.size(); }
    std::size_t createdFaces() const { return faceRecords_.size(); }
    // How many vertices there is room for before the array grows again.
    std::size_t vertexRoom() const { return vertexRecords_.capacity(); }

    // Appends without a duplicate check.
    void addVertex(VertexId v) { vertices.push_back(v); }
    void addEdge(EdgeId e) { edges.push_back(e); }
    void addFace(FaceId f) { faces.push_back(f); }

    // Makes room for this many edges and faces in all, sparing the arrays
    // their regrowth during a load.
    void reserveRecords(std::size_t edgeCount, std::size_t faceCount) {
        edgeRecords_.reserve(edgeCount);
        faceRecords_.reserve(faceCount);
    }

    // Ring query of the given kind around the given elements (absent ones are
    // null). Reads only the arguments' incidence lists and never changes a
    // record. Returns the shared record, whose list of this kind is
    // overwritten by the next query of the same kind.
    Neighbourhood* queryNeighbourhood(int kind, VertexId v, EdgeId e, FaceId f);

    // Frees every record and empties the lists, leaving an empty mesh.
    void clear();
    // Counts the times the mesh has been emptied: state a stage keeps per
    // record is stale once this changes.
    std::uint64_t generation() const { return generation_; }

    // The collapsed mark of an edge (see Edge::collapsed).
    bool isCollapsed(EdgeId e) const { return (collapsedBits_[e.index() / 64] >> (e.index() % 64) & 1) != 0; }
    void setCollapsed(EdgeId e) { collapsedBits_[e.index() / 64] |= std::uint64_t{1} << (e.index() % 64); }

    // Where a handle's record lives, and the handle of a record. Only the
    // handles and the records use these.
    Vertex* record(VertexId v) const { return &vertexRecords_[v.index()]; }
    Edge* record(EdgeId e) const { return &edgeRecords_[e.index()]; }
    Face* record(FaceId f) const { return &faceRecords_[f.index()]; }
    VertexId handleOf(const Vertex* r) const { return VertexId(static_cast<std::uint32_t>(r - vertexRecords_.data())); }
    EdgeId handleOf(const Edge* r) const { return EdgeId(static_cast<std::uint32_t>(r - edgeRecords_.data())); }
    FaceId handleOf(const Face* r) const { return FaceId(static_cast<std::uint32_t>(r - faceRecords_.data())); }

    // The number of an edge or face: its position, unless renumbered.
    template <class H>
    int numberOf(H h) const {
        const auto& numbers = numbersOf(h);
        if (numbers.empty()) return static_cast<int>(h.index());
        const auto it = numbers.find(h.index());
        return it == numbers.end() ? static_cast<int>(h.index()) : it->second;
    }
    template <class H>
    void renumber(H h, int id) {
        auto& numbers = numbersOf(h);
        if (id == static_cast<int>(h.index()))
            numbers.erase(h.index());
        else
            numbers[h.index()] = id;
    }

    VertexList vertices;
    EdgeList edges;
    FaceList faces;
    // What the vertices, corners and faces carry besides positions; null
    // when the load found nothing to carry.
    std::unique_ptr<MeshAttributes> attributes;

private:
    // Handles are 32 bits and two values are taken (no record, and the mark
    // of a moved face list); a mesh that would need more records cannot be
    // held, which is a lack of memory as far as the caller is concerned.
    static void checkRoom(std::size_t count) {
        if (count >= 0x7FFFFFFFu) throw std::bad_alloc();
    }
    const std::unordered_map<std::uint32_t, int>& numbersOf(EdgeId) const { return edgeNumbers_; }
    const std::unordered_map<std::uint32_t, int>& numbersOf(FaceId) const { return faceNumbers_; }
    std::unordered_map<std::uint32_t, int>& numbersOf(EdgeId) { return edgeNumbers_; }
    std::unordered_map<std::uint32_t, int>& numbersOf(FaceId) { return faceNumbers_; }

    FlatArray<Vertex> vertexRecords_;
    FlatArray<Edge> edgeRecords_;
    FlatArray<Face> faceRecords_;
    std::vector<std::uint64_t> collapsedBits_;
    // Numbers of the few edges and faces whose number is not their position
    // (none in a load).
    std::unordered_map<std::uint32_t, int> edgeNumbers_;
    std::unordered_map<std::uint32_t, int> faceNumbers_;
    std::uint64_t generation_ = 0;
};

// What a stage above the mesh keeps for the length of a run (the
// simplification's sweep marks and bounds), made by the stage on first use.
struct StageState {
    virtual ~StageState() = default;
};

// Where a run's console lines go: each line as the program prints it. The
// program's goes to standard output; a library caller may keep or drop them.
struct ConsoleSink {
    void (*write)(void* context, const char* text, std::size_t length) = nullptr;  // null: drop them
    void* context = nullptr;
};

// Everything a run works on: its mesh, the one shared answer of the
// neighbourhood queries, the two counters, the storage of the mesh's longer
// lists, and what the stages keep while they work. Every stage works on the
// run the calling thread is bound to (see RunScope), which is how the stages
// share the mesh without passing it around; two runs bound to two threads
// share nothing, so meshes can be simplified side by side.
class RunState {
public:
    RunState() = default;
    RunState(const RunState&) = delete;
    RunState& operator=(const RunState&) = delete;
    ~RunState();

    // Back to the state of a new run (an empty mesh, no collapses, threshold
    // 100, nothing kept by a stage); the pools keep their storage.
    void reset();

    // Declared before the mesh: its lists give their blocks back to these.
    ListPool listPool;
    SlotSideLists<FaceId> edgeFaceSideLists;
    SlotSideLists<EdgeId> faceEdgeSideLists;

    Mesh mesh;
    Neighbourhood neighbourhood;  // the one shared query answer
    SeenFaces seenFaces;          // scratch of the face-star query
    int collapseCount = 0;        // collapses so far; each retires 1 vertex, 3 edges, 2 faces
    float thresholdPercent = 100.0f;  // normal-deviation tolerance: cos limit 1 - 1/threshold
    std::unique_ptr<StageState> simplification;
    ConsoleSink console;
};

// The run the calling thread is bound to.
extern thread_local constinit RunState* activeRun;
inline RunState& currentRun() { return *activeRun; }
inline Mesh& theMesh() { return activeRun->mesh; }

// Binds a run to the calling thread for the scope's lifetime, then puts back
// the one bound before.
class RunScope {
public:
    explicit RunScope(RunState& run) : before_(activeRun) { activeRun = &run; }
    RunScope(const RunScope&) = delete;
    RunScope& operator=(const RunScope&) = delete;
    ~RunScope() { activeRun = before_; }

private:
    RunState* before_;
};

// Prints on the current run's console, as printf would print on stdout.
void consolePrintf(const char* format, ...) __attribute__((format(printf, 1, 2)));
// The console that prints on standard output.
ConsoleSink standardOutput();

// Live face count: every collapse retires exactly two faces.
inline long long liveFaceCount(const Mesh& mesh) {
    return static_cast<long long>(mesh.faces.size()) - 2LL * currentRun().collapseCount;
}

// The two ring questions of a triangle, answered through queryNeighbourhood
// (so they overwrite the shared record): the first edge of `face` at corner
// `v` other than `except`, and the first face on `edge` (which ends at `v`)
// other than `face`. Null when there is none.
inline EdgeId otherEdgeAt(Mesh& mesh, VertexId v, EdgeId except, FaceId face) {
    Neighbourhood* n = mesh.queryNeighbourhood(kEdges, v, except, face);
    return n->edges.empty() ? nullptr : n->edges.front();
}
inline FaceId faceAcross(Mesh& mesh, VertexId v, EdgeId edge, FaceId face) {
    Neighbourhood* n = mesh.queryNeighbourhood(kFaces, v, edge, face);
    return n->faces.empty() ? nullptr : n->faces.front();
}

// Puts the current run back to the state of a new run (RunState::reset).
inline void resetRunState() { currentRun().reset(); }

template <>
inline SlotSideLists<FaceId>& sideListsOf<FaceId>() {
    return activeRun->edgeFaceSideLists;
}
template <>
inline SlotSideLists<EdgeId>& sideListsOf<EdgeId>() {
    return activeRun->faceEdgeSideLists;
}

template <class Record>
inline Record* Handle<Record>::operator->() const {
    return theMesh().record(*this);
}

inline VertexId Vertex::handle() const { return theMesh().handleOf(this); }
inline EdgeId Edge::handle() const { return theMesh().handleOf(this); }
inline FaceId Face::handle() const { return theMesh().handleOf(this); }
inline bool Edge::collapsed() const { return theMesh().isCollapsed(handle()); }
inline void Edge::setCollapsed() { theMesh().setCollapsed(handle()); }

// The end of e that is not v (end2 when end1 is v, else end1).
inline VertexId otherEnd(EdgeId e, VertexId v) { return e->end1 == v ? e->end2 : e->end1; }

// True when v is one of e's ends.
inline bool hasEnd(EdgeId e, VertexId v) { return e->end1 == v || e->end2 == v; }

// Starts fetching every cache line of a record the caller will read a little
// later, without waiting for it. A prefetch has no effect the optimiser can
// see: g++ finds a function that only reads and prefetches free of effects
// and drops its calls. The empty volatile statement is an effect it keeps.
template <class Record>
[[gnu::always_inline]] inline void prefetchRecord(Handle<Record> h) {
    constexpr std::size_t kLine = 64;
    const char* bytes = reinterpret_cast<const char*>(theMesh().record(h));
    for (std::size_t offset = 0; offset < sizeof(Record); offset += kLine) __builtin_prefetch(bytes + offset);
    __builtin_prefetch(bytes + sizeof(Record) - 1);
    asm volatile("");
}

}  // namespace zeq
