// Writing SMF text.
#pragma once

#include <string>

#include "mesh/mesh.h"

namespace zeq {

// Writes the live part of `mesh` as SMF: "#SMF", one "v x y z" line per live
// vertex (%g), one "f i j k " line per live triangle (1-based, each number
// followed by a blank), in list order. Renumbers the live vertices' ids.
// Returns 0 when the file was written completely, 1 when it could not be
// created or written (then no file is left behind and an existing one is kept).
// Prints nothing.
// With `copy`, every byte written is also appended there.
int writeSmf(Mesh& mesh, const char* fileName, std::string* copy = nullptr);

}  // namespace zeq
