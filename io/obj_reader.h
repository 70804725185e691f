// Loading Wavefront OBJ text.
#pragma once

#include <cstddef>

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
ReadStatus readObj(Mesh& mesh, const char* fileName, bool weld = true);

// The same rules applied to text in memory.
ReadStatus readObjText(Mesh& mesh, const char* data, std::size_t size, bool weld = true);

}  // namespace zeq
