#include "orient/orient_faces.h"

#include <cmath>
#include <cstdint>
#include <deque>

#include "mesh/per_record.h"

namespace zeq {

namespace {

// Unit normal of the winding b -> a -> f. The edge vectors and the cross
// product are rounded to single precision where the stored normals of every
// run must agree bit for bit; the division is in double.
FaceNormal windingNormal(const Point3& pa, const Point3& pb, const Point3& pf) {
    const float ux = static_cast<float>(pb.x - pa.x);
    const float uy = static_cast<float>(pb.y - pa.y);
    const float uz = static_cast<float>(pb.z - pa.z);
    const float wx = static_cast<float>(pa.x - pf.x);
    const float wy = static_cast<float>(pa.y - pf.y);
    const float wz = static_cast<float>(pa.z - pf.z);
    const float nx = static_cast<float>(static_cast<double>(uy) * wz - static_cast<double>(uz) * wy);
    const float ny = static_cast<float>(static_cast<double>(uz) * wx - static_cast<double>(ux) * wz);
    const float nz = static_cast<float>(static_cast<double>(ux) * wy - static_cast<double>(uy) * wx);
    const double sumSquares = static_cast<double>(nx) * nx + static_cast<double>(ny) * ny +
                              static_cast<double>(nz) * nz;
    const float length = static_cast<float>(std::sqrt(sumSquares));
    // The normal is the quotient of these taken in double precision; a
    // degenerate face (length 0) gets the IEEE quotients: NaN for 0/0.
    return FaceNormal{nx, ny, nz, length};
}

// True when `face` is the triangle a, b, f with three distinct edges: entry
// edge a-b, `atTail` a-f, and a third edge b-f. Only such faces are reordered
// and walked around.
bool isTriangleCycle(FaceId face, EdgeId entry, EdgeId atTail, VertexId a,
                     VertexId b, VertexId f) {
    if (face->edges.size() != 3 || atTail == nullptr) return false;
    if (a == b || b == f || f == a || f == nullptr) return false;
    if (!(hasEnd(entry, a) && hasEnd(entry, b))) return false;
    for (EdgeId g : face->edges) {
        if (g == entry || g == atTail) continue;
        return hasEnd(g, b) && hasEnd(g, f);
    }
    return false;
}

class OrientWalk {
public:
    explicit OrientWalk(Mesh& mesh)
        : mesh_(mesh), faceState_(mesh.createdFaces(), 0), walked_(mesh.createdEdges(), 0) {}

    std::size_t run() {
        // The first seed is entered from end2 to end1 of its first edge, which
        // reproduces the winding its corners had in the file.
        if (FaceId seed = nextSeed()) {
            EdgeId e = seed->edges.front();
            enqueue(OrientItem{seed, e->end2, e->end1, e});
        }
        while (!queue_.empty()) {
            fetchAhead();
            OrientItem item = queue_.front();
            queue_.pop_front();
            faceState_[item.face] &= ~kQueued;
            handle(item);
            if (queue_.empty()) {
                // Next component: later seeds run from end1 to end2.
                if (FaceId seed = nextSeed()) {
                    EdgeId e = seed->edges.front();
                    enqueue(OrientItem{seed, e->end1, e->end2, e});
                }
            }
        }
        return orientedCount_;
    }

private:
    // Fetches, in stages, the records the walk will read for the faces
    // waiting in the queue: a face, its entry edge and the two corners it is
    // entered by some way ahead, then the edges the face lists, then the ends
    // of those edges. In a file whose records come in no useful order every
    // one of them lies somewhere else in memory. Only faces of at most three
    // edges and edges of at most two faces are followed, so the cost per face
    // stays bounded.
    void fetchAhead() const {
        const std::size_t n = queue_.size();
        if (n > kItemAhead) {
            const OrientItem& item = queue_[kItemAhead];
            prefetchRecord(item.face);
            prefetchRecord(item.entryEdge);
            if (item.tail) prefetchRecord(item.tail);
            if (item.head) prefetchRecord(item.head);
        }
        if (n > kEdgesAhead) {
            const FaceId f = queue_[kEdgesAhead].face;
            if (f->edges.size() <= 3)
                for (const EdgeId g : f->edges) prefetchRecord(g);
        }
        if (n > kEndsAhead) {
            const FaceId f = queue_[kEndsAhead].face;
            if (f->edges.size() <= 3) {
                for (const EdgeId g : f->edges) {
                    if (g->end1) prefetchRecord(g->end1);
                    if (g->end2) prefetchRecord(g->end2);
                    if (g->faces.size() <= 2)
                        for (const FaceId h : g->faces) prefetchRecord(h);
                }
            }
        }
    }

