// What the writers see of a mesh: its live vertices and faces.
#pragma once

#include <array>

#include "mesh/mesh.h"

namespace zeq {

// Live records are those whose edge list is not empty; a collapse empties the
// vertex and the two faces it retires, and an input vertex no face names never
// had an edge.
inline bool isLive(VertexId v) { return !v->edges.empty(); }
inline bool isLive(FaceId f) { return !f->edges.empty(); }

// Numbers the live vertices 0, 1, 2, ... in list order (other vertices keep
// their id) and returns how many there are.
int renumberLiveVertices(Mesh& mesh);

// The three corners of a live face in its winding, read back from its first
// two edges: the first corner is the end of the first edge that the second
// edge does not touch, the second the vertex they share, the third the other
// end of the second edge. False for a face that cannot be written as a
// triangle (retired, more than three edges, or a corner that is missing or
// not itself written).
bool faceCorners(FaceId face, std::array<VertexId, 3>& corners);

// The number of faces faceCorners can write.
int countWritableFaces(const Mesh& mesh);

// Text lines of the writers: " x y z", each coordinate after a blank and
// written by format(out, value); and " i j k", each corner's id plus `base`
// after a blank. Both return the end of what they wrote.
template <class Format>
char* appendCoordinates(char* out, const Point3& p, Format format) {
    for (double coordinate : {p.x, p.y, p.z}) {
        *out++ = ' ';
        out = format(out, coordinate);
    }
    return out;
}
char* appendCorners(char* out, const std::array<VertexId, 3>& corners, int base);

// What every writer writes, in list order: onVertex(position) for each live
// vertex, then onFace(corners) for each face faceCorners can write.
template <class OnVertex, class OnFace>
void forEachWritten(const Mesh& mesh, OnVertex onVertex, OnFace onFace) {
    for (VertexId v : mesh.vertices)
        if (isLive(v)) onVertex(v->positionCopy());
    std::array<VertexId, 3> c;
    for (FaceId f : mesh.faces)
        if (isLive(f) && faceCorners(f, c)) onFace(c);
}

}  // namespace zeq
