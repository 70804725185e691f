// Loading SMF text.
#pragma once

#include <cstddef>

#include "io/read_status.h"
#include "mesh/mesh.h"

namespace zeq {

// Loads an SMF file into `mesh` (appending; the caller passes an empty mesh).
//
// Accepted text: header lines up to the first line that starts with 'v' (each
// at most 89 characters, the 'v' line included); then, as a stream of blank-
// separated items, vertex records (one character other than 'f', then x y z)
// up to the first item starting with 'f'; then face records "f i j k" with
// 1-based corners, until the end of the file or the first item that does not
// start with 'f' (the rest is ignored). A face record cut short by the end of
// the file is dropped.
//
// Prints " N <Vertices>" once the vertices are read, and " N <Edges>" and
// " N <Faces>" only when the face records run to the end of the file. On
// statuses 4 and 5 the records built so far stay in the mesh.
ReadStatus readSmf(Mesh& mesh, const char* fileName, bool weld = false);

// The same rules applied to text in memory.
ReadStatus readSmfText(Mesh& mesh, const char* data, std::size_t size, bool weld = false);

}  // namespace zeq
