#include "io/live_mesh.h"

#include "io/number_format.h"
#include "mesh/face_corners.h"

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
    if (face->edges.size() > 3) return false;
    if (!decodeCorners(face, corners[0], corners[1], corners[2])) return false;
    for (VertexId corner : corners)
        if (!isLive(corner)) return false;
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
