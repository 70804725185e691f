// Loading STL, text or binary.
#pragma once

#include <cstddef>

#include "io/mesh_format.h"
#include "io/read_status.h"
#include "io/record_files.h"
#include "mesh/mesh.h"

namespace zeq {

// Loads an STL file into `mesh` (appending; the caller passes an empty mesh)
// and sets `flavour` to its encoding (binary STL holds floats, text is read
// as doubles).
//
// An input is text when it starts with "solid" and the next line, if there is
// one, starts with "facet" or "endsolid", unless its size is exactly that of
// a binary file with the facet count at byte 80 (some binary files start with
// "solid" too); everything else is binary: an 80-byte header, a little-endian 32-bit facet
// count, then 50 bytes per facet (normal, three corners, attribute).
// Text is "solid NAME", facets "facet normal nx ny nz / outer loop / vertex
// x y z ... / endloop / endfacet", and "endsolid NAME"; several solids may
// follow one another. A loop of more than three corners is a polygon, split
// into the triangles (c0, ck, ck+1). The facet normals are not read.
//
// Corners with equal coordinates are welded into one vertex; vertices are
// numbered in order of first appearance, faces keep the file's order.
//
// Statuses: 3 for a binary header cut short, or a facet count that does not
// match the size of the input (a larger or a smaller one, so a binary file
// cut inside a facet is a 3; only a pipe, whose size is known at its end,
// gives 5 there); 4 for a coordinate that is not a finite number; 5 for a
// facet cut short or not of the form above, and for text without its
// "endsolid" (a lone "solid NAME" line included). Prints " V <Vertices>", " E <Edges>", " F <Faces>" after a
// complete load.
//
// With `carry` (the default), what the facets carry is kept for the writer:
// a binary file's attribute bytes (a 15-bit colour each, under a header
// that gives the default colour after "COLOR="), and the solid each face of
// a text file of several solids was in.
ReadStatus readStl(Mesh& mesh, const char* fileName, FileFlavour& flavour, bool carry = true);

// The same rules applied to bytes in memory.
ReadStatus readStlData(Mesh& mesh, const char* data, std::size_t size, FileFlavour& flavour, bool carry = true);

// Loads the facets of `facets` (each face three corners in its positions) as
// the same rules load a file of those facets, binary (floats) or text
// (doubles): the corners welded, the same vertices, faces and messages.
ReadStatus loadStlFacets(Mesh& mesh, const PlainMesh& facets, bool binary);

}  // namespace zeq
