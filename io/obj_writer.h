// Writing Wavefront OBJ text.
#pragma once

#include <string>

#include "io/mesh_format.h"
#include "mesh/mesh.h"

namespace zeq {

// Writes the live part of `mesh` as OBJ: one comment line naming the program
// and the counts, one "v x y z" line per live vertex (the shortest text that
// reads back as the same double), one "f i j k" line per live triangle
// (1-based), in list order. Renumbers the live vertices' ids. Returns 0 when
// the file was written completely, 1 when it could not be created or written
// (then no file is left behind and an existing one is kept). Prints nothing.
//
// When the mesh carries what an OBJ file gave (flavour.carried), the file
// also has: the "mtllib" lines after the comment; each vertex's colour after
// its position (white for one the file gave none, when others have one); the texture coordinates and normals its corners carry, each
// distinct value once in "vt" and "vn" lines in order of first use, named
// by the corners as "i/t/n" ("i/t", "i//n"); and before each run of faces
// the "o", "g", "s" and "usemtl" lines that changed.
// With `copy`, every byte written is also appended there.
int writeObj(Mesh& mesh, const char* fileName, const FileFlavour& flavour = FileFlavour{},
             std::string* copy = nullptr);

}  // namespace zeq
