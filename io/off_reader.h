// Loading OFF text.
#pragma once

#include <cstddef>

#include "io/read_status.h"
#include "mesh/mesh.h"

namespace zeq {

// Loads an OFF file into `mesh` (appending; the caller passes an empty mesh).
//
// The file is one stream of blank-separated items: a keyword (any word of at
// most 99 characters, normally "OFF"; "OFF" glued to digits, as ModelNet
// writes "OFF490", gives those digits as V), the counts V F E (E ignored), V
// vertex records "x y z", then F face records "n i1 ... in" with 0-based
// corners, n at least 3, each split into the triangles (i1, ik, ik+1). After
// the keyword, '#' starts a comment that runs to the end of its line. Values
// after a face's corners on its line that do not start with an integer (a
// colour) are passed over. Whatever follows the last record is not read.
//
// Prints " #Vertices = V / #Edges = ?? / #Faces = F" after the header. When the
// file ends inside the face records (a record cut short is dropped) it also
// prints the edge and face totals and the end-of-reading line; after F
// complete records it prints nothing more. Header counts are claims: nothing
// is reserved for them, and a file that runs out of vertex records fails.
// With `weld`, vertex records with equal positions become one vertex.
ReadStatus readOff(Mesh& mesh, const char* fileName, bool weld = false);

// The same rules applied to text in memory.
ReadStatus readOffText(Mesh& mesh, const char* data, std::size_t size, const char* name, bool weld = false);

}  // namespace zeq
