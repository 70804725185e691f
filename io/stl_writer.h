// Writing STL, text or binary.
#pragma once

#include "io/mesh_format.h"
#include "mesh/mesh.h"

namespace zeq {

// Writes the live triangles of `mesh` as STL in the input's flavour, one
// facet each in list order, its corners in the face's winding. Binary: an
// 80-byte header naming the program, the facet count, and per facet its
// normal and corners as little-endian floats (each the rounding of the
// computed double) and a zero attribute. Text: "solid zeq", facets with the
// corners as doubles in their shortest exact form, "endsolid zeq". A facet's
// normal is the unit normal of the triangle as written, computed in double
// precision and given in single precision (0 0 0 for a triangle of no area).
// Returns 0 when the file was written completely, 1 when it could not be
// created or written (then no file is left behind and an existing one is
// kept). Prints nothing.
int writeStl(Mesh& mesh, const char* fileName, const FileFlavour& flavour);

}  // namespace zeq
