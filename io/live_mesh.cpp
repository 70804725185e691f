#include "io/live_mesh.h"

#include "io/number_format.h"

namespace zeq {

int renumberLiveVertices(Mesh& mesh) {
    int k = 0;
    for (VertexId v : mesh.vertices) {
        if (!isLive(v)) continue;
        if (v->getId() != k) v->setId(k);
        ++k;
    }
    return k;
}

bool faceCorners(FaceId face, std::array<VertexId, 3>& corners) {
    if (face->edges.size() < 2 || face->edges.size() > 3) return false;
    EdgeId e0 = face->edges[0];
    EdgeId e1 = face->edges[1];
    VertexId shared;
    VertexId third;
    if (e1->end1 == e0->end1 || e1->end1 == e0->end2) {
        shared = e1->end1;
        third = e1->end2;
    } else {
        shared = e1->end2;
        third = e1->end1;
    }
    if (shared == e0->end1) {
        corners = {e0->end2, e0->end1, third};
    } else {
        corners = {e0->end1, e0->end2, third};
    }
    for (VertexId corner : corners)
        if (corner == nullptr || !isLive(corner)) return false;
    return true;
}

char* appendCorners(char* out, const std::array<VertexId, 3>& corners, int base) {
    for (VertexId corner : corners) {
        *out++ = ' ';
        out = formatInt(out, corner->getId() + base);
    }
    return out;
}

int countWritableFaces(const Mesh& mesh) {
    int n = 0;
    std::array<VertexId, 3> c;
    for (FaceId f : mesh.faces)
        if (isLive(f) && faceCorners(f, c)) ++n;
    return n;
}

}  // namespace zeq
