// Writing PLY, text or binary.
#pragma once

#include <string>

#include "io/mesh_format.h"
#include "mesh/mesh.h"

namespace zeq {

class OutputFile;
struct PlainMesh;

// Writes the live part of `mesh` as PLY in the input's flavour: "format
// ascii 1.0", or binary in the input's byte order; "vertex" with x, y, z of
// type double, or float (each the rounding of the computed double), and
// "face" with "list uchar int vertex_indices" (0-based), in list order, under
// one comment line. Text coordinates are the shortest that read back to the
// same number of their type. Renumbers the live vertices' ids. Returns 0 when
// the file was written completely, 1 when it could not be created or written
// (then no file is left behind and an existing one is kept). Prints nothing.
// With `copy`, every byte written is also appended there.
int writePly(Mesh& mesh, const char* fileName, const FileFlavour& flavour, std::string* copy = nullptr);

// The word of a PLY "format" line for the flavour's encoding.
const char* plyFormatName(const FileFlavour& flavour);

// Plain records as a PLY of positions and triangles, in `flavour`: every
// coordinate written so that it reads back as the same number.
void writePlyRecords(OutputFile& out, const PlainMesh& mesh, const FileFlavour& flavour);

}  // namespace zeq
