// zeq-tiles split: cutting a mesh into tiles along a regular grid.
#pragma once

#include <limits>
#include <string>

#include "tiles/manifest.h"

namespace zeq::tiles {

struct SplitRequest {
    std::string input;
    std::string dir;            // must be empty or not exist
    long long facesPerTile = 0;
    long long count = 0;        // 0: no simplification commands
    const char* ratio = nullptr;  // instead of a count: the share of the faces to keep (zeq --ratio)
    // The bounds (zeq --max-angle, --max-error; NaN: none), half of each for the tiles.
    double maxAngle = std::numeric_limits<double>::quiet_NaN();
    double maxError = std::numeric_limits<double>::quiet_NaN();
};

// Cuts `request.input` into DIR/tile-NNNNN.EXT, one for each non-empty grid
// cell, and writes DIR/manifest, DIR/commands (with a count) and the empty
// DIR/simplified/. Each face goes to the cell of its centroid. A tile holds
// its faces in input order and the vertices they use in ascending input
// order, written so they read back bit for bit. The manifest is written last:
// a failed split leaves none. 0 on success, 1 after printing a message;
// `stop`, when it becomes non-zero, ends the split between tiles with 1.
int splitMesh(const SplitRequest& request, Manifest& manifest, const volatile int* stop = nullptr);

}  // namespace zeq::tiles
