// Writing OFF text.
#pragma once

#include <string>

#include "mesh/mesh.h"

namespace zeq {

// Writes the live part of `mesh` as OFF: "OFF", the counts line "V F 0", one
// "x y z" line per live vertex (%g), one "3  i j k" line per live triangle
// (0-based), in list order; renumbers the live vertices' ids. The counts line
// gives the numbers of lines that follow (on a simplified mesh the face count
// is the face-list size minus two per collapse). Prints "Ficheiro -> NAME  criado" on success and returns 0;
// returns 1 without printing when the file could not be created or written
// (no file is left behind and an existing one is kept).
// With `copy`, every byte written is also appended there.
int writeOff(Mesh& mesh, const char* fileName, std::string* copy = nullptr);

}  // namespace zeq
