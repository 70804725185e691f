// Loading OFF text.
#pragma once

#include <cstddef>

#include "io/read_status.h"
#include "mesh/mesh.h"

namespace zeq {

// Loads an OFF file into `mesh` (appending; the caller passes an empty mesh).
//
// The file is one stream of blank-separated items: a keyword (any word of at
// most 99 characters, normally "OFF"), the counts V F E (E ignored), V vertex
// records "x y z", then F face records "n i j k" with 0-based corners (n is
// read and ignored; every face is a triangle). Whatever follows is not read.
//
// Prints " #Vertices = V / #Edges = ?? / #Faces = F" after the header. When the
// file ends inside the face records (a record cut short is dropped) it also
// prints the edge and face totals and the end-of-reading line; after F
// complete records it prints nothing more. Header counts are claims: nothing
// is reserved for them, and a file that runs out of vertex records fails.
ReadStatus readOff(Mesh& mesh, const char* fileName);

// The same rules applied to text in memory.
ReadStatus readOffText(Mesh& mesh, const char* data, std::size_t size, const char* name);

}  // namespace zeq
