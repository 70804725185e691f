// zeq-tiles merge: welding simplified tiles back into one mesh.
#pragma once

#include <string>

#include "io/record_files.h"
#include "io/weld.h"

namespace zeq::tiles {

// Appends `tile` to `merged`: its vertices are welded with every vertex met
// before (equal coordinates as doubles, 0 and -0 alike) and new ones are
// numbered in order of first appearance; its faces follow the faces before,
// their corners renumbered. `welder` holds the merged mesh's vertices.
void weldTile(Welder<double>& welder, const PlainMesh& tile, PlainMesh& merged);

// Reads DIR/manifest and DIR/simplified/NAME of every tile it lists, welds
// them in manifest order and writes `output` in the tiles' format and
// flavour. Nothing is written unless every tile was read. 0 on success, 1
// after printing a message. `merged`, when given, receives the mesh.
int mergeTiles(const std::string& dir, const std::string& output, PlainMesh* merged = nullptr,
               const volatile int* stop = nullptr);

}  // namespace zeq::tiles
