// zeq-tiles merge: joining simplified tiles back into one mesh.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "io/record_files.h"

namespace zeq::tiles {

// Numbers the merged mesh's vertices, tile after tile, in order of first
// appearance. A vertex of one tile alone is one vertex of the merged mesh,
// however many of the tile's records name it (a vertex written again to
// carry other values at some corners); a vertex the split shared between
// tiles is one vertex whichever tiles bring it, identified by its input
// number. Vertices are never made one by their positions: copies the input
// kept apart on purpose stay apart.
class VertexMerger {
public:
    // Starts a tile of `tileVertices` vertices; `shared` maps those that
    // other tiles use too to their input numbers.
    void startTile(std::size_t tileVertices, const std::unordered_map<std::uint32_t, std::uint32_t>& shared);
    // The merged vertex that tile vertex k is; `added` tells whether it is
    // new.
    std::uint32_t vertexOf(std::uint32_t k, bool& added);
    std::uint32_t count() const { return count_; }

private:
    const std::unordered_map<std::uint32_t, std::uint32_t>* shared_ = nullptr;
    std::unordered_map<std::uint32_t, std::uint32_t> mergedOfInput_;
    std::vector<std::uint32_t> local_;  // tile vertex → merged vertex + 1 (0: not yet)
    std::uint32_t count_ = 0;
};

// The merged mesh, with what its tiles carried.
struct MergedMesh {
    PlainMesh mesh;
    std::unique_ptr<MeshAttributes> attributes;  // null when no tile carried anything
    FileFlavour flavour;
};

// Writes a merged mesh in `format`, as zeq would write it. 0 when written.
int writeMerged(MergedMesh& merged, MeshFormat format, const std::string& output);

// Reads DIR/manifest and, for every tile it lists, DIR/simplified/NAME with
// NAME.origins beside it (see zeq --origins; a tile copied unsimplified
// needs none) and DIR/NAME.shared, joins them in manifest order and writes
// `output` in the tiles' format and flavour. Nothing is written unless every
// tile was read. 0 on success, 1 after printing a message. `merged`, when
// given, receives the mesh.
int mergeTiles(const std::string& dir, const std::string& output, MergedMesh* merged = nullptr,
               const volatile int* stop = nullptr);

}  // namespace zeq::tiles
