// Reading and writing a mesh in the format its name gives.
#pragma once

#include <string>

#include "io/mesh_format.h"
#include "io/read_status.h"
#include "mesh/mesh.h"

namespace zeq {

// Whether vertex records with equal positions are made one vertex: as the
// format does by default (weldsByDefault), or as asked. STL corners are
// welded whatever is asked.
enum class Welding { Default, On, Off };

// Whether a load keeps what the file carries besides positions and
// triangles (colours, normals, texture coordinates, materials, labels), or
// the positions and triangles alone.
enum class Carrying { Attributes, PositionsOnly };

// Loads `fileName` with the reader of `format` and records in `flavour` how
// it was encoded, welding as `welding` says and keeping what `carrying` says
// (what is kept goes to the mesh's attributes and flavour.carried). Memory
// running out during the load (on either of its threads) gives OutOfMemory;
// what was built by then stays in `mesh`.
ReadStatus readMeshFile(Mesh& mesh, MeshFormat format, const char* fileName, FileFlavour& flavour,
                        Welding welding = Welding::Default, Carrying carrying = Carrying::Attributes);

// Writes the live part of `mesh` to `fileName` with the writer of `format`,
// in `flavour`; 0 when written, 1 when it could not be, memory running out
// included. A failed write leaves no temporary file and no partial output.
// With `copy`, the bytes written are also appended there.
int writeMeshFile(Mesh& mesh, MeshFormat format, const char* fileName, const FileFlavour& flavour,
                  std::string* copy = nullptr);

}  // namespace zeq
