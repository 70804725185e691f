#include <algorithm>
#include <cstdint>
#include <vector>

#include "mesh/mesh.h"

namespace zeq {

namespace {

template <class T>
bool listed(const std::vector<T>& answer, T p) {
    return std::find(answer.begin(), answer.end(), p) != answer.end();
}

template <class T>
void removeFirst(std::vector<T>& answer, T p) {
    auto it = std::find(answer.begin(), answer.end(), p);
    if (it != answer.end()) answer.erase(it);
}

void pushEndsOtherThan(std::vector<VertexId>& answer, EdgeId e, VertexId v) {
    if (e->end1 != nullptr && e->end1 != v) answer.push_back(e->end1);
    if (e->end2 != nullptr && e->end2 != v) answer.push_back(e->end2);
}

// The query never changes a record, so it walks the argument's lists in place:
// the answer is the one a walk over a snapshot would give.
void queryVertices(std::vector<VertexId>& answer, VertexId v, EdgeId e, FaceId f) {
    if (e != nullptr && f == nullptr) {
        pushEndsOtherThan(answer, e, v);
    } else if (e != nullptr) {
        for (EdgeId g : f->edges)
            if (g == e) pushEndsOtherThan(answer, e, v);
    } else if (f != nullptr) {
        // Corners other than v, each once; a null end is skipped.
        for (EdgeId g : f->edges) {
            for (VertexId corner : {g->end1, g->end2}) {
                if (corner != nullptr && corner != v && !listed(answer, corner))
                    answer.push_back(corner);
            }
        }
    } else if (v != nullptr) {
        for (EdgeId g : v->edges) answer.push_back(g->end1 == v ? g->end2 : g->end1);
    }
}

void queryEdges(std::vector<EdgeId>& answer, VertexId v, EdgeId e, FaceId f) {
    if (v != nullptr && f != nullptr) {
        for (EdgeId g : f->edges)
            if (g != e && hasEnd(g, v)) answer.push_back(g);
    } else if (v != nullptr) {
        answer.assign(v->edges.begin(), v->edges.end());
        if (e != nullptr) removeFirst(answer, e);
    } else if (f != nullptr) {
        answer.assign(f->edges.begin(), f->edges.end());
        if (e != nullptr) removeFirst(answer, e);
    } else if (e != nullptr) {
        // Edges at either end, leaving out every edge numbered like e.
        for (VertexId end : {e->end1, e->end2}) {
            if (end == nullptr) continue;
            for (EdgeId g : end->edges)
                if (g->getId() != e->getId()) answer.push_back(g);
        }
    }
}

// Collects the face star of v (without f) in order of first appearance. The
// usual star is small and a scan of the answer is fastest; around a vertex of
// very high degree the table keeps the query linear in the degree without
// allocating (a manifold star has as many faces as v has edges).
void collectFaceStar(std::vector<FaceId>& answer, VertexId v, FaceId f) {
    constexpr std::size_t kScanLimit = 32;
    SeenFaces& seen = currentRun().seenFaces;
    bool useTable = false;
    for (EdgeId g : v->edges) {
        for (FaceId h : g->faces) {
            if (h == f) continue;
            if (useTable) {
                if (!seen.insert(h)) continue;
            } else if (listed(answer, h)) {
                continue;
            }
            answer.push_back(h);
            if (!useTable && answer.size() > kScanLimit) {
                seen.start(v->edges.size());
                for (FaceId seenFace : answer) seen.insert(seenFace);
                useTable = true;
            }
        }
    }
    if (useTable) seen.finish(answer);
}

void queryFaces(std::vector<FaceId>& answer, std::vector<EdgeId>& edgeAnswer, VertexId v, EdgeId e,
                FaceId f) {
    if (v != nullptr && e != nullptr) {
        if (hasEnd(e, v)) answer.assign(e->faces.begin(), e->faces.end());
        if (f != nullptr) removeFirst(answer, f);
    } else if (v != nullptr) {
        collectFaceStar(answer, v, f);
    } else if (e != nullptr) {
        answer.assign(e->faces.begin(), e->faces.end());
        if (f != nullptr) removeFirst(answer, f);
    } else if (f != nullptr) {
        // Faces sharing an edge with f; this form also refills the edge list.
        edgeAnswer.assign(f->edges.begin(), f->edges.end());
        for (EdgeId g : edgeAnswer)
            for (FaceId h : g->faces)
                if (h->getId() != f->getId() && !listed(answer, h)) answer.push_back(h);
    }
}

}  // namespace

Neighbourhood* Mesh::queryNeighbourhood(int kind, VertexId v, EdgeId e, FaceId f) {
    Neighbourhood* n = &currentRun().neighbourhood;
    n->kind = kind;
    switch (kind) {
        case kVertices:
            n->vertices.clear();
            queryVertices(n->vertices, v, e, f);
            break;
        case kEdges:
            n->edges.clear();
            queryEdges(n->edges, v, e, f);
            break;
        case kFaces:
            n->faces.clear();
            queryFaces(n->faces, n->edges, v, e, f);
            break;
        default:
            break;
    }
    return n;
}

}  // namespace zeq
