// Loading PLY, text or binary.
#pragma once

#include <cstddef>

#include "io/mesh_format.h"
#include "io/read_status.h"
#include "mesh/mesh.h"

namespace zeq {

// Loads a PLY file into `mesh` (appending; the caller passes an empty mesh)
// and sets `flavour` to its encoding and coordinate type.
//
// Accepted: the "ply" line, a "format ascii|binary_little_endian|
// binary_big_endian 1.0" line, "comment" and "obj_info" lines, elements with
// scalar and list properties of the types char/int8, uchar/uint8, short/int16,
// ushort/uint16, int/int32, uint/uint32, float/float32, double/float64, and
// "end_header". The "vertex" element must have scalar x, y and z of type float
// or double, anywhere among its properties; the "face" element comes after it
// and has a list "vertex_indices" (or "vertex_index") with integer count and
// index types. A face of n > 3 corners c0..c(n-1) becomes the triangles (c0,
// ck, ck+1). Every other property and element is skipped. With `weld` (the
// default), vertex records with equal positions become one vertex, numbered
// in order of first appearance: exporters that store a vertex per corner or
// per seam then give a connected surface.
//
// Statuses: 3 for a header that is not of this form (or counts beyond
// 2147483647), FacesBeforeVertices when it has the "face" element before the
// "vertex" element; NoFaces, once the rest is read, when it has no "face"
// element at all (only "tristrips", say); 4 for a vertex record cut short,
// unreadable, or with a coordinate that is not finite; 5 for a face record
// cut short or unreadable, with fewer than three corners, or with a corner
// outside the vertices; an input that ends inside another element gives 4
// before the vertices are complete and 5 after. Prints " V <Vertices>", " E <Edges>", " F <Faces>"
// after a complete load.
//
// With `carry` (the default), everything else the vertex and face elements
// hold is kept: their scalar properties in the mesh's attributes, a face
// list "texcoord" of two reals per corner as values of the corners, and
// every other element that names no vertex is copied whole for the writer
// (in flavour.carried). List properties and elements naming vertices are
// dropped, each with a note line in flavour.carried. A value of a carried
// property that is not of its type (not a whole number within an integer
// type's range, not a finite number) gives 4 or 5 as a coordinate does, and
// so does a texcoord list whose length is not twice the face's corners.
ReadStatus readPly(Mesh& mesh, const char* fileName, FileFlavour& flavour, bool weld = true, bool carry = true);

// The same rules applied to bytes in memory.
ReadStatus readPlyData(Mesh& mesh, const char* data, std::size_t size, FileFlavour& flavour, bool weld = true,
                       bool carry = true);

}  // namespace zeq