    static constexpr std::size_t kItemAhead = 12;
    static constexpr std::size_t kEdgesAhead = 6;
    static constexpr std::size_t kEndsAhead = 2;

    // The first face, in list order, not yet oriented and with edges. Faces
    // only ever become oriented, so the search resumes where it last stopped.
    FaceId nextSeed() {
        while (seedCursor_ < mesh_.faces.size()) {
            FaceId f = mesh_.faces[seedCursor_];
            if (!isOriented(f) && !f->edges.empty()) return f;
            ++seedCursor_;
        }
        return nullptr;
    }

    void enqueue(const OrientItem& item) {
        faceState_[item.face] |= kQueued;
        queue_.push_back(item);
    }

    void handle(const OrientItem& item) {
        FaceId face = item.face;
        VertexId a = item.tail;
        VertexId b = item.head;
        EdgeId entry = item.entryEdge;

        EdgeId atTail = otherEdgeAt(mesh_, a, entry, face);
        VertexId f = atTail == nullptr ? nullptr : otherEnd(atTail, a);

        if (f != nullptr && a != nullptr && b != nullptr) {
            const FaceNormal normal = windingNormal(*a->getPosition(), *b->getPosition(), *f->getPosition());
            if (FaceNormal* stored = face->getNormal())
                *stored = normal;
            else
                face->setNormalIfAbsent(normal);
        }
        if (!isOriented(face)) ++orientedCount_;
        faceState_[face] |= kOriented;

        if (!isTriangleCycle(face, entry, atTail, a, b, f)) return;

        // Edge order (entry, atTail, last): unlinking and relinking also moves
        // this face to the end of the face lists of atTail and last.
        EdgeId last = nullptr;
        for (EdgeId g : face->edges)
            if (g != entry && g != atTail) last = g;
        face->unlinkEdge(atTail);
        face->unlinkEdge(last);
        face->linkEdge(atTail);
        face->linkEdge(last);

        walkAround(face, a, b, entry);
    }

    // Queues the unhandled neighbours across each edge, entry edge first: a
    // neighbour across an edge this face runs from X to Y is entered Y -> X.
    void walkAround(FaceId face, VertexId a, VertexId b, EdgeId entry) {
        EdgeId p = entry;
        VertexId from = a;
        VertexId to = b;
        for (int step = 0; step < 3; ++step) {
            // The first walk across an edge queues every face on it that is
            // not yet handled; faces never join an edge during the pass, so
            // later walks would find nothing to queue. Skipping them keeps an
            // edge shared by very many faces from costing quadratic time.
            if (!walked_[p]) {
                walked_[p] = 1;
                Neighbourhood* n = mesh_.queryNeighbourhood(kFaces, from, p, face);
                for (FaceId g : n->faces) {
                    if (faceState_[g] == 0) enqueue(OrientItem{g, to, from, p});
                }
            }
            EdgeId next = otherEdgeAt(mesh_, to, p, face);
            if (to == a || next == nullptr) return;
            VertexId beyond = otherEnd(next, to);
            from = to;
            to = beyond;
            p = next;
        }
    }

    bool isOriented(FaceId f) const { return (faceState_[f] & kOriented) != 0; }

    // Per face: whether its winding is fixed, and whether it waits in the
    // queue (so the "already queued" test does not scan the queue). Per edge:
    // whether the walk has crossed it; from then on every face on it is
    // queued or handled, and a later walk has nothing to queue there.
    static constexpr std::uint8_t kOriented = 1;
    static constexpr std::uint8_t kQueued = 2;

    Mesh& mesh_;
    PerRecord<FaceId, std::uint8_t> faceState_;
    PerRecord<EdgeId, std::uint8_t> walked_;
    std::deque<OrientItem> queue_;
    std::size_t seedCursor_ = 0;
    std::size_t orientedCount_ = 0;
};

}  // namespace

std::size_t orientFaces(Mesh& mesh) { return OrientWalk(mesh).run(); }

}  // namespace zeq
