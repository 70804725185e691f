// Loading Wavefront OBJ text.
#pragma once

#include <cstddef>

#include "io/mesh_format.h"
#include "io/read_status.h"
#include "mesh/mesh.h"

namespace zeq {

// Loads an OBJ file into `mesh` (appending; the caller passes an empty mesh).
//
// Read, line by line: "v x y z" (numbers after z, such as w or a colour, are
// ignored) and "f" lines of three or more corners, each "i", "i/t", "i//n" or
// "i/t/n"; i counts the vertices from 1, or back from the last vertex read
// when negative (-1 is the last one). A face names only vertices defined
// above it. Vertex and face lines may alternate. A face of n > 3 corners is
// split into the triangles (c0, ck, ck+1). Every other line ("vn", "vt", "g",
// "o", "s", "usemtl", "mtllib", "l", comments, ...) is skipped, and "#" starts
// a comment anywhere. A UTF-8 byte order mark at the start is passed over.
//
// Statuses: 3 when no vertex line at all is found; 4 for a vertex line
// without three finite numbers; 5 for a face line with fewer than three
// corners, a corner that is not a number, 0, or outside the vertices read so
// far. Prints " V <Vertices>", " E <Edges>", " F <Faces>" after a complete
// load.
//
// With `flavour`, the load also carries what the file gives besides: a
// colour "v x y z r g b", the corners' "vt" and "vn", the "mtllib" lines and
// the "o", "g", "s" and "usemtl" statements each face is under (into the
// mesh's attributes and flavour->carried, when there is any). Then a "v"
// line with two numbers after z, a "vt" without numbers or a "vn" without
// three, or a number among them that does not read, gives 4 (5 after the
// first face); a corner's t or n that is 0, not a number or names no "vt" or
// "vn" above it gives 5.
ReadStatus readObj(Mesh& mesh, const char* fileName, bool weld = true, FileFlavour* flavour = nullptr);

// The same rules applied to text in memory.
ReadStatus readObjText(Mesh& mesh, const char* data, std::size_t size, bool weld = true,
                       FileFlavour* flavour = nullptr);

}  // namespace zeq
