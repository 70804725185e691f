// Writing Wavefront OBJ text.
#pragma once

#include "mesh/mesh.h"

namespace zeq {

// Writes the live part of `mesh` as OBJ: one comment line naming the program
// and the counts, one "v x y z" line per live vertex (the shortest text that
// reads back as the same double), one "f i j k" line per live triangle
// (1-based), in list order. Renumbers the live vertices' ids. Returns 0 when
// the file was written completely, 1 when it could not be created or written
// (then no file is left behind and an existing one is kept). Prints nothing.
int writeObj(Mesh& mesh, const char* fileName);

}  // namespace zeq
