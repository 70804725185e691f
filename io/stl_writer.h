// Writing STL, text or binary.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "io/mesh_format.h"
#include "io/output_file.h"
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
// When the faces carry what an STL file gave (flavour.carried): binary
// facets keep their attribute bytes and the header the file's default colour
// (" COLOR=" and its four bytes after the name); text faces from several
// solids are written as runs of solids of those names.
// Returns 0 when the file was written completely, 1 when it could not be
// created or written (then no file is left behind and an existing one is
// kept). Prints nothing.
// With `copy`, every byte written is also appended there.
int writeStl(Mesh& mesh, const char* fileName, const FileFlavour& flavour, std::string* copy = nullptr);

// The pieces of that file, for other writers of STL: the header (binary) or
// the "solid" line (text); one facet of corners `p` as they are written
// (binary: already rounded to float); the "endsolid" line (text).
void writeStlStart(OutputFile& out, bool binary, std::uint32_t facetCount);
void writeStlFacet(OutputFile& out, const std::array<Point3, 3>& p, bool binary);
void writeStlEnd(OutputFile& out, bool binary);

}  // namespace zeq
