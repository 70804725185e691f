// Consistent winding, edge order and unit normal for every face.
#pragma once

#include <cstddef>

#include "mesh/mesh.h"

namespace zeq {

// One pending face of the breadth-first walk: the face is entered across
// `entryEdge`, whose traversal runs from `tail` to `head`.
struct OrientItem {
    FaceId face;
    VertexId tail;
    VertexId head;
    EdgeId entryEdge;
};

// Walks the faces of the global mesh breadth-first across shared edges,
// component by component, and enters every neighbour across the shared edge in
// the direction opposite to the face it comes from. A face entered as
// (tail a, head b) with third corner f gets the winding b -> a -> f: its edge
// list becomes (entry edge, other edge at a, last edge) and its stored normal
// is the unit right-hand normal of that winding. The first component keeps the
// winding of its first face; every later seed is entered from end1 to end2 of
// its first edge. Every face with edges is oriented; returns how many were. A
// face whose edges do not form a triangle keeps its order and passes nothing on.
std::size_t orientFaces(Mesh& mesh);

}  // namespace zeq
