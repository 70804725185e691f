// Which input vertex each vertex of a written file was kept from.
#pragma once

#include <cstdint>
#include <vector>

#include "io/mesh_format.h"
#include "mesh/mesh.h"

namespace zeq {

// For each vertex record the writer of `format` writes for `mesh` (in
// `flavour`), in file order, the input vertex it stands for: the number the
// load gave that vertex (vertices welded on loading share one number). A
// vertex written again to carry other values at some of its corners (PLY,
// OBJ) gives its number again. STL, which has no vertex records, gives each
// facet's three vertices in turn.
std::vector<std::uint32_t> writtenVertexOrigins(Mesh& mesh, MeshFormat format, const FileFlavour& flavour);

// Writes those numbers to `fileName`, one decimal number to a line, through
// OutputFile: complete or not at all. 0 when written, 1 otherwise.
int writeVertexOrigins(Mesh& mesh, MeshFormat format, const FileFlavour& flavour, const char* fileName);

}  // namespace zeq
