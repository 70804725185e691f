#include "tiles/merge.h"

#include <fstream>
#include <new>
#include <sstream>
#include <vector>

#include "tiles/manifest.h"
#include "tiles/report.h"

namespace zeq::tiles {

void weldTile(Welder<double>& welder, const PlainMesh& tile, PlainMesh& merged) {
    std::vector<std::uint32_t> number(tile.vertexCount());
    for (std::size_t v = 0; v < tile.vertexCount(); ++v) {
        const double* p = &tile.positions[3 * v];
        number[v] = welder.add(p[0], p[1], p[2]);
    }
    merged.corners.reserve(merged.corners.size() + tile.corners.size());
    for (std::uint32_t c : tile.corners) merged.corners.push_back(number[c]);
}

namespace {

bool readText(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream all;
    all << in.rdbuf();
    if (in.bad()) return false;
    text = all.str();
    return true;
}

int mergeInto(const std::string& dir, const std::string& output, PlainMesh* result, const volatile int* stop) {
    const std::string manifestPath = dir + "/manifest";
    std::string text;
    if (!readText(manifestPath, text)) {
        report("cannot read manifest " + manifestPath + "!");
        return 1;
    }
    Manifest m;
    std::string why;
    if (!parseManifest(text, m, why)) {
        report("bad manifest " + manifestPath + ": " + why + "!");
        return 1;
    }
    Welder<double> welder;
    PlainMesh merged;
    for (const TileEntry& t : m.tiles) {
        if (stop != nullptr && *stop != 0) return 1;
        const std::string path = dir + "/simplified/" + t.name;
        PlainMesh tile;
        PlainMeshSink sink(tile);
        FileFlavour flavour;
        if (readRecords(m.format, path.c_str(), sink, flavour) != ReadStatus::Loaded) {
            report("cannot read tile " + path + "!");
            return 1;
        }
        if (flavour.encoding != m.flavour.encoding || flavour.doubleCoordinates != m.flavour.doubleCoordinates) {
            report("tile " + path + " is not in the manifest's format!");
            return 1;
        }
        // zeq only ever removes faces and vertices, and a copied tile keeps
        // them all: anything else is not the tile this manifest describes.
        const auto faces = static_cast<long long>(tile.faceCount());
        const auto vertices = static_cast<long long>(tile.vertexCount());
        if (faces > t.faces || (m.count > 0 && t.copied() && faces != t.faces)) {
            report("tile " + path + " has " + std::to_string(faces) + " faces, the manifest says " +
                   std::to_string(t.faces) + "!");
            return 1;
        }
        if (vertices > t.vertices) {
            report("tile " + path + " has " + std::to_string(vertices) + " vertices, the manifest says " +
                   std::to_string(t.vertices) + "!");
            return 1;
        }
        weldTile(welder, tile, merged);
    }
    merged.positions = welder.positions();
    if (writePlainMesh(merged, m.format, output.c_str(), m.flavour) != 0) {
        report("Writing <" + output + ">: Cannot write the file!");
        return 1;
    }
    if (result != nullptr) *result = std::move(merged);
    return 0;
}

}  // namespace

int mergeTiles(const std::string& dir, const std::string& output, PlainMesh* merged, const volatile int* stop) {
    try {
        return mergeInto(dir, output, merged, stop);
    } catch (const std::bad_alloc&) {
        report("out of memory while merging " + dir + "!");
        return 1;
    }
}

}  // namespace zeq::tiles
